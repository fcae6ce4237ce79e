// The chart drawn from a history as the window draws it: the series built from the file, its
// scale, both bitmaps, the note over a plot without recent prices, the hover read-out over the
// plot and the list.
// Input: a byte for the day count, two for the plot's width and height, one for the mouse's
// x, two for today, then the history file's text.

#include "FuzzSupport.h"

#include "chart/ChartDrawing.h"
#include "chart/ChartScale.h"
#include "chart/HoverText.h"
#include "chart/ThirdFriday.h"
#include "history/HistoryFile.h"
#include "history/SeriesBuilder.h"
#include "history/UnstoredDays.h"
#include "support/Regional.h"

#include <QGuiApplication>
#include <QPainter>

using namespace History;

namespace {

// Text on the bitmaps needs the font machinery of a GUI application.
void StartApplication()
{
    static int argc = 1;
    static char name[] = "fuzz_chart";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication application(argc, argv);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::SetUp();
    StartApplication();
    Fuzz::Input input(data, size);
    const int dayCount = 35 + 7 * (input.Byte() % 32);
    const int width = 40 + input.Byte() * 3;
    const int height = 40 + input.Byte() * 2;
    const int mouseX = input.Byte() * 4 - 100;

    const int today = Fuzz::DayFrom(input);

    ReadHistory read = ReadHistoryText(input.Rest(), today + FutureDays);
    const LoadedHistory loaded = SplitHeldBack(std::move(read.entries), LoadStatus::Read);
    const SeriesBuild build = BuildSeries(loaded.history, dayCount, today, ',');

    const Chart::SeriesData series = Chart::ReadSeries(build.items);
    const Chart::ChartScale scale = Chart::MakeScale(series, width, height);
    const std::vector<Chart::AxisMark> marks = Chart::ValueAxisMarks(scale);
    Fuzz::Check(marks.size() <= 65536 / 5 + 1, "the value axis has a bounded number of marks");
    // The axis runs from the whole value nearest the bottom to the one nearest the top: a mark
    // lies at most half a point beyond the plot.
    const double halfPoint = scale.ValueScale / 2.0 + 1.0;
    for (const Chart::AxisMark& mark : marks)
        Fuzz::Check(mark.height >= -halfPoint && mark.height <= scale.ChartBottom + halfPoint,
                    "an axis mark lies on the plot or within half a point of it",
                    std::to_string(mark.value) + " at " + std::to_string(mark.height) + " of " +
                        std::to_string(scale.ChartBottom) + "; values " + std::to_string(scale.ChartMin) +
                        " ... " + std::to_string(scale.ChartMax) + ", unit " +
                        std::to_string(scale.TickUnit));

    QImage plot(width, height, QImage::Format_RGB32);
    QImage outer(width + 2 * Chart::PlotOffset, height + 2 * Chart::PlotOffset, QImage::Format_RGB32);
    outer.fill(Qt::white); // the part under the plot is not drawn
    const QDate thirdFriday = Chart::NextThirdFriday(QDate(2012, 6, 7));
    Chart::DrawChart(plot, outer, series, scale, thirdFriday, Support::Regional());
    // The first paint draws the two parts straight onto the screen: the same picture.
    QImage plotOnScreen(plot.size(), plot.format());
    QImage outerOnScreen(outer.size(), outer.format());
    outerOnScreen.fill(Qt::white);
    {
        QPainter canvas(&plotOnScreen);
        Chart::DrawPlot(canvas, plot.size(), series, scale, thirdFriday);
        QPainter surface(&outerOnScreen);
        Chart::DrawSurface(surface, outer.size(), series, scale, Support::Regional());
    }
    Fuzz::Check(plotOnScreen == plot && outerOnScreen == outer,
                "the chart drawn part by part onto a device is the picture of the bitmaps");
    const UnstoredDays unstored{loaded.heldBack, build.obtained, build.departed};
    const int lastValued = LastValuedDay(loaded.history, unstored, build.items);
    const QString note = Chart::PlotNote(lastValued, today, Support::Language::Dutch);
    Fuzz::Check(note.isEmpty() == (lastValued != NoDay && today - lastValued <= Chart::StaleAfterDays),
                "the plot carries a note exactly when its newest value is over a week old");
    Chart::DrawPlotNote(plot, scale, note);

    if (!build.items.empty()) {
        const QString hover =
            Chart::PlotHoverText(build.items, scale, mouseX, Support::Regional(), Support::Language::Dutch);
        Fuzz::Check(hover.startsWith(QLatin1String("Koers: ")), "the plot's read-out names the value");
        Chart::SeriesHeightAtX(build.items, scale, mouseX);
        for (std::size_t i = 0; i < build.items.size(); i += 1 + build.items.size() / 8)
            Chart::ListHoverText(build.items[i], Support::Regional(), Support::Language::Dutch);
    }
    return 0;
}
