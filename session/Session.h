#pragma once
// The program's session from loading to closing: the history and the shown series, the days
// not yet stored, the latest quote, the trend-line ends as a day and a value, and the day count.
// Its operations are the program's sequences (loading with the closing-price back-fill, a
// change of the day count, a quote download, closing); it reports what changed through its
// signals, and the main window shows that and forwards the user's actions to it.

#include "chart/Handles.h"
#include "chart/LineAlerts.h"
#include "history/HistoryFile.h"
#include "history/SeriesModel.h"
#include "history/UnstoredDays.h"
#include "quotes/ClosingPrices.h"
#include "quotes/DownloadSchedule.h"
#include "quotes/Fetcher.h"
#include "quotes/QuotePage.h"
#include "quotes/QuoteSources.h"
#include "quotes/SourceAnswers.h"
#include "quotes/SourceChain.h"
#include "quotes/SourceCooldowns.h"
#include "quotes/StatusLine.h"
#include "session/AlertNotifier.h"
#include "session/ClosingSave.h"
#include "session/ProgramSettings.h"
#include "support/SystemFacts.h"

#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QStringList>
#include <array>
#include <future>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// A first start whose day count would show fewer than FirstStartLeastDays of the history
// (up to its newest value) shows FirstStartShownDays of it instead.
inline constexpr int FirstStartLeastDays = 91;
inline constexpr int FirstStartShownDays = 182;
// The day count of a first start: `dayCount`, or, when its days (up to today + 31) would show
// fewer than FirstStartLeastDays of the history, more in steps of 7 until FirstStartShownDays
// are shown (at most MaxDayCount). A history whose newest value is long past would otherwise
// open on an empty chart. Unchanged when there is no value (lastValuedDay < 0).
int FirstStartDayCount(int dayCount, int lastValuedDay, int today);

// The quote of the last successful download, as cut from the page.
struct LatestQuote
{
    std::string date;          // "dd-mm-yyyy"
    std::string time;          // as cut from the page
    std::string value;         // "312,45"
    std::string change;        // "(+1,20)"
    std::string percent;       // "0,39%"
    std::string previousValue; // of the download before; empty until there was one
    QDateTime lastDownload;    // invalid until the first success
};

class Session : public QObject
{
    Q_OBJECT
public:
    static constexpr int QuoteIntervalMs = 60000;
    static constexpr int RetestIntervalMs = 1000;
    // One quote fetch may keep the program busy for at most this long, whatever the network does.
    static constexpr int QuoteFetchBoundMs = 12000;
    // Start-up waits for the closing-prices list; a server that trickles it must not hold the
    // program up for good.
    static constexpr int ListFetchBoundMs = 15000;

    Session(const Support::SystemFacts& facts, ProgramSettings& settings, Quotes::Fetcher& fetcher,
            QObject* parent = nullptr);
    // A fetch still running is cancelled: its result would find no session.
    ~Session() override;

    // ---- Loading ----
    // Starts reading AEX.dat on a thread of its own, so that it is read while the windows are
    // made; Start's ReadAEX takes what it read (and reads again if the day changed meanwhile).
    // The leftovers of an interrupted save are removed on that thread first. Nothing on a first
    // run: the starter history is copied in first.
    void PrefetchHistory();
    // The stored day count and trend-line ends, the starter history on a first run, the
    // leftovers of an interrupted save removed, and the history loaded (ReadAEX).
    void Start();
    // The window's bounds and day count as Start read them from the settings.
    const WindowSettings& StoredWindow() const { return m_window; }
    // Loads AEX.dat and shows the newest days at once; then the closing-price back-fill fetches
    // the list, merges it into the stored days and builds the series again. The quote schedule
    // starts when the back-fill has finished or failed (downloadTimerSet), never before.
    void ReadAEX();
    // A back-fill asked for between the two waits for ReleaseBackfill, and starts then unless
    // the session is closing. The program holds the one of its start until its window is on the
    // screen: the back-fill takes a copy of the whole history for the fetch's thread, which is
    // no work for the way to the first shown window.
    void HoldBackfill() { m_backfillHeld = true; }
    void ReleaseBackfill();
    // The back-fill's sources are being asked and none has given its closes yet.
    bool BackfillRunning() const { return m_backfillChain.Running(); }
    // The closes after the newest one the history or a back-fill gave are available (a day's
    // close from 20:00), no back-fill has read them yet today, and the wait after a failed one
    // is over. A quote is no close: a run of several days still asks for each day's.
    bool BackfillDue() const;
    // The sources that gave the last quote and the last back-fill; empty while none has.
    const std::string& QuoteSourceName() const { return m_quoteSource; }
    const std::string& BackfillSourceName() const { return m_backfillSource; }
    // The sources that refused and rest at this moment, with the end of their rest.
    std::vector<Quotes::SourceCooldowns::Resting> RestingSources() const;

