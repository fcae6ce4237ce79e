// The installer's names and the counting of the download.

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

    void names()
    {
        QCOMPARE(Update::EarlierInstallerName("Koerszicht", "versie 1.00d"),
                 std::string("Koerszicht1.00.exe"));
        QCOMPARE(Update::CompanionProgramPath("/opt/koerszicht/", "Koerszicht"),
                 std::string("/opt/koerszicht/Koerszicht_Sched.exe"));
        QCOMPARE(Update::InstallerArguments(), (std::vector<std::string>{"/SP-", "/silent", "/noicons"}));
    }

    void countedKB_data()
    {
        QTest::addColumn<int>("bytes");
        QTest::addColumn<int>("kilobytes");
        QTest::newRow("full read") << 2048 << 2;
        QTest::newRow("short last read") << 900 << 0;
        QTest::newRow("one kilobyte") << 1024 << 1;
        QTest::newRow("remainder dropped") << 2047 << 1;
        QTest::newRow("nothing") << 0 << 0;
    }
    void countedKB()
    {
        QFETCH(int, bytes);
        QFETCH(int, kilobytes);
        QCOMPARE(Update::CountedKB(static_cast<std::size_t>(bytes)), kilobytes);
    }

    void gaugePercent_data()
    {
        QTest::addColumn<int>("maxValue");
        QTest::addColumn<int>("progress");
        QTest::addColumn<int>("percent");
        QTest::newRow("empty range") << 0 << 0 << 0;
        QTest::newRow("empty range, progress beyond") << 0 << 5 << 0;
        QTest::newRow("start") << 1500 << 0 << 0;
        QTest::newRow("whole percent, not rounded") << 1500 << 29 << 1;
        QTest::newRow("just under the end") << 1500 << 1499 << 99;
        QTest::newRow("end") << 1500 << 1500 << 100;
        QTest::newRow("beyond the end is clamped") << 1500 << 4000 << 100;
        QTest::newRow("below the start is clamped") << 1500 << -3 << 0;
        QTest::newRow("large range without overflow") << 2147483647 << 2147483646 << 99;
    }
    void gaugePercent()
    {
        QFETCH(int, maxValue);
        QFETCH(int, progress);
        QFETCH(int, percent);
        QCOMPARE(Update::GaugePercent(0, maxValue, progress), percent);
    }
};

QTEST_GUILESS_MAIN(TestInstaller)
#include "tst_installer.moc"
