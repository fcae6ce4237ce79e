#pragma once
// The user's regional settings, read once from the system locale. Tests set Dutch or
// English values explicitly with SetRegional.

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTime>

namespace Support {

struct RegionalSettings
{
    char decimalSeparator = '.';
    QString shortDateFormat = QStringLiteral("dd-MM-yyyy"); // Qt date format
    QString longTimeFormat = QStringLiteral("HH:mm:ss");    // Qt time format
    QStringList shortMonthNames;                            // 12 names, January first

    static RegionalSettings FromLocale(const QLocale& locale);
    static RegionalSettings Dutch();
    static RegionalSettings English();

    QString ShortDate(const QDate& date) const;
    QString LongTime(const QTime& time) const;
    QString MonthAbbreviation(int month) const; // 1 ... 12
    // The standard rendering of a date-time: short date, a blank, long time; no time at midnight.
    QString DateTimeText(const QDateTime& moment) const;
};

// The settings in force; filled from QLocale::system() at first use.
const RegionalSettings& Regional();
void SetRegional(const RegionalSettings& settings);

} // namespace Support
