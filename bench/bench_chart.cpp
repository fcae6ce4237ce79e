// Chart speed: a full redraw of a long series at full-HD and at 4K with a device pixel ratio
// of 2, one drag step of a trend line, and the start-up up to the first painted chart.
#include "app/MainForm.h"
#include "chart/ChartDrawing.h"
#include "quotes/BackgroundFetcher.h"
#include "session/ProgramSettings.h"
#include "session/Session.h"
#include "support/Clock.h"
#include "support/Product.h"
#include "support/Regional.h"
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

constexpr int LongSeries = 10000;

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

struct Surfaces
{
    QImage plot;
    QImage outer;
};

// `size` in logical pixels; the bitmaps hold size x ratio device pixels.
Surfaces MakeSurfaces(QSize size, qreal ratio)
{
    Surfaces surfaces{QImage(size * ratio, QImage::Format_RGB32),
                      QImage((size + QSize(100, 100)) * ratio, QImage::Format_RGB32)};
    surfaces.plot.setDevicePixelRatio(ratio);
    surfaces.outer.setDevicePixelRatio(ratio);
    return surfaces;
}

// What DrawGraph does to the bitmaps: the scale, the chart, the three trend lines.
void DrawGraphAt(benchmark::State& state, QSize size, qreal ratio)
{
    const auto items = WanderingSeries(LongSeries);
    Surfaces surfaces = MakeSurfaces(size, ratio);
    const QDate friday = QDate::currentDate();
    const auto& regional = Support::Regional();
    for (auto _ : state) {
        const auto series = Chart::ReadSeries(items);
        const auto scale = Chart::MakeScale(series, size.width(), size.height());
        Chart::DrawChart(surfaces.plot, surfaces.outer, series, scale, friday, regional);
        Chart::DrawTrendLine(surfaces.plot, QColor(0, 128, 0), {28, 28}, {1500, 400});
        Chart::DrawTrendLine(surfaces.plot, QColor(255, 0, 0), {28, 44}, {1700, 900});
        Chart::DrawTrendLine(surfaces.plot, QColor(0, 0, 255), {28, 60}, {44, 60});
        benchmark::DoNotOptimize(surfaces.plot.constBits());
    }
}

void BM_DrawGraph_1920x1080(benchmark::State& state)
{
    DrawGraphAt(state, {1920, 1080}, 1.0);
}
BENCHMARK(BM_DrawGraph_1920x1080)->Unit(benchmark::kMillisecond);

void BM_DrawGraph_3840x2160_Ratio2(benchmark::State& state)
{
    DrawGraphAt(state, {1920, 1080}, 2.0);
}
BENCHMARK(BM_DrawGraph_3840x2160_Ratio2)->Unit(benchmark::kMillisecond);

// Erasing a line and drawing it one step further, as a mouse move of a drag does.
void BM_DragStep(benchmark::State& state)
{
    const auto items = WanderingSeries(LongSeries);
    Surfaces surfaces = MakeSurfaces({1920, 1080}, 1.0);
    const auto series = Chart::ReadSeries(items);
    const auto scale = Chart::MakeScale(series, 1920, 1080);
    Chart::DrawChart(surfaces.plot, surfaces.outer, series, scale, QDate::currentDate(), Support::Regional());
    const QPoint anchor(60, 900);
    QPoint end(1200, 300);
    Chart::DrawTrendLine(surfaces.plot, Qt::red, anchor, end);
    int step = 0;
    for (auto _ : state) {
        const QPoint next(1200 + (step % 200), 300 + (step % 150));
        Chart::DrawTrendLine(surfaces.plot, Qt::red, anchor, end);
        Chart::DrawTrendLine(surfaces.plot, Qt::red, anchor, next);
        end = next;
        ++step;
        benchmark::DoNotOptimize(surfaces.plot.constBits());
    }
    state.SetLabel("erase and redraw of one 1-pixel line");
}
BENCHMARK(BM_DragStep)->Unit(benchmark::kMicrosecond);

// The starter history beside the sources, or a generated one of the same length. The sites
// point at a refused loopback port: loading's closing-price fetch fails at once, off the network.
void InstallStarterHistory()
{
    {
        QSettings settings(QSettings::IniFormat, QSettings::UserScope, "Koerszicht", "Koerszicht");
        for (const char* key : {"Sources/QuoteSite", "Sources/ClosingPricesSite", "Sources/MakerSite"})
            settings.setValue(key, "http://127.0.0.1:1/");
        // Only the list at that port: the default sources lie on the internet.
        settings.setValue("Sources/QuoteSources", "page");
        settings.setValue("Sources/ClosingPricesSources", "list");
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
            file.write(QByteArray::fromStdString(History::EntryLine(entry)) + "\r\n");
}

// Sees a widget's first paint.
class PaintSeen : public QObject
{
public:
    bool seen = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        seen = seen || event->type() == QEvent::Paint;
        return false;
    }
};

// From creating the main window (settings, history, series) to its first painted chart. As in
// the program, the fetcher holds the back-fill until then: every run draws the file's days.
void BM_StartupToFirstChart(benchmark::State& state)
{
    InstallStarterHistory();
    const Support::SystemFacts facts = Support::GatherSystemFacts(Support::ProductName);
    ProgramSettings settings;
    Quotes::BackgroundFetcher fetcher;
    for (auto _ : state) {
        fetcher.Hold();
        auto session = std::make_unique<Session>(facts, settings, fetcher);
        auto form = std::make_unique<TMainForm>(*session, MainFormLinks{});
        form->DownloadTimer->stop();
        form->UpdateTimer->stop();
        PaintSeen chart;
        form->Panel1->installEventFilter(&chart);
        form->show();
        while (!chart.seen)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        state.PauseTiming();
        state.counters["items"] = session->Series().Count();
        form.reset();
        session.reset();
        // The closed session's fetches were cancelled: they never start.
        fetcher.Release();
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
