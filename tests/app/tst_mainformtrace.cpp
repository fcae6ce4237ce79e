// The developer's trace around the main window: its creation switches the trace off, and its
// operations are bracketed with begin and end lines.

#include "support/Clock.h"
#include "support/Regional.h"
#include "support/Trace.h"
#include "testsupport/MainFormRig.h"
#include "testsupport/TestSupport.h"

#include <QFileInfo>
#include <QtTest>

using namespace Support;

namespace {

QString LogPath()
{
    return QString::fromLocal8Bit(TraceFolder()) + QStringLiteral("Koerszicht.log");
}
} // namespace

class TestMainFormTrace : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        TestSupport::ResetUserFolders();
        TestSupport::PointSourcesNowhere();
        TraceOn = false;
        TraceDepth = 0;
        SetRegional(RegionalSettings::Dutch());
        Clock::Set(QDateTime(QDate(2026, 3, 5), QTime(14, 7, 9)));
    }

    void cleanup()
    {
        TraceOn = false;
        TraceDepth = 0;
        SetTraceFolder({});
        Clock::Reset();
    }

    void mainWindowCreationSwitchesTheTraceOff()
    {
        TraceOn = true;
        const TestSupport::MainWindow window;
        QVERIFY(!TraceOn);
        // The log goes into the data folder, and nothing was written there or beside the program.
        QCOMPARE(LogPath(), TestSupport::DataFolder() + QStringLiteral("Koerszicht.log"));
        QVERIFY(!QFileInfo::exists(LogPath()));
        QVERIFY(!QFileInfo::exists(QStringLiteral("Koerszicht.log")));
        QCOMPARE(int(TraceDepth), 0);
    }

    // Each traced operation of the main window writes its begin line, its nested lines one
    // blank deeper, and its end line; the answer to a fetch it started comes after that.
    void mainWindowOperationsAreBracketed_data()
    {
        QTest::addColumn<QByteArray>("operation");
        QTest::addColumn<QByteArrayList>("inside");
        QTest::addColumn<QByteArrayList>("after");
        QTest::newRow("resizing") << QByteArray("MainForm.FormResize") << QByteArrayList()
                                  << QByteArrayList();
        // With the list's site silent: the source and what it gave.
        QTest::newRow("history loading")
            << QByteArray("MainForm.ReadAEX") << QByteArrayList()
            << QByteArrayList{"MainForm.ReadAEX - slotkoersen van list: Fout 1; Geen internetverbinding"};
        QTest::newRow("painting draws the chart one level deeper")
            << QByteArray("MainForm.FormPaint")
            << QByteArrayList{" MainForm.DrawGraph - begin", " MainForm.DrawGraph - einde"}
            << QByteArrayList();
    }

    void mainWindowOperationsAreBracketed()
    {
        QFETCH(QByteArray, operation);
        QFETCH(QByteArrayList, inside);
        QFETCH(QByteArrayList, after);
        const QHash<QByteArray, std::function<void(TestSupport::MainFormRig&)>> operations = {
            {"MainForm.FormResize", [](TestSupport::MainFormRig& rig) { rig.form.FormResize(); }},
            {"MainForm.ReadAEX", [](TestSupport::MainFormRig& rig) { rig.session.ReadAEX(); }},
            {"MainForm.FormPaint", [](TestSupport::MainFormRig& rig) { rig.form.FormPaint(); }},
        };
        TestSupport::MainWindow window;
        TraceOn = true;
        operations.value(operation)(window.rig);
        window.fetcher.Settle();

        QByteArray expected;
        for (const QByteArray& message :
             QByteArrayList{operation + " - begin"} + inside + QByteArrayList{operation + " - einde"} + after)
            expected += "5-3-2026 14:07:09 - " + message + "\r\n";
        QCOMPARE(TestSupport::ReadFile(LogPath()), expected);
        QCOMPARE(int(TraceDepth), 0);
    }
};

QTEST_MAIN(TestMainFormTrace)
#include "tst_mainformtrace.moc"
