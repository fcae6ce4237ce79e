// The main window's history: loading AEX.dat from the data folder, the list on the right with
// today's entry selected, a change of the day count, and the file after closing.
#include "HistoryTestSupport.h"
#include "session/ClosingSave.h"
#include "app/MainForm.h"
#include "app/SaveFailureBox.h"
#include "chart/ChartDrawing.h"
#include "history/HistoryFile.h"
#include "support/Clock.h"
#include "support/Regional.h"
#include "testsupport/LoopbackServer.h"
#include "testsupport/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTimer>
#include <sys/stat.h>
#include <unistd.h>

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
void VerifyLoaded(TMainForm& form, int dayCount, int count = -1)
{
    QCOMPARE(form.Series->Count(), count < 0 ? dayCount + 1 : count);
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
    // Offline, the file's newest days show their stored values in the list, not the value of the
    // day before them carried forward.
    void offlineShowsTheStoredNewestDays()
    {
        const EntryList file =
            L("46060:996,58 46061:997,80 46062:999,03 46063:1004,14 46064:1001,20 46065:998,75 "
              "46066:1002,40 46067:999,00 46068:1003,10 46069:1001,00 46070:1004,00 46071:1000,50");
        QVERIFY(TestSupport::WriteFile(HistoryPath(), FileText(file)));
        TMainForm form;
        const EntryList& items = form.Series->Items();
        for (std::size_t i = 2; i < file.size(); ++i)
            QVERIFY2(std::find(items.begin(), items.end(), file[i]) != items.end(), file[i].c_str());
        // After the newest stored day (21 February 2026 is 46073, today 46073): the last value carried
        // forward.
        QVERIFY(std::find(items.begin(), items.end(), "46072 - 1000,50") != items.end());
        form.FormClose();
        const EntryList written = ReadLines(TestSupport::ReadFile(HistoryPath()));
        QCOMPARE(EntryList(written.begin(), written.begin() + static_cast<std::ptrdiff_t>(file.size())),
                 file);
    }

    void firstStart_data()
    {
        QTest::addColumn<int>("lastDay");
        QTest::addColumn<bool>("stored");
        QTest::addColumn<bool>("listed"); // the closing-prices list holds the weekdays since, up to yesterday
        QTest::addColumn<int>("dayCount");
        QTest::addColumn<QString>("note");
        const int today = TodayNumber();
        QTest::newRow("recent history") << today - 3 << false << false << 200 << QString();
        QTest::newRow("79 days old: a quarter year still shown")
            << today - 79 << false << false << 200 << "Geen koersen na 3-12-2025";
        QTest::newRow("80 days old") << today - 80 << false << false << 298 << "Geen koersen na 2-12-2025";
        QTest::newRow("ten months old")
            << today - 301 << false << false << 515 << "Geen koersen na 25-4-2025";
        QTest::newRow("ten months old, count stored")
            << today - 301 << true << false << 200 << "Geen koersen na 25-4-2025";
        QTest::newRow("ten months old, the list brings it up to yesterday")
            << today - 301 << false << true << 200 << QString();
    }

    void firstStart()
    {
        QFETCH(int, lastDay);
        QFETCH(bool, stored);
        QFETCH(bool, listed);
        QFETCH(int, dayCount);
        QFETCH(QString, note);
        if (!stored)
            QSettings(TestSupport::IniPath(), QSettings::IniFormat).remove("Defaults/Dagen");
        QVERIFY(TestSupport::WriteFile(HistoryPath(), FileText(Consecutive(lastDay - 400, lastDay))));
        TestSupport::LoopbackServer server;
        int newestListed = lastDay;
        if (listed) {
            QByteArray list;
            for (int day = lastDay + 1; day < TodayNumber(); ++day) {
                if (Support::DateOfDay(day).dayOfWeek() > 5)
                    continue;
                list += Support::DateOfDay(day).toString("yyMMdd").toLatin1() + ": 462.50\n";
                newestListed = day;
            }
            server.Serve(TestSupport::LoopbackReply::Page(list));
            QSettings(TestSupport::IniPath(), QSettings::IniFormat)
                .setValue("Sources/ClosingPricesSite", server.Url());
        }
        TMainForm form;
        form.resize(720, 540);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTRY_VERIFY(form.Painted);
        QCOMPARE(form.SpinEdit->value(), dayCount);
        VerifyLoaded(form, dayCount);
        QVERIFY(form.Scale.HasValues == (dayCount > 200 || newestListed > TodayNumber() - 169));
        const int lastValued = History::LastValuedDay(form.HistoryList, form.Unstored, form.Series->Items());
        QCOMPARE(lastValued, newestListed);
        QCOMPARE(Chart::PlotNote(lastValued, TodayNumber()), note);
        form.FormClose();
        QCOMPARE(QSettings(TestSupport::IniPath(), QSettings::IniFormat).value("Defaults/Dagen").toInt(),
                 dayCount);
    }

    // Files the reader once misunderstood or that were edited by hand. Every day of the file
    // with a value keeps it; the written file runs one line a day from its first day to today;
    // a file with lines passed over goes to AEX.dat.bak, and one that gave markedly fewer values
    // than it carries also to a time-stamped backup that later starts leave alone.
    void filesEditedByHand_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("values"); // the file's days 300 ... 3 days before today keep their values
        QTest::addColumn<bool>("backup");
        QTest::addColumn<bool>("kept");
        const QByteArray stored = FileText(Consecutive(TodayNumber() - 398, TodayNumber() - 3));
        QTest::newRow("CR line ends") << QByteArray(stored).replace("\r\n", "\r") << true << false << false;
        QTest::newRow("UTF-8 byte-order mark") << "\xEF\xBB\xBF" + stored << true << false << false;
        QTest::newRow("an older line appended") << stored + "40000 - 500,00\r\n" << true << true << false;
        QTest::newRow("a line for day 100 appended") << stored + "100 - 5,0\r\n" << true << true << false;
        QTest::newRow("binary garbage without a day entry")
            << QByteArray(5000, '\x01') + "\r\n\xff\xfe" << false << true << true;
        QTest::newRow("a word before every day")
            << QByteArray(stored).replace("\r\n", "\r\nday ") << false << true << true;
    }
    void filesEditedByHand()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, values);
        QFETCH(bool, backup);
        QFETCH(bool, kept);
        QVERIFY(TestSupport::WriteFile(HistoryPath(), file));
        {
            TMainForm form;
            VerifyLoaded(form, 200);
            form.FormClose();
        }
        const EntryList after = ReadLines(TestSupport::ReadFile(HistoryPath()));
        for (std::size_t i = 1; i < after.size(); ++i)
            QCOMPARE(EntryDay(after[i]), EntryDay(after[i - 1]) + 1);
        if (values) {
            const EntryList stored = Consecutive(TodayNumber() - 398, TodayNumber() - 3);
            QCOMPARE(EntryList(after.begin(), after.begin() + stored.size()), stored);
            QCOMPARE(int(after.size()), 399); // 398 days before today up to today
            QCOMPARE(EntryDay(after.back()), TodayNumber());
        }
        QCOMPARE(TestSupport::ReadFile(HistoryPath() + ".bak"), backup ? file : QByteArray());
        const QString keptName = HistoryPath() + ".20260220-120000.bak";
        QCOMPARE(QFileInfo::exists(keptName), kept);
        if (kept)
            QCOMPARE(TestSupport::ReadFile(keptName), file);

        // The next start reads the written file in full and keeps no further backup.
        {
            TMainForm form;
            QCOMPARE(form.HistoryFileStatus, LoadStatus::Read);
            form.FormClose();
        }
        QCOMPARE(QDir(TestSupport::DataFolder()).entryList({"AEX.dat.*.bak"}, QDir::Files).size(),
                 kept ? 1 : 0);
    }

    // What an interrupted save left beside AEX.dat is removed at start; nothing else is.
    void leftoversOfAnInterruptedSave()
    {
        const QByteArray stored = FileText(Consecutive(TodayNumber() - 300, TodayNumber() - 3));
        QVERIFY(TestSupport::WriteFile(HistoryPath(), stored));
        QVERIFY(TestSupport::WriteFile(HistoryPath() + ".NAijoH", stored));
        QVERIFY(TestSupport::WriteFile(HistoryPath() + ".backup", stored));
        QVERIFY(TestSupport::WriteFile(HistoryPath() + ".bak", stored));
        QTest::ignoreMessage(QtWarningMsg,
                             "Removed AEX.dat.NAijoH, left over from an interrupted save of the history");
        TMainForm form;
        VerifyLoaded(form, 200);
        QVERIFY(!QFileInfo::exists(HistoryPath() + ".NAijoH"));
        for (const char* name : {"", ".backup", ".bak"})
            QCOMPARE(TestSupport::ReadFile(HistoryPath() + name), stored);
    }

    // The history cannot be saved when the user closes the window: the user is asked and may
    // try again; a close by a signal or the session's end asks nobody. The previous file stays
    // whole whenever nothing is written.
    void saveFailsAtClosing_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("retry"); // the answer, after making the folder writable again
        QTest::addColumn<int>("asked");
        QTest::addColumn<bool>("written");
        QTest::newRow("user closes, tries again") << int(CloseKind::User) << true << 1 << true;
        QTest::newRow("user closes without saving") << int(CloseKind::User) << false << 1 << false;
        QTest::newRow("signal or logout") << int(CloseKind::Unattended) << true << 0 << false;
    }
    void saveFailsAtClosing()
    {
        QFETCH(int, kind);
        QFETCH(bool, retry);
        QFETCH(int, asked);
        QFETCH(bool, written);
        const QByteArray stored = FileText(Consecutive(TodayNumber() - 300, TodayNumber() - 3));
        QVERIFY(TestSupport::WriteFile(HistoryPath(), stored));
        const QString folder = TestSupport::DataFolder();
        // Root writes into a read-only folder: the write is made as the user nobody instead.
        const bool root = geteuid() == 0;
        const auto makeWritable = [&] {
            if (root)
                QVERIFY(seteuid(0) == 0);
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                      QFile::ReadOther | QFile::ExeOther));
        };
        int questions = 0;
        std::string askedPath;
        {
            TMainForm form;
            VerifyLoaded(form, 200);
            form.SetSaveFailureAsker([&](const std::string& path) {
                ++questions;
                askedPath = path;
                makeWritable();
                return retry ? SaveFailureAnswer::Retry : SaveFailureAnswer::CloseWithoutSaving;
            });
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther |
                                                      QFile::ExeOther));
            if (root)
                QVERIFY(seteuid(65534) == 0);
            form.FormClose(CloseKind(kind));
            if (questions == 0)
                makeWritable();
        }
        QCOMPARE(questions, asked);
        if (asked > 0)
            QCOMPARE(QString::fromStdString(askedPath), HistoryPath());
        const QByteArray after = TestSupport::ReadFile(HistoryPath());
        if (written) {
            QVERIFY(after.startsWith(stored.left(stored.size() - 10 * 16)));
            QCOMPARE(EntryDay(ReadLines(after).back()), TodayNumber());
        } else {
            QCOMPARE(after, stored);
        }
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{"AEX.dat"});
    }

    // The decision behind the question: as often as the user asks to try again.
    void saveHistoryAtClose_data()
    {
        QTest::addColumn<QString>("saves");   // the results of successive saves: W written, F failed
        QTest::addColumn<QString>("answers"); // R retry, C close without saving
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("savesMade");
        QTest::newRow("written at once") << "W"
                                         << "" << int(CloseKind::User) << int(HistorySave::Written) << 1;
        QTest::newRow("fails twice, then written")
            << "FFW"
            << "RR" << int(CloseKind::User) << int(HistorySave::Written) << 3;
        QTest::newRow("fails, closed without saving")
            << "FW"
            << "C" << int(CloseKind::User) << int(HistorySave::Failed) << 1;
        QTest::newRow("unattended: no question")
            << "FW"
            << "" << int(CloseKind::Unattended) << int(HistorySave::Failed) << 1;
        QTest::newRow("nothing to save: no question")
            << "N"
            << "" << int(CloseKind::User) << int(HistorySave::NotNeeded) << 1;
        QTest::newRow("unreadable file left: no question")
            << "U"
            << "" << int(CloseKind::User) << int(HistorySave::LeftUnreadable) << 1;
    }
    void saveHistoryAtClose()
    {
        QFETCH(QString, saves);
        QFETCH(QString, answers);
        QFETCH(int, kind);
        QFETCH(int, result);
        QFETCH(int, savesMade);
        int made = 0;
        int asked = 0;
        const auto save = [&] {
            const QChar c = saves.at(made++);
            return c == 'W'   ? HistorySave::Written
                   : c == 'F' ? HistorySave::Failed
                   : c == 'N' ? HistorySave::NotNeeded
                              : HistorySave::LeftUnreadable;
        };
        const auto ask = [&](const std::string&) {
            return answers.at(asked++) == 'R' ? SaveFailureAnswer::Retry
                                              : SaveFailureAnswer::CloseWithoutSaving;
        };
        QCOMPARE(int(SaveHistoryAtClose(save, CloseKind(kind), ask, "AEX.dat")), result);
        QCOMPARE(made, savesMade);
        QCOMPARE(asked, int(answers.size()));
    }

    // The question as the user sees it, in Dutch; Escape does not throw the days away.
    void saveFailureBox_data()
    {
        QTest::addColumn<QString>("press"); // a button's text, or "Escape"
        QTest::addColumn<int>("answer");
        QTest::newRow("Opnieuw proberen") << "Opnieuw proberen" << int(SaveFailureAnswer::Retry);
        QTest::newRow("Sluiten zonder opslaan")
            << "Sluiten zonder opslaan" << int(SaveFailureAnswer::CloseWithoutSaving);
        QTest::newRow("Escape") << "Escape" << int(SaveFailureAnswer::Retry);
    }
    void saveFailureBox()
    {
        QFETCH(QString, press);
        QFETCH(int, answer);
        QString text;
        QStringList buttons;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            text = box->text();
            for (QAbstractButton* button : box->buttons())
                buttons << button->text();
            if (press == "Escape") {
                QTest::keyClick(box, Qt::Key_Escape);
                return;
            }
            for (QAbstractButton* button : box->buttons())
                if (button->text() == press)
                    button->click();
        });
        QCOMPARE(int(AskSaveFailureInBox(nullptr, "/home/anna/.local/share/Koerszicht/AEX.dat")), answer);
        QVERIFY2(text.startsWith("De koersgeschiedenis kon niet worden opgeslagen in "
                                 "/home/anna/.local/share/Koerszicht/AEX.dat."),
                 qPrintable(text));
        buttons.sort();
        QCOMPARE(buttons, (QStringList{"Opnieuw proberen", "Sluiten zonder opslaan"}));
    }

    void badFiles_data()
    {
        QTest::addColumn<QByteArray>("file"); // "-" for none
        QTest::addColumn<bool>("folder");
        QTest::addColumn<int>("count"); // of the series after loading
        QTest::newRow("missing") << QByteArray("-") << false << 201;
        QTest::newRow("empty") << QByteArray() << false << 201;
        QTest::newRow("a folder in its place") << QByteArray() << true << 201;
        QTest::newRow("a named pipe in its place") << QByteArray("fifo") << false << 201;
        QTest::newRow("no day entries") << QByteArray("\x01\x02\r\nhello\r\n") << false << 201;
        // Every line is held back, and shown: from day 46001 to 31 days after today, 46104.
        QTest::newRow("five lines") << FileText(Consecutive(46000, 46004)) << false << 104;
        QTest::newRow("ten lines") << FileText(Consecutive(46000, 46009)) << false << 104;
        QTest::newRow("no value of 0.1 or more")
            << FileText(L("46000:0,0 46001:0,05 46002:0")) << false << 201;
        QTest::newRow("ends long before today") << FileText(Consecutive(45000, 45700)) << false << 201;
    }

    void badFiles()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, folder);
        const bool pipe = file == "fifo";
        QFETCH(int, count);
        if (folder)
            QVERIFY(QDir().mkpath(HistoryPath() + "/inside"));
        else if (pipe && QDir().mkpath(TestSupport::DataFolder()))
            QCOMPARE(mkfifo(QFile::encodeName(HistoryPath()).constData(), 0600), 0);
        else if (file != "-")
            QVERIFY(TestSupport::WriteFile(HistoryPath(), file));
        {
            TMainForm form;
            VerifyLoaded(form, 200, count);
            form.SpinEdit->setValue(35);
            form.SpinEdit->setValue(700);
            QVERIFY(form.Series->Count() <= 700);
            form.FormClose();
        }
        if (folder) {
            QVERIFY(QFileInfo(HistoryPath() + "/inside").isDir());
            return;
        }
        if (pipe) { // a file that cannot be read is not replaced by this run's days
            struct stat status
            {
            };
            QCOMPARE(stat(QFile::encodeName(HistoryPath()).constData(), &status), 0);
            QVERIFY(S_ISFIFO(status.st_mode));
            QCOMPARE(QDir(TestSupport::DataFolder()).entryList(QDir::Files | QDir::System),
                     QStringList{"AEX.dat"});
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
