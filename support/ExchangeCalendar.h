#pragma once
// Euronext Amsterdam's calendar: the weekdays on which the exchange is closed and the half days.
// By the rules: New Year's Day, Good Friday, Easter Monday, 1 May, 25 and 26 December (no day
// in place of one that falls on a weekend), and 24 and 31 December as half days that end at
// 14:05. The user adds closing days and exceptions in the settings (group "Beurs", keys
// "Gesloten" and "Open", lists of yyyy-mm-dd), so that an exchange decision needs no release.

#include <QDate>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace Support {

// Easter Sunday of `year` by the Gregorian rule (the anonymous Gregorian algorithm).
QDate EasterSunday(int year);

class ExchangeCalendar
{
public:
    static constexpr int CloseMinute = 17 * 60 + 30;       // 17:30
    static constexpr int HalfDayCloseMinute = 14 * 60 + 5; // 14:05

    // The rules only.
    ExchangeCalendar() = default;
    // The rules with the user's lists: `closed` adds closing days, `open` takes days out of the
    // rules' and the added ones. An entry that is not a date as yyyy-mm-dd, or an open day on a
    // weekend, is passed over and reported in `bad` as "<entry>: <why>".
    static ExchangeCalendar WithLists(const std::vector<std::string>& closed,
                                      const std::vector<std::string>& open,
                                      std::vector<std::string>* bad = nullptr);

    // A closing day by the rules alone, weekday or not.
    static bool RuleClosingDay(const QDate& date);
    // A weekday on which the exchange does not trade (Saturdays and Sundays are not closing days:
    // they are weekend days).
    bool IsClosingDay(const QDate& date) const;
    // A weekday that is no closing day.
    bool IsTradingDay(const QDate& date) const;
    // A trading day on which trading ends at 14:05.
    bool IsHalfDay(const QDate& date) const;
    // The minute of the day at which trading ends: 17:30, 14:05 on a half day.
    int ClosingMinute(const QDate& date) const;
    // The trading day on or before `date`.
    QDate TradingDayOnOrBefore(const QDate& date) const;

private:
    std::set<QDate> m_closed;
    std::set<QDate> m_open;
};

// The calendar in force: the rules until the session's start sets the user's lists. The fetch's
// thread reads it too, so it is handed out as a shared copy.
std::shared_ptr<const ExchangeCalendar> Exchange();
void SetExchange(const ExchangeCalendar& calendar);

} // namespace Support
