// The regional country setting as the registry stores it: text that should hold a number.

#include "support/PlatformRules.h"

#include <QTest>

class TestCountryCode : public QObject
{
    Q_OBJECT
private slots:
    void FromText_data();
    void FromText();
};

void TestCountryCode::FromText_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("code");
    QTest::newRow("the Netherlands") << QByteArray("31") << 31;
    QTest::newRow("the North American plan") << QByteArray("1") << 1;
    QTest::newRow("three digits") << QByteArray("352") << 352;
    QTest::newRow("surrounding blanks and tabs") << QByteArray(" \t32 ") << 32;
    QTest::newRow("leading zeros") << QByteArray("0031") << 31;
    QTest::newRow("a plus sign") << QByteArray("+44") << 44;
    QTest::newRow("a minus sign") << QByteArray("-7") << -7;
    QTest::newRow("two signs") << QByteArray("+-7") << 1;
    QTest::newRow("empty") << QByteArray("") << 1;
    QTest::newRow("blanks only") << QByteArray("   ") << 1;
    QTest::newRow("letters") << QByteArray("NL") << 1;
    QTest::newRow("a number followed by letters") << QByteArray("31x") << 1;
    QTest::newRow("a blank inside") << QByteArray("3 1") << 1;
    QTest::newRow("a decimal point") << QByteArray("3.1") << 1;
    QTest::newRow("a decimal comma") << QByteArray("3,1") << 1;
    QTest::newRow("beyond a 32-bit number") << QByteArray("99999999999") << 1;
    QTest::newRow("a sign only") << QByteArray("+") << 1;
}

void TestCountryCode::FromText()
{
    QFETCH(QByteArray, text);
    QFETCH(int, code);
    QCOMPARE(Support::CountryCodeFromText(text.toStdString()), code);
}

QTEST_GUILESS_MAIN(TestCountryCode)
#include "tst_countrycode.moc"
