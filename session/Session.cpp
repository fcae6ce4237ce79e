#include "session/Session.h"

#include "chart/ThirdFriday.h"
#include "history/SeriesBuilder.h"
#include "history/SeriesResize.h"
#include "quotes/DownloadSchedule.h"
#include "quotes/QuotePage.h"
#include "quotes/QuoteSeries.h"
#include "quotes/SourceAnswers.h"
#include "support/Clock.h"
#include "support/Folders.h"
#include "support/Regional.h"
#include "support/Trace.h"

#include <QFileInfo>
#include <algorithm>

namespace {
const char* const HistoryFileName = "AEX.dat";
} // namespace

int FirstStartDayCount(int dayCount, int lastValuedDay, int today)
{
    if (lastValuedDay < 0)
        return dayCount;
    // N days show the N + 1 days up to today + 31: the history's days up to its newest value
    // need N >= today + 31 - lastValuedDay + shown - 1.
    const auto countFor = [&](int shown) {
        return static_cast<long long>(today) + History::FutureDays - lastValuedDay + shown - 1;
    };
    if (countFor(FirstStartLeastDays) <= dayCount)
        return dayCount;
    const long long needed = countFor(FirstStartShownDays);
    const long long steps = (needed - dayCount + 6) / 7;
    return static_cast<int>(std::min<long long>(dayCount + 7 * steps, MaxDayCount));
}

Session::Session(const Support::SystemFacts& facts, ProgramSettings& settings, Quotes::Fetcher& fetcher,
                 QObject* parent)
    : QObject(parent), m_facts(facts), m_settings(settings), m_fetcher(fetcher)
{
}

Session::~Session()
{
    CancelFetches();
}

void Session::CancelFetches()
{
    for (std::optional<Quotes::FetchTicket>* running : {&m_backfillFetch, &m_quoteFetch}) {
        if (*running)
            m_fetcher.Cancel(**running);
        running->reset();
    }
}

void Session::TellBusy()
{
    if (Busy() == m_busyTold)
        return;
    m_busyTold = Busy();
    emit busyChanged(m_busyTold);
}

bool Session::StartClosing()
{
    if (std::exchange(m_closing, true))
        return false;
    // A back-fill cancelled here leaves the history as it was loaded; it is saved as such.
    CancelFetches();
    TellBusy();
    return true;
}

std::string Session::HistoryFilePath() const
{
    return m_facts.dataFolder + HistoryFileName;
}

void Session::Start()
{
    m_created = false;
    m_freshHistoryCopy = false;
    m_window = m_settings.ReadWindow();
    m_dayCount = m_window.dagen;
    m_reachBackPending = !m_window.dagenStored;
    for (int handle = 0; handle < Chart::HandleCount; ++handle) {
        m_handles[handle] = m_settings.ReadHandle(handle);
        m_handleStored[handle] = !m_handles[handle].IsEmpty();
    }
    m_thirdFriday = Chart::NextThirdFriday(Support::Clock::Today());

    const std::string history = HistoryFilePath();
    if (!QFileInfo::exists(QString::fromLocal8Bit(history))) {
        m_freshHistoryCopy = true;
        const std::string starter = Support::FindStarterHistory(m_facts.programFolder);
        if (!starter.empty())
            Support::CopyFileTo(starter, history, true, {m_facts.daylightActive, m_facts.daylightBias});
    }
    // A save that was killed after its new file got a name leaves that file beside AEX.dat.
    for (const QString& leftover : History::RemoveSaveLeftovers(QString::fromLocal8Bit(m_facts.dataFolder),
                                                                QString::fromLatin1(HistoryFileName))) {
        qWarning("Removed %s, left over from an interrupted save of the history", qUtf8Printable(leftover));
        Support::WriteTrace("MainForm.Create - restant van een onderbroken opslag verwijderd: " +
                            leftover.toStdString());
    }

    m_history.clear();
    ReadAEX();
    m_rollPending = true;
    m_created = true;
}

void Session::ReadAEX()
{
    Support::TraceScope trace("MainForm.ReadAEX");
    const int today = Support::TodayDayNumber();

    History::LoadedHistory loaded = History::LoadHistoryFile(HistoryFilePath(), today + History::FutureDays);
    m_fileStatus = loaded.status;
    History::HoldBackUnreal(loaded.history, loaded.heldBack, today);
    m_history = std::move(loaded.history);
    m_unstored = {};
    m_unstored.heldBack = std::move(loaded.heldBack);

    // What the file holds is shown at once; the back-fill brings the days after it.
    BuildShownSeries({});

    const int last = History::EntryDay(m_lastStoredEntry);
    const QDateTime now = Support::Clock::Now();
    if (!Quotes::BackfillDue(last, now)) {
        BackfillArrived({}, last);
        return;
    }
    m_backfillRun = SourceRun();
    m_backfillRun.sources = m_settings.ReadClosingPricesSources();
    m_backfillRun.asked = now;
    m_backfillRun.lastDay = last;
    m_backfillFetch = Quotes::NoFetch;
    TellBusy();
    TryBackfillSource();
}

