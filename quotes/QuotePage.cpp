#include "quotes/QuotePage.h"

#include "support/TextFields.h"

namespace Quotes {

using Support::Copy;
using Support::Pos;
using Support::TextAfter;
using Support::TextBefore;

namespace {

constexpr int CutLength = 100;
constexpr int LateMinute = 17 * 60 + 30; // 1050
constexpr int EarlyMinute = 8 * 60 + 30; // 510
constexpr int CloseHour = 18;
constexpr double LowestValue = 0.1;

// A small reader over the date-time text: digits, separators and blanks.
class Scanner
{
public:
    explicit Scanner(std::string_view text) : m_text(text) {}

    bool SkipBlanks()
    {
        const std::size_t start = m_at;
        while (m_at < m_text.size() && m_text[m_at] == ' ')
            ++m_at;
        return m_at > start;
    }
    bool Take(char c)
    {
        if (m_at < m_text.size() && m_text[m_at] == c) {
            ++m_at;
            return true;
        }
        return false;
    }
    // A number of `least` to `most` digits; -1 when there is none.
    int Number(std::size_t least, std::size_t most)
    {
        int value = 0;
        std::size_t count = 0;
        while (count < most && m_at < m_text.size() && m_text[m_at] >= '0' && m_text[m_at] <= '9') {
            value = value * 10 + (m_text[m_at] - '0');
            ++m_at;
            ++count;
        }
        return count >= least ? value : -1;
    }
    bool AtEnd() const { return m_at == m_text.size(); }

private:
    std::string_view m_text;
    std::size_t m_at = 0;
};

} // namespace

std::string StripTags(std::string_view page)
{
    std::string text;
    text.reserve(page.size());
    bool inTag = false;
    for (char c : page) {
        if (c == '<')
            inTag = true;
        else if (c == '>')
            inTag = false;
        else if (!inTag)
            text += c;
    }
    return text;
}

QuotePieces CutQuote(std::string_view stripped)
{
    QuotePieces pieces;
    std::string text = Copy(stripped, Pos("HOME", stripped) - 20, CutLength);
    text = TextAfter(';', text);

    const std::string date = Copy(text, 1, 8);
    pieces.date = Copy(date, 1, 6) + "20" + Copy(date, 7, 2);
    text = Copy(text, 9, CutLength);
    pieces.time = TextBefore('H', text);

    text = Copy(text, Pos("AEX", text) + 3, CutLength);
    pieces.value = TextBefore('(', text);
    text = TextAfter('(', text);
    pieces.change = "(" + TextBefore(')', text) + ")";
    text = TextAfter(')', text);
    pieces.percent = TextBefore('%', text) + "%";
    return pieces;
}

std::optional<QDateTime> ReadQuoteMoment(std::string_view date, std::string_view time)
{
    const std::string text = std::string(date) + " " + std::string(time);
    Scanner scan(text);
    scan.SkipBlanks();
    const int day = scan.Number(1, 2);
    if (day < 0 || !scan.Take('-'))
        return std::nullopt;
    const int month = scan.Number(1, 2);
    if (month < 0 || !scan.Take('-'))
        return std::nullopt;
    const int year = scan.Number(4, 4);
    if (year < 0 || !scan.SkipBlanks())
        return std::nullopt;
    const int hours = scan.Number(1, 2);
    if (hours < 0 || !scan.Take(':'))
        return std::nullopt;
    const int minutes = scan.Number(1, 2);
    int seconds = 0;
    if (minutes < 0)
        return std::nullopt;
    if (scan.Take(':') && (seconds = scan.Number(1, 2)) < 0)
        return std::nullopt;
    scan.SkipBlanks();
    if (!scan.AtEnd())
        return std::nullopt;

    const QDate quoteDate(year, month, day);
    const QTime quoteTime(hours, minutes, seconds);
    if (!quoteDate.isValid() || !quoteTime.isValid())
        return std::nullopt;
    return QDateTime(quoteDate, quoteTime);
}

QDateTime ToTradingHours(const QDateTime& moment)
{
    QDate date = moment.date();
    QTime time = moment.time();
    if (time.hour() * 60 + time.minute() > LateMinute)
        time = QTime(CloseHour, 0, time.second(), time.msec());
    if (time.hour() * 60 + time.minute() < EarlyMinute) {
        date = date.addDays(-1);
        time = QTime(CloseHour, 0, time.second(), time.msec());
    }
    while (date.dayOfWeek() >= Qt::Saturday)
        date = date.addDays(-1);
    return QDateTime(date, time);
}

std::string MomentText(const QDateTime& moment)
{
    return moment.toString(QStringLiteral("dd-MM-yyyy HH:mm")).toStdString();
}

QuoteReading ReadQuotePage(std::string_view page, Quote& quote)
{
    if (page.empty())
        return QuoteReading::NoPage;
    QuotePieces pieces = CutQuote(StripTags(page));

    const std::optional<QDateTime> moment = ReadQuoteMoment(pieces.date, pieces.time);
    if (!moment)
        return QuoteReading::BadMoment;
    pieces.value = Support::PointToComma(pieces.value);
    pieces.change = Support::PointToComma(pieces.change);
    pieces.percent = Support::PointToComma(pieces.percent);
    if (!(Support::TextToFloat(pieces.value) > LowestValue))
        return QuoteReading::BadValue;

    quote.pieces = std::move(pieces);
    quote.moment = ToTradingHours(*moment);
    quote.momentText = MomentText(quote.moment);
    return QuoteReading::Read;
}

} // namespace Quotes
