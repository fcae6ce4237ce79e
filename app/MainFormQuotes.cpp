// The main window's live quotes: the download schedule, the quote download and the status line.
#include "app/MainForm.h"

#include "quotes/DownloadSchedule.h"
#include "quotes/HttpClient.h"
#include "quotes/QuotePage.h"
#include "quotes/QuoteSeries.h"
#include "quotes/StatusLine.h"
#include "support/Clock.h"
#include "support/SettingsStore.h"

#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QTimer>

namespace {

constexpr int QuoteIntervalMs = 60000;
// One fetch may keep the window busy for at most this long, whatever the network does.
constexpr int QuoteFetchBoundMs = 12000;

// The hourglass for the whole screen while the window is busy, on every way out.
class BusyCursor
{
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

void ShowLabel(QLabel* label, const Quotes::StatusLabel& status)
{
    label->setText(QString::fromLatin1(status.text));
    if (status.colour) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, *status.colour);
        label->setPalette(palette);
    }
    label->adjustSize();
}

} // namespace

void TMainForm::DownloadTimerTimer()
{
    if (!Quotes::DownloadDue(Support::Clock::Now(), LastDownloadTime))
        return;
    if (AnyHandleMoved())
        SaveHandles();
    DownloadQuote();
}

void TMainForm::DownloadQuote()
{
    const BusyCursor busy;
    DownloadTimer->setInterval(QuoteIntervalMs);

    const std::string url =
        (Support::ReadSources().quoteSite + QStringLiteral("index.php?type=main")).toStdString();
    Quotes::DownloadOptions options;
    options.totalTimeoutMs = QuoteFetchBoundMs;
    const std::string page = Quotes::DownloadPage(url, Quotes::INTERNET_OPEN_TYPE_PRECONFIG, options);

    // A failed fetch and a page that does not give a quote look alike to the user, and
    // neither changes anything but the status line.
    // A value far off the newest trusted one is a fault of the page, not a quote.
    const int day = Support::TodayDayNumber();
    Quotes::Quote quote;
    if (Quotes::ReadQuotePage(page, quote, History::QuoteAnchor(HistoryList, Unstored, Series->Items(), day),
                              day) != Quotes::QuoteReading::Read) {
        ShowStatusLine(Quotes::FailedStatus());
        return;
    }
    QuoteDate = quote.pieces.date;
    QuoteTime = quote.pieces.time;
    QuoteValue = quote.pieces.value;
    QuoteChange = quote.pieces.change;
    QuotePercent = quote.pieces.percent;
    ShowStatusLine(Quotes::QuoteStatus(quote, PreviousQuoteValue));
    PreviousQuoteValue = QuoteValue;

    History::EntryList items = Series->Items();
    const int today = Quotes::WriteQuoteIntoSeries(items, Support::TodayDayNumber(), QuoteValue, RollPending);
    History::MarkObtained(Unstored, items, today);
    RollPending = false;
    SaveHandles();
    LastDownloadTime = Support::Clock::Now();
    ReloadHandles = true;
    Series->SetItems(std::move(items));
    if (today >= 0)
        ListBox->setCurrentIndex(Series->index(today));
    RedrawChartFully();
}

void TMainForm::ShowStatusLine(const Quotes::StatusLine& line)
{
    ShowLabel(AEXLabel, line.aex);
    ShowLabel(KoersLabel, line.koers);
    ShowLabel(TimeLabel, line.time);
    KoersLabel->move(AEXLabel->x() + AEXLabel->width(), KoersLabel->y());
    TimeLabel->move(KoersLabel->x() + KoersLabel->width(), TimeLabel->y());
    FormResize();
}

bool TMainForm::AnyHandleMoved() const
{
    return Shape3Moved || Shape4Moved || Shape5Moved || Shape6Moved || Shape7Moved || Shape8Moved;
}
