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
#include "support/TextFields.h"
#include "support/Trace.h"

#include <QFileInfo>
#include <algorithm>
#include <any>
#include <memory>

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
    m_backfillChain.Cancel();
    m_quoteChain.Cancel();
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
    m_dayCount = m_window.dayCount;
    m_reachBackPending = !m_window.dayCountStored;
    for (int handle = 0; handle < Chart::HandleCount; ++handle) {
        m_handles[handle] = m_settings.ReadHandle(handle);
        m_handleStored[handle] = !m_handles[handle].IsEmpty();
    }
    for (int line = 0; line < LineCount; ++line)
        m_alertOn[line] = m_settings.ReadAlertOn(line);
    // The exchange's closing days with the user's own; everything that reasons about trading
    // days asks this calendar from here on.
    std::vector<std::string> badDays;
    Support::SetExchange(m_settings.ReadExchangeCalendar(&badDays));
    for (const std::string& bad : badDays) {
        qWarning("Beurs: passed over %s", bad.c_str());
        Support::WriteTrace("MainForm.Create - Beurs: overgeslagen " + bad);
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
    QStringList leftovers;
    if (m_prefetched.valid()) {
        Prefetched prefetched = m_prefetched.get();
        leftovers = std::move(prefetched.leftovers);
        m_prefetchedHistory = std::move(prefetched.history);
    } else {
        leftovers = History::RemoveSaveLeftovers(QString::fromLocal8Bit(m_facts.dataFolder),
                                                 QString::fromLatin1(HistoryFileName));
    }
    for (const QString& leftover : leftovers) {
        qWarning("Removed %s, left over from an interrupted save of the history", qUtf8Printable(leftover));
        Support::WriteTrace("MainForm.Create - restant van een onderbroken opslag verwijderd: " +
                            leftover.toStdString());
    }

    m_history.clear();
    ReadAEX();
    m_rollPending = true;
    m_created = true;
}

namespace {

// AEX.dat's days up to `today` + the future ones, with the newest unreal ones held back.
History::LoadedHistory ReadHistoryFile(const std::string& path, int today)
{
    History::LoadedHistory loaded = History::LoadHistoryFile(path, today + History::FutureDays);
    History::HoldBackUnreal(loaded.history, loaded.heldBack, today);
    return loaded;
}

} // namespace

void Session::PrefetchHistory()
{
    const std::string path = HistoryFilePath();
    if (!QFileInfo::exists(QString::fromLocal8Bit(path)))
        return;
    m_prefetchedToday = Support::TodayDayNumber();
    m_prefetched =
        std::async(std::launch::async, [folder = m_facts.dataFolder, path, today = m_prefetchedToday] {
            Prefetched done;
            done.leftovers = History::RemoveSaveLeftovers(QString::fromLocal8Bit(folder),
                                                          QString::fromLatin1(HistoryFileName));
            done.history = ReadHistoryFile(path, today);
            return done;
        });
}

void Session::ReadAEX()
{
    Support::TraceScope trace("MainForm.ReadAEX");
    const int today = Support::TodayDayNumber();

    std::optional<History::LoadedHistory> prefetched = std::exchange(m_prefetchedHistory, std::nullopt);
    if (m_prefetchedToday != today)
        prefetched.reset();
    History::LoadedHistory loaded =
        prefetched ? std::move(*prefetched) : ReadHistoryFile(HistoryFilePath(), today);
    m_fileStatus = loaded.status;
    m_history = std::move(loaded.history);
    m_unstored = {};
    m_unstored.heldBack = std::move(loaded.heldBack);

    // What the file holds is shown at once; the back-fill brings the days after it.
    BuildShownSeries({});

    m_newestClose = History::EntryDay(m_lastStoredEntry);
    m_backfillCovered = History::NoDay;
    m_backfillRetry = {};
    m_loadDone = false;
    if (!BackfillDue()) {
        BackfillArrived({});
        return;
    }
    StartBackfill();
}

