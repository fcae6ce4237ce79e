// Cutting texts into fields and converting numbers.
#include "support/Regional.h"
#include "support/TextFields.h"

#include <QTest>
#include <algorithm>
#include <charconv>
#include <cstring>
#include <random>
#include <string>

using namespace Support;

Q_DECLARE_METATYPE(std::string)

namespace QTest {
template <> char* toString(const std::string& text)
{
    return QTest::toString(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}
} // namespace QTest

namespace {
std::string S(const char* text)
{
    return text;
}
} // namespace

class TextFieldsTest : public QObject
{
    Q_OBJECT

private slots:
    void splitters_data()
    {
        QTest::addColumn<char>("separator");
        QTest::addColumn<std::string>("text");
        QTest::addColumn<std::string>("before");
        QTest::addColumn<std::string>("after");
        QTest::addColumn<std::string>("afterLast");
        QTest::addColumn<std::string>("beforeLast");
        QTest::newRow("abc-def-ghi") << '-' << S("abc-def-ghi") << S("abc") << S("def-ghi") << S("ghi")
                                     << S("abc-def");
        QTest::newRow("separator absent: all empty, not the text")
            << '-' << S("abcdef") << S("") << S("") << S("") << S("");
        QTest::newRow("empty text") << '-' << S("") << S("") << S("") << S("") << S("");
        QTest::newRow("only the separator") << '-' << S("-") << S("") << S("") << S("") << S("");
        QTest::newRow("separator first") << '-' << S("-abc") << S("") << S("abc") << S("abc") << S("");
        QTest::newRow("separator last") << '-' << S("abc-") << S("abc") << S("") << S("") << S("abc");
        QTest::newRow("a--b") << '-' << S("a--b") << S("a") << S("-b") << S("b") << S("a-");
        QTest::newRow("folder with backslash at the end")
            << '\\' << S("C:\\Users\\jan\\Desktop\\") << S("C:") << S("Users\\jan\\Desktop\\") << S("")
            << S("C:\\Users\\jan\\Desktop");
        QTest::newRow("folder without backslash at the end")
            << '\\' << S("C:\\Users\\jan\\Desktop") << S("C:") << S("Users\\jan\\Desktop") << S("Desktop")
            << S("C:\\Users\\jan");
        QTest::newRow("day entry at the blank")
            << ' ' << S("41067 - 312,45") << S("41067") << S("- 312,45") << S("312,45") << S("41067 -");
        QTest::newRow("lines at line feed") << '\n'
                                            << S("a\nb\n") << S("a") << S("b\n") << S("") << S("a\nb");
        QTest::newRow("other characters stay")
            << ';' << S("x\t;\ty") << S("x\t") << S("\ty") << S("\ty") << S("x\t");
        const std::string tail(300, 'a');
        QTest::newRow("after the last: 255 characters at most")
            << '-' << "x-" + tail << S("x") << tail << std::string(255, 'a') << S("x");
    }

    void splitters()
    {
        QFETCH(char, separator);
        QFETCH(std::string, text);
        QFETCH(std::string, before);
        QFETCH(std::string, after);
        QFETCH(std::string, afterLast);
        QFETCH(std::string, beforeLast);
        QCOMPARE(TextBefore(separator, text), before);
        QCOMPARE(TextAfter(separator, text), after);
        QCOMPARE(TextAfterLast(separator, text), afterLast);
        QCOMPARE(TextBeforeLast(separator, text), beforeLast);
    }

    void filters_data()
    {
        QTest::addColumn<std::string>("text");
        QTest::addColumn<std::string>("withoutBlanks");
        QTest::addColumn<std::string>("pointToComma");
        QTest::addColumn<std::string>("withoutDigits");
        QTest::addColumn<std::string>("numberChars");
        QTest::newRow("quote text") << S("AEX: -1.234,56 pt") << S("AEX:-1.234,56pt")
                                    << S("AEX: -1,234,56 pt") << S("AEX: -., pt") << S("1.234,56");
        QTest::newRow("digits and letters")
            << S("ab12cd3") << S("ab12cd3") << S("ab12cd3") << S("abcd") << S("123");
        QTest::newRow("tabs are not blanks")
            << S(" 1 2\t3 ") << S("12\t3") << S(" 1 2\t3 ") << S("  \t ") << S("123");
        QTest::newRow("only the first point")
            << S("1.2.3") << S("1.2.3") << S("1,2.3") << S("..") << S("1.2.3");
        QTest::newRow("empty") << S("") << S("") << S("") << S("") << S("");
        QTest::newRow("short text: 79 characters at most")
            << std::string(100, '7') << std::string(100, '7') << std::string(100, '7') << S("")
            << std::string(79, '7');
        QTest::newRow("characters after the 79th are not looked at")
            << std::string(79, 'x') + "12" << std::string(79, 'x') + "12" << std::string(79, 'x') + "12"
            << std::string(79, 'x') << S("");
    }

