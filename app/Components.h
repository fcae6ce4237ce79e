#pragma once
// Small widgets that the main window is built from: an image that shows a bitmap (its mouse
// moves tracked), a circle or rectangle shape with a pen colour, a spin box that never selects its text and a
// label that ends its text with an ellipsis where it is cut.

#include <QImage>
#include <QLabel>
#include <QSpinBox>
#include <QWidget>
#include <functional>

// How long the main window's tooltips stay: the handles', the list's, the chart's, the button's.
inline constexpr int ToolTipMs = 10000;
// Tooltips break lines at LF; the hint texts keep the program's CR LF.
QString ToolTipText(QString hint);

// Shows its bitmap at its top-left corner; the bitmap is kept in device pixels so that it
// stays sharp on a hi-DPI screen.
class TImage : public QWidget
{
    Q_OBJECT
public:
    explicit TImage(QWidget* parent = nullptr);

    QImage& Bitmap() { return m_bitmap; }
    const QImage& Bitmap() const { return m_bitmap; }
    // Sizes the bitmap (in logical pixels) to the widget; keeps the drawing when unchanged.
    void SizeBitmapToImage();
    // While there is no bitmap, a paint draws the picture with this straight onto the screen.
    void SetDrawing(std::function<void(QPainter&)> drawing) { m_drawing = std::move(drawing); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_bitmap;
    std::function<void(QPainter&)> m_drawing;
};

class TShape : public QWidget
{
    Q_OBJECT
public:
    enum class Kind
    {
        Circle,
        Rectangle
    };
    explicit TShape(Kind kind, QWidget* parent = nullptr);

    void SetPenColor(const QColor& color);
    QColor PenColor() const { return m_pen; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Kind m_kind;
    QColor m_pen = Qt::black;
    QImage m_circle; // the outline as last drawn, for its size, pixel ratio and colour
    QColor m_circleColour;
};

// The day count's spin box. Its text is never selected for the user: neither by a step (a click
// on an arrow, an arrow key, the wheel) nor on entering it with the keyboard. The cursor goes
// to the end instead, so the next key press adds to the count rather than replacing it.
class TSpinEdit : public QSpinBox
{
    Q_OBJECT
public:
    explicit TSpinEdit(QWidget* parent = nullptr);
    void stepBy(int steps) override;

protected:
    void focusInEvent(QFocusEvent* event) override;

private:
    void DeselectText();
};

// A status label. Given less width than its text needs, it shows as much of the text as fits
// followed by an ellipsis, and offers the whole text as its tooltip; text() stays whole.
class TStatusLabel : public QLabel
{
    Q_OBJECT
public:
    explicit TStatusLabel(const QString& text, QWidget* parent = nullptr);
    bool IsCut() const;
    // What the tooltip shows: the whole text when it is cut, then the label's own tooltip (the
    // sources of the quote); empty when neither.
    QString ShownToolTip() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
};

// A note in the window (a trend-line alert where the desktop shows none): it stays until it is
// clicked.
class TNote : public QLabel
{
    Q_OBJECT
public:
    explicit TNote(QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
};