void Session::TryBackfillSource()
{
    SourceRun& run = m_backfillRun;
    const int today = Support::DayNumber(run.asked.date());
    // From the newest stored day (about two years back without one) to the newest close there is.
    const int reference = run.asked.time().hour() < 20 ? today - 1 : today;
    const int first = run.lastDay == History::NoDay ? reference - 2 * 365 : run.lastDay;
    const std::string site = m_settings.ReadSources().closingPricesSite.toStdString();
    while (run.next < run.sources.size()) {
        const Quotes::SourceDefinition source = run.sources[run.next++];
        const std::optional<Quotes::FetchRequest> request =
            Quotes::SeriesSourceRequest(source, site, {first, reference}, today, ListFetchBoundMs);
        if (!request) {
            Support::WriteTrace("MainForm.ReadAEX - bron " + source.name + " overgeslagen: soort '" +
                                source.kindText + "' of adres onbruikbaar");
            qWarning("Source %s skipped: kind '%s' unknown or its address cannot be filled in",
                     source.name.c_str(), source.kindText.c_str());
            continue;
        }
        const Quotes::FetchTicket ticket =
            m_fetcher.Fetch(*request, [this, source](const Quotes::FetchResult& result) {
                BackfillAnswered(source, result);
            });
        if (m_backfillFetch)
            m_backfillFetch = ticket;
        return;
    }
    if (!run.fetched)
        EndBackfill({Quotes::BackfillCode::NoConnection, {}});
    else
        EndBackfill(
            run.listReading.value_or(Quotes::ClosingPricesReading{Quotes::BackfillCode::AexNotFound, {}}));
}

void Session::BackfillAnswered(const Quotes::SourceDefinition& source, const Quotes::FetchResult& result)
{
    SourceRun& run = m_backfillRun;
    History::EntryList stored = m_history;
    stored.insert(stored.end(), m_unstored.heldBack.begin(), m_unstored.heldBack.end());
    std::string why;
    const Quotes::ClosingPricesReading reading =
        Quotes::ReadSeriesAnswer(source, result, run.asked, History::TrustedValues(stored), why);
    Support::WriteTrace("MainForm.ReadAEX - slotkoersen van " + source.name + ": " + why);
    if (!result.body.empty())
        run.fetched = true;
    // A freshly copied starter history lacks the days that the source brought.
    if (result.body.size() >= Quotes::MinimumListLength)
        m_freshHistoryCopy = false;
    if (reading.code == Quotes::BackfillCode::Done) {
        m_backfillSource = source.name;
        emit sourcesChanged();
        EndBackfill(reading);
        return;
    }
    if (source.kind == Quotes::SourceKind::List && !result.body.empty())
        run.listReading = reading;
    TryBackfillSource();
}

void Session::EndBackfill(const Quotes::ClosingPricesReading& reading)
{
    m_backfillFetch.reset();
    TellBusy();
    BackfillArrived(reading, m_backfillRun.lastDay);
}

void Session::BackfillArrived(const Quotes::ClosingPricesReading& reading, int lastDay)
{
    // Listed days that the history holds without a real value get theirs there; the later days
    // go into the series.
    const History::EntryList listed = History::MergeListed(m_history, m_unstored.heldBack, reading.entries,
                                                           lastDay, Support::Regional().decimalSeparator);
    if (m_reachBackPending) {
        m_reachBackPending = false;
        History::UnstoredDays held;
        held.heldBack = m_unstored.heldBack;
        const int dayCount = FirstStartDayCount(m_dayCount, History::LastValuedDay(m_history, held, listed),
                                                Support::TodayDayNumber());
        if (dayCount != m_dayCount) {
            m_dayCount = dayCount;
            emit dayCountChanged(m_dayCount);
        }
    }
    BuildShownSeries(listed);
    if (reading.code != Quotes::BackfillCode::Done)
        emit loadFailed(reading.code);
    SelectTodayRow();
    emit downloadTimerSet(RetestIntervalMs);
}

void Session::BuildShownSeries(const History::EntryList& listed)
{
    History::SeriesBuild build =
        History::BuildSeries(m_history, m_dayCount, Support::TodayDayNumber(),
                             Support::Regional().decimalSeparator, listed, m_unstored.heldBack);
    m_lastStoredEntry = build.lastStoredEntry;
    m_unstored.obtained = std::move(build.obtained);
    m_unstored.filled = std::move(build.filled);
    m_unstored.departed = std::move(build.departed);
    m_series.SetItems(std::move(build.items));
    emit seriesChanged();
}

