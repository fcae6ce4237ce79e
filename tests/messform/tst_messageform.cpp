// The message window: its size follows the wrapped text, it is centred over the given
// rectangle, and it hides itself after the given time.
#include "messform/MessageForm.h"

#include <QElapsedTimer>
#include <QFrame>
#include <QScreen>
#include <QTest>
#include <QTextEdit>
#include <QTextLayout>
#include <QTimer>

namespace {

constexpr int Points = 11; // Verdana 15 pixels at 96 pixels per inch
const char* const OneLine = "Fout 1; Geen internetverbinding";

std::string Words(int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += i == 0 ? "koers" : " koers";
    return text;
}

// Lines of `text` when wrapped at `width` in the memo's font, laid out independently of the memo.
int WrappedLines(const QTextEdit& memo, const QString& text, int width)
{
    if (text.isEmpty())
        return 0;
    int count = 0;
    const qreal margin = memo.document()->documentMargin();
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QTextLayout layout(paragraph, memo.font());
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine())
            line.setLineWidth(width - 2 * margin);
        layout.endLayout();
        count += std::max(1, layout.lineCount());
    }
    return count;
}

// The headless platform cannot raise windows and says so on every message; nothing else is dropped.
QtMessageHandler PreviousHandler = nullptr;
void DropRaiseWarning(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message != QLatin1String("This plugin does not support raise()"))
        PreviousHandler(type, context, message);
}

} // namespace

