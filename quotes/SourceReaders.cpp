#include "quotes/SourceReaders.h"

#include "support/TextFields.h"

#include "history/Plausibility.h"
#include "support/Clock.h"

#include <QDate>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <optional>

namespace Quotes {

namespace {

// Seconds since the epoch up to the end of the year 9999.
constexpr double LatestSeconds = 253402300799.0;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

// Neither JSON nor the download's text holds one: an answer with a zero byte is damaged.
bool HasZeroByte(std::string_view body)
{
    return body.find('\0') != std::string_view::npos;
}

// The failures every answer is first looked at for; None when the body is a JSON object.
SourceFailure ReadJsonObject(const FetchResult& fetched, QJsonObject& object)
{
    if (fetched.body.empty())
        return SourceFailure::NoAnswer;
    if (fetched.status >= 400)
        return SourceFailure::HttpError;
    if (HasZeroByte(fetched.body))
        return SourceFailure::NotTheFormat;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(fetched.body), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return SaysTooManyRequests(fetched.body) ? SourceFailure::Refused : SourceFailure::NotTheFormat;
    object = document.object();
    return SourceFailure::None;
}

bool IsThere(const QJsonValue& value)
{
    return !value.isUndefined() && !value.isNull();
}

bool IsError(const QJsonValue& error)
{
    return IsThere(error) && !(error.isBool() && !error.toBool()) &&
           !(error.isString() && error.toString().isEmpty());
}

bool IsOtherSymbol(const QJsonValue& symbol, const std::string& expected)
{
    return !expected.empty() && IsThere(symbol) && symbol.toString().toStdString() != expected;
}

// A moment from seconds since the epoch, in `zone`; invalid when it is none.
QDateTime MomentOf(const QJsonValue& seconds, const QTimeZone& zone)
{
    if (!seconds.isDouble() || !zone.isValid())
        return {};
    const double value = seconds.toDouble();
    if (!std::isfinite(value) || value < 0 || value > LatestSeconds)
        return {};
    const QDateTime moment = QDateTime::fromSecsSinceEpoch(static_cast<qint64>(std::floor(value)), zone);
    // A date of four digits only: the zone may carry the last second of 9999 into 10000.
    return moment.date().year() <= 9999 ? moment : QDateTime();
}

// A value rounded to cents, when it is still sane then.
std::optional<double> SaneCents(double value)
{
    if (!std::isfinite(value) || std::fabs(value) > 2 * History::HighestPlausibleValue)
        return std::nullopt;
    const double rounded = static_cast<double>(std::llround(value * 100)) / 100;
    if (!History::IsSaneValue(rounded))
        return std::nullopt;
    return rounded;
}

std::optional<double> SaneNumber(const QJsonValue& value)
{
    if (!value.isDouble())
        return std::nullopt;
    return SaneCents(value.toDouble());
}

// Hundredths as "[-]d,dd".
std::string Hundredths(long long hundredths, char separator)
{
    const long long whole = std::llabs(hundredths);
    std::string text = hundredths < 0 ? "-" : "";
    text += std::to_string(whole / 100);
    text += separator;
    text += static_cast<char>('0' + whole % 100 / 10);
    text += static_cast<char>('0' + whole % 10);
    return text;
}

std::string CloseText(double value)
{
    return Hundredths(std::llround(value * 100), '.');
}

int DayOf(const QDate& date)
{
    if (!date.isValid())
        return History::NoDay;
    const int day = Support::DayNumber(date);
    return day >= 0 && day <= History::MaxDay ? day : History::NoDay;
}

// Ascending by day, the first listed of a day kept.
std::vector<ListedClose> Ordered(std::vector<ListedClose> closes)
{
    std::stable_sort(closes.begin(), closes.end(),
                     [](const ListedClose& a, const ListedClose& b) { return a.day < b.day; });
    closes.erase(std::unique(closes.begin(), closes.end(),
                             [](const ListedClose& a, const ListedClose& b) { return a.day == b.day; }),
                 closes.end());
    return closes;
}

// Cuts the next line off `text` at LF, the CR of a CR LF going with it.
std::string_view NextLine(std::string_view& text)
{
    const auto end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

// The fields of a line, blanks around them and their quotes taken off ("" in quotes is one ").
std::vector<std::string> Fields(std::string_view line, char separator)
{
    std::vector<std::string> fields;
    std::size_t at = 0;
    while (true) {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
            ++at;
        std::string field;
        if (at < line.size() && line[at] == '"') {
            ++at;
            while (at < line.size()) {
                if (line[at] == '"') {
                    if (at + 1 < line.size() && line[at + 1] == '"') {
                        field += '"';
                        at += 2;
                        continue;
                    }
                    ++at;
                    break;
                }
                field += line[at++];
            }
            // Anything between the closing quote and the separator goes.
            while (at < line.size() && line[at] != separator)
                ++at;
        } else {
            const auto end = std::min(line.find(separator, at), line.size());
            field = Support::TrimBlanks(line.substr(at, end - at));
            at = end;
        }
        fields.push_back(std::move(field));
        if (at >= line.size())
            return fields;
        ++at; // the separator
    }
}

bool IsIsin(std::string_view text)
{
    if (text.size() != 12 || !IsDigit(text.back()))
        return false;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        const bool letter = text[i] >= 'A' && text[i] <= 'Z';
        if (!(letter || (i >= 2 && IsDigit(text[i]))))
            return false;
    }
    return true;
}

// A close as the download writes it: digits with at most one decimal point.
std::optional<double> CsvNumber(std::string_view text)
{
    const auto point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view decimals =
        point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    if (whole.empty() || (point != std::string_view::npos && decimals.empty()))
        return std::nullopt;
    if (!std::all_of(whole.begin(), whole.end(), IsDigit) ||
        !std::all_of(decimals.begin(), decimals.end(), IsDigit))
        return std::nullopt;
    return SaneCents(QByteArray(text.data(), static_cast<qsizetype>(text.size())).toDouble());
}

} // namespace

bool SaysTooManyRequests(std::string_view body)
{
    constexpr std::string_view Phrase = "too many requests";
    const auto found = std::search(body.begin(), body.end(), Phrase.begin(), Phrase.end(),
                                   [](char x, char y) { return Lower(x) == y; });
    return found != body.end();
}

const char* FailureTrace(SourceFailure failure)
{
    switch (failure) {
    case SourceFailure::None:
        return "gelezen";
    case SourceFailure::NoAnswer:
        return "geen antwoord";
    case SourceFailure::HttpError:
        return "HTTP-fout";
    case SourceFailure::NotTheFormat:
        return "geen JSON of CSV";
    case SourceFailure::Refused:
        return "geweigerd";
    case SourceFailure::MissingField:
        return "veld ontbreekt";
    case SourceFailure::WrongInstrument:
        return "verkeerd fonds";
    case SourceFailure::BadValue:
        return "onbruikbare waarde";
    case SourceFailure::NoRows:
        return "geen koersen van de gevraagde dagen";
    }
    return "onbekend";
}

QJsonValue JsonAt(const QJsonValue& root, std::string_view path)
{
    const QJsonValue missing(QJsonValue::Undefined);
    QJsonValue at = root;
    std::size_t i = 0;
    while (i < path.size()) {
        if (path[i] == '[') {
            const auto close = path.find(']', i);
            if (close == std::string_view::npos || close == i + 1 || close - i - 1 > 9)
                return missing;
            qsizetype index = 0;
            for (std::size_t k = i + 1; k < close; ++k) {
                if (!IsDigit(path[k]))
                    return missing;
                index = index * 10 + (path[k] - '0');
            }
            const QJsonArray array = at.toArray();
            if (!at.isArray() || index >= array.size())
                return missing;
            at = array.at(index);
            i = close + 1;
        } else {
            const auto end = std::min(path.find_first_of(".[", i), path.size());
            const std::string_view key = path.substr(i, end - i);
            if (!at.isObject())
                return missing;
            at = at.toObject().value(QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size())));
            if (at.isUndefined())
                return missing;
            i = end;
        }
        if (i < path.size() && path[i] == '.')
            ++i;
    }
    return at;
}