void Session::SelectTodayRow()
{
    const int row = History::TodayRow(m_series.Items(), Support::TodayDayNumber());
    if (row >= 0)
        emit rowSelected(row, true);
}

void Session::ChangeDayCount(int dayCount)
{
    if (dayCount == m_dayCount)
        return;
    m_dayCount = dayCount;
    // The user's count is not replaced by the longer one of a first start.
    if (m_created)
        m_reachBackPending = false;
    if (m_created)
        ResizeSeries();
}

void Session::ResizeSeries()
{
    History::EntryList items = m_series.Items();
    History::ResizeSeriesItems(items, m_dayCount, m_history,
                               History::NewestStoredDay(m_history, m_lastStoredEntry), m_unstored.departed);
    m_series.SetItems(std::move(items));
    SelectTodayRow();
    m_rollPending = true;
    emit seriesChanged();
    // The quote schedule starts only once the back-fill has landed.
    if (!BackfillRunning())
        emit downloadTimerSet(RetestIntervalMs);
}

bool Session::DownloadDue() const
{
    return !Busy() && !m_closing && Quotes::FetchDue(Support::Clock::Now(), m_quote.lastDownload, m_retry);
}

void Session::DownloadQuote()
{
    if (Busy() || m_closing)
        return;
    emit downloadTimerSet(QuoteIntervalMs);
    m_quoteRun = SourceRun();
    m_quoteRun.sources = m_settings.ReadQuoteSources();
    m_quoteRun.asked = Support::Clock::Now();
    m_quoteFetch = Quotes::NoFetch;
    TellBusy();
    TryQuoteSource();
}

void Session::TryQuoteSource()
{
    SourceRun& run = m_quoteRun;
    const std::string site = m_settings.ReadSources().quoteSite.toStdString();
    while (run.next < run.sources.size()) {
        const Quotes::SourceDefinition source = run.sources[run.next++];
        const std::optional<Quotes::FetchRequest> request =
            Quotes::QuoteSourceRequest(source, site, Support::TodayDayNumber(), QuoteFetchBoundMs);
        if (!request) {
            Support::WriteTrace("MainForm.DownloadQuote - bron " + source.name + " overgeslagen: soort '" +
                                source.kindText + "' of adres onbruikbaar");
            qWarning("Source %s skipped: kind '%s' unknown or its address cannot be filled in",
                     source.name.c_str(), source.kindText.c_str());
            continue;
        }
        const Quotes::FetchTicket ticket = m_fetcher.Fetch(
            *request, [this, source](const Quotes::FetchResult& result) { QuoteAnswered(source, result); });
        if (m_quoteFetch)
            m_quoteFetch = ticket;
        return;
    }
    m_quoteFetch.reset();
    TellBusy();
    QuoteFailed();
}

void Session::QuoteAnswered(const Quotes::SourceDefinition& source, const Quotes::FetchResult& result)
{
    // A value far off the newest trusted one is a fault of the source, not a quote.
    const int day = Support::TodayDayNumber();
    Quotes::Quote quote;
    std::string why;
    const Quotes::QuoteReading reading = Quotes::ReadQuoteAnswer(
        source, result, quote, History::QuoteAnchor(m_history, m_unstored, m_series.Items(), day), day, why);
    Support::WriteTrace("MainForm.DownloadQuote - koers van " + source.name + ": " + why);
    if (reading != Quotes::QuoteReading::Read) {
        TryQuoteSource();
        return;
    }
    m_quoteFetch.reset();
    TellBusy();
    if (m_quoteSource != source.name) {
        m_quoteSource = source.name;
        emit sourcesChanged();
    }
    ApplyQuote(quote);
}

void Session::QuoteFailed()
{
    // A failed fetch and an answer that does not give a quote look alike to the user, and
    // neither changes anything but the status line.
    ++m_retry.failures;
    m_retry.lastAttempt = m_quoteRun.asked;
    emit statusChanged(Quotes::FailedStatus(Support::Language::Dutch));
}

