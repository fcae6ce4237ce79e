// The starter history shipped with the program agrees with the closes it is made from, reads as
// a file the program itself has kept, and passes as plausible.
#include "HistoryTestSupport.h"
#include "history/HistoryFile.h"
#include "history/Plausibility.h"
#include "history/SeriesBuilder.h"
#include "support/Clock.h"
#include "testsupport/TestSupport.h"

#include <QDate>

using namespace History;

class StarterHistoryTest : public QObject
{
    Q_OBJECT

private:
    QByteArray m_file;
    EntryList m_lines;

private slots:
    void initTestCase()
    {
        m_file = TestSupport::ReadFile(TestSupport::SourceDir() + "/data/AEX.dat");
        QVERIFY(!m_file.isEmpty());
        m_lines = FileLines(m_file);
    }

    void oneLinePerCalendarDay()
    {
        const ReadHistory read = ReadHistoryText(std::string_view(m_file.constData(), m_file.size()));
        QCOMPARE(read.skippedLines, 0);
        QCOMPARE(read.entries, m_lines); // nothing to fill in: no day is missing
        // Written back unchanged, so every line ends with CR LF as the program writes it.
        QCOMPARE(QByteArray::fromStdString(HistoryFileText(read.entries)), m_file);
        QCOMPARE(EntryDay(m_lines.front()), Support::DayNumber(QDate(1983, 1, 3)));
        QCOMPARE(EntryDay(m_lines.back()), Support::DayNumber(QDate(2026, 2, 10)));
        QCOMPARE(m_lines.back(), E("46063 - 1004,14"));
    }

    // Trading days carry their close; the other days read exactly as the program's filling writes
    // them. No honest value of the index's own past would be refused: every close is plausible
    // after the one before, and every day of the history is trusted.
    void valuesAgreeWithTheCloses()
    {
        const QByteArray csv = TestSupport::ReadFile(TestSupport::SourceDir() + "/data/aex-daily-close.csv");
        QList<QByteArray> rows = csv.trimmed().split('\n');
        QCOMPARE(rows.takeFirst().trimmed(), QByteArray("date,close"));
        EntryList expected;
        Anchor previous;
        for (const QByteArray& row : rows) {
            const QList<QByteArray> fields = row.trimmed().split(',');
            QCOMPARE(fields.size(), 2);
            const int day =
                Support::DayNumber(QDate::fromString(QString::fromLatin1(fields[0]), Qt::ISODate));
            const double close = fields[1].toDouble();
            QVERIFY2(IsPlausible(close, day, previous), row.constData());
            QCOMPARE(ReadCentValue(fields[1].toStdString()), std::optional<double>(close));
            previous = {day, close};
            while (!expected.empty() && EntryDay(expected.back()) + 1 < day)
                expected.push_back(MakeEntry(EntryDay(expected.back()) + 1, NoValue));
            expected.push_back(MakeEntry(day, QByteArray(fields[1]).replace('.', ',').toStdString()));
        }
        QCOMPARE(expected.size(), std::size_t(15745));
        FillSeries(expected, ',');
        QCOMPARE(m_lines, expected);
        const TrustedValues trusted(m_lines);
        for (const DayEntry& entry : m_lines)
            QVERIFY2(trusted.IsTrusted(EntryDay(entry)), LineOf(entry));
    }
};

QTEST_GUILESS_MAIN(StarterHistoryTest)
#include "tst_starterhistory.moc"