SourceQuote ReadJsonQuote(const FetchResult& fetched, const JsonQuoteSelectors& selectors)
{
    QJsonObject object;
    const SourceFailure form = ReadJsonObject(fetched, object);
    if (form != SourceFailure::None)
        return {form, {}};
    const QJsonValue root(object);
    if (IsError(JsonAt(root, selectors.error)))
        return {SourceFailure::Refused, {}};
    const QJsonValue value = JsonAt(root, selectors.value);
    const QJsonValue time = JsonAt(root, selectors.time);
    const QJsonValue previousClose = JsonAt(root, selectors.previousClose);
    if (!IsThere(value) || !IsThere(time) || !IsThere(previousClose))
        return {SourceFailure::MissingField, {}};
    if (IsOtherSymbol(JsonAt(root, selectors.symbol), selectors.expectedSymbol))
        return {SourceFailure::WrongInstrument, {}};
    const std::optional<double> now = SaneNumber(value);
    const std::optional<double> before = SaneNumber(previousClose);
    const QDateTime moment = MomentOf(time, QTimeZone(QByteArray::fromStdString(selectors.timeZone)));
    if (!now || !before || !moment.isValid())
        return {SourceFailure::BadValue, {}};

    // In cents, so that the change is exactly the difference of the two values as shown.
    const long long nowCents = std::llround(*now * 100);
    const long long beforeCents = std::llround(*before * 100);
    const long long change = nowCents - beforeCents;
    SourceQuote quote{SourceFailure::None, {}};
    quote.pieces.date = moment.toString(QStringLiteral("dd-MM-yyyy")).toStdString();
    quote.pieces.time = moment.toString(QStringLiteral("HH:mm")).toStdString();
    quote.pieces.value = Hundredths(nowCents, ',');
    quote.pieces.change = "(" + std::string(change < 0 ? "" : "+") + Hundredths(change, ',') + ")";
    quote.pieces.percent =
        Hundredths(std::llround(static_cast<double>(change) * 10000.0 / static_cast<double>(beforeCents)),
                   ',') +
        "%";
    return quote;
}

