#pragma once
// Where quotes and closing prices come from, kept as data: each source has a name, a kind (the
// format it serves), an address template, its agent and request headers, and the selectors its
// kind reads with. The program tries the sources of a list in their order until one gives what
// it needs, so that a changed site can be mended, or another put first, without a new release.

#include "quotes/Fetcher.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Quotes {

enum class SourceKind
{
    JsonQuote,  // a quote in a JSON document ("json-quote")
    JsonSeries, // daily closes in a JSON document ("json-series")
    CsvSeries,  // daily closes in a CSV download ("csv-series")
    Page,       // the quote page at QuoteSite ("page")
    List,       // the closing-prices list at ClosingPricesSite ("list")
    Unknown,
};

// "json-quote" ... "list"; Unknown for any other text.
SourceKind SourceKindOf(std::string_view text);
const char* SourceKindName(SourceKind kind);

struct SourceDefinition
{
    std::string name;
    SourceKind kind = SourceKind::Unknown;
    std::string kindText;             // as written, for the report of an unknown kind
    std::string url;                  // a template (ExpandSourceUrl); page and list take theirs from the site
    std::string userAgent;            // empty: the kind's own
    std::vector<std::string> headers; // "Name: value"
    std::map<std::string, std::string> selectors; // every other key of the source's group
    // The selector of that key; `fallback` when absent or empty.
    std::string Selector(const std::string& key, const std::string& fallback) const;
};

// The lists of the settings, and the default sources they name.
inline constexpr const char* DefaultQuoteSources = "yahoo-chart,page";
inline constexpr const char* DefaultClosingPricesSources = "euronext-csv,yahoo-history,list";
std::vector<SourceDefinition> DefaultSourceDefinitions();
// The default source of that name; nothing when there is none.
std::optional<SourceDefinition> DefaultSource(const std::string& name);

// The days an address asks for: a series from `first` to `last` (day numbers), or a quote of
// `first` = `last` = today.
struct SourceDays
{
    int first = 0;
    int last = 0;
};

// Fills in the variables of an address template: {first:F}, {last:F}, {end:F} (the day after
// last) and {today:F}, where F is a date format ("yyyy-MM-dd", "dd/MM/yyyy": the letters d, M and
// y) or "epoch" (the seconds since 1970 at midnight of that day in Europe/Amsterdam). Nothing
// when the template names another variable or format, or a brace is left open.
std::optional<std::string> ExpandSourceUrl(std::string_view tmpl, const SourceDays& days, int today);

// The agent json and csv sources are asked with unless a source names its own: the program says
// what it is, in the form such services answer ("Mozilla/5.0 (compatible; Koerszicht/1.0.0)").
std::string DefaultSourceAgent();
// An agent a settings file holds that this program wrote there as its default, now or before:
// it is replaced by the current default rather than kept as the user's own.
bool IsFormerDefaultAgent(std::string_view agent);

// The request of a json or csv source: the system's proxy settings, the source's agent
// (DefaultSourceAgent when it names none) and headers, the bound given.
FetchRequest SourceRequest(const SourceDefinition& source, const std::string& url, int boundMs);

} // namespace Quotes
