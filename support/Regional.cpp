#include "support/Regional.h"

#include "support/TextFields.h"

#include <optional>

namespace Support {

namespace {
std::optional<RegionalSettings>& Current()
{
    static std::optional<RegionalSettings> current;
    return current;
}
} // namespace

RegionalSettings RegionalSettings::FromLocale(const QLocale& locale)
{
    RegionalSettings settings;
    const QString point = locale.decimalPoint();
    settings.decimalSeparator =
        point.size() == 1 && point.at(0).unicode() < 128 ? point.at(0).toLatin1() : '.';
    settings.shortDateFormat = locale.dateFormat(QLocale::ShortFormat);
    settings.longTimeFormat = locale.timeFormat(QLocale::LongFormat);
    // Qt's long time format may carry a time-zone name ("t"); the program shows local times only.
    settings.longTimeFormat.remove(QLatin1Char('t'));
    settings.longTimeFormat = settings.longTimeFormat.trimmed();
    for (int month = 1; month <= 12; ++month)
        settings.shortMonthNames << locale.monthName(month, QLocale::ShortFormat);
    return settings;
}

RegionalSettings RegionalSettings::Dutch()
{
    RegionalSettings settings;
    settings.decimalSeparator = ',';
    settings.shortDateFormat = QStringLiteral("d-M-yyyy");
    settings.longTimeFormat = QStringLiteral("H:mm:ss");
    settings.shortMonthNames = {"jan", "feb", "mrt", "apr", "mei", "jun",
                                "jul", "aug", "sep", "okt", "nov", "dec"};
    return settings;
}

RegionalSettings RegionalSettings::English()
{
    RegionalSettings settings;
    settings.decimalSeparator = '.';
    settings.shortDateFormat = QStringLiteral("M/d/yyyy");
    settings.longTimeFormat = QStringLiteral("h:mm:ss AP");
    settings.shortMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    return settings;
}

QString RegionalSettings::ShortDate(const QDate& date) const
{
    return QLocale::c().toString(date, shortDateFormat);
}

QString RegionalSettings::LongTime(const QTime& time) const
{
    return QLocale::c().toString(time, longTimeFormat);
}

QString RegionalSettings::MonthAbbreviation(int month) const
{
    if (month < 1 || month > shortMonthNames.size())
        return QString::number(month);
    return shortMonthNames.at(month - 1);
}

QString RegionalSettings::DateTimeText(const QDateTime& moment) const
{
    QString text = ShortDate(moment.date());
    if (moment.time() != QTime(0, 0))
        text += QLatin1Char(' ') + LongTime(moment.time());
    return text;
}

const RegionalSettings& Regional()
{
    auto& current = Current();
    if (!current)
        current = RegionalSettings::FromLocale(QLocale::system());
    return *current;
}

void SetRegional(const RegionalSettings& settings)
{
    Current() = settings;
}

std::string FloatToFixed(double value, int width, int decimals)
{
    return FloatToFixed(value, width, decimals, Regional().decimalSeparator);
}

} // namespace Support
