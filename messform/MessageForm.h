#pragma once
// A small borderless window that shows a short text centred over a rectangle and hides
// itself after a given time. It is not modal and takes no input.

#include <QWidget>
#include <cstdint>
#include <string>

class QFrame;
class QTextEdit;
class QTimer;

class TMessageForm : public QWidget
{
    Q_OBJECT
public:
    explicit TMessageForm(QWidget* parent = nullptr);

    static constexpr int DesignedWidth = 547;
    static constexpr int DesignedHeight = 92;
    static constexpr int MemoLeft = 20;
    static constexpr int MemoTop = 18;
    static constexpr int MemoMargin = 40; // memo width = panel width - this
    static constexpr int FrameExtra = 50; // window height = memo height + this
    static constexpr int ScreenReserve = 200;

    // ---- Components ----
    QFrame* MessagePanel = nullptr;
    QTimer* Timer = nullptr;
    QTextEdit* MessageMemo = nullptr;

    // Shows line1 and line2 (an empty line is left out) centred over the rectangle, in screen
    // coordinates, for `duration` milliseconds. Texts are single-byte (Latin-1).
    void ShowMessageText(int top, int left, int height, int width, const std::string& line1,
                         const std::string& line2, std::uint16_t duration);

    // The number of lines the memo shows, wrapped at its width.
    int MemoLineCount() const;
    // The memo font's size in points: the height unit of the memo.
    int FontPoints() const;

    void FormShow();
    void TimerTimer();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void SetMemoWidth(int width);
    // The height the memo needs to show all its lines.
    int MemoTextHeight() const;

    int m_lines = 0;
};
