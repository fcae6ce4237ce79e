#include "app/Components.h"

#include "chart/ChartDrawing.h"

#include <QFocusEvent>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPainter>
#include <QToolTip>

QString ToolTipText(QString hint)
{
    return hint.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

TImage::TImage(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void TImage::SizeBitmapToImage()
{
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (m_bitmap.size() == pixels && qFuzzyCompare(m_bitmap.devicePixelRatio(), ratio))
        return;
    m_bitmap = QImage(pixels.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    m_bitmap.setDevicePixelRatio(ratio);
    m_bitmap.fill(Qt::white);
}

void TImage::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_bitmap.isNull() && m_drawing)
        m_drawing(painter);
    else if (m_bitmap.isNull())
        painter.fillRect(rect(), palette().window());
    else
        painter.drawImage(QPoint(0, 0), m_bitmap);
}

TShape::TShape(Kind kind, QWidget* parent) : QWidget(parent), m_kind(kind)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

void TShape::SetPenColor(const QColor& color)
{
    m_pen = color;
    update();
}

void TShape::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_kind == Kind::Circle) {
        // Drawn pixel for pixel in the pen colour: a smoothed outline looks pale and blurred
        // next to the chart's 1-pixel lines.
        const qreal ratio = devicePixelRatioF();
        if (m_circle.isNull() || m_circle.deviceIndependentSize() != QSizeF(size()) ||
            !qFuzzyCompare(m_circle.devicePixelRatio(), ratio) || m_circleColour != m_pen) {
            m_circle = Chart::HandleCircle(m_pen, size(), ratio);
            m_circleColour = m_pen;
        }
        painter.drawImage(QPoint(0, 0), m_circle);
    } else {
        painter.fillRect(rect(), m_pen); // a 1-pixel rectangle is its pen
    }
}

TSpinEdit::TSpinEdit(QWidget* parent) : QSpinBox(parent) {}

void TSpinEdit::stepBy(int steps)
{
    QSpinBox::stepBy(steps);
    DeselectText();
}

void TSpinEdit::focusInEvent(QFocusEvent* event)
{
    QSpinBox::focusInEvent(event);
    // Entered with the keyboard: at the end of the text, as after a step. A click into the text
    // leaves the cursor where it was clicked.
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
        reason == Qt::ShortcutFocusReason) {
        lineEdit()->deselect();
        lineEdit()->end(false);
    } else {
        DeselectText();
    }
}

void TSpinEdit::DeselectText()
{
    QLineEdit* edit = lineEdit();
    if (!edit->hasSelectedText())
        return;
    edit->deselect();
    edit->end(false);
}

TStatusLabel::TStatusLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {}

bool TStatusLabel::IsCut() const
{
    return width() < sizeHint().width();
}

QString TStatusLabel::ShownToolTip() const
{
    QStringList lines;
    if (IsCut())
        lines << text();
    if (!toolTip().isEmpty())
        lines << toolTip();
    return lines.join(QLatin1Char('\n'));
}

void TStatusLabel::paintEvent(QPaintEvent* event)
{
    if (!IsCut()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const QRect room = contentsRect();
    painter.drawText(room, Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(text(), Qt::ElideRight, room.width()));
}

bool TStatusLabel::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const QString tip = ShownToolTip();
        if (!tip.isEmpty())
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), tip, this);
        else
            QToolTip::hideText();
        return true;
    }
    return QLabel::event(event);
}

TNote::TNote(QWidget* parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("AlertNote"));
    setWordWrap(true);
    setMargin(8);
    setAutoFillBackground(true);
    setFrameShape(QFrame::Box);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(255, 255, 225)); // a tooltip's yellow
    colours.setColor(QPalette::WindowText, Qt::black);
    setPalette(colours);
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    setCursor(Qt::PointingHandCursor);
    hide();
}

void TNote::mousePressEvent(QMouseEvent*)
{
    hide();
}