    // ---- Day count ----
    int DayCount() const { return m_dayCount; }
    // After loading, a different count adapts the series (ResizeSeries); before, it is only kept.
    // A count the user chose while the back-fill runs is kept when it lands.
    void ChangeDayCount(int dayCount);

    // ---- Quotes ----
    // The back-fill or the quote is due (by the schedule and the retry delays), with no
    // back-fill or quote fetch running.
    bool DownloadDue() const;
    // What the schedule asks for at a tick: the back-fill when it is due, else the quote.
    void Download();
    // Asks the quote sources in their order until one gives a quote that reads (one fetch at a
    // time; ignored while one runs). The quote is applied when
    // it arrives, to the series as it is then: a day count changed in between is respected. A
    // quote older than the one shown (by its date and time) changes nothing but counts as a
    // successful fetch.
    void DownloadQuote();
    bool QuoteRunning() const { return m_quoteChain.Running(); }
    const Quotes::QuoteRetry& Retry() const { return m_retry; }
    // A back-fill or a quote fetch runs.
    bool Busy() const { return BackfillRunning() || QuoteRunning(); }

    // ---- Trend-line ends, as a day and a value ----
    const Chart::StoredHandle& Handle(int handle) const;
    // A position is stored for the handle (read at start or stored in this run).
    bool HandleStored(int handle) const;
    // Keeps the position and writes it to the settings. A position that differs from the one
    // kept re-arms the line's alert.
    void StoreHandle(int handle, const Chart::StoredHandle& position);

    // ---- Trend-line alerts ----
    static constexpr int LineCount = Chart::HandleCount / 2;
    // The line (0 green, 1 red, 2 blue) warns when a quote crosses it; stored in the settings.
    bool AlertOn(int line) const { return m_alertOn.at(static_cast<std::size_t>(line)); }
    void SetAlertOn(int line, bool on);
    // Where the warnings go; none: they are only traced.
    void SetAlertNotifier(AlertNotifier* notifier) { m_alertNotifier = notifier; }
    // The line's ends as days and values; nothing while a handle has no stored position.
    std::optional<Chart::LineEnds> LineEndsOf(int line) const;

    // ---- Closing ----
    // The window's bounds and the day count to the settings, with the sites users can edit.
    void StoreWindow(int top, int left, int width, int height);
    // Writes the history; a failed write is put to the user (the asker) when `kind` is User.
    HistorySave CloseHistory(CloseKind kind);
    void SetSaveFailureAsker(SaveFailureAsker asker) { m_askSaveFailure = std::move(asker); }
    // The close that comes is a signal's or the session's end: nobody is there to answer.
    void SetUnattendedClose() { m_unattendedClose = true; }
    bool UnattendedClose() const { return m_unattendedClose; }
    // Marks the start of closing and cancels the fetches still running; true only the first
    // time, so that closing runs once even when a second close (a signal during the question
    // about a failed save) comes in between.
    bool StartClosing();