void Session::ApplyQuote(const Quotes::Quote& quote)
{
    const int day = Support::TodayDayNumber();
    m_retry = {};
    // A page older than the quote shown (a stale copy on the way) is an answer, not news.
    if (m_quoteMoment.isValid() && quote.moment < m_quoteMoment) {
        m_quote.lastDownload = Support::Clock::Now();
        return;
    }
    m_quoteMoment = quote.moment;
    m_quote.date = quote.pieces.date;
    m_quote.time = quote.pieces.time;
    m_quote.value = quote.pieces.value;
    m_quote.change = quote.pieces.change;
    m_quote.percent = quote.pieces.percent;
    emit statusChanged(Quotes::QuoteStatus(quote, m_quote.previousValue));
    m_quote.previousValue = m_quote.value;

    History::EntryList items = m_series.Items();
    // A roll takes the oldest shown day off; one after the newest stored day is kept with the
    // others a smaller day count took away, so that a larger count shows it again.
    if (m_rollPending && !items.empty() &&
        History::EntryDay(items.front()) > History::NewestStoredDay(m_history, m_lastStoredEntry))
        KeepDeparted(items.front());
    const int today = Quotes::WriteQuoteIntoSeries(items, day, m_quote.value, m_rollPending);
    History::MarkObtained(m_unstored, items, today);
    m_rollPending = false;
    m_quote.lastDownload = Support::Clock::Now();
    m_series.SetItems(std::move(items));
    if (today >= 0)
        emit rowSelected(today, false);
    emit seriesChanged();
}

void Session::KeepDeparted(const std::string& entry)
{
    History::EntryList& departed = m_unstored.departed;
    const int day = History::EntryDay(entry);
    const auto at =
        std::lower_bound(departed.begin(), departed.end(), day,
                         [](const std::string& kept, int d) { return History::EntryDay(kept) < d; });
    if (at != departed.end() && History::EntryDay(*at) == day)
        *at = entry;
    else
        departed.insert(at, entry);
}

const Chart::StoredHandle& Session::Handle(int handle) const
{
    return m_handles.at(static_cast<std::size_t>(handle));
}

bool Session::HandleStored(int handle) const
{
    return m_handleStored.at(static_cast<std::size_t>(handle));
}

void Session::StoreHandle(int handle, const Chart::StoredHandle& position)
{
    m_handles.at(static_cast<std::size_t>(handle)) = position;
    m_handleStored.at(static_cast<std::size_t>(handle)) = true;
    m_settings.WriteHandle(handle, position);
}

int Session::LastValuedDay() const
{
    return History::LastValuedDay(m_history, m_unstored, m_series.Items());
}

void Session::StoreWindow(int top, int left, int width, int height)
{
    WindowSettings values;
    values.top = top;
    values.left = left;
    values.width = width;
    values.height = height;
    values.dagen = m_dayCount;
    m_settings.WriteWindow(values);
    m_settings.WriteMissingSources();
}

HistorySave Session::WriteAEX()
{
    if (m_fileStatus == History::LoadStatus::Unreadable) {
        // Writing would replace a history that could not be read with this run's days only.
        qWarning("The history file %s could not be read at start-up and is left as it is",
                 HistoryFilePath().c_str());
        return HistorySave::LeftUnreadable;
    }
    History::EntryList history = m_history;
    History::EntryList unstored =
        History::UnstoredEntries(m_history, m_lastStoredEntry, m_series.Items(), m_unstored,
                                 Support::TodayDayNumber(), Support::Regional().decimalSeparator);
    history.insert(history.end(), std::make_move_iterator(unstored.begin()),
                   std::make_move_iterator(unstored.end()));
    // With no file and nothing to write, no empty file: a later start still copies the starter history.
    if (history.empty() && m_fileStatus == History::LoadStatus::Missing)
        return HistorySave::NotNeeded;
    // Where reading passed over part of the file, it goes to the backup; where it lost markedly
    // many values, also to a backup of its own that no later start replaces (once per run).
    History::Backup backup = History::Backup::None;
    if (m_fileStatus == History::LoadStatus::ReadSkipped)
        backup = History::Backup::Replaceable;
    if (m_fileStatus == History::LoadStatus::ReadLost)
        backup = m_keptBackup.empty() ? History::Backup::Kept : History::Backup::None;
    const History::WriteStatus status =
        History::WriteHistoryFile(HistoryFilePath(), history, backup, Support::Clock::Now(), &m_keptBackup);
    if (backup == History::Backup::Kept && !m_keptBackup.empty())
        Support::WriteTrace(
            "MainForm.WriteAEX - te weinig koersen gelezen; het vorige bestand is bewaard als " +
            m_keptBackup);
    return status == History::WriteStatus::Written ? HistorySave::Written : HistorySave::Failed;
}

HistorySave Session::CloseHistory(CloseKind kind)
{
    const HistorySave saved =
        SaveHistoryAtClose([this] { return WriteAEX(); }, kind, m_askSaveFailure, HistoryFilePath());
    if (saved == HistorySave::Failed)
        Support::WriteTrace("MainForm.FormClose - de koersgeschiedenis is niet opgeslagen in " +
                            HistoryFilePath());
    m_history.clear();
    return saved;
}
