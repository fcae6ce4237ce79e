// The history with the full starter file (about 16 000 days): loading it into a series of 200
// days, changing the day count to 15 000 and back, and writing the file at closing.
// Targets: loading 10 ms, the resize there and back 50 ms, writing 10 ms.
#include "history/HistoryFile.h"
#include "history/SeriesBuilder.h"
#include "history/SeriesModel.h"
#include "history/SeriesResize.h"
#include "history/UnstoredDays.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace History;

namespace {

const std::string StarterHistory = KOERSZICHT_SOURCE_DIR "/data/AEX.dat";
constexpr int Today = 46066; // three days after the starter history ends
constexpr int DayCount = 200;

// Loading as the window does it; the back-fill has nothing to add (no network here).
SeriesBuild Load(LoadedHistory& loaded, SeriesModel& series)
{
    loaded = LoadHistoryFile(StarterHistory);
    SeriesBuild build = BuildSeries(loaded.history, DayCount, Today, ',');
    series.SetItems(build.items);
    return build;
}

void ReadAEX(benchmark::State& state)
{
    SeriesModel series;
    for (auto _ : state) {
        LoadedHistory loaded;
        SeriesBuild build = Load(loaded, series);
        benchmark::DoNotOptimize(build);
    }
}
BENCHMARK(ReadAEX)->Unit(benchmark::kMillisecond);

void ResizeSeries200To15000AndBack(benchmark::State& state)
{
    SeriesModel series;
    LoadedHistory loaded;
    const SeriesBuild build = Load(loaded, series);
    const int stored = NewestStoredDay(loaded.history, build.lastStoredEntry);
    for (auto _ : state) {
        EntryList departed;
        for (int dayCount : {15000, DayCount}) {
            EntryList items = series.Items();
            ResizeSeriesItems(items, dayCount, loaded.history, stored, departed);
            series.SetItems(std::move(items));
        }
        benchmark::DoNotOptimize(series.Count());
    }
}
BENCHMARK(ResizeSeries200To15000AndBack)->Unit(benchmark::kMillisecond);

void WriteAEX(benchmark::State& state)
{
    QTemporaryDir folder;
    const std::string target = (folder.path() + QStringLiteral("/AEX.dat")).toStdString();
    SeriesModel series;
    LoadedHistory loaded;
    const SeriesBuild build = Load(loaded, series);
    const UnstoredDays unstored{loaded.heldBack, build.obtained, build.departed};
    for (auto _ : state) {
        state.PauseTiming();
        EntryList history = loaded.history;
        state.ResumeTiming();
        const EntryList tail =
            UnstoredEntries(history, build.lastStoredEntry, series.Items(), unstored, Today, ',');
        history.insert(history.end(), tail.begin(), tail.end());
        if (WriteHistoryFile(target, history) != WriteStatus::Written)
            state.SkipWithError("the history file could not be written");
    }
}
BENCHMARK(WriteAEX)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