bool Session::BackfillDue() const
{
    const QDateTime now = Support::Clock::Now();
    return Quotes::BackfillDue(m_newestClose, now) && Quotes::BackfillReferenceDay(now) > m_backfillCovered &&
           Quotes::BackfillRetryDue(now, m_backfillRetry);
}

void Session::ReleaseBackfill()
{
    m_backfillHeld = false;
    if (std::exchange(m_backfillWaiting, false) && !m_closing)
        StartBackfill();
}

void Session::StartBackfill()
{
    if (m_backfillHeld) {
        m_backfillWaiting = true;
        return;
    }
    const QDateTime asked = Support::Clock::Now();
    const int today = Support::DayNumber(asked.date());
    // From the newest close there is (about two years back without one) to the newest available.
    const int reference = Quotes::BackfillReferenceDay(asked);
    const int first = m_newestClose == History::NoDay ? reference - 2 * 365 : m_newestClose;
    const std::string site = m_settings.ReadSources().closingPricesSite.toStdString();
    const Quotes::SourceDays days{first, reference};
    // The answers are read on the fetch's thread, against the values stored now (no quote is
    // taken while the back-fill runs); which of them are trusted is worked out there too.
    const auto trusted =
        std::make_shared<const History::EntryList>(History::Joined(m_history, m_unstored.heldBack));
    const auto found = std::make_shared<BackfillFound>();
    Quotes::SourceChain::Purpose purpose;
    purpose.trace = "MainForm.ReadAEX";
    purpose.what = "slotkoersen";
    purpose.request = [site, days, today, asked, trusted](const Quotes::SourceDefinition& source) {
        std::optional<Quotes::FetchRequest> request =
            Quotes::SeriesSourceRequest(source, site, days, today, ListFetchBoundMs);
        if (request)
            request->prepare = [source, asked, days, trusted](const Quotes::FetchResult& fetched) {
                return std::any(
                    Quotes::ReadSeriesAnswer(source, fetched, asked, days, History::TrustedValues(*trusted)));
            };
        return request;
    };
    purpose.read = [this, found, asked](const Quotes::SourceDefinition& source,
                                        const Quotes::FetchResult& fetched) {
        return ReadBackfillAnswer(source, fetched, asked, *found);
    };
    m_backfillChain.Run(m_settings.ReadClosingPricesSources(), std::move(purpose),
                        [this, found, asked](const Quotes::SourceChain::Outcome& outcome) {
                            BackfillEnded(outcome, *found, asked);
                        });
    TellBusy();
}

Quotes::AnswerUse Session::ReadBackfillAnswer(const Quotes::SourceDefinition& source,
                                              const Quotes::FetchResult& fetched, const QDateTime& asked,
                                              BackfillFound& found)
{
    const auto* prepared = std::any_cast<Quotes::SeriesAnswer>(&fetched.prepared);
    if (!prepared)
        return {false, "niet gelezen"};
    const Quotes::SeriesAnswer& answer = *prepared;
    if (answer.noRows) {
        // "Nothing for those days" is the whole answer when no weekday up to the reference day
        // lacks its value; otherwise the source has not answered the question.
        if (!Quotes::BackfillDue(LastValuedDay(), asked)) {
            found.reading = {};
            return {true, answer.why + ", geen ontbrekende dagen"};
        }
        return {false, answer.why};
    }
    if (!fetched.body.empty())
        found.fetched = true;
    // A freshly copied starter history lacks the days that the source brought.
    if (fetched.body.size() >= Quotes::MinimumListLength)
        m_freshHistoryCopy = false;
    if (answer.reading.code == Quotes::BackfillCode::Done) {
        found.reading = answer.reading;
        return {true, answer.why};
    }
    if (source.kind == Quotes::SourceKind::List && !fetched.body.empty())
        found.listReading = answer.reading;
    return {false, answer.why};
}

