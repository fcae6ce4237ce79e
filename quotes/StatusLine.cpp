#include "quotes/StatusLine.h"

#include "support/TextFields.h"
#include "support/Texts.h"

namespace Quotes {

namespace {
// The site may sign a rise ("+0,39%"); the number reader takes no plus sign.
double SignedNumber(std::string_view text)
{
    std::string number = Support::RemoveBlanks(text);
    if (!number.empty() && number.front() == '+')
        number.erase(0, 1);
    return Support::TextToFloat(number);
}
} // namespace

QColor ChangeColour(std::string_view percent)
{
    const double change = SignedNumber(Support::TextBefore('%', percent));
    if (change > 0)
        return Green;
    if (change < 0)
        return Red;
    return Blue;
}

QColor ValueColour(std::string_view value, std::string_view previousValue)
{
    if (previousValue.empty())
        return Black;
    // By number, not by text: "1000,10" is higher than "999,50", and "312,4" equals "312,40".
    const double now = Support::TextToFloat(value);
    const double before = Support::TextToFloat(previousValue);
    if (now > before)
        return Green;
    if (now < before)
        return Red;
    return Blue;
}

StatusLine QuoteStatus(const Quote& quote, std::string_view previousValue)
{
    const QuotePieces& pieces = quote.pieces;
    StatusLine line;
    line.aex = {"AEX: ", ChangeColour(pieces.percent)};
    line.koers = {pieces.value + " " + pieces.change + " " + pieces.percent + " ",
                  ValueColour(pieces.value, previousValue)};
    line.time = {quote.momentText, std::nullopt};
    return line;
}

StatusLine FailedStatus(Support::Language language)
{
    return {{"", std::nullopt},
            {"", std::nullopt},
            {Support::TextFor(Support::Text::DownloadFailed, language), Black}};
}

} // namespace Quotes
