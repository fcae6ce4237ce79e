#include "support/SystemInfo.h"

#include <QTimeZone>

namespace Support {

int LanguageIdForLocale(const QLocale& locale)
{
    switch (locale.language()) {
    case QLocale::Dutch:
        return locale.territory() == QLocale::Belgium ? 2067 : 1043;
    case QLocale::Afrikaans:
        return 1078;
    case QLocale::German:
        return 1031;
    case QLocale::French:
        return 1036;
    case QLocale::English:
        return locale.territory() == QLocale::UnitedKingdom ? 2057 : 1033;
    default:
        return 1033;
    }
}

int CountryCodeForTerritory(QLocale::Territory territory)
{
    switch (territory) {
    case QLocale::UnitedStates:
    case QLocale::Canada:
        return 1;
    case QLocale::Netherlands:
        return 31;
    case QLocale::Belgium:
        return 32;
    case QLocale::France:
        return 33;
    case QLocale::Spain:
        return 34;
    case QLocale::Italy:
        return 39;
    case QLocale::Switzerland:
        return 41;
    case QLocale::Austria:
        return 43;
    case QLocale::UnitedKingdom:
        return 44;
    case QLocale::Denmark:
        return 45;
    case QLocale::Sweden:
        return 46;
    case QLocale::Norway:
        return 47;
    case QLocale::Germany:
        return 49;
    case QLocale::SouthAfrica:
        return 27;
    case QLocale::Luxembourg:
        return 352;
    default:
        return 0; // not the North American plan: the zone decides
    }
}

CivilTime ToCivilTime(const QDateTime& moment)
{
    const QDate date = moment.date();
    const QTime time = moment.time();
    return {date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second()};
}

TimeZoneRecord TimeZoneRecordFor(const QTimeZone& zone, const QDateTime& localNow)
{
    TimeZoneRecord record;
    const int year = localNow.date().year();
    if (!zone.isValid() || !zone.hasDaylightTime())
        return record;
    const auto transitions = zone.transitions(QDateTime(QDate(year, 1, 1), QTime(0, 0), zone),
                                              QDateTime(QDate(year, 12, 31), QTime(23, 59, 59), zone));
    const int standardOffset = zone.standardTimeOffset(localNow);
    for (const auto& transition : transitions) {
        // The record gives both moments in local standard time.
        const QDateTime local = transition.atUtc.toUTC().addSecs(standardOffset);
        ZoneDate date{local.date().year(),  local.date().month(), local.date().dayOfWeek() % 7,
                      local.date().day(),   local.time().hour(),  local.time().minute(),
                      local.time().second()};
        if (transition.daylightTimeOffset > 0) {
            record.daylightDate = date;
            record.daylightBias = -transition.daylightTimeOffset / 60;
        } else {
            record.standardDate = date;
        }
    }
    if (record.standardDate.month == 0)
        record.daylightDate = {};
    return record;
}

} // namespace Support
