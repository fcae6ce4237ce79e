// Sources asked in their order until one answer is taken, and sources that refused resting: runs
// of a chain over a scripted fetcher at moments a fixed clock gives, the Retry-After values a
// rest obeys, and which answers count as a refusal.
#include "quotes/SourceChain.h"
#include "support/Clock.h"
#include "testsupport/ScriptedFetcher.h"

#include <QtTest>

using Quotes::FetchResult;
using Quotes::SourceDefinition;
using Quotes::SourceKind;

namespace {

const QDateTime Start(QDate(2026, 12, 9), QTime(10, 0));

FetchResult Answer(long status, const std::string& body, const std::string& retryAfter = {})
{
    FetchResult fetched;
    fetched.status = status;
    fetched.body = body;
    fetched.retryAfter = retryAfter;
    fetched.ending = Quotes::FetchEnding::Complete;
    return fetched;
}

std::string HttpDate(const QDateTime& moment)
{
    return moment.toUTC().toString(QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'")).toStdString();
}

const FetchResult Good = Answer(200, "ok");
const FetchResult Unreadable = Answer(200, "{}");
const FetchResult TooMany = Answer(429, "Too Many Requests");
const FetchResult BotCheck = Answer(200, "<!DOCTYPE html><title>Just a moment...</title>");

// One run of the chain: when, what the sources answer in the order they are asked, and what
// the run shows.
struct Run
{
    int minute = 0; // after Start
    QList<FetchResult> answers;
    QStringList asked;
    QString taken;
};

// "a" and "b" serve json, "page" the quote page; "odd" is of a kind that cannot be asked.
std::vector<SourceDefinition> Sources(const QStringList& names)
{
    std::vector<SourceDefinition> sources;
    for (const QString& name : names) {
        SourceDefinition source;
        source.name = name.toStdString();
        source.kind = name == "page"  ? SourceKind::Page
                      : name == "odd" ? SourceKind::Unknown
                                      : SourceKind::JsonQuote;
        sources.push_back(source);
    }
    return sources;
}

// Asks each source at its name, unless its kind cannot be asked; takes the answer "ok".
Quotes::SourceChain::Purpose Purpose()
{
    Quotes::SourceChain::Purpose purpose;
    purpose.request = [](const SourceDefinition& source) -> std::optional<Quotes::FetchRequest> {
        if (source.kind == SourceKind::Unknown)
            return std::nullopt;
        Quotes::FetchRequest request;
        request.url = source.name;
        return request;
    };
    purpose.read = [](const SourceDefinition&, const FetchResult& fetched) {
        return Quotes::AnswerUse{fetched.body == "ok", fetched.body};
    };
    return purpose;
}

} // namespace

Q_DECLARE_METATYPE(Run)

class TestSourceChain : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { Support::Clock::Reset(); }

    void runs_data()
    {
        QTest::addColumn<QStringList>("sources");
        QTest::addColumn<QList<Run>>("runs");

        const QStringList ab = {"a", "b"};
        QTest::newRow("the first source that answers") << ab << QList<Run>{{0, {Good}, {"a"}, "a"}};
        QTest::newRow("an answer that does not read: the next source")
            << ab << QList<Run>{{0, {Unreadable, Good}, {"a", "b"}, "b"}};
        QTest::newRow("no source answers")
            << ab << QList<Run>{{0, {Answer(0, ""), Unreadable}, {"a", "b"}, ""}};
        QTest::newRow("a source that cannot be asked is passed over")
            << QStringList{"odd", "b"} << QList<Run>{{0, {Good}, {"b"}, "b"}};
        QTest::newRow("nothing to ask") << QStringList{"odd"} << QList<Run>{{0, {}, {}, ""}};
        QTest::newRow("429 without Retry-After: 15 minutes of rest, the next source serves")
            << ab
            << QList<Run>{
                   {0, {TooMany, Good}, {"a", "b"}, "b"}, {14, {Good}, {"b"}, "b"}, {15, {Good}, {"a"}, "a"}};
        QTest::newRow("Retry-After in seconds")
            << ab
            << QList<Run>{{0, {Answer(429, "", "120"), Good}, {"a", "b"}, "b"},
                          {1, {Good}, {"b"}, "b"},
                          {2, {Good}, {"a"}, "a"}};
        QTest::newRow("Retry-After as a date, with 503")
            << ab
            << QList<Run>{{0, {Answer(503, "busy", HttpDate(Start.addSecs(5 * 60))), Good}, {"a", "b"}, "b"},
                          {4, {Good}, {"b"}, "b"},
                          {5, {Good}, {"a"}, "a"}};
        QTest::newRow("a repeated refusal rests twice as long")
            << ab
            << QList<Run>{{0, {TooMany, Good}, {"a", "b"}, "b"},
                          {15, {TooMany, Good}, {"a", "b"}, "b"},
                          {44, {Good}, {"b"}, "b"},
                          {45, {Good}, {"a"}, "a"}};
        QTest::newRow("a good answer ends the row of refusals")
            << ab
            << QList<Run>{{0, {TooMany, Good}, {"a", "b"}, "b"},
                          {15, {Good}, {"a"}, "a"},
                          {16, {TooMany, Good}, {"a", "b"}, "b"},
                          {30, {Good}, {"b"}, "b"},
                          {31, {Good}, {"a"}, "a"}};
        QTest::newRow("a bot check from a json source rests it")
            << ab << QList<Run>{{0, {BotCheck, Good}, {"a", "b"}, "b"}, {1, {Good}, {"b"}, "b"}};
        QTest::newRow("the quote page's own HTML is no refusal")
            << QStringList{"page", "b"}
            << QList<Run>{{0, {BotCheck, Good}, {"page", "b"}, "b"}, {1, {Good}, {"page"}, "page"}};
        QTest::newRow("every source resting: none asked")
            << ab
            << QList<Run>{{0, {TooMany, TooMany}, {"a", "b"}, ""}, {1, {}, {}, ""}, {15, {Good}, {"a"}, "a"}};
    }
    void runs()
    {
        QFETCH(QStringList, sources);
        QFETCH(QList<Run>, runs);
        TestSupport::ScriptedFetcher fetcher;
        Quotes::SourceCooldowns cooldowns;
        Quotes::SourceChain chain(fetcher, cooldowns);
        for (const Run& run : runs) {
            Support::Clock::Set(Start.addSecs(run.minute * 60));
            for (const FetchResult& answer : run.answers)
                fetcher.Answer(answer);
            const std::size_t before = fetcher.Requests().size();
            std::optional<Quotes::SourceChain::Outcome> outcome;
            chain.Run(Sources(sources), Purpose(),
                      [&outcome](const Quotes::SourceChain::Outcome& ended) { outcome = ended; });
            QVERIFY(chain.Running());
            QVERIFY(!outcome); // never before Run returns
            fetcher.Settle();
            QTRY_VERIFY(outcome.has_value());
            QVERIFY(!chain.Running());
            QStringList asked;
            for (std::size_t i = before; i < fetcher.Requests().size(); ++i)
                asked << QString::fromStdString(fetcher.Requests()[i].url);
            QCOMPARE(asked, run.asked);
            QCOMPARE(QString::fromStdString(outcome->source), run.taken);
        }
    }

