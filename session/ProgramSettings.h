#pragma once
// The program's settings, opened for one operation and closed at its end. Every group and key
// name is spelled here: group "Defaults" holds the window (Top, Left, Width, Height), the day
// count (Dagen) and the six trend-line ends (Shape3-Left ... Shape8-Top); group "Sources" holds
// the web sites the program talks to and the lists of the sources it takes quotes and closing
// prices from (QuoteSources, ClosingPricesSources), each source in a group "Source-<name>".

#include "chart/Handles.h"
#include "quotes/QuoteSources.h"
#include "support/ExchangeCalendar.h"

#include <QSettings>
#include <QString>

// Day count limits: the chart needs at least 33 entries; the whole shipped history fits.
inline constexpr int MinDayCount = 35;
inline constexpr int MaxDayCount = 20000;
inline constexpr int DefaultDayCount = 200;
// Wider and higher than any screen in use. A larger stored size (a damaged settings file) would
// ask gigabytes for the window and its chart bitmaps, and beyond that the toolkit crashes.
inline constexpr int MaxWindowExtent = 8192;

struct WindowSettings
{
    int top = 1;
    int left = 1;
    int width = 720;
    int height = 540;
    int dayCount = DefaultDayCount;
    bool dayCountStored = false; // false on a first start: the day count is the default
};

// The site roots of group "Sources", each a full URL ending in "/".
struct Sources
{
    QString quoteSite;         // the quote page is this + "index.php?type=main"
    QString closingPricesSite; // the list of closing values lies under it
    QString makerSite;         // the version list, the installers and the download pages
};

// Brings a day count inside the spin box's limits.
int ClampDayCount(int dayCount);

class ProgramSettings
{
public:
    // Reads the five values with their defaults; a top or left below 1 becomes 1, a width or
    // height above MaxWindowExtent becomes MaxWindowExtent, the day count is clamped.
    WindowSettings ReadWindow() const;
    // Writes Top, Left, Width, Height and Dagen, in this order; false when the store could not
    // be written.
    bool WriteWindow(const WindowSettings& values);

    // A trend-line end. A day that is not a whole number reads as 0; a value that a hand-edited
    // file holds unquoted with a comma is joined again.
    Chart::StoredHandle ReadHandle(int handle) const;
    void WriteHandle(int handle, const Chart::StoredHandle& stored);

    static Sources DefaultSources();
    Sources ReadSources() const; // defaults for absent or empty values; a missing final "/" is added
    // Writes the defaults of absent values, and of the default sources' groups that are absent,
    // so that users can find them; a group that is there is left as it is.
    void WriteMissingSources();

    // The sources of the list QuoteSources or ClosingPricesSources, in its order. A source's
    // group overrides the default source of that name key by key; a name with neither group nor
    // default, or a kind the program does not know, gives a source of kind Unknown (the caller
    // reports and skips it).
    std::vector<Quotes::SourceDefinition> ReadQuoteSources() const;
    std::vector<Quotes::SourceDefinition> ReadClosingPricesSources() const;

    // Whether line 0 (green), 1 (red) or 2 (blue) warns when crossed (Waarschuw-Groen,
    // Waarschuw-Rood, Waarschuw-Blauw in "Defaults"); on when absent.
    bool ReadAlertOn(int line) const;
    void WriteAlertOn(int line, bool on);
    static QString AlertKey(int line);
    // The exchange's calendar with the user's lists of group "Beurs": "Gesloten" (closing days
    // added) and "Open" (exceptions), each a list of yyyy-mm-dd. Bad entries are passed over
    // and named in `bad`.
    Support::ExchangeCalendar ReadExchangeCalendar(std::vector<std::string>* bad = nullptr) const;
    // The key names of handle 0 ... 5 ("Shape3-Left" ... "Shape8-Top").
    static QString HandleLeftKey(int handle);
    static QString HandleTopKey(int handle);

private:
    static std::vector<Quotes::SourceDefinition> ReadSourceList(const QString& key, const char* fallback);
};