SourceSeries ReadJsonSeries(const FetchResult& fetched, const JsonSeriesSelectors& selectors)
{
    QJsonObject object;
    if ((fetched.status == 400 || fetched.status == 404) && !fetched.body.empty()) {
        FetchResult error = fetched;
        error.status = 200;
        if (ReadJsonObject(error, object) == SourceFailure::None &&
            IsError(JsonAt(QJsonValue(object), selectors.error)))
            return {SourceFailure::NoRows, {}};
    }
    const SourceFailure form = ReadJsonObject(fetched, object);
    if (form != SourceFailure::None)
        return {form, {}};
    const QJsonValue root(object);
    if (IsError(JsonAt(root, selectors.error)))
        return {SourceFailure::Refused, {}};
    const QJsonValue timestamps = JsonAt(root, selectors.timestamps);
    const QJsonValue closes = JsonAt(root, selectors.closes);
    const QJsonValue symbol = JsonAt(root, selectors.symbol);
    if (!IsThere(timestamps)) {
        const bool closesWithoutDays = closes.isArray() && !closes.toArray().isEmpty();
        if (closesWithoutDays || !IsThere(symbol))
            return {SourceFailure::MissingField, {}};
    } else if (!timestamps.isArray() || !closes.isArray()) {
        return {SourceFailure::MissingField, {}};
    }
    if (IsOtherSymbol(symbol, selectors.expectedSymbol))
        return {SourceFailure::WrongInstrument, {}};

    const QJsonArray moments = timestamps.toArray();
    const QJsonArray values = closes.toArray();
    const QTimeZone zone(QByteArray::fromStdString(selectors.timeZone));
    std::vector<ListedClose> read;
    bool anyGiven = false;
    for (qsizetype i = 0; i < std::min(moments.size(), values.size()); ++i) {
        if (values.at(i).isNull())
            continue; // a day the source has no close of
        anyGiven = true;
        const int day = DayOf(MomentOf(moments.at(i), zone).date());
        const std::optional<double> value = SaneNumber(values.at(i));
        if (day != History::NoDay && value)
            read.push_back({day, CloseText(*value)});
    }
    if (anyGiven && read.empty())
        return {SourceFailure::BadValue, {}};
    return {SourceFailure::None, Ordered(std::move(read))};
}

SourceSeries ReadCsvSeries(const FetchResult& fetched, const CsvSeriesSelectors& selectors)
{
    if (fetched.body.empty())
        return {SourceFailure::NoAnswer, {}};
    if (fetched.status >= 400)
        return {SourceFailure::HttpError, {}};
    if (HasZeroByte(fetched.body))
        return {SourceFailure::NotTheFormat, {}};
    std::string_view text = fetched.body;
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);

    // Up to the header: the ISINs the lines before it name.
    std::vector<std::string> isins;
    std::size_t dateColumn = 0;
    std::size_t closeColumn = 0;
    bool header = false;
    while (!text.empty() && !header) {
        const std::vector<std::string> fields = Fields(NextLine(text), selectors.separator);
        const auto column = [&](const std::string& name) {
            return std::find_if(fields.begin(), fields.end(),
                                [&](const std::string& field) { return SameIgnoringCase(field, name); }) -
                   fields.begin();
        };
        dateColumn = static_cast<std::size_t>(column(selectors.dateColumn));
        closeColumn = static_cast<std::size_t>(column(selectors.closeColumn));
        header = dateColumn < fields.size() && closeColumn < fields.size();
        if (!header)
            std::copy_if(fields.begin(), fields.end(), std::back_inserter(isins), IsIsin);
    }
    if (!header)
        return {SaysTooManyRequests(fetched.body) ? SourceFailure::Refused : SourceFailure::NotTheFormat, {}};
    if (!selectors.isin.empty() && !isins.empty() &&
        std::find(isins.begin(), isins.end(), selectors.isin) == isins.end())
        return {SourceFailure::WrongInstrument, {}};

    const QString dateFormat = QString::fromStdString(selectors.dateFormat);
    std::vector<ListedClose> read;
    bool anyRow = false;
    while (!text.empty()) {
        const std::string_view line = NextLine(text);
        if (Support::TrimBlanks(line).empty())
            continue;
        anyRow = true;
        const std::vector<std::string> fields = Fields(line, selectors.separator);
        if (dateColumn >= fields.size() || closeColumn >= fields.size())
            continue;
        const int day = DayOf(QDate::fromString(QString::fromStdString(fields[dateColumn]), dateFormat));
        const std::optional<double> value = CsvNumber(fields[closeColumn]);
        if (day != History::NoDay && value)
            read.push_back({day, CloseText(*value)});
    }
    if (anyRow && read.empty())
        return {SourceFailure::BadValue, {}};
    return {SourceFailure::None, Ordered(std::move(read))};
}

} // namespace Quotes
