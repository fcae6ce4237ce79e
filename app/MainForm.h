#pragma once
// The main window: status line, day count, About button, the list of day entries on the
// right and the chart with its trend lines. It holds its components and handlers; what the
// program knows and does lives in the session, which the handlers forward to.

#include "app/ChartView.h"
#include "app/Components.h"

#include <QWidget>
#include <functional>

namespace Quotes {
struct StatusLine;
}

class QLabel;
class QListView;
class QMenu;
class QSpinBox;
class QTimer;
class QToolButton;
class Session;

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
    ChartView* Panel1 = nullptr; // the chart with Image1, GrafiekPanel, Image, Shape1 ... Shape8
    TNote* AlertNote = nullptr;  // a trend-line alert, where the desktop shows no notification
    QTimer* DownloadTimer = nullptr;
    QTimer* UpdateTimer = nullptr;

    // ---- Handlers ----
    void FormCreate();
    void FormResize();
    void FormPaint() { Panel1->FormPaint(); }
    void FormClose();
    // Closes the window for a signal or the session's end: nobody is there to answer a question.
    void CloseUnattended();
    void SpinEditChange();
    void AboutButtonClick();
    void UpdateTimerTimer();
    void DownloadTimerTimer();
    // The hover read-out of the list: `position` is in its viewport. It ends the plot's.
    void ListBoxMouseMove(QPoint position, QPoint screenPosition);
    // The handle's menu at a screen position: one checked item, "Waarschuw bij doorbreken",
    // that switches the alert of the handle's line.
    void ShowHandleMenu(int handle, QPoint screenPosition);
    // The menu last shown (for tests and screenshots); null before the first.
    QMenu* HandleMenu() const { return m_handleMenu; }
    // Stores the day and value of every dragged handle and of every handle without a stored
    // position; the others keep theirs.
    void SaveHandles();

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
    void DrawGraph() { Panel1->DrawGraph(); }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateComponents();
    void SetUpChart();
    void LayoutPanels();
    void ShowBusy(bool busy);
    void PlaceAlertNote();

    Session& m_session;
    MainFormLinks m_links;
    QMenu* m_handleMenu = nullptr;
};