    void filters()
    {
        QFETCH(std::string, text);
        QFETCH(std::string, withoutBlanks);
        QFETCH(std::string, pointToComma);
        QFETCH(std::string, withoutDigits);
        QFETCH(std::string, numberChars);
        QCOMPARE(RemoveBlanks(text), withoutBlanks);
        QCOMPARE(PointToComma(text), pointToComma);
        QCOMPARE(StripDigits(text), withoutDigits);
        QCOMPARE(KeepNumberChars(text), numberChars);
    }

    void textToFloat_data()
    {
        QTest::addColumn<std::string>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("empty") << S("") << 0.0;
        QTest::newRow("blanks and a comma") << S(" 12,5 ") << 12.5;
        QTest::newRow("point") << S("12.5") << 12.5;
        QTest::newRow("leading comma") << S(",5") << 0.5;
        QTest::newRow("trailing comma") << S("5,") << 5.0;
        QTest::newRow("negative") << S("-3") << -3.0;
        QTest::newRow("negative fraction") << S("-,5") << -0.5;
        QTest::newRow("letters") << S("abc") << 0.0;
        QTest::newRow("percent") << S("12%") << 0.0;
        QTest::newRow("exponent") << S("1e5") << 0.0;
        QTest::newRow("plus sign") << S("+5") << 0.0;
        QTest::newRow("tab") << S("\t5") << 0.0;
        QTest::newRow("two commas") << S("1,2,3") << 0.0;
        QTest::newRow("blanks inside") << S("12 345,6") << 12345.6;
        QTest::newRow("thousands point: read as far as it goes") << S("1.234,5") << 1.234;
        QTest::newRow("minus not in front: read as far as it goes") << S("5-") << 5.0;
        QTest::newRow("two points at the end") << S("1.2.") << 1.2;
        QTest::newRow("only a point") << S(".") << 0.0;
        QTest::newRow("only a minus") << S("-") << 0.0;
        QTest::newRow("two minus signs") << S("--5") << 0.0;
        QTest::newRow("day without a value") << S("0,0") << 0.0;
        QTest::newRow("history value") << S("1004,14") << 1004.14;
        QTest::newRow("quote value with blanks") << S(" 312,45 ") << 312.45;
        QTest::newRow("beyond the range of a double") << std::string(400, '9') << 0.0;
    }

    void textToFloat()
    {
        QFETCH(std::string, text);
        QFETCH(double, value);
        QCOMPARE(TextToFloat(text), value);
    }

    // Every text of digits and one separator reads as the nearest double, bit for bit as the
    // standard conversion gives it: long ones, many decimals, zeros and a minus included.
    void textToFloatIsTheNearestDouble()
    {
        std::mt19937_64 random(20261210);
        for (int i = 0; i < 200000; ++i) {
            const int length = 1 + static_cast<int>(random() % 17);
            std::string text = random() % 5 == 0 ? "-" : "";
            const int point = static_cast<int>(random() % (length + 1));
            for (int position = 0; position < length; ++position) {
                if (position == point)
                    text += random() % 2 ? ',' : '.';
                text += static_cast<char>('0' + random() % 10);
            }
            std::string standard = text;
            std::replace(standard.begin(), standard.end(), ',', '.');
            double expected = 0.0;
            std::from_chars(standard.data(), standard.data() + standard.size(), expected);
            const double read = TextToFloat(text);
            QVERIFY2(std::memcmp(&read, &expected, sizeof read) == 0, text.c_str());
        }
    }

