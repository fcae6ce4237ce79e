#include "quotes/QuoteSources.h"

#include "support/Clock.h"
#include "support/Product.h"

#include <QDateTime>
#include <QTimeZone>
#include <algorithm>
#include <array>
#include <utility>

namespace Quotes {

namespace {

constexpr std::array<std::pair<SourceKind, const char*>, 5> KindNames = {{
    {SourceKind::JsonQuote, "json-quote"},
    {SourceKind::JsonSeries, "json-series"},
    {SourceKind::CsvSeries, "csv-series"},
    {SourceKind::Page, "page"},
    {SourceKind::List, "list"},
}};

// A date format of the letters d, M and y and the separators between them; nothing else may
// reach QDate::toString (which would read quotes, "ap" and the like), and nothing longer than a
// date needs (its formatting takes time that grows with the square of the length).
constexpr std::size_t LongestDateFormat = 32;
bool IsDateFormat(std::string_view format)
{
    return !format.empty() && format.size() <= LongestDateFormat &&
           std::all_of(format.begin(), format.end(), [](char c) {
               return c == 'd' || c == 'M' || c == 'y' || c == '-' || c == '/' || c == '.' || c == '_';
           });
}

std::optional<std::string> DayText(int day, std::string_view format)
{
    const QDate date = Support::DateOfDay(day);
    if (format == "epoch") {
        const QDateTime midnight(date, QTime(0, 0), QTimeZone("Europe/Amsterdam"));
        return std::to_string(midnight.toSecsSinceEpoch());
    }
    if (!IsDateFormat(format))
        return std::nullopt;
    return date.toString(QString::fromLatin1(format.data(), static_cast<qsizetype>(format.size())))
        .toStdString();
}

} // namespace

std::string DefaultSourceAgent()
{
    return std::string("Mozilla/5.0 (compatible; ") + Support::ProductName + "/" + KOERSZICHT_VERSION + ")";
}

bool IsFormerDefaultAgent(std::string_view agent)
{
    const std::string ownPrefix = std::string("Mozilla/5.0 (compatible; ") + Support::ProductName + "/";
    return agent == "Mozilla/5.0" || agent.starts_with(ownPrefix);
}

SourceKind SourceKindOf(std::string_view text)
{
    for (const auto& [kind, name] : KindNames)
        if (text == name)
            return kind;
    return SourceKind::Unknown;
}

const char* SourceKindName(SourceKind kind)
{
    for (const auto& [known, name] : KindNames)
        if (known == kind)
            return name;
    return "unknown";
}

std::string SourceDefinition::Selector(const std::string& key, const std::string& fallback) const
{
    const auto found = selectors.find(key);
    return found == selectors.end() || found->second.empty() ? fallback : found->second;
}

std::vector<SourceDefinition> DefaultSourceDefinitions()
{
    const std::map<std::string, std::string> yahoo = {
        {"SymbolPath", "chart.result[0].meta.symbol"},
        {"Symbol", "^AEX"},
        {"ErrorPath", "chart.error"},
        {"TimeZone", "Europe/Amsterdam"},
    };
    SourceDefinition chart{"yahoo-chart",
                           SourceKind::JsonQuote,
                           "json-quote",
                           "https://query1.finance.yahoo.com/v8/finance/chart/%5EAEX?interval=1d&range=1d",
                           DefaultSourceAgent(),
                           {},
                           yahoo};
    chart.selectors["ValuePath"] = "chart.result[0].meta.regularMarketPrice";
    chart.selectors["TimePath"] = "chart.result[0].meta.regularMarketTime";
    chart.selectors["PreviousClosePath"] = "chart.result[0].meta.chartPreviousClose";

    SourceDefinition history{"yahoo-history",
                             SourceKind::JsonSeries,
                             "json-series",
                             "https://query1.finance.yahoo.com/v8/finance/chart/%5EAEX?interval=1d"
                             "&period1={first:epoch}&period2={end:epoch}",
                             DefaultSourceAgent(),
                             {},
                             yahoo};
    history.selectors["TimestampsPath"] = "chart.result[0].timestamp";
    history.selectors["ClosesPath"] = "chart.result[0].indicators.quote[0].close";

    SourceDefinition euronext{
        "euronext-csv",
        SourceKind::CsvSeries,
        "csv-series",
        "https://live.euronext.com/en/ajax/AwlHistoricalPrice/getFullDownloadAjax/"
        "NL0000000107-XAMS?format=csv"
        "&decimal_separator=.&date_form=d/m/Y&op=&adjusted=&base100=&startdate={first:yyyy-MM-dd}"
        "&enddate={last:yyyy-MM-dd}",
        DefaultSourceAgent(),
        {"Referer: https://live.euronext.com/en/product/indices/NL0000000107-XAMS/quotes"},
        {{"DateColumn", "Date"},
         {"CloseColumn", "Close"},
         {"Separator", ";"},
         {"DateFormat", "dd/MM/yyyy"},
         {"Isin", "NL0000000107"}}};

    return {chart,
            history,
            euronext,
            {"page", SourceKind::Page, "page", "", "", {}, {}},
            {"list", SourceKind::List, "list", "", "", {}, {}}};
}

std::optional<SourceDefinition> DefaultSource(const std::string& name)
{
    for (SourceDefinition& source : DefaultSourceDefinitions())
        if (source.name == name)
            return std::move(source);
    return std::nullopt;
}

std::optional<std::string> ExpandSourceUrl(std::string_view tmpl, const SourceDays& days, int today)
{
    std::string url;
    while (!tmpl.empty()) {
        const auto open = tmpl.find('{');
        if (open == std::string_view::npos) {
            url += tmpl;
            break;
        }
        url += tmpl.substr(0, open);
        const auto close = tmpl.find('}', open);
        if (close == std::string_view::npos)
            return std::nullopt;
        const std::string_view variable = tmpl.substr(open + 1, close - open - 1);
        tmpl.remove_prefix(close + 1);
        const auto colon = variable.find(':');
        if (colon == std::string_view::npos)
            return std::nullopt;
        const std::string_view name = variable.substr(0, colon);
        int day = 0;
        if (name == "first")
            day = days.first;
        else if (name == "last")
            day = days.last;
        else if (name == "end")
            day = days.last + 1;
        else if (name == "today")
            day = today;
        else
            return std::nullopt;
        const std::optional<std::string> text = DayText(day, variable.substr(colon + 1));
        if (!text)
            return std::nullopt;
        url += *text;
    }
    return url;
}

FetchRequest SourceRequest(const SourceDefinition& source, const std::string& url, int boundMs)
{
    FetchRequest request;
    request.url = url;
    request.access = INTERNET_OPEN_TYPE_PRECONFIG;
    request.options.userAgent = source.userAgent.empty() ? DefaultSourceAgent() : source.userAgent;
    request.options.headers = source.headers;
    request.options.totalTimeoutMs = boundMs;
    // The answer arrives whole: a zero byte in it makes it unreadable (SourceReaders), it does not
    // cut a piece and splice the next one onto it.
    request.options.cutPiecesAtZero = false;
    return request;
}

} // namespace Quotes