    // ---- What the window shows ----
    History::SeriesModel& Series() { return m_series; }
    const History::SeriesModel& Series() const { return m_series; }
    const History::DayEntry& LastStoredEntry() const { return m_lastStoredEntry; }
    History::LoadStatus HistoryFileStatus() const { return m_fileStatus; }
    std::string HistoryFilePath() const;
    bool Created() const { return m_created; }
    bool RollPending() const { return m_rollPending; }
    bool FreshHistoryCopy() const { return m_freshHistoryCopy; }
    const LatestQuote& Quote() const { return m_quote; }
    QDate ThirdFridayDate() const { return m_thirdFriday; }
    // The newest day with a value of its own (history, held-back entries, series); NoDay when none.
    int LastValuedDay() const;
    // The newest day with a value from the history file or a back-fill (quotes do not count).
    int NewestRealDay() const;
    const Support::SystemFacts& Facts() const { return m_facts; }

signals:
    // The series changed (and with it what the chart shows).
    void seriesChanged();
    // The list's current row; `centred`: scrolled to the middle of the list.
    void rowSelected(int row, bool centred);
    void dayCountChanged(int dayCount);
    void statusChanged(const Quotes::StatusLine& line);
    // A back-fill that failed; never sent for BackfillCode::Done.
    void loadFailed(Quotes::BackfillCode code);
    // The quote schedule is to be tested again after this many milliseconds (and then again
    // at that interval).
    void downloadTimerSet(int intervalMs);
    // A back-fill or quote fetch started (true) or all have ended (false).
    void busyChanged(bool busy);
    // Another source gave the last quote or back-fill (QuoteSourceName, BackfillSourceName), or
    // the sources that rest changed (RestingSources).
    void sourcesChanged();

private:
    void ResizeSeries();
    // May be run again after a failure: the history itself is left as it was loaded.
    HistorySave WriteAEX();
    void BuildShownSeries(const History::EntryList& listed);
    // What the back-fill's sources gave in one run.
    struct BackfillFound
    {
        Quotes::ClosingPricesReading reading; // of the source whose answer was taken
        bool fetched = false;                 // some source answered
        // what the list gave when it answered without a whole reading (its code, and the days
        // read before a last value of 0)
        std::optional<Quotes::ClosingPricesReading> listReading;
    };
    void StartBackfill();
    Quotes::AnswerUse ReadBackfillAnswer(const Quotes::SourceDefinition& source,
                                         const Quotes::FetchResult& fetched, const QDateTime& asked,
                                         BackfillFound& found);
    void BackfillEnded(const Quotes::SourceChain::Outcome& outcome, const BackfillFound& found,
                       const QDateTime& asked);
    // The closes merged into the stored days and the series built again with them.
    void BackfillArrived(const Quotes::ClosingPricesReading& reading);
    void QuoteEnded(const Quotes::SourceChain::Outcome& outcome, const Quotes::Quote& quote,
                    const QDateTime& asked);
    void ApplyQuote(const Quotes::Quote& quote);
    void QuoteFailed(const QDateTime& asked);
    // At each quote taken: warns for every line with its alert on that `current` has crossed
    // since the previous quote of the run (at the first, the newest real close before today).
    void CheckLineAlerts(double current);
    void CancelFetches();
    // Sends busyChanged when Busy() differs from what was last sent.
    void TellBusy();
    void SelectTodayRow();
    // Keeps an entry the series lost in `departed` (ascending by day, one per day).
    void KeepDeparted(const History::DayEntry& entry);

    Support::SystemFacts m_facts;
    ProgramSettings& m_settings;
    Quotes::Fetcher& m_fetcher;

    History::EntryList m_history;
    History::SeriesModel m_series;
    History::DayEntry m_lastStoredEntry;
    History::UnstoredDays m_unstored;
    History::LoadStatus m_fileStatus = History::LoadStatus::Missing;
    // What PrefetchHistory's thread does: the leftovers of an interrupted save removed, AEX.dat
    // read. Start takes it; ReadAEX takes the history.
    struct Prefetched
    {
        QStringList leftovers;
        History::LoadedHistory history;
    };
    std::future<Prefetched> m_prefetched;
    std::optional<History::LoadedHistory> m_prefetchedHistory;
    int m_prefetchedToday = History::NoDay;
    bool m_backfillHeld = false;
    bool m_backfillWaiting = false; // asked for while held
    std::string m_keptBackup;       // the history's kept backup, once a write has made it
    WindowSettings m_window;
    int m_dayCount = DefaultDayCount;
    bool m_reachBackPending = false; // no day count was stored: loading may show more days
    bool m_created = false;
    bool m_rollPending = false;
    bool m_freshHistoryCopy = false;
    LatestQuote m_quote;
    QDateTime m_quoteMoment; // of the quote shown, in trading hours; invalid before the first
    Quotes::QuoteRetry m_retry;
    // Sources that refused rest for the run; both chains ask them.
    Quotes::SourceCooldowns m_cooldowns;
    Quotes::SourceChain m_backfillChain{m_fetcher, m_cooldowns};
    Quotes::SourceChain m_quoteChain{m_fetcher, m_cooldowns};
    std::string m_quoteSource;
    std::string m_backfillSource;
    int m_newestClose = History::NoDay;     // of the history, or given by a back-fill
    int m_backfillCovered = History::NoDay; // the reference day of the last back-fill that read
    Quotes::QuoteRetry m_backfillRetry;
    bool m_loadDone = false;         // the back-fill of loading has ended
    bool m_loadFailureShown = false; // a back-fill's failure is shown once per run
    bool m_busyTold = false;
    QDate m_thirdFriday;
    std::array<Chart::StoredHandle, Chart::HandleCount> m_handles{};
    std::array<bool, Chart::HandleCount> m_handleStored{};
    std::array<Chart::LineAlert, LineCount> m_alerts{};
    std::array<bool, LineCount> m_alertOn{true, true, true};
    std::optional<double> m_previousQuoteValue; // of this run
    AlertNotifier* m_alertNotifier = nullptr;
    SaveFailureAsker m_askSaveFailure;
    bool m_unattendedClose = false;
    bool m_closing = false;
};