    // The regional settings choose the separator FloatToFixed writes; TextToFloat reads either.
    void regionalSeparator()
    {
        for (const auto& [settings, written] : {std::pair(RegionalSettings::Dutch(), S("345,68")),
                                                std::pair(RegionalSettings::English(), S("345.68"))}) {
            SetRegional(settings);
            QCOMPARE(FloatToFixed(345.678, 2, 2), written);
            QCOMPARE(TextToFloat("3.25"), 3.25);
            QCOMPARE(TextToFloat("3,25"), 3.25);
        }
    }

    void floatToFixed_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<std::string>("withPoint");
        QTest::addColumn<std::string>("withComma");
        QTest::newRow("two decimals") << 345.678 << 2 << 2 << S("345.68") << S("345,68");
        QTest::newRow("four decimals") << 0.5 << 2 << 4 << S("0.5000") << S("0,5000");
        QTest::newRow("interpolated") << 302.5 << 2 << 2 << S("302.50") << S("302,50");
        QTest::newRow("negative") << -3.14159 << 2 << 2 << S("-3.14") << S("-3,14");
        QTest::newRow("right-aligned in the width") << 5.0 << 6 << 2 << S("  5.00") << S("  5,00");
        QTest::newRow("rounds the exact binary value (2.675 is 2.67499...)")
            << 2.675 << 2 << 2 << S("2.67") << S("2,67");
        QTest::newRow("rounds up") << 0.996 << 2 << 2 << S("1.00") << S("1,00");
        QTest::newRow("cut to 12 characters")
            << 1234567890.123 << 2 << 4 << S("1234567890.1") << S("1234567890,1");
        QTest::newRow("point beyond 12 characters")
            << 1e20 << 2 << 2 << S("100000000000") << S("100000000000");
        QTest::newRow("a wide field keeps only blanks")
            << 5.0 << 20 << 2 << std::string(12, ' ') << std::string(12, ' ');
        QTest::newRow("no decimals") << 41.2 << 2 << 0 << S("41") << S("41");
        QTest::newRow("many decimals: 12 characters")
            << 0.25 << 2 << 100 << S("0.2500000000") << S("0,2500000000");
        QTest::newRow("negative decimals count as none") << 7.0 << 1 << -3 << S("7") << S("7");
    }

    void floatToFixed()
    {
        QFETCH(double, value);
        QFETCH(int, width);
        QFETCH(int, decimals);
        QFETCH(std::string, withPoint);
        QFETCH(std::string, withComma);
        QCOMPARE(FloatToFixed(value, width, decimals, '.'), withPoint);
        QCOMPARE(FloatToFixed(value, width, decimals, ','), withComma);
        QVERIFY(FloatToFixed(value, width, decimals, ',').size() <= 12);
    }

    void copy_data()
    {
        QTest::addColumn<std::string>("text");
        QTest::addColumn<long long>("position");
        QTest::addColumn<long long>("count");
        QTest::addColumn<std::string>("copy");
        QTest::newRow("middle") << S("abcdef") << 2LL << 3LL << S("bcd");
        QTest::newRow("fewer at the end") << S("abc") << 2LL << 100LL << S("bc");
        QTest::newRow("position below 1 counts as 1") << S("abc") << -5LL << 2LL << S("ab");
        QTest::newRow("position 0 counts as 1") << S("abc") << 0LL << 2LL << S("ab");
        QTest::newRow("past the end") << S("abc") << 4LL << 1LL << S("");
        QTest::newRow("nothing") << S("abc") << 1LL << 0LL << S("");
        QTest::newRow("negative count") << S("abc") << 1LL << -1LL << S("");
    }

    void copy()
    {
        QFETCH(std::string, text);
        QFETCH(long long, position);
        QFETCH(long long, count);
        QFETCH(std::string, copy);
        QCOMPARE(Copy(text, position, count), copy);
    }

    void pos()
    {
        QCOMPARE(Pos("HOME", "xxHOMEyyHOME"), 3LL);
        QCOMPARE(Pos("AEX", "no index here"), 0LL);
        QCOMPARE(Pos("", "abc"), 0LL);
        QCOMPARE(Pos("a", ""), 0LL);
    }
};

QTEST_APPLESS_MAIN(TextFieldsTest)
#include "tst_textfields.moc"
