// The main window's history: loading AEX.dat from the data folder, the list on the right with
// today's entry selected, a change of the day count, and the file after closing.
#include "HistoryTestSupport.h"
#include "app/MainForm.h"
#include "chart/ChartDrawing.h"
#include "history/HistoryFile.h"
#include "support/Clock.h"
#include "support/Regional.h"
#include "testsupport/TestSupport.h"

#include <QDir>
#include <QListView>
#include <QSettings>
#include <QSpinBox>
#include <QTimer>

using namespace History;

namespace {
const QDate Today(2026, 2, 20);

int TodayNumber()
{
    return Support::DayNumber(Today);
}

QString HistoryPath()
{
    return TestSupport::DataFolder() + "AEX.dat";
}

EntryList ReadLines(const QByteArray& text)
{
    EntryList lines;
    for (const QByteArray& line : text.split('\n'))
        if (!line.isEmpty())
            lines.push_back(line.chopped(1).toStdString());
    return lines;
}

// The list shows N + 1 entries up to 31 days after today, today's entry selected, and the
// quote timer runs at one second.
void VerifyLoaded(TMainForm& form, int dayCount)
{
    QCOMPARE(form.Series->Count(), dayCount + 1);
    QCOMPARE(EntryDay(form.Series->Items().back()), TodayNumber() + 31);
    QCOMPARE(form.ListBox->model(), form.Series);
    QCOMPARE(form.ListBox->currentIndex().row(), form.Series->Count() - 32);
    QCOMPARE(EntryDay(form.Series->At(form.ListBox->currentIndex().row())), TodayNumber());
    QVERIFY(form.ListBox->selectionModel()->isRowSelected(form.Series->Count() - 32, {}));
    QVERIFY(form.DownloadTimer->isActive());
    QCOMPARE(form.DownloadTimer->interval(), 1000);
}
} // namespace

class MainFormHistoryTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        TestSupport::ResetUserFolders();
        TestSupport::PointSourcesNowhere();
        // Not a first start: the day count is the one stored (firstStart covers the other case).
        QSettings(TestSupport::IniPath(), QSettings::IniFormat).setValue("Defaults/Dagen", 200);
        Support::Clock::Set(QDateTime(Today, QTime(12, 0)));
        Support::SetRegional(Support::RegionalSettings::Dutch());
    }

    void cleanup() { Support::Clock::Reset(); }

    void closingKeepsEveryDay()
    {
        const QByteArray starter = TestSupport::ReadFile(TestSupport::SourceDir() + "/data/AEX.dat");
        QVERIFY(TestSupport::WriteFile(HistoryPath(), starter));
        {
            TMainForm form;
            VerifyLoaded(form, 200);
            QVERIFY(!form.FreshHistoryCopy);
            QCOMPARE(form.LastStoredEntry, ReadLines(starter)[ReadLines(starter).size() - 11]);

            form.SpinEdit->setValue(35); // a smaller day count before closing
            QCOMPARE(form.Series->Count(), 35);
            QVERIFY(form.RollPending);
            QCOMPARE(form.DownloadTimer->interval(), 1000);
            QCOMPARE(EntryDay(form.Series->At(form.ListBox->currentIndex().row())), TodayNumber());
            form.SpinEdit->setValue(20000);
            QCOMPARE(form.Series->Count(), TodayNumber() + 31 - 30319 + 1); // every day of the file
            QCOMPARE(form.Series->Items().front(), ReadLines(starter).front());
            form.SpinEdit->setValue(35);
            form.FormClose();
        }
        const QByteArray written = TestSupport::ReadFile(HistoryPath());
        QCOMPARE(written.count('\n'), written.count("\r\n"));
        const EntryList before = ReadLines(starter);
        const EntryList after = ReadLines(written);
        QCOMPARE(int(after.size()), int(before.size()) + 10); // 2026-02-11 ... 2026-02-20
        QCOMPARE(EntryList(after.begin(), after.begin() + before.size()), before);
        for (std::size_t i = 1; i < after.size(); ++i)
            QCOMPARE(EntryDay(after[i]), EntryDay(after[i - 1]) + 1);
        QCOMPARE(after.back(), MakeEntry(TodayNumber(), "0,0")); // offline: no value after 2026-02-10
    }

    // One line dated far ahead (a clock that was set wrong): before, the days up to it filled
    // the history with "0,0", the series lay in the future and no later day was ever stored.
    // Now the line is passed over, the window works as usual, and the file keeps its backup.
    void strayLineFarAhead()
    {
        const EntryList stored = Consecutive(TodayNumber() - 300, TodayNumber() - 3);
        const QByteArray file = FileText(stored) + FileText(L("60000:1234,5"));
        QVERIFY(TestSupport::WriteFile(HistoryPath(), file));
        {
            TMainForm form;
            VerifyLoaded(form, 200);
            QVERIFY(HasValue(form.Series->At(form.Series->Count() - 32)));
            form.FormClose();
        }
        const EntryList after = ReadLines(TestSupport::ReadFile(HistoryPath()));
        QCOMPARE(EntryList(after.begin(), after.begin() + stored.size()), stored);
        QCOMPARE(EntryDay(after.back()), TodayNumber());
        QCOMPARE(TestSupport::ReadFile(HistoryPath() + ".bak"), file);
    }

    // A first start (no day count stored) opens on the history's newest values: the default
    // day count when it shows enough of them, more when the history ends long before today.
    // A stored day count is always kept. The plot says when its newest days have no price.
    void firstStart_data()
    {
        QTest::addColumn<int>("lastDay");
        QTest::addColumn<bool>("stored");
        QTest::addColumn<int>("dayCount");
        QTest::addColumn<QString>("note");
        const int today = TodayNumber();
        QTest::newRow("recent history") << today - 3 << false << 200 << QString();
        QTest::newRow("79 days old: a quarter year still shown")
            << today - 79 << false << 200 << "Geen koersen na 3-12-2025";
        QTest::newRow("80 days old") << today - 80 << false << 298 << "Geen koersen na 2-12-2025";
        QTest::newRow("ten months old") << today - 301 << false << 515 << "Geen koersen na 25-4-2025";
        QTest::newRow("ten months old, count stored") << today - 301 << true << 200 << "Geen koersen na 25-4-2025";
    }

    void firstStart()
    {
        QFETCH(int, lastDay);
        QFETCH(bool, stored);
        QFETCH(int, dayCount);
        QFETCH(QString, note);
        if (!stored)
            QSettings(TestSupport::IniPath(), QSettings::IniFormat).remove("Defaults/Dagen");
        QVERIFY(TestSupport::WriteFile(HistoryPath(), FileText(Consecutive(lastDay - 400, lastDay))));
        TMainForm form;
        form.resize(720, 540);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTRY_VERIFY(form.Painted);
        QCOMPARE(form.SpinEdit->value(), dayCount);
        VerifyLoaded(form, dayCount);
        QVERIFY(form.Scale.HasValues == (dayCount > 200 || lastDay > TodayNumber() - 169));
        const int lastValued =
            History::LastValuedDay(form.HistoryList, form.Unstored, form.Series->Items());
        QCOMPARE(lastValued, lastDay);
        QCOMPARE(Chart::PlotNote(lastValued, TodayNumber()), note);
        form.FormClose();
        QCOMPARE(QSettings(TestSupport::IniPath(), QSettings::IniFormat).value("Defaults/Dagen").toInt(),
                 dayCount);
    }

    void badFiles_data()
    {
        QTest::addColumn<QByteArray>("file"); // "-" for none
        QTest::addColumn<bool>("folder");
        QTest::newRow("missing") << QByteArray("-") << false;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("a folder in its place") << QByteArray() << true;
        QTest::newRow("no day entries") << QByteArray("\x01\x02\r\nhello\r\n") << false;
        QTest::newRow("five lines") << FileText(Consecutive(46000, 46004)) << false;
        QTest::newRow("ten lines") << FileText(Consecutive(46000, 46009)) << false;
        QTest::newRow("no value of 0.1 or more") << FileText(L("46000:0,0 46001:0,05 46002:0")) << false;
        QTest::newRow("ends long before today") << FileText(Consecutive(45000, 45700)) << false;
    }

    void badFiles()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, folder);
        if (folder)
            QVERIFY(QDir().mkpath(HistoryPath() + "/inside"));
        else if (file != "-")
            QVERIFY(TestSupport::WriteFile(HistoryPath(), file));
        {
            TMainForm form;
            VerifyLoaded(form, 200);
            form.SpinEdit->setValue(35);
            form.SpinEdit->setValue(700);
            QVERIFY(form.Series->Count() <= 700);
            form.FormClose();
        }
        if (folder) {
            QVERIFY(QFileInfo(HistoryPath() + "/inside").isDir());
            return;
        }
        if (file == "-") {
            QVERIFY(!QFileInfo::exists(HistoryPath())); // nothing to keep: a later start copies the starter
            return;
        }
        const EntryList after = ReadLines(TestSupport::ReadFile(HistoryPath()));
        const EntryList before = ReadHistoryText(file.toStdString()).entries;
        // Every day the file held with a value keeps it; no day after today is added.
        for (const std::string& entry : before)
            if (HasValue(entry))
                QVERIFY2(std::find(after.begin(), after.end(), entry) != after.end(), entry.c_str());
        if (ReadHistoryText(file.toStdString()).skippedLines > 0)
            QCOMPARE(TestSupport::ReadFile(HistoryPath() + ".bak"), file);
        for (const std::string& entry : after)
            QVERIFY(EntryDay(entry) <= std::max(TodayNumber(), before.empty() ? 0 : EntryDay(before.back())));
    }
};

QTEST_MAIN(MainFormHistoryTest)
#include "tst_mainformhistory.moc"
