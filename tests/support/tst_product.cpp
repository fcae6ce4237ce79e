// The product's version text as a Dutch or an English window shows it.

#include "support/Product.h"

#include <QTest>

class TestProduct : public QObject
{
    Q_OBJECT

private slots:
    void versionTextIn_data()
    {
        QTest::addColumn<QByteArray>("versionText");
        QTest::addColumn<QByteArray>("language");
        QTest::addColumn<QByteArray>("shown");
        QTest::newRow("Dutch keeps the Dutch word")
            << QByteArray("versie 1.00d") << QByteArray("NLD") << QByteArray("versie 1.00d");
        QTest::newRow("English") << QByteArray("versie 1.00d") << QByteArray("ENU")
                                 << QByteArray("version 1.00d");
        QTest::newRow("any other language is English")
            << QByteArray("versie 1.00d") << QByteArray("DEU") << QByteArray("version 1.00d");
        QTest::newRow("empty language code is English")
            << QByteArray("versie 2.13z") << QByteArray() << QByteArray("version 2.13z");
        QTest::newRow("the product's own text")
            << QByteArray(Support::VersionText) << QByteArray("ENU") << QByteArray("version 1.00d");
        QTest::newRow("already English")
            << QByteArray("version 1.00d") << QByteArray("ENU") << QByteArray("version 1.00d");
        QTest::newRow("no word") << QByteArray("1.00d") << QByteArray("ENU") << QByteArray("1.00d");
        QTest::newRow("word without a blank after it")
            << QByteArray("versie1.00d") << QByteArray("ENU") << QByteArray("versie1.00d");
        QTest::newRow("a longer word")
            << QByteArray("versies 1.00d") << QByteArray("ENU") << QByteArray("versies 1.00d");
        QTest::newRow("word inside the text")
            << QByteArray("beta versie 1.00d") << QByteArray("ENU") << QByteArray("beta versie 1.00d");
        QTest::newRow("empty") << QByteArray() << QByteArray("ENU") << QByteArray();
    }
    void versionTextIn()
    {
        QFETCH(QByteArray, versionText);
        QFETCH(QByteArray, language);
        QFETCH(QByteArray, shown);
        // The language as the system's three-letter code names it.
        QCOMPARE(QByteArray::fromStdString(Support::VersionTextIn(
                     versionText.toStdString(), Support::LanguageOfCode(language.toStdString()))),
                 shown);
    }
};

QTEST_APPLESS_MAIN(TestProduct)
#include "tst_product.moc"
