#include "messform/MessageForm.h"

#include <QAbstractTextDocumentLayout>
#include <QFrame>
#include <QGuiApplication>
#include <QScreen>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace {

constexpr int DesignedMemoWidth = 309;
constexpr int DesignedMemoHeight = 55;
constexpr int DesignedTimerMs = 1000;
constexpr int FontPixels = 15;
constexpr int PixelsPerInch = 96;
constexpr int PointsPerInch = 72;

QFont MessageFont()
{
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(FontPixels);
    return font;
}

} // namespace

TMessageForm::TMessageForm(QWidget* parent)
    : QWidget(parent,
              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus)
{
    setObjectName(QStringLiteral("MessageForm"));
    setWindowTitle(QStringLiteral("MessageForm"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setFont(MessageFont());
    QPalette colours = palette();
    colours.setColor(QPalette::Window, colours.color(QPalette::Button));
    colours.setColor(QPalette::Base, colours.color(QPalette::Button));
    colours.setColor(QPalette::Text, colours.color(QPalette::WindowText));
    setPalette(colours);
    setAutoFillBackground(true);
    resize(DesignedWidth, DesignedHeight);

    MessagePanel = new QFrame(this);
    MessagePanel->setObjectName(QStringLiteral("MessagePanel"));
    MessagePanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    MessagePanel->setLineWidth(2);
    MessagePanel->setGeometry(0, 0, DesignedWidth, DesignedHeight);

    // Enabled as designed: its first tick, a second after start, hides the still hidden window.
    Timer = new QTimer(this);
    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setTimerType(Qt::PreciseTimer); // a coarse timer may end a message up to 5% early
    Timer->setInterval(DesignedTimerMs);
    connect(Timer, &QTimer::timeout, this, [this] { TimerTimer(); });
    Timer->start();

    MessageMemo = new QTextEdit(this);
    MessageMemo->setObjectName(QStringLiteral("MessageMemo"));
    MessageMemo->setFrameStyle(QFrame::NoFrame);
    MessageMemo->setReadOnly(true);
    MessageMemo->setAcceptRichText(false);
    MessageMemo->setFocusPolicy(Qt::NoFocus);
    MessageMemo->setTextInteractionFlags(Qt::NoTextInteraction);
    MessageMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    MessageMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A fixed wrap width lets the lines be counted before the window is shown.
    MessageMemo->setLineWrapMode(QTextEdit::FixedPixelWidth);
    MessageMemo->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    MessageMemo->setGeometry(MemoLeft, MemoTop, DesignedMemoWidth, DesignedMemoHeight);
    SetMemoWidth(DesignedMemoWidth);
    MessageMemo->raise();
}

int TMessageForm::FontPoints() const
{
    const QFont font = MessageMemo->font();
    if (font.pointSize() > 0)
        return font.pointSize();
    return font.pixelSize() * PointsPerInch / PixelsPerInch;
}

void TMessageForm::SetMemoWidth(int width)
{
    MessageMemo->resize(width, MessageMemo->height());
    MessageMemo->setLineWrapColumnOrWidth(width);
    MessageMemo->document()->setTextWidth(width);
}

int TMessageForm::MemoLineCount() const
{
    if (m_lines == 0)
        return 0; // an empty memo holds no line, though its document has one empty block
    QTextDocument* document = MessageMemo->document();
    document->documentLayout()->documentSize(); // lays the document out at its text width
    int count = 0;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        if (const QTextLayout* layout = block.layout())
            count += std::max(1, layout->lineCount());
    return count;
}

int TMessageForm::MemoTextHeight() const
{
    if (m_lines == 0)
        return 0;
    return static_cast<int>(std::ceil(MessageMemo->document()->documentLayout()->documentSize().height()));
}

void TMessageForm::ShowMessageText(int top, int left, int height, int width, const std::string& line1,
                                   const std::string& line2, std::uint16_t duration)
{
    QStringList lines;
    for (const std::string* line : {&line1, &line2})
        if (!line->empty())
            lines << QString::fromLatin1(*line);
    m_lines = static_cast<int>(lines.size());
    MessageMemo->setPlainText(lines.join(QLatin1Char('\n')));

    // The lines are counted at the width the memo is shown with, so the height fits the text.
    MessageMemo->move(MemoLeft, MemoTop);
    SetMemoWidth(MessagePanel->width() - MemoMargin);

    const int points = FontPoints();
    // (n + 2) x s pixels; with several lines that can be less than the lines themselves need,
    // and a message whose end cannot be seen or scrolled to is no message.
    const int wanted = std::max((MemoLineCount() + 2) * points, MemoTextHeight());
    const QRect area(left, top, width, height);
    QScreen* screen = QGuiApplication::screenAt(area.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const int screenHeight = screen ? screen->geometry().height() : wanted + ScreenReserve;
    const int memoHeight = std::min(wanted, screenHeight - ScreenReserve);
    MessageMemo->resize(MessageMemo->width(), memoHeight);

    const int windowHeight = memoHeight + FrameExtra;
    const int windowWidth = this->width();
    // The timer restarts only when its interval changes, as a second message with the same
    // duration keeps the first one's end.
    if (Timer->interval() != duration)
        Timer->setInterval(duration);
    // Integer division in C++ rounds toward zero.
    setGeometry(left + (width - windowWidth) / 2, top + (height - windowHeight) / 2, windowWidth,
                windowHeight);

    hide();
    show();
    raise();
}

void TMessageForm::FormShow()
{
    if (!Timer->isActive())
        Timer->start();
}

void TMessageForm::TimerTimer()
{
    Timer->stop();
    hide();
}

void TMessageForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    FormShow();
}

void TMessageForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    MessagePanel->setGeometry(rect());
}
