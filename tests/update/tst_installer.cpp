// The name of the installer in the installation lines, and the size bound of its download.

#include "update/Installer.h"

#include <QTest>

class TestInstaller : public QObject
{
    Q_OBJECT

private slots:
    void displayName_data()
    {
        QTest::addColumn<QByteArray>("downloadName");
        QTest::addColumn<QByteArray>("displayName");
        QTest::newRow("product installer") << QByteArray("Koerszicht101.exe") << QByteArray("Koerszicht");
        QTest::newRow("first letter made a capital")
            << QByteArray("koerszicht101.exe") << QByteArray("Koerszicht");
        QTest::newRow("digits inside the name go")
            << QByteArray("Koers2zicht101.exe") << QByteArray("Koerszicht");
        QTest::newRow("only the part before the first point")
            << QByteArray("Koerszicht.setup.101.exe") << QByteArray("Koerszicht");
        QTest::newRow("prefix: small prefix, rest in capitals")
            << QByteArray("kzsched203.exe") << QByteArray("kzSCHED");
        QTest::newRow("prefix written with a capital")
            << QByteArray("Kzsched203.exe") << QByteArray("kzSCHED");
        QTest::newRow("prefix with a capital second letter is no prefix")
            << QByteArray("KZsched203.exe") << QByteArray("KZsched");
        QTest::newRow("prefix alone") << QByteArray("kz101.exe") << QByteArray("kz");
        QTest::newRow("prefix, rest keeps non-letters")
            << QByteArray("kzaex-klok2.exe") << QByteArray("kzAEX-KLOK");
        QTest::newRow("no point: no name part") << QByteArray("Koerszicht101") << QByteArray("Koerszicht101");
        QTest::newRow("only digits before the point") << QByteArray("101.exe") << QByteArray("101.exe");
        QTest::newRow("first character not a letter") << QByteArray("_tool1.exe") << QByteArray("_tool");
    }
    void displayName()
    {
        QFETCH(QByteArray, downloadName);
        QFETCH(QByteArray, displayName);
        QCOMPARE(QByteArray::fromStdString(Update::InstallerDisplayName(downloadName.toStdString())),
                 displayName);
    }

    void sizeBound_data()
    {
        QTest::addColumn<int>("listedKB");
        QTest::addColumn<qint64>("maxBytes");
        QTest::newRow("nothing listed: 64 KiB") << 0 << qint64{65536};
        QTest::newRow("negative") << -5 << qint64{65536};
        QTest::newRow("small: 64 KiB more") << 100 << qint64{102400 + 65536};
        QTest::newRow("where a tenth is 64 KiB") << 640 << qint64{655360 + 65536};
        QTest::newRow("large: a tenth more") << 1500 << qint64{1536000 + 153600};
        QTest::newRow("never more than 512 MiB") << 2147483647 << qint64{536870912};
    }
    void sizeBound()
    {
        QFETCH(int, listedKB);
        QTEST(static_cast<qint64>(Update::MaxInstallerBytes(listedKB)), "maxBytes");
    }
};

QTEST_GUILESS_MAIN(TestInstaller)
#include "tst_installer.moc"
