// Start-up speed: from creating the main window (settings, history, series) to its first
// painted chart, over the shipped starter history.
#include "app/MainForm.h"
#include "quotes/Fetcher.h"
#include "session/ProgramSettings.h"
#include "session/Session.h"
#include "support/Clock.h"
#include "support/Product.h"
#include "support/SystemFacts.h"
#include "support/TextFields.h"

#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <cmath>
#include <memory>

namespace {

// One entry a day up to 31 days after today, wandering like an index between 200 and 800.
History::EntryList WanderingSeries(int count)
{
    History::EntryList items;
    const int last = Support::TodayDayNumber() + 31;
    for (int k = 0; k < count; ++k) {
        const double value = 500.0 + 250.0 * std::sin(k / 900.0) + 40.0 * std::sin(k / 17.0);
        items.push_back(History::MakeEntry(last - count + 1 + k, Support::FloatToFixed(value, 0, 2, ',')));
    }
    return items;
}

// The starter history beside the sources, or a generated one of the same length. The sites
// point at a refused loopback port: loading's closing-price fetch fails at once, off the network.
void InstallStarterHistory()
{
    {
        QSettings settings(QSettings::IniFormat, QSettings::UserScope, "Koerszicht", "Koerszicht");
        for (const char* key : {"Sources/QuoteSite", "Sources/ClosingPricesSite", "Sources/MakerSite"})
            settings.setValue(key, "http://127.0.0.1:1/");
    }
    const QString folder =
        QString::fromLocal8Bit(Support::GatherSystemFacts(Support::ProductName).dataFolder);
    const QString target = folder + QStringLiteral("AEX.dat");
    QFile::remove(target);
    const QString shipped = QStringLiteral(KOERSZICHT_SOURCE_DIR "/data/AEX.dat");
    if (QFile::exists(shipped) && QFile::copy(shipped, target))
        return;
    QFile file(target);
    if (!file.open(QIODevice::WriteOnly))
        return;
    for (const auto& entry : WanderingSeries(16000))
        if (History::EntryDay(entry) <= Support::TodayDayNumber())
            file.write(QByteArray::fromStdString(entry) + "\r\n");
}

// From creating the main window (settings, history, series) to its first painted chart.
void BM_StartupToFirstChart(benchmark::State& state)
{
    InstallStarterHistory();
    const Support::SystemFacts facts = Support::GatherSystemFacts(Support::ProductName);
    ProgramSettings settings;
    Quotes::BlockingFetcher fetcher;
    for (auto _ : state) {
        auto session = std::make_unique<Session>(facts, settings, fetcher);
        auto form = std::make_unique<TMainForm>(*session, MainFormLinks{});
        form->DownloadTimer->stop();
        form->UpdateTimer->stop();
        form->show();
        while (!session->Painted())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        state.PauseTiming();
        state.counters["items"] = session->Series().Count();
        form.reset();
        session.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartupToFirstChart)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
