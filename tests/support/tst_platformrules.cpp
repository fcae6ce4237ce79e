// The rules that turn raw platform facts into the program's facts, with Windows-style inputs,
// and the facts this system feeds them.
#include "support/PlatformRules.h"
#include "support/SystemInfo.h"

#include <QTimeZone>
#include <QtTest>

using namespace Support;

Q_DECLARE_METATYPE(Support::Platform)
Q_DECLARE_METATYPE(Support::TimeZoneRecord)
Q_DECLARE_METATYPE(Support::CivilTime)

class TestPlatformRules : public QObject
{
    Q_OBJECT
private slots:
    void language_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("language");
        QTest::newRow("Dutch, Netherlands") << 1043 << "NLD";
        QTest::newRow("Dutch, Belgium") << 2067 << "NLD";
        QTest::newRow("Afrikaans") << 1078 << "NLD";
        QTest::newRow("English, United States") << 1033 << "ENU";
        QTest::newRow("German") << 1031 << "ENU";
        QTest::newRow("French, Belgium") << 2060 << "ENU";
        QTest::newRow("French, France") << 1036 << "ENU";
        QTest::newRow("zero") << 0 << "ENU";
    }
    void language()
    {
        QFETCH(int, id);
        QFETCH(QString, language);
        QCOMPARE(QString::fromStdString(LanguageForId(id)), language);
    }

    void versionTable_data()
    {
        QTest::addColumn<Platform>("platform");
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<QString>("service");
        QTest::addColumn<bool>("nt");
        QTest::addColumn<QString>("name");
        QTest::newRow("95") << Platform::Windows95Line << 4 << 0 << "" << false << "95";
        QTest::newRow("95 OSR2 (B)") << Platform::Windows95Line << 4 << 0 << "B" << false << "95 OSR2";
        QTest::newRow("95 OSR2 (C)") << Platform::Windows95Line << 4 << 0 << "C" << false << "95 OSR2";
        QTest::newRow("98") << Platform::Windows95Line << 4 << 10 << "" << false << "98";
        QTest::newRow("98 SE") << Platform::Windows95Line << 4 << 10 << "A " << false << "98 SE";
        QTest::newRow("ME") << Platform::Windows95Line << 4 << 90 << "" << false << "ME";
        QTest::newRow("95 line, other minor") << Platform::Windows95Line << 4 << 20 << "" << false << "";
        QTest::newRow("95 line, major 5")
            << Platform::Windows95Line << 5 << 0 << "" << false << "9x version (unknown)";
        QTest::newRow("NT 3.51") << Platform::NTLine << 3 << 51 << "" << true << "NT";
        QTest::newRow("NT 4") << Platform::NTLine << 4 << 0 << "Service Pack 6" << true << "NT";
        QTest::newRow("2000") << Platform::NTLine << 5 << 0 << "" << true << "2000";
        QTest::newRow("XP") << Platform::NTLine << 5 << 1 << "Service Pack 3" << true << "XP";
        QTest::newRow("Server 2003") << Platform::NTLine << 5 << 2 << "" << true << "Server 2003";
        QTest::newRow("5.3 has no name") << Platform::NTLine << 5 << 3 << "" << false << "";
        QTest::newRow("Vista") << Platform::NTLine << 6 << 0 << "" << true << "Vista";
        QTest::newRow("Windows 7") << Platform::NTLine << 6 << 1 << "" << true << "Windows 7";
        QTest::newRow("Windows 8") << Platform::NTLine << 6 << 2 << "" << true
                                   << "Future Windows version (unknown)";
        QTest::newRow("NT 10") << Platform::NTLine << 10 << 0 << "" << true
                               << "Future Windows version (unknown)";
        QTest::newRow("Win32s") << Platform::Win32s << 3 << 10 << "" << false << "";
        QTest::newRow("not Windows") << Platform::Other << 6 << 1 << "" << false << "";
    }
    void versionTable()
    {
        QFETCH(Platform, platform);
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(QString, service);
        QFETCH(bool, nt);
        QFETCH(QString, name);
        const std::string osName = OSNameFor(platform, major, minor, service.toStdString());
        QCOMPARE(QString::fromStdString(osName), name);
        QCOMPARE(IsNTFamilyName(osName), nt);
    }

    void ntFamilyNamesAreExact()
    {
        QVERIFY(!IsNTFamilyName("xp"));
        QVERIFY(!IsNTFamilyName("XP "));
        QVERIFY(!IsNTFamilyName(""));
    }

    void nthWeekday_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("dayOfWeek");
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("day");
        QTest::newRow("last Sunday of March 2026") << 2026 << 3 << 0 << 5 << 29;
        QTest::newRow("last Sunday of October 2026") << 2026 << 10 << 0 << 5 << 25;
        QTest::newRow("first Sunday of November 2026") << 2026 << 11 << 0 << 1 << 1;
        QTest::newRow("first Sunday of March 2026") << 2026 << 3 << 0 << 1 << 1;
        QTest::newRow("second Sunday of March 2026") << 2026 << 3 << 0 << 2 << 8;
        QTest::newRow("last Sunday of March 2024") << 2024 << 3 << 0 << 5 << 31;
        QTest::newRow("last Thursday of February, leap year") << 2024 << 2 << 4 << 5 << 29;
        QTest::newRow("last Thursday of February 2023") << 2023 << 2 << 4 << 5 << 23;
        QTest::newRow("fourth Saturday of June 2026") << 2026 << 6 << 6 << 4 << 27;
    }
    void nthWeekday()
    {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, dayOfWeek);
        QFETCH(int, n);
        QFETCH(int, day);
        QCOMPARE(NthWeekdayOfMonth(year, month, dayOfWeek, n), day);
    }

    void daylight_data()
    {
        // The Central European zone as the system reports it: a rule for every year.
        TimeZoneRecord cet;
        cet.standardBias = 0;
        cet.daylightBias = -60;
        cet.daylightDate = {0, 3, 0, 5, 2, 0, 0};
        cet.standardDate = {0, 10, 0, 5, 3, 0, 0};
        TimeZoneRecord noDaylight;
        TimeZoneRecord absolute = cet;
        absolute.daylightDate = {2026, 3, 0, 29, 2, 0, 0};
        absolute.standardDate = {2026, 10, 0, 25, 3, 0, 0};
        TimeZoneRecord firstSunday = cet;
        firstSunday.daylightDate = {0, 3, 0, 1, 2, 0, 0};

        QTest::addColumn<int>("country");
        QTest::addColumn<TimeZoneRecord>("zone");
        QTest::addColumn<CivilTime>("now");
        QTest::addColumn<bool>("active");
        QTest::addColumn<double>("bias");
        QTest::newRow("CET in July") << 31 << cet << CivilTime{2026, 7, 15, 12, 0, 0} << true << 1.0 / 24;
        QTest::newRow("CET in January") << 31 << cet << CivilTime{2026, 1, 15, 12, 0, 0} << false << 1.0 / 24;
        QTest::newRow("just before the start")
            << 31 << cet << CivilTime{2026, 3, 29, 1, 59, 59} << false << 1.0 / 24;
        QTest::newRow("just after the start")
            << 31 << cet << CivilTime{2026, 3, 29, 2, 0, 1} << true << 1.0 / 24;
        QTest::newRow("at the end") << 31 << cet << CivilTime{2026, 10, 25, 3, 0, 0} << false << 1.0 / 24;
        QTest::newRow("country 1") << 1 << cet << CivilTime{2026, 7, 15, 12, 0, 0} << false << 0.0;
        QTest::newRow("zone without daylight time")
            << 31 << noDaylight << CivilTime{2026, 7, 15, 12, 0, 0} << false << 0.0;
        QTest::newRow("absolute dates")
            << 31 << absolute << CivilTime{2026, 7, 1, 0, 0, 0} << true << 1.0 / 24;
        QTest::newRow("first Sunday rule, 2 March")
            << 31 << firstSunday << CivilTime{2026, 3, 2, 0, 0, 0} << true << 1.0 / 24;
        QTest::newRow("first Sunday rule, 1 March early")
            << 31 << firstSunday << CivilTime{2026, 3, 1, 1, 0, 0} << false << 1.0 / 24;
    }
    void daylight()
    {
        QFETCH(int, country);
        QFETCH(TimeZoneRecord, zone);
        QFETCH(CivilTime, now);
        QFETCH(bool, active);
        QFETCH(double, bias);
        const DaylightFacts facts = ComputeDaylight(country, zone, now);
        QCOMPARE(facts.active, active);
        QCOMPARE(facts.bias, bias);
    }

    void dataFolderFromDesktop_data()
    {
        QTest::addColumn<QString>("desktop");
        QTest::addColumn<QString>("folder");
        QTest::newRow("profile") << "C:\\Users\\jan\\Desktop\\"
                                 << "C:\\Users\\jan\\UserData\\Koerszicht\\";
        QTest::newRow("old profile") << "C:\\Documents and Settings\\jan\\Bureaublad\\"
                                     << "C:\\Documents and Settings\\jan\\UserData\\Koerszicht\\";
        QTest::newRow("missing value") << "\\"
                                       << "\\UserData\\Koerszicht\\";
        QTest::newRow("desktop at a root") << "D:\\Desktop\\"
                                           << "D:\\UserData\\Koerszicht\\";
    }
    void dataFolderFromDesktop()
    {
        QFETCH(QString, desktop);
        QFETCH(QString, folder);
        QCOMPARE(QString::fromStdString(DataFolderFromDesktop(desktop.toStdString(), "Koerszicht")), folder);
    }

    void driveTypeNames()
    {
        const char* expected[] = {
            "", "", "DRIVE_REMOVABLE", "DRIVE_FIXED", "DRIVE_REMOTE", "DRIVE_CDROM", "DRIVE_RAMDISK", ""};
        for (int type = 0; type < 8; ++type)
            QCOMPARE(DriveTypeName(type), std::string(expected[type]));
    }

    void timeStampShift_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("daylight");
        QTest::addColumn<long long>("seconds");
        const auto row = [](const char* name, const char* source, const char* target, bool daylight,
                            long long seconds) {
            QTest::newRow(name) << QString(source) << QString(target) << daylight << seconds;
        };
        row("fixed to removable in summer", "DRIVE_FIXED", "DRIVE_REMOVABLE", true, -3600);
        row("removable to fixed in summer", "DRIVE_REMOVABLE", "DRIVE_FIXED", true, 3600);
        row("fixed to removable in winter", "DRIVE_FIXED", "DRIVE_REMOVABLE", false, 0);
        row("fixed to fixed in summer", "DRIVE_FIXED", "DRIVE_FIXED", true, 0);
        row("bare name (no drive) to fixed", "", "DRIVE_FIXED", true, 3600);
        row("no drive letters at all", "", "", true, 0);
    }
    void timeStampShift()
    {
        QFETCH(QString, source);
        QFETCH(QString, target);
        QFETCH(bool, daylight);
        QFETCH(long long, seconds);
        const auto shift = DecideTimeStampShift(source.toStdString(), target.toStdString(), daylight);
        QCOMPARE(TimeStampShiftSeconds(shift, 1.0 / 24), seconds);
    }

    // The regional country setting as the registry stores it: text that should hold a number.
    void countryCodeFromText_data()
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
    void countryCodeFromText()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, code);
        QCOMPARE(CountryCodeFromText(text.toStdString()), code);
    }

    // The feed of the system facts: locale to language identifier and country, and the system
    // time zone turned into the record the daylight rule reads.
    void localeFacts_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("country");
        QTest::newRow("nl_NL") << "nl_NL" << 1043 << 31;
        QTest::newRow("nl_BE") << "nl_BE" << 2067 << 32;
        QTest::newRow("af_ZA") << "af_ZA" << 1078 << 27;
        QTest::newRow("en_US") << "en_US" << 1033 << 1;
        QTest::newRow("de_DE") << "de_DE" << 1031 << 49;
        QTest::newRow("fr_BE (Belgian, not Dutch)") << "fr_BE" << 1036 << 32;
        QTest::newRow("ja_JP: not the North American plan") << "ja_JP" << 1033 << 0;
        QTest::newRow("C") << "C" << 1033 << 0;
    }
    void localeFacts()
    {
        QFETCH(QString, locale);
        QTEST(LanguageIdForLocale(QLocale(locale)), "id");
        QTEST(CountryCodeForTerritory(QLocale(locale).territory()), "country");
    }

    void amsterdamZoneRecord()
    {
        const QTimeZone amsterdam("Europe/Amsterdam");
        QVERIFY(amsterdam.isValid());
        const QDateTime july(QDate(2026, 7, 15), QTime(12, 0));
        const TimeZoneRecord record = TimeZoneRecordFor(amsterdam, july);
        // Daylight time starts on the last Sunday of March at 02:00 and ends on the last
        // Sunday of October at 03:00 summer time, which is 02:00 standard time.
        QCOMPARE(record.daylightDate.year, 2026);
        QCOMPARE(record.daylightDate.month, 3);
        QCOMPARE(record.daylightDate.day, 29);
        QCOMPARE(record.daylightDate.hour, 2);
        QCOMPARE(record.standardDate.month, 10);
        QCOMPARE(record.standardDate.day, 25);
        QCOMPARE(record.standardBias - record.daylightBias, 60);

        const DaylightFacts summer = ComputeDaylight(31, record, ToCivilTime(july));
        QVERIFY(summer.active);
        QCOMPARE(summer.bias, 1.0 / 24);
        const DaylightFacts winter = ComputeDaylight(31, record, CivilTime{2026, 1, 10, 12, 0, 0});
        QVERIFY(!winter.active);
        QCOMPARE(winter.bias, 1.0 / 24);
    }

    void zoneWithoutDaylightTime()
    {
        const QTimeZone tokyo("Asia/Tokyo");
        QVERIFY(tokyo.isValid());
        const QDateTime now(QDate(2026, 7, 15), QTime(12, 0));
        const TimeZoneRecord record = TimeZoneRecordFor(tokyo, now);
        QCOMPARE(record.daylightDate.month, 0);
        const DaylightFacts facts = ComputeDaylight(81, record, ToCivilTime(now));
        QVERIFY(!facts.active);
        QCOMPARE(facts.bias, 0.0);
    }
};

QTEST_APPLESS_MAIN(TestPlatformRules)
#include "tst_platformrules.moc"
