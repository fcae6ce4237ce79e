#include "support/ExchangeCalendar.h"

#include <mutex>

namespace Support {

QDate EasterSunday(int year)
{
    const int a = year % 19;
    const int b = year / 100;
    const int c = year % 100;
    const int d = b / 4;
    const int e = b % 4;
    const int f = (b + 8) / 25;
    const int g = (b - f + 1) / 3;
    const int h = (19 * a + b - d - g + 15) % 30;
    const int i = c / 4;
    const int k = c % 4;
    const int l = (32 + 2 * e + 2 * i - h - k) % 7;
    const int m = (a + 11 * h + 22 * l) / 451;
    const int month = (h + l - 7 * m + 114) / 31;
    const int day = (h + l - 7 * m + 114) % 31 + 1;
    return {year, month, day};
}

namespace {

bool Weekend(const QDate& date)
{
    return date.dayOfWeek() >= Qt::Saturday;
}

// A date written exactly as yyyy-mm-dd.
QDate ReadDate(const std::string& text)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return {};
    for (std::size_t at : {0, 1, 2, 3, 5, 6, 8, 9})
        if (text[at] < '0' || text[at] > '9')
            return {};
    const auto number = [&](std::size_t at, std::size_t count) {
        int value = 0;
        for (std::size_t k = at; k < at + count; ++k)
            value = value * 10 + (text[k] - '0');
        return value;
    };
    return {number(0, 4), number(5, 2), number(8, 2)};
}

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

ExchangeCalendar ExchangeCalendar::WithLists(const std::vector<std::string>& closed,
                                             const std::vector<std::string>& open,
                                             std::vector<std::string>* bad)
{
    ExchangeCalendar calendar;
    const auto take = [bad](const std::vector<std::string>& entries, std::set<QDate>& into,
                            bool weekdaysOnly) {
        for (const std::string& entry : entries) {
            const std::string text = Trimmed(entry);
            if (text.empty())
                continue;
            const QDate date = ReadDate(text);
            const char* why = nullptr;
            if (!date.isValid())
                why = "geen datum als jjjj-mm-dd";
            else if (weekdaysOnly && Weekend(date))
                why = "geen werkdag";
            if (why) {
                if (bad)
                    bad->push_back(entry + ": " + why);
                continue;
            }
            into.insert(date);
        }
    };
    take(closed, calendar.m_closed, false);
    take(open, calendar.m_open, true);
    return calendar;
}

bool ExchangeCalendar::RuleClosingDay(const QDate& date)
{
    if (!date.isValid())
        return false;
    const int month = date.month();
    const int day = date.day();
    if ((month == 1 && day == 1) || (month == 5 && day == 1) || (month == 12 && (day == 25 || day == 26)))
        return true;
    const QDate easter = EasterSunday(date.year());
    return date == easter.addDays(-2) || date == easter.addDays(1);
}

bool ExchangeCalendar::IsClosingDay(const QDate& date) const
{
    if (!date.isValid() || Weekend(date) || m_open.count(date))
        return false;
    return m_closed.count(date) || RuleClosingDay(date);
}

bool ExchangeCalendar::IsTradingDay(const QDate& date) const
{
    return date.isValid() && !Weekend(date) && !IsClosingDay(date);
}

bool ExchangeCalendar::IsHalfDay(const QDate& date) const
{
    return IsTradingDay(date) && date.month() == 12 && (date.day() == 24 || date.day() == 31);
}

int ExchangeCalendar::ClosingMinute(const QDate& date) const
{
    return IsHalfDay(date) ? HalfDayCloseMinute : CloseMinute;
}

QDate ExchangeCalendar::TradingDayOnOrBefore(const QDate& date) const
{
    QDate day = date;
    // A user's list cannot close more than a few weeks in a row that matter; the bound keeps a
    // list that closes everything from looping for ever.
    for (int step = 0; step < 3660 && day.isValid() && !IsTradingDay(day); ++step)
        day = day.addDays(-1);
    return day;
}

namespace {
std::mutex exchangeMutex;
std::shared_ptr<const ExchangeCalendar>& CurrentExchange()
{
    static std::shared_ptr<const ExchangeCalendar> current = std::make_shared<const ExchangeCalendar>();
    return current;
}
} // namespace

std::shared_ptr<const ExchangeCalendar> Exchange()
{
    const std::lock_guard lock(exchangeMutex);
    return CurrentExchange();
}

void SetExchange(const ExchangeCalendar& calendar)
{
    auto copy = std::make_shared<const ExchangeCalendar>(calendar);
    const std::lock_guard lock(exchangeMutex);
    CurrentExchange() = std::move(copy);
}

} // namespace Support