void Session::BackfillEnded(const Quotes::SourceChain::Outcome& outcome, const BackfillFound& found,
                            const QDateTime& asked)
{
    TellBusy();
    Quotes::ClosingPricesReading reading = found.reading;
    if (outcome.source.empty()) {
        if (!found.fetched && outcome.refused == 0)
            reading = {Quotes::BackfillCode::NoConnection, {}};
        else
            reading = found.listReading.value_or(
                Quotes::ClosingPricesReading{Quotes::BackfillCode::AexNotFound, {}});
    } else {
        m_backfillSource = outcome.source;
    }
    if (reading.code == Quotes::BackfillCode::Done) {
        m_backfillCovered = Quotes::BackfillReferenceDay(asked);
        m_backfillRetry = {};
    } else {
        ++m_backfillRetry.failures;
        m_backfillRetry.lastAttempt = asked;
    }
    emit sourcesChanged();
    BackfillArrived(reading);
}

void Session::BackfillArrived(const Quotes::ClosingPricesReading& reading)
{
    const bool loading = !m_loadDone;
    m_loadDone = true;
    const int lastDay = History::NewestStoredDay(m_history, m_lastStoredEntry);
    const int today = Support::TodayDayNumber();
    // What this run obtained after the stored days (quotes, earlier back-fills) stays, unless a
    // close of the same day comes now: an official close goes before a quote. The file's own
    // newest entries, shown as they stand, are not this run's.
    History::EntryList own;
    if (!loading && !reading.entries.empty()) {
        for (History::DayEntry& entry :
             History::ObtainedEntries(m_series.Items(), m_unstored, lastDay, today))
            if (entry.origin != History::Origin::HeldBack)
                own.push_back(std::move(entry));
    }
    for (const History::DayEntry& entry : reading.entries)
        m_newestClose = std::max(m_newestClose, History::EntryDay(entry));
    // Listed days that the history holds without a real value get theirs there; the later days
    // go into the series.
    const History::EntryList listed = History::MergeListed(m_history, m_unstored.heldBack, reading.entries,
                                                           lastDay, Support::Regional().decimalSeparator);
    bool recounted = false;
    if (m_reachBackPending) {
        m_reachBackPending = false;
        History::UnstoredDays held;
        held.heldBack = m_unstored.heldBack;
        const int dayCount =
            FirstStartDayCount(m_dayCount, History::LastValuedDay(m_history, held, listed), today);
        if (dayCount != m_dayCount) {
            m_dayCount = dayCount;
            recounted = true;
            emit dayCountChanged(m_dayCount);
        }
    }
    if (reading.code != Quotes::BackfillCode::Done && !std::exchange(m_loadFailureShown, true))
        emit loadFailed(reading.code);
    if (loading) {
        // The file's days are shown already; without a close or another day count they stay.
        if (!reading.entries.empty() || recounted)
            BuildShownSeries(listed);
        SelectTodayRow();
        emit downloadTimerSet(RetestIntervalMs);
        return;
    }
    if (reading.entries.empty())
        return;
    History::EntryList merged = listed;
    for (History::DayEntry& entry : own) {
        const int day = History::EntryDay(entry);
        if (std::none_of(listed.begin(), listed.end(),
                         [day](const History::DayEntry& close) { return History::EntryDay(close) == day; }))
            merged.push_back(std::move(entry));
    }
    BuildShownSeries(merged);
    // As after loading: the next quote rolls the series on by a day.
    m_rollPending = true;
    SelectTodayRow();
    // The quote follows at once when it is due.
    if (Quotes::FetchDue(Support::Clock::Now(), m_quote.lastDownload, m_retry))
        emit downloadTimerSet(RetestIntervalMs);
}

void Session::BuildShownSeries(const History::EntryList& listed)
{
    History::SeriesBuild build =
        History::BuildSeries(m_history, m_dayCount, Support::TodayDayNumber(),
                             Support::Regional().decimalSeparator, listed, m_unstored.heldBack);
    m_lastStoredEntry = build.lastStoredEntry;
    m_unstored.obtained = std::move(build.obtained);
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
    if (Busy() || m_closing || !m_loadDone)
        return false;
    return BackfillDue() || Quotes::FetchDue(Support::Clock::Now(), m_quote.lastDownload, m_retry);
}

void Session::Download()
{
    if (Busy() || m_closing || !m_loadDone)
        return;
    if (BackfillDue()) {
        emit downloadTimerSet(QuoteIntervalMs);
        StartBackfill();
        return;
    }
    if (Quotes::FetchDue(Support::Clock::Now(), m_quote.lastDownload, m_retry))
        DownloadQuote();
}

