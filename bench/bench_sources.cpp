// A back-fill whose source answers with as much as a fetch may bring (16 MiB): the answer is
// read on the fetch's thread, so the thread that asked never waits long. Measured is the
// longest time the asking thread's event loop did not come round (a 1 ms timer's largest gap)
// from the start of the back-fill to its end, and the whole back-fill's time.
// Target: the longest stall under 100 ms for every shape.
#include "history/DayEntry.h"
#include "quotes/BackgroundFetcher.h"
#include "session/ProgramSettings.h"
#include "session/Session.h"
#include "support/Clock.h"
#include "support/Product.h"
#include "support/SystemFacts.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <string>

namespace {

constexpr std::size_t AnswerBytes = std::size_t{16} << 20;

// A chart of one-minute bars up to now, as long as the bound allows: far more closes than the
// days asked, every one of them readable.
std::string MinuteChart()
{
    const std::string head = R"({"chart":{"result":[{"meta":{"symbol":"^AEX"},"timestamp":[)";
    const std::string middle = R"(],"indicators":{"quote":[{"close":[)";
    const std::string tail = "]}]}}],\"error\":null}}";
    const std::size_t room = AnswerBytes - head.size() - middle.size() - tail.size();
    // Each bar takes a stamp of ten digits and a close of five characters, with their commas.
    const std::size_t count = room / 17;
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    std::string stamps;
    std::string closes;
    for (std::size_t k = 0; k < count; ++k) {
        stamps += (k ? "," : "") + std::to_string(now - static_cast<qint64>(count - k) * 60);
        closes += (k ? "," : "") + std::to_string(900 + static_cast<int>(k % 7)) + ".5";
    }
    return head + stamps + middle + closes + tail;
}

// The closing-prices list with every day of the last sixty years, repeated up to the bound.
std::string LongList()
{
    std::string body;
    const QDate today = QDate::currentDate();
    while (body.size() < AnswerBytes - 64) {
        for (QDate day = today.addYears(-60); day <= today && body.size() < AnswerBytes - 64;
             day = day.addDays(1))
            body += day.toString(QStringLiteral("yyMMdd")).toStdString() + ":aex-index 9" +
                    std::to_string(day.day() % 10) + "0.25\n";
    }
    return body;
}

// Settings with the one source, and a history whose newest close is four weeks old.
Support::SystemFacts PrepareHistory(const char* source)
{
    {
        QSettings settings(QSettings::IniFormat, QSettings::UserScope, "Koerszicht", "Koerszicht");
        for (const char* key : {"Sources/QuoteSite", "Sources/ClosingPricesSite", "Sources/MakerSite"})
            settings.setValue(key, "http://127.0.0.1:1/");
        settings.setValue("Sources/QuoteSources", "page");
        settings.setValue("Sources/ClosingPricesSources", source);
    }
    const Support::SystemFacts facts = Support::GatherSystemFacts(Support::ProductName);
    QFile file(QString::fromLocal8Bit(facts.dataFolder) + QStringLiteral("AEX.dat"));
    if (file.open(QIODevice::WriteOnly)) {
        const int today = Support::TodayDayNumber();
        for (int day = today - 400; day <= today - 28; ++day)
            file.write(QByteArray::fromStdString(History::EntryLine(History::MakeEntry(day, "905,25"))) +
                       "\r\n");
    }
    return facts;
}

void Backfill(benchmark::State& state, const char* source, const std::string& body)
{
    const Support::SystemFacts facts = PrepareHistory(source);
    Quotes::BackgroundFetcher fetcher(
        [&body](const std::string&, Quotes::AccessType, const Quotes::DownloadOptions&) {
            Quotes::FetchResult result;
            result.body = body;
            result.status = 200;
            result.ending = Quotes::FetchEnding::Complete;
            return result;
        });
    qint64 longest = 0;
    for (auto _ : state) {
        ProgramSettings settings;
        Session session(facts, settings, fetcher);
        QElapsedTimer sinceTick;
        qint64 stall = 0;
        QTimer ticks;
        ticks.setInterval(1);
        QObject::connect(&ticks, &QTimer::timeout, [&] { stall = std::max(stall, sinceTick.restart()); });
        session.Start();
        sinceTick.start();
        ticks.start();
        while (session.Busy())
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
        stall = std::max(stall, sinceTick.elapsed());
        longest = std::max(longest, stall);
        benchmark::DoNotOptimize(session.Series().Count());
    }
    state.counters["longest_stall_ms"] = static_cast<double>(longest);
    state.SetLabel(QString::number(double(body.size()) / (1 << 20), 'f', 1).toStdString() + " MiB answer");
}

void BM_BackfillJsonChart16MiB(benchmark::State& state)
{
    static const std::string body = MinuteChart();
    Backfill(state, "yahoo-history", body);
}
BENCHMARK(BM_BackfillJsonChart16MiB)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_BackfillList16MiB(benchmark::State& state)
{
    static const std::string body = LongList();
    Backfill(state, "list", body);
}
BENCHMARK(BM_BackfillList16MiB)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
