// The main window's history operations: loading AEX.dat into the shown series, writing it
// back at closing, and following a change of the day count.
#include "app/MainForm.h"

#include "app/WindowSettings.h"
#include "history/SeriesBuilder.h"
#include "history/SeriesResize.h"
#include "support/Clock.h"
#include "support/Folders.h"
#include "support/Regional.h"
#include "support/Trace.h"

#include <QListView>
#include <QSpinBox>
#include <QTimer>
#include <QtDebug>

std::string TMainForm::HistoryFilePath() const
{
    return Support::DataFolder + "AEX.dat";
}

void TMainForm::ReadAEX()
{
    Support::TraceScope trace("MainForm.ReadAEX");
    const int today = Support::TodayDayNumber();

    History::LoadedHistory loaded = History::LoadHistoryFile(HistoryFilePath(), today + History::FutureDays);
    HistoryFileStatus = loaded.status;
    History::HoldBackUnreal(loaded.history, loaded.heldBack, today);
    HistoryList = std::move(loaded.history);
    Unstored = {};
    Unstored.heldBack = std::move(loaded.heldBack);

    // The back-fill runs before the series is built, so that a first start's day count can take
    // into account the days it brings.
    LastStoredEntry = HistoryList.empty() ? std::string() : HistoryList.back();
    Series->SetItems({});
    ShowLoadMessage(BackfillClosingPrices());
    const History::EntryList listed = Series->Items();
    if (ReachBackPending) {
        ReachBackPending = false;
        // Created is still false: SpinEditChange does nothing.
        SpinEdit->setValue(FirstStartDayCount(SpinEdit->value(),
                                              History::LastValuedDay(HistoryList, Unstored, listed), today));
    }

    History::SeriesBuild build = History::BuildSeries(
        HistoryList, SpinEdit->value(), today, Support::Regional().decimalSeparator,
        [&](History::EntryList& items, const std::string&) {
            items.insert(items.end(), listed.begin(), listed.end());
        },
        Unstored.heldBack);
    LastStoredEntry = build.lastStoredEntry;
    Unstored.obtained = std::move(build.obtained);
    Unstored.filled = std::move(build.filled);
    Unstored.departed = std::move(build.departed);
    Series->SetItems(std::move(build.items));
    SelectTodayEntry();
    DownloadTimer->start();
}

HistorySave TMainForm::WriteAEX()
{
    if (HistoryFileStatus == History::LoadStatus::Unreadable) {
        // Writing would replace a history that could not be read with this run's days only.
        qWarning("The history file %s could not be read at start-up and is left as it is",
                 HistoryFilePath().c_str());
        return HistorySave::LeftUnreadable;
    }
    History::EntryList history = HistoryList;
    History::EntryList unstored =
        History::UnstoredEntries(HistoryList, LastStoredEntry, Series->Items(), Unstored,
                                 Support::TodayDayNumber(), Support::Regional().decimalSeparator);
    history.insert(history.end(), std::make_move_iterator(unstored.begin()),
                   std::make_move_iterator(unstored.end()));
    // With no file and nothing to write, no empty file: a later start still copies the starter history.
    if (history.empty() && HistoryFileStatus == History::LoadStatus::Missing)
        return HistorySave::NotNeeded;
    // Where reading passed over part of the file, it goes to the backup; where it lost markedly
    // many values, also to a backup of its own that no later start replaces (once per run).
    History::Backup backup = History::Backup::None;
    if (HistoryFileStatus == History::LoadStatus::ReadSkipped)
        backup = History::Backup::Replaceable;
    if (HistoryFileStatus == History::LoadStatus::ReadLost)
        backup = m_keptBackup.empty() ? History::Backup::Kept : History::Backup::None;
    const History::WriteStatus status =
        History::WriteHistoryFile(HistoryFilePath(), history, backup, Support::Clock::Now(), &m_keptBackup);
    if (backup == History::Backup::Kept && !m_keptBackup.empty())
        Support::WriteTrace(
            "MainForm.WriteAEX - te weinig koersen gelezen; het vorige bestand is bewaard als " +
            m_keptBackup);
    return status == History::WriteStatus::Written ? HistorySave::Written : HistorySave::Failed;
}

void TMainForm::ResizeSeries()
{
    SaveHandles();
    History::EntryList items = Series->Items();
    History::ResizeSeriesItems(items, SpinEdit->value(), HistoryList,
                               History::NewestStoredDay(HistoryList, LastStoredEntry), Unstored.departed);
    Series->SetItems(std::move(items));
    SelectTodayEntry();
    RollPending = true;
    RedrawChartFully();
    DownloadTimer->setInterval(1000);
}

void TMainForm::SelectTodayEntry()
{
    const int row = History::TodayRow(Series->Items(), Support::TodayDayNumber());
    if (row < 0)
        return;
    const QModelIndex index = Series->index(row);
    ListBox->setCurrentIndex(index);
    ListBox->scrollTo(index, QAbstractItemView::PositionAtCenter);
    // While the window is being created the list has no size yet: centre again once it is laid out.
    QTimer::singleShot(0, ListBox, [list = ListBox] {
        list->scrollTo(list->currentIndex(), QAbstractItemView::PositionAtCenter);
    });
}

void TMainForm::RedrawChartFully()
{
    GreenLineFresh = true;
    RedLineFresh = true;
    BlueLineFresh = true;
    ReloadHandles = true;
    DrawGraph();
}
