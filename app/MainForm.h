#pragma once
// The main window: status line, day count, About button, the list of day entries on the
// right and the chart with its trend lines. It holds its components and handlers; what the
// program knows and does lives in the session, which the handlers forward to.

#include "app/Components.h"

#include <QWidget>
#include <functional>

namespace Quotes {
struct StatusLine;
}

class QFrame;
class QLabel;
class QListView;
class QSpinBox;
class QTimer;
class QToolButton;
class Session;
class TrendLines;

// The windows and actions the main window reaches from its handlers.
struct MainFormLinks
{
    std::function<void()> showAbout;      // AboutButtonClick: the About box, modally
    std::function<void()> checkForUpdate; // UpdateTimerTimer: the version check
    // A failed back-fill's text, centred over the given rectangle (top, left, height, width),
    // for the given milliseconds.
    std::function<void(int, int, int, int, const std::string&, int)> showMessage;
};

class TMainForm : public QWidget
{
    Q_OBJECT
public:
    TMainForm(Session& session, MainFormLinks links, QWidget* parent = nullptr);
    ~TMainForm() override;

    static constexpr int DayStep = 7;
    static constexpr int LoadMessageMs = 5000;

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
    TrendLines* Lines = nullptr; // the handles Shape3 ... Shape8 and the lines between them
    TNote* AlertNote = nullptr;  // a trend-line alert, where the desktop shows no notification
    QTimer* DownloadTimer = nullptr;
    QTimer* UpdateTimer = nullptr;

    // ---- Handlers ----
    void FormCreate();
    void FormResize();
    void FormPaint();
    void FormClose();
    // Closes the window for a signal or the session's end: nobody is there to answer a question.
    void CloseUnattended();
    void SpinEditChange();
    void AboutButtonClick();
    void UpdateTimerTimer();
    void DownloadTimerTimer();
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

    // ---- What the session reports ----
    void SeriesChanged();
    void RowSelected(int row, bool centred);
    void ShowStatusLine(const Quotes::StatusLine& line);
    // Which sources gave the quote and the closing prices, as the status line's tooltip.
    void ShowSources();
    void ShowLoadMessage(int code);
    // A trend-line alert as a note over the chart, until it is clicked.
    void ShowAlertNote(const QString& text);

    // ---- Drawing ----
    // Redraws the chart with the handles placed from their stored day and value.
    void RedrawChartFully();
    void DrawGraph();
    void RequestChartPaint();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateComponents();
    void SetUpChart();
    void LayoutPanels();
    void LayOutChart();
    void PlaceAlertNote();

    Session& m_session;
    MainFormLinks m_links;
};
