#pragma once
// The main window: status line, day count, About button, the list of day entries on the
// right and the chart with its trend lines. Its methods carry the names of the program's
// design; the decisions live in the core functions they call.

#include "app/Components.h"
#include "history/HistoryFile.h"
#include "history/SeriesModel.h"
#include "history/UnstoredDays.h"

#include <QDateTime>
#include <QWidget>
#include <string>

class QFrame;
class QLabel;
class QListView;
class QSpinBox;
class QTimer;
class QToolButton;

class TMainForm : public QWidget
{
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    static constexpr int DayStep = 7;

    // ---- Components ----
    QWidget* TopPanel = nullptr;
    QLabel* DagenLabel = nullptr;
    QLabel* AEXLabel = nullptr;
    QLabel* KoersLabel = nullptr;
    QLabel* TimeLabel = nullptr;
    QSpinBox* SpinEdit = nullptr;
    QToolButton* AboutButton = nullptr;
    QWidget* ListPanel = nullptr;
    QListView* ListBox = nullptr;
    QWidget* Panel1 = nullptr;
    TImage* Image1 = nullptr;
    QFrame* GrafiekPanel = nullptr;
    TImage* Image = nullptr;
    TShape* Shape1 = nullptr;
    TShape* Shape2 = nullptr;
    TShape* Shape3 = nullptr;
    TShape* Shape4 = nullptr;
    TShape* Shape5 = nullptr;
    TShape* Shape6 = nullptr;
    TShape* Shape7 = nullptr;
    TShape* Shape8 = nullptr;
    QTimer* DownloadTimer = nullptr;
    QTimer* UpdateTimer = nullptr;

    // ---- Fields of the window ----
    std::string ProductName;
    std::string VersionText;
    std::string CopyrightText;
    bool Created = false;
    bool Painted = false;

    // ---- History ----
    History::EntryList HistoryList;
    History::SeriesModel* Series = nullptr; // the items of ListBox
    std::string LastStoredEntry;
    bool RollPending = false;
    bool FreshHistoryCopy = false;

    // ---- Handlers and operations ----
    void FormCreate();
    void FormResize();
    void FormPaint();
    void FormClose();
    void SpinEditChange();
    void AboutButtonClick();
    void UpdateTimerTimer();

    // History (MainFormHistory.cpp)
    void ReadAEX();
    void WriteAEX();
    void ResizeSeries();

    // ---- History: what closing needs to lose no day (MainFormHistory.cpp) ----
    History::UnstoredDays Unstored;
    History::LoadStatus HistoryFileStatus = History::LoadStatus::Missing;
    std::string HistoryFilePath() const;
    // Selects today's entry in ListBox and scrolls to it.
    void SelectTodayEntry();
    // Redraws the chart completely: saves the handles, then draws it afresh.
    void RedrawChartFully();

    // Chart, handles and hover read-out (MainFormChart.cpp)
    void SetUpChart();
    void DrawGraph();
    void LoadHandles();
    void SaveHandles();

    // Quotes (MainFormQuotes.cpp)
    void DownloadTimerTimer();

    // Closing-price back-fill (MainFormBackfill.cpp)
    int BackfillClosingPrices();
    void ShowLoadMessage(int code);

    // Asks for a full repaint of the chart at the next paint of the window.
    void RequestChartPaint();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateComponents();
    void LayoutPanels();

    int m_historyLoads = 0; // counts ReadAEX runs, to notice a reload from within the back-fill
    bool m_chartPaintRequested = true;
    bool m_closed = false;
};
