// The built program against a loopback closing-prices list: the days the list adds reach
// AEX.dat when the program is closed the way a logout closes it.
#include "support/Clock.h"
#include "testsupport/LoopbackServer.h"
#include "testsupport/TestSupport.h"

#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using TestSupport::LoopbackReply;
using TestSupport::LoopbackServer;

namespace {

using History = QMap<int, QByteArray>; // day -> value text

// The lines' days and values (that every day has one line ending with CR LF:
// tst_sessionhistory::loadAndClose).
History ReadHistory(const QByteArray& file)
{
    History history;
    for (const QByteArray& line : file.split('\n'))
        if (!line.isEmpty())
            history.insert(line.left(line.indexOf(' ')).toInt(),
                           line.mid(line.lastIndexOf(' ') + 1).trimmed());
    return history;
}

// Closing values: weekdays only, two decimals, a point as separator; the stored close where the
// history holds the day (an official list agrees with it), after that a made-up course.
QByteArray ClosingList(int firstDay, int lastDay, QMap<int, QByteArray>& listed, const History& stored)
{
    QByteArray list;
    for (int day = firstDay; day <= lastDay; ++day) {
        const QDate date = Support::DateOfDay(day);
        if (date.dayOfWeek() > 5)
            continue;
        const QByteArray value = stored.contains(day)
                                     ? QByteArray(stored.value(day)).replace(',', '.')
                                     : QByteArray::number(1000.0 + (day % 97) * 1.25, 'f', 2);
        // As the list writes a line: the date, a colon, the series' name, a blank and the close.
        list += date.toString(QStringLiteral("yyMMdd")).toLatin1() + ":aex-index " + value + "\n";
        listed.insert(day, QByteArray(value).replace('.', ','));
    }
    return list;
}

} // namespace

class TestClosingPricesEndToEnd : public QObject
{
    Q_OBJECT
private slots:
    void init() { TestSupport::ResetUserFolders(); }

    // The starter history with the list of the days since it ends. (Without the list the
    // starter's days, the newest ten too, stay as they are: tst_sessionhistory::loadAndClose.)
    void daysReachTheHistoryFile()
    {
        const History before = ReadHistory(TestSupport::ReadFile(TestSupport::SourceDir() + "/data/AEX.dat"));
        QVERIFY(!before.isEmpty());
        const int starterEnd = before.lastKey();

        const int today = Support::DayNumber(QDate::currentDate());
        QMap<int, QByteArray> listed;
        LoopbackServer server;
        server.Serve(LoopbackReply::Page(ClosingList(starterEnd - 30, today - 1, listed, before)));
        TestSupport::PointSourcesNowhere();
        TestSupport::IniFile().setValue("Sources/ClosingPricesSite", server.Url());
        // Closed as a logout closes it, once it has asked for the list.
        QTemporaryDir folder;
        QProcess program;
        QVERIFY(TestSupport::StartWithStarterHistory(program, folder.path()));
        QTRY_COMPARE_WITH_TIMEOUT(server.RequestCount(), 1, 20000);
        QTest::qWait(2000);
        QVERIFY(TestSupport::ClosedNormally(program));
        QCOMPARE(server.Requests().first().target, QByteArray("/Beurs/Slotkoersen/.a/aex-index"));

        const History after = ReadHistory(TestSupport::ReadFile(TestSupport::DataFolder() + "AEX.dat"));
        QCOMPARE(after.firstKey(), before.firstKey());
        QCOMPARE(after.lastKey(), today);
        // The starter's days, apart from the newest ones that loading takes again from the list,
        // are kept as they were.
        for (int day = before.firstKey(); day <= starterEnd - 10; ++day)
            QCOMPARE(after.value(day), before.value(day));
        for (auto it = listed.begin(); it != listed.end(); ++it)
            if (it.key() > starterEnd - 10)
                QVERIFY2(after.value(it.key()) == it.value(),
                         qPrintable(QStringLiteral("day %1: %2, listed %3")
                                        .arg(it.key())
                                        .arg(QString::fromLatin1(after.value(it.key())),
                                             QString::fromLatin1(it.value()))));
    }
};

QTEST_GUILESS_MAIN(TestClosingPricesEndToEnd)
#include "tst_closingprices_e2e.moc"
