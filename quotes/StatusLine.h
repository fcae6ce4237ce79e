#pragma once
// The status line above the chart: three labels side by side, their texts and font colours.

#include "quotes/QuotePage.h"
#include "support/SystemFacts.h"

#include <QColor>

#include <optional>
#include <string>
#include <string_view>

namespace Quotes {

inline const QColor Black(0, 0, 0);
inline const QColor Blue(0, 0, 255);
inline const QColor Green(0, 204, 0);
inline const QColor Red(255, 0, 0);

struct StatusLabel
{
    std::string text;
    std::optional<QColor> colour; // nothing: the label keeps its colour
};

struct StatusLine
{
    StatusLabel aex;
    StatusLabel koers;
    StatusLabel time;
};

// The market's move by the percentage: blue for none, green up, red down.
QColor ChangeColour(std::string_view percent);
// The value against that of the previous download: black without one, blue equal,
// green higher, red lower.
QColor ValueColour(std::string_view value, std::string_view previousValue);

StatusLine QuoteStatus(const Quote& quote, std::string_view previousValue);
// After a failed download: only the time label speaks, Support::Text::DownloadFailed in black.
StatusLine FailedStatus(Support::Language language);

} // namespace Quotes