void Session::DownloadQuote()
{
    if (Busy() || m_closing)
        return;
    emit downloadTimerSet(QuoteIntervalMs);
    const QDateTime asked = Support::Clock::Now();
    const std::string site = m_settings.ReadSources().quoteSite.toStdString();
    const auto quote = std::make_shared<Quotes::Quote>();
    Quotes::SourceChain::Purpose purpose;
    purpose.trace = "MainForm.DownloadQuote";
    purpose.what = "koers";
    // The answer is read on the fetch's thread against the newest trusted value as it is now
    // (a value far off it is a fault of the source, not a quote).
    const int day = Support::DayNumber(asked.date());
    const History::Anchor anchor = History::QuoteAnchor(m_history, m_unstored, m_series.Items(), day);
    purpose.request = [site, anchor, day](const Quotes::SourceDefinition& source) {
        std::optional<Quotes::FetchRequest> request =
            Quotes::QuoteSourceRequest(source, site, day, QuoteFetchBoundMs);
        if (request)
            request->prepare = [source, anchor, day](const Quotes::FetchResult& fetched) {
                return std::any(Quotes::ReadQuoteAnswer(source, fetched, anchor, day));
            };
        return request;
    };
    purpose.read = [quote](const Quotes::SourceDefinition&, const Quotes::FetchResult& fetched) {
        const auto* answer = std::any_cast<Quotes::QuoteAnswer>(&fetched.prepared);
        if (!answer)
            return Quotes::AnswerUse{false, "niet gelezen"};
        *quote = answer->quote;
        return Quotes::AnswerUse{answer->reading == Quotes::QuoteReading::Read, answer->why};
    };
    m_quoteChain.Run(m_settings.ReadQuoteSources(), std::move(purpose),
                     [this, quote, asked](const Quotes::SourceChain::Outcome& outcome) {
                         QuoteEnded(outcome, *quote, asked);
                     });
    TellBusy();
}

void Session::QuoteEnded(const Quotes::SourceChain::Outcome& outcome, const Quotes::Quote& quote,
                         const QDateTime& asked)
{
    TellBusy();
    const bool newSource =
        !outcome.source.empty() && std::exchange(m_quoteSource, outcome.source) != outcome.source;
    if (newSource || outcome.refused > 0 || outcome.resting > 0)
        emit sourcesChanged();
    if (outcome.source.empty()) {
        QuoteFailed(asked);
        return;
    }
    ApplyQuote(quote);
}

void Session::QuoteFailed(const QDateTime& asked)
{
    // A failed fetch and an answer that does not give a quote look alike to the user, and
    // neither changes anything but the status line.
    ++m_retry.failures;
    m_retry.lastAttempt = asked;
    emit statusChanged(Quotes::FailedStatus(Support::Language::Dutch));
}

std::vector<Quotes::SourceCooldowns::Resting> Session::RestingSources() const
{
    return m_cooldowns.RestingAt(Support::Clock::Now());
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
    // A quote of a day before the newest real value, or of a day still to come, is shown with
    // its own date but is no value of today: the history does not take it. One from the future
    // does not become the moment later quotes are held against either.
    const int quoteDay = Support::DayNumber(quote.moment.date());
    const bool ofToday = quoteDay <= day && quoteDay >= NewestRealDay();
    if (quoteDay <= day)
        m_quoteMoment = quote.moment;
    m_quote.date = quote.pieces.date;
    m_quote.time = quote.pieces.time;
    m_quote.value = quote.pieces.value;
    m_quote.change = quote.pieces.change;
    m_quote.percent = quote.pieces.percent;
    emit statusChanged(Quotes::QuoteStatus(quote, m_quote.previousValue));
    m_quote.previousValue = m_quote.value;
    CheckLineAlerts(Support::TextToFloat(m_quote.value));
    if (!ofToday) {
        Support::WriteTrace("MainForm.DownloadQuote - koers van " + m_quote.date +
                            " niet in de geschiedenis: geen koers van vandaag");
        m_quote.lastDownload = Support::Clock::Now();
        return;
    }

    History::EntryList items = m_series.Items();
    // A roll takes the oldest shown day off; one after the newest stored day is kept with the
    // others a smaller day count took away, so that a larger count shows it again.
    if (m_rollPending && !items.empty() &&
        History::EntryDay(items.front()) > History::NewestStoredDay(m_history, m_lastStoredEntry))
        KeepDeparted(items.front());
    const int today = Quotes::WriteQuoteIntoSeries(items, day, m_quote.value, m_rollPending);
    m_rollPending = false;
    m_quote.lastDownload = Support::Clock::Now();
    m_series.SetItems(std::move(items));
    if (today >= 0)
        emit rowSelected(today, false);
    emit seriesChanged();
}