class TestMessageForm : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { PreviousHandler = qInstallMessageHandler(DropRaiseWarning); }

    void designedForm()
    {
        TMessageForm form;
        QCOMPARE(form.objectName(), QStringLiteral("MessageForm"));
        QVERIFY(form.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(!form.isVisible());
        QCOMPARE(form.size(), QSize(547, 92));
        QCOMPARE(form.FontPoints(), Points);
        QCOMPARE(form.MessageMemo->geometry(), QRect(20, 18, 309, 55));
        QVERIFY(form.MessageMemo->isReadOnly());
        QVERIFY(form.Timer->isActive());
        QCOMPARE(form.Timer->interval(), 1000);
        // The memo lies in front of the panel.
        QCOMPARE(form.childAt(30, 30), form.MessageMemo->viewport());
        // The timer stops after its first tick, showing nothing.
        QTRY_VERIFY_WITH_TIMEOUT(!form.Timer->isActive(), 3000);
        QVERIFY(!form.isVisible());
    }

    void geometry_data()
    {
        QTest::addColumn<QByteArray>("line1");
        QTest::addColumn<QByteArray>("line2");
        QTest::addColumn<QRect>("area");
        QTest::addColumn<int>("memoHeight");
        QTest::addColumn<QPoint>("position");
        QTest::addColumn<QString>("text");

        const QRect mainWindow(200, 100, 825, 563);
        const QString one = QString::fromLatin1(OneLine);
        QTest::newRow("one line over the main window")
            << QByteArray(OneLine) << QByteArray() << mainWindow << 3 * Points << QPoint(339, 340) << one;
        QTest::newRow("two lines") << QByteArray(OneLine) << QByteArray("Tweede regel") << mainWindow
                                   << 4 * Points << QPoint(339, 334) << one + "\nTweede regel";
        QTest::newRow("only the second line: the empty first one is left out")
            << QByteArray() << QByteArray(OneLine) << mainWindow << 3 * Points << QPoint(339, 340) << one;
        QTest::newRow("both lines empty")
            << QByteArray() << QByteArray() << mainWindow << 2 * Points << QPoint(339, 345) << QString();
        QTest::newRow("single-byte text")
            << QByteArray("Koers \xe9\xe9n") << QByteArray() << mainWindow << 3 * Points << QPoint(339, 340)
            << QStringLiteral("Koers \u00e9\u00e9n");
        // (100 - 547) / 2 and (0 - 83) / 2 round toward zero: -223 and -41.
        QTest::newRow("area smaller than the window")
            << QByteArray(OneLine) << QByteArray() << QRect(10, 300, 100, 0) << 3 * Points
            << QPoint(10 - 223, 300 - 41) << one;
        QTest::newRow("area at negative coordinates")
            << QByteArray(OneLine) << QByteArray() << QRect(-900, -500, 826, 564) << 3 * Points
            << QPoint(-900 + 139, -500 + 240) << one;
    }
    void geometry()
    {
        QFETCH(QByteArray, line1);
        QFETCH(QByteArray, line2);
        QFETCH(QRect, area);
        QFETCH(int, memoHeight);
        QFETCH(QPoint, position);

        TMessageForm form;
        form.ShowMessageText(area.top(), area.left(), area.height(), area.width(), line1.toStdString(),
                             line2.toStdString(), 5000);
        QVERIFY(form.isVisible());
        QTEST(form.MessageMemo->toPlainText(), "text");
        QCOMPARE(form.MessageMemo->height(), memoHeight);
        QCOMPARE(form.MessageMemo->geometry().topLeft(), QPoint(20, 18));
        QCOMPARE(form.MessageMemo->width(), 547 - 40);
        QCOMPARE(form.size(), QSize(547, memoHeight + 50));
        QCOMPARE(form.pos(), position);
        QCOMPARE(form.MessagePanel->geometry(), form.rect());
        QCOMPARE(form.Timer->interval(), 5000);
        QVERIFY(form.Timer->isActive());
        QVERIFY(!form.isModal());
    }

    void wrappedText_data()
    {
        QTest::addColumn<int>("words");

        QTest::newRow("a little over one line") << 20;
        QTest::newRow("several lines") << 80;
        QTest::newRow("one long word") << -1;
    }
    void wrappedText()
    {
        QFETCH(int, words);
        const std::string text = words > 0 ? Words(words) : std::string(200, 'x');

        TMessageForm form;
        form.ShowMessageText(0, 0, 600, 800, text, {}, 5000);
        const int lines = WrappedLines(*form.MessageMemo, QString::fromLatin1(text), 547 - 40);
        QVERIFY2(lines > 1, "the text must need more than one line");
        QCOMPARE(form.MemoLineCount(), lines);
        QVERIFY(form.MessageMemo->height() >= (lines + 2) * Points);
        // Every line can be seen: the memo is at least as high as the laid-out text.
        QVERIFY(form.MessageMemo->height() >= form.MessageMemo->document()->size().height());
        QCOMPARE(form.height(), form.MessageMemo->height() + 50);
    }

    void firstMessageCountsAtTheShownWidth()
    {
        // Fits on one line of the shown memo (507 wide) but not of the designed one (309 wide).
        const std::string text = Words(7);
        TMessageForm form;
        QVERIFY(WrappedLines(*form.MessageMemo, QString::fromLatin1(text), 309) > 1);
        QCOMPARE(WrappedLines(*form.MessageMemo, QString::fromLatin1(text), 507), 1);
        form.ShowMessageText(0, 0, 600, 800, text, {}, 5000);
        QCOMPARE(form.MemoLineCount(), 1);
        QCOMPARE(form.MessageMemo->height(), 3 * Points);
    }

    void cappedAtTheScreenThenReplaced()
    {
        const int screenHeight = QGuiApplication::primaryScreen()->geometry().height();
        TMessageForm form;
        form.ShowMessageText(0, 0, 600, 800, Words(2000), {}, 5000);
        QVERIFY((form.MemoLineCount() + 2) * Points > screenHeight - 200);
        QCOMPARE(form.MessageMemo->height(), screenHeight - 200);
        QCOMPARE(form.height(), screenHeight - 150);
        // The next message brings its own text and height.
        form.ShowMessageText(0, 0, 600, 800, OneLine, {}, 5000);
        QCOMPARE(form.MessageMemo->toPlainText(), QString::fromLatin1(OneLine));
        QCOMPARE(form.MessageMemo->height(), 3 * Points);
        QCOMPARE(form.height(), 83);
        QVERIFY(form.isVisible());
    }

    void hiddenAfterTheDuration_data()
    {
        QTest::addColumn<int>("duration");
        QTest::addColumn<int>("within");
        QTest::newRow("400 ms") << 400 << 5000;
        QTest::newRow("none: hidden at once") << 0 << 1000;
    }
    // Timer ticks never come early; under load they may come late. The checks rely on the first only.
    void hiddenAfterTheDuration()
    {
        QFETCH(int, duration);
        QFETCH(int, within);
        TMessageForm form;
        QElapsedTimer clock;
        clock.start();
        form.ShowMessageText(0, 0, 600, 800, OneLine, {}, static_cast<std::uint16_t>(duration));
        QVERIFY(form.isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!form.isVisible(), within);
        QVERIFY(clock.elapsed() >= duration);
        QVERIFY(!form.Timer->isActive());
        // The window stays for the next message.
        form.ShowMessageText(0, 0, 600, 800, OneLine, {}, static_cast<std::uint16_t>(duration));
        QVERIFY(form.isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!form.isVisible(), within);
    }

    void secondMessage_data()
    {
        QTest::addColumn<int>("secondDuration");
        QTest::addColumn<bool>("restarts");
        QTest::newRow("same duration: hides when the first one's time runs out") << 2000 << false;
        QTest::newRow("another duration: the countdown starts again") << 2100 << true;
    }
    void secondMessage()
    {
        QFETCH(int, secondDuration);
        QFETCH(bool, restarts);

        TMessageForm form;
        QElapsedTimer clock;
        clock.start();
        form.ShowMessageText(0, 0, 600, 800, "eerste", {}, 2000);
        QTest::qWait(500);
        const qint64 second = clock.elapsed();
        if (second > 1500)
            QSKIP("the machine is too busy to tell the two ends apart");
        form.ShowMessageText(0, 0, 600, 800, "tweede", {}, static_cast<std::uint16_t>(secondDuration));
        QTRY_VERIFY_WITH_TIMEOUT(!form.isVisible(), 10000);
        const qint64 shown = clock.elapsed() - second;
        if (restarts)
            QVERIFY(shown >= secondDuration);
        else
            QVERIFY2(shown < secondDuration, qPrintable(QString::number(shown)));
    }
};

QTEST_MAIN(TestMessageForm)
#include "tst_messageform.moc"
