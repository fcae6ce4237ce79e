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

QDateTime ToTradingHours(const QDateTime& moment, const Support::ExchangeCalendar& calendar)
{
    QDate date = moment.date();
    QTime time = moment.time();
    if (time.hour() * 60 + time.minute() > LateMinute)
        time = QTime(CloseHour, 0, time.second(), time.msec());
    if (time.hour() * 60 + time.minute() < EarlyMinute) {
        date = date.addDays(-1);
        time = QTime(CloseHour, 0, time.second(), time.msec());
    }
    return QDateTime(calendar.TradingDayOnOrBefore(date), time);
}

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Blanks, tabs and non-breaking spaces, in any of the ways a page writes them, off both ends.
std::string_view TrimSpaces(std::string_view text, bool& leading, bool& trailing)
{
    static constexpr std::string_view Spaces[] = {" ",      "\t",     "\xA0",   "\xC2\xA0",
                                                  "&nbsp;", "&#160;", "&#xA0;", "&#xa0;"};
    const auto trimFront = [&] {
        for (std::string_view space : Spaces)
            if (text.starts_with(space)) {
                text.remove_prefix(space.size());
                return true;
            }
        return false;
    };
    const auto trimBack = [&] {
        for (std::string_view space : Spaces)
            if (text.ends_with(space)) {
                text.remove_suffix(space.size());
                return true;
            }
        return false;
    };
    leading = false;
    trailing = false;
    while (trimFront())
        leading = true;
    while (trimBack())
        trailing = true;
    return text;
}

// The digits of a whole part: digits only, or, with `separator` in it, a first group of one to
// three digits and further groups of exactly three.
bool ReadWholePart(std::string_view text, char separator, std::string& digits)
{
    const bool grouped = separator != 0 && text.find(separator) != std::string_view::npos;
    std::size_t groupStart = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && IsDigit(text[i])) {
            digits += text[i];
            continue;
        }
        if (i < text.size() && !(grouped && text[i] == separator))
            return false;
        const std::size_t length = i - groupStart;
        const bool first = groupStart == 0;
        if (length == 0 || (grouped && (first ? length > 3 : length != 3)))
            return false;
        groupStart = i + 1;
    }
    return true;
}

std::string ReadNumber(std::string_view text)
{
    const auto last = text.find_last_of(",.");
    if (last == std::string_view::npos) {
        std::string digits;
        return ReadWholePart(text, 0, digits) ? digits : std::string();
    }
    const std::size_t after = text.size() - last - 1;
    if (after == 3) {
        // A thousands separator: the whole text is one grouped number.
        std::string digits;
        return ReadWholePart(text, text[last], digits) ? digits : std::string();
    }
    if (after < 1 || after > 2)
        return {};
    const std::string_view decimals = text.substr(last + 1);
    for (char c : decimals)
        if (!IsDigit(c))
            return {};
    const char thousands = text[last] == ',' ? '.' : ',';
    std::string digits;
    if (!ReadWholePart(text.substr(0, last), thousands, digits))
        return {};
    return digits + "," + std::string(decimals);
}

} // namespace

std::string ReadQuoteValue(std::string_view text)
{
    bool leading = false;
    bool trailing = false;
    return ReadNumber(TrimSpaces(text, leading, trailing));
}

std::string MomentText(const QDateTime& moment)
{
    return moment.toString(QStringLiteral("dd-MM-yyyy HH:mm")).toStdString();
}

QuoteReading ReadQuotePage(std::string_view page, Quote& quote, const History::Anchor& anchor, int day)
{
    if (page.empty())
        return QuoteReading::NoPage;
    return ReadQuotePieces(CutQuote(StripTags(page)), quote, anchor, day);
}

QuoteReading ReadQuotePieces(QuotePieces pieces, Quote& quote, const History::Anchor& anchor, int day)
{
    const std::optional<QDateTime> moment = ReadQuoteMoment(pieces.date, pieces.time);
    if (!moment)
        return QuoteReading::BadMoment;
    bool leading = false;
    bool trailing = false;
    const std::string value = ReadNumber(TrimSpaces(pieces.value, leading, trailing));
    if (value.empty() || !History::IsSaneValue(Support::TextToFloat(value)))
        return QuoteReading::BadValue;
    if (anchor.Valid() && !History::IsPlausible(Support::TextToFloat(value), day, anchor))
        return QuoteReading::Implausible;
    // The status line shows the value as it stood between its blanks.
    pieces.value = (leading ? " " : "") + value + (trailing ? " " : "");
    pieces.change = Support::PointToComma(pieces.change);
    pieces.percent = Support::PointToComma(pieces.percent);

    quote.pieces = std::move(pieces);
    quote.moment = ToTradingHours(*moment);
    quote.momentText = MomentText(quote.moment);
    return QuoteReading::Read;
}

} // namespace Quotes
