#pragma once
// The main window: status line, day count, About button, the list of day entries on the
// right and the chart with its trend lines. Its methods carry the names of the program's
// design; the decisions live in the core functions they call.

#include "app/ClosingSave.h"
#include "app/Components.h"
#include "chart/ChartScale.h"
#include "history/HistoryFile.h"
#include "history/SeriesModel.h"
#include "history/UnstoredDays.h"

#include <QDateTime>
#include <QWidget>
#include <string>

namespace Quotes {
struct StatusLine;
}

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
    // No day count was stored: the first loading may show more days so that the history's
    // newest values are in view (FirstStartDayCount).
    bool ReachBackPending = false;

    // ---- Handlers and operations ----
    void FormCreate();
    void FormResize();
    void FormPaint();
    // A user's close asks what to do when the history cannot be saved; an unattended one reports it.
    void FormClose(CloseKind kind = CloseKind::User);
    // Closes the window for a signal or the session's end: nobody is there to answer a question.
    void CloseUnattended();
    // Replaces the question put when the history cannot be saved (a message box by default).
    void SetSaveFailureAsker(SaveFailureAsker asker);
    void SpinEditChange();
    void AboutButtonClick();
    void UpdateTimerTimer();

    // History (MainFormHistory.cpp)
    void ReadAEX();
    // May be run again after a failure: the history itself is left as it was loaded.
    HistorySave WriteAEX();
    void ResizeSeries();

    // ---- History: what closing needs to lose no day (MainFormHistory.cpp) ----
    History::UnstoredDays Unstored;
    History::LoadStatus HistoryFileStatus = History::LoadStatus::Missing;
    std::string HistoryFilePath() const;
    // Selects today's entry in ListBox and scrolls to it.
    void SelectTodayEntry();
    // Redraws the chart completely with the handles placed from their stored day and value;
    // callers save the handles first where they may have moved.
    void RedrawChartFully();

    // ---- Chart, trend lines and hover read-out (MainFormChart.cpp) ----
    // ChartLeft ... ChartBottom, FirstDay, DayScale, ChartMin, ChartMax, ValueScale, TickUnit:
    // set by every DrawGraph, read by the handles and the hover read-out.
    Chart::ChartScale Scale;
    QDate ThirdFridayDate;
    bool ReloadHandles = true;
    bool GreenLineFresh = true;
    bool RedLineFresh = true;
    bool BlueLineFresh = true;
    bool Shape3Moved = false;
    bool Shape4Moved = false;
    bool Shape5Moved = false;
    bool Shape6Moved = false;
    bool Shape7Moved = false;
    bool Shape8Moved = false;
    bool Dragging = false;
    bool LineBusy = false;
    int HandleOffset = 4;
    // The end points of each line as last drawn: green, red, blue.
    QPoint LineFrom[3];
    QPoint LineTo[3];
    QString PlotHint; // the tooltip over the plot area
    QString ListHint; // the tooltip over the list

    int DayToX(double day) const { return Scale.DayToX(day); }
    int ValueToY(double value) const { return Scale.ValueToY(value); }
    int XToDay(std::uint16_t x) const { return Scale.XToDay(x); }
    double YToValue(std::uint16_t y) const { return Scale.YToValue(y); }

    void SetUpChart();
    void LayOutChart();
    void ResizeChart(); // the chart part of FormResize: saves, re-lays out, asks for fresh handles
    void DrawGraph();
    void DrawGreenLine();
    void DrawRedLine();
    void DrawBlueLine();
    void LoadHandles();
    void SaveHandles();
    void ShapeMouseDown();
    void ShapeMouseUp();
    void Shape3MouseMove(const QPointF& screenPosition);
    void Shape4MouseMove(const QPointF& screenPosition);
    void Shape5MouseMove(const QPointF& screenPosition);
    void Shape6MouseMove(const QPointF& screenPosition);
    void Shape7MouseMove(const QPointF& screenPosition);
    void Shape8MouseMove(const QPointF& screenPosition);
    // Serves Image and ListBox; `position` is in the sender's client area (for ListBox, its viewport).
    void ImageMouseMove(QWidget* sender, QPoint position, QPoint screenPosition);
    std::string ValueTextAtX(int x) const;
    int SeriesHeightAtX(int x) const;

    // Quotes (MainFormQuotes.cpp)
    void DownloadTimerTimer();

    // ---- Quotes: the latest quote, the download and the status line ----
    std::string QuoteDate;          // "dd-mm-yyyy"
    std::string QuoteTime;          // as cut from the page
    std::string QuoteValue;         // "312,45"
    std::string QuoteChange;        // "(+1,20)"
    std::string QuotePercent;       // "0,39%"
    std::string PreviousQuoteValue; // of the previous successful download; empty at start-up
    QDateTime LastDownloadTime;     // of the last successful download; invalid until then
    void DownloadQuote();
    void ShowStatusLine(const Quotes::StatusLine& line);
    // Whether a trend-line handle was dragged since the handles were last saved.
    bool AnyHandleMoved() const;

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

    bool m_chartPaintRequested = true;
    bool m_closed = false;
    bool m_unattendedClose = false;
    SaveFailureAsker m_askSaveFailure;
    std::string m_keptBackup; // the history's kept backup, once a write has made it

    // Chart (MainFormChart.cpp)
    TShape* HandleShape(int handle) const;
    bool& HandleMoved(int handle);
    void MoveHandle(int handle, const QPointF& screenPosition);
    void DrawTrendLine(int line);
    // Per handle: a position is stored for it, which SaveHandles keeps unless it was dragged.
    bool m_handleStored[6] = {};
};
