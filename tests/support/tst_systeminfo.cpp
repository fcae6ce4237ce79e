// The Linux feed of the system facts: locale to language identifier and country, and the
// system time zone turned into the record the daylight rule reads.
#include "support/SystemInfo.h"

#include <QTimeZone>
#include <QtTest>

using namespace Support;

class TestSystemInfo : public QObject
{
    Q_OBJECT
private slots:
    // (Which language each identifier gives: tst_platformrules.)
    void languageFromLocale_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("id");
        QTest::newRow("nl_NL") << "nl_NL" << 1043;
        QTest::newRow("nl_BE") << "nl_BE" << 2067;
        QTest::newRow("af_ZA") << "af_ZA" << 1078;
        QTest::newRow("en_US") << "en_US" << 1033;
        QTest::newRow("de_DE") << "de_DE" << 1031;
        QTest::newRow("fr_BE (Belgian, not Dutch)") << "fr_BE" << 1036;
        QTest::newRow("C") << "C" << 1033;
    }
    void languageFromLocale()
    {
        QFETCH(QString, locale);
        QTEST(LanguageIdForLocale(QLocale(locale)), "id");
    }

    void countryCodes()
    {
        QCOMPARE(CountryCodeForTerritory(QLocale::UnitedStates), 1);
        QCOMPARE(CountryCodeForTerritory(QLocale::Netherlands), 31);
        QCOMPARE(CountryCodeForTerritory(QLocale::Belgium), 32);
        QVERIFY(CountryCodeForTerritory(QLocale::Japan) != 1);
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

QTEST_APPLESS_MAIN(TestSystemInfo)
#include "tst_systeminfo.moc"