    // A cancelled run never ends: its fetch is cancelled and a later run starts afresh.
    void cancel()
    {
        TestSupport::ScriptedFetcher fetcher;
        Quotes::SourceCooldowns cooldowns;
        Quotes::SourceChain chain(fetcher, cooldowns);
        int ended = 0;
        chain.Run(Sources({"a"}), Purpose(), [&ended](const Quotes::SourceChain::Outcome&) { ++ended; });
        chain.Cancel();
        fetcher.Settle();
        QCoreApplication::processEvents();
        QCOMPARE(ended, 0);
        QCOMPARE(fetcher.Cancelled(), 1);
        chain.Run(Sources({"a"}), Purpose(), [&ended](const Quotes::SourceChain::Outcome&) { ++ended; });
        fetcher.Settle();
        QTRY_COMPARE(ended, 1);
    }

    void rests_data()
    {
        QTest::addColumn<int>("refusals");
        QTest::addColumn<int>("minutes");  // of the last rest
        QTest::newRow("third") << 3 << 60; // the first two: runs()
        QTest::newRow("fourth: two hours") << 4 << 120;
        QTest::newRow("tenth: still two hours") << 10 << 120;
    }
    void rests()
    {
        QFETCH(int, refusals);
        Quotes::SourceCooldowns cooldowns;
        QDateTime until;
        for (int i = 0; i < refusals; ++i)
            until = cooldowns.Refused("a", Start, "");
        QTEST(int(Start.secsTo(until) / 60), "minutes");
        QCOMPARE(cooldowns.RestingUntil("a", Start.addSecs(60)), until);
        QVERIFY(!cooldowns.RestingUntil("b", Start).isValid());
        // A clock set back before the refusal does not keep the source from being asked.
        QVERIFY(!cooldowns.RestingUntil("a", Start.addSecs(-60)).isValid());
    }

    void retryAfter_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<qint64>("seconds"); // -1: not a Retry-After value

        QTest::newRow("seconds") << "120" << qint64(120);
        QTest::newRow("seconds with blanks") << " 30 " << qint64(30);
        QTest::newRow("zero") << "0" << qint64(0);
        QTest::newRow("an HTTP date 90 seconds ahead") << "Wed, 09 Dec 2026 09:01:30 GMT" << qint64(90);
        QTest::newRow("an HTTP date past") << "Wed, 09 Dec 2026 08:00:00 GMT" << qint64(0);
        QTest::newRow("more seconds than a number holds") << "99999999999999999999999" << qint64(7200);
        QTest::newRow("negative") << "-5" << qint64(-1);
        QTest::newRow("words") << "soon" << qint64(-1);
        QTest::newRow("empty") << "" << qint64(-1);
    }
    void retryAfter()
    {
        QFETCH(QString, value);
        const QDateTime now(QDate(2026, 12, 9), QTime(9, 0), Qt::UTC);
        const std::optional<qint64> seconds = Quotes::RetryAfterSeconds(value.toStdString(), now);
        QTEST(seconds.value_or(-1), "seconds");
        // However long a source asks for, it rests two hours at most.
        Quotes::SourceCooldowns cooldowns;
        const QDateTime until = cooldowns.Refused("a", now, value.toStdString());
        QVERIFY(now.secsTo(until) <= 2 * 3600);
    }
};

QTEST_GUILESS_MAIN(TestSourceChain)
#include "tst_sourcechain.moc"
