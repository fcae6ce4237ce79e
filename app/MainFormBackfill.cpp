// The main window's closing-price back-fill at loading and its message.
#include "app/Forms.h"
#include "app/MainForm.h"
#include "quotes/ClosingPrices.h"
#include "quotes/HttpClient.h"
#include "support/Clock.h"
#include "support/Regional.h"
#include "support/SettingsStore.h"

#include <QTimer>

namespace {
constexpr std::uint16_t LoadMessageMs = 5000;
// Start-up waits for the list; a server that trickles it must not hold the program up for good.
constexpr int ListFetchBoundMs = 15000;
} // namespace

int TMainForm::BackfillClosingPrices()
{
    const int last = History::EntryDay(LastStoredEntry);
    const std::string url = Quotes::ClosingPricesUrl(Support::ReadSources().closingPricesSite.toStdString());
    bool listRead = false;
    History::EntryList stored = HistoryList;
    stored.insert(stored.end(), Unstored.heldBack.begin(), Unstored.heldBack.end());
    const Quotes::ClosingPricesReading reading = Quotes::RunBackfill(
        last, Support::Clock::Now(),
        [&] {
            Quotes::DownloadOptions options;
            options.totalTimeoutMs = ListFetchBoundMs;
            std::string page = Quotes::DownloadPage(url, Quotes::INTERNET_OPEN_TYPE_DIRECT, options);
            listRead = page.size() >= Quotes::MinimumListLength;
            return page;
        },
        History::TrustedValues(stored));
    // Listed days that the history holds without a real value get theirs there; the later days
    // go into the series.
    for (std::string& entry : History::MergeListed(HistoryList, Unstored.heldBack, reading.entries, last,
                                                   Support::Regional().decimalSeparator))
        Series->InsertSorted(std::move(entry));
    // A freshly copied starter history was loaded just now; the days it lacks came from the
    // list, so there is nothing to load again.
    if (listRead)
        FreshHistoryCopy = false;
    return static_cast<int>(reading.code);
}

void TMainForm::ShowLoadMessage(int code)
{
    const std::string text = Quotes::LoadMessageText(static_cast<Quotes::BackfillCode>(code));
    if (text.empty())
        return;
    // Loading runs while the main window is being created, before the message window exists
    // and before the main window is shown: the message waits for the event loop, and is then
    // centred over the main window where it is at that time.
    QTimer::singleShot(0, this, [this, text] {
        if (!Forms::MessageForm)
            return;
        const QRect area = frameGeometry();
        Forms::MessageForm->ShowMessageText(area.top(), area.left(), area.height(), area.width(), text, {},
                                            LoadMessageMs);
    });
}