void Session::KeepDeparted(const History::DayEntry& entry)
{
    History::EntryList& departed = m_unstored.departed;
    const auto at = std::lower_bound(departed.begin(), departed.end(), entry, History::EarlierDay);
    if (at != departed.end() && History::EntryDay(*at) == History::EntryDay(entry))
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
    const Chart::StoredHandle& kept = m_handles.at(static_cast<std::size_t>(handle));
    if (kept.day != position.day || kept.valueText != position.valueText)
        m_alerts.at(static_cast<std::size_t>(handle / 2)).Rearm();
    m_handles.at(static_cast<std::size_t>(handle)) = position;
    m_handleStored.at(static_cast<std::size_t>(handle)) = true;
    m_settings.WriteHandle(handle, position);
}

void Session::SetAlertOn(int line, bool on)
{
    const auto at = static_cast<std::size_t>(line);
    if (m_alertOn.at(at) == on)
        return;
    m_alertOn.at(at) = on;
    m_alerts.at(at).Rearm();
    m_settings.WriteAlertOn(line, on);
}

std::optional<Chart::LineEnds> Session::LineEndsOf(int line) const
{
    const int first = 2 * line;
    if (!HandleStored(first) || !HandleStored(first + 1))
        return std::nullopt;
    const Chart::StoredHandle& from = Handle(first);
    const Chart::StoredHandle& to = Handle(first + 1);
    return Chart::LineEnds{from.day, Support::TextToFloat(from.valueText.toStdString()), to.day,
                           Support::TextToFloat(to.valueText.toStdString())};
}

void Session::CheckLineAlerts(double current)
{
    const int today = Support::TodayDayNumber();
    std::optional<double> previous = m_previousQuoteValue;
    if (!previous) {
        const History::Anchor anchor = History::QuoteAnchor(m_history, m_unstored, m_series.Items(), today);
        if (anchor.Valid())
            previous = anchor.value;
    }
    m_previousQuoteValue = current;
    if (!previous)
        return;
    for (int line = 0; line < LineCount; ++line) {
        if (!m_alertOn[line])
            continue;
        const std::optional<Chart::LineEnds> ends = LineEndsOf(line);
        const std::optional<double> lineValue = ends ? Chart::LineValueOnDay(*ends, today) : std::nullopt;
        if (!lineValue)
            continue;
        const Chart::Crossing crossing = m_alerts[line].Check(*previous, current, *lineValue);
        if (crossing == Chart::Crossing::None)
            continue;
        const std::string text =
            Chart::AlertText(crossing, line, current, *lineValue, Support::Language::Dutch);
        qInfo("%s", text.c_str());
        Support::WriteTrace("MainForm.DownloadQuote - " + text);
        if (m_alertNotifier)
            m_alertNotifier->Notify(text);
    }
}

int Session::NewestRealDay() const
{
    History::UnstoredDays held;
    held.heldBack = m_unstored.heldBack;
    return std::max(History::LastValuedDay(m_history, held, {}), m_newestClose);
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
    values.dayCount = m_dayCount;
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
    const History::EntryList history = History::Joined(
        m_history, History::UnstoredEntries(m_history, m_lastStoredEntry, m_series.Items(), m_unstored,
                                            Support::TodayDayNumber(), Support::Regional().decimalSeparator));
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
