#pragma once
// Drawing the chart onto two bitmaps: the plot area (light yellow, value grid, month marks,
// the series line, the third-Friday marker) and the surface around it (title and labels).
// Plot coordinates are logical pixels; a bitmap with a device pixel ratio is drawn sharp.

#include "chart/ChartScale.h"
#include "history/DayEntry.h"
#include "support/Regional.h"
#include "support/SystemFacts.h"

#include <QColor>
#include <QDate>
#include <QImage>
#include <QPoint>
#include <QPolygon>
#include <vector>

class QPainter;

namespace Chart {

inline constexpr QRgb PlotBackground = 0xFFFFFFBB; // 255, 255, 187
inline constexpr QRgb GridColour = 0xFFC0C0C0;     // silver
// The plot area lies at (50, 50) on the surrounding surface.
inline constexpr int PlotOffset = 50;
// The last 32 items (today and the 31 days after it) carry no drawn line.
inline constexpr int UndrawnItems = 32;
// From this many items on, only year starts are marked.
inline constexpr int YearMarksFrom = 1000;

struct ChartColours
{
    QColor buttonFace = QColor(240, 240, 240); // the surface around the plot area
    QColor windowText = Qt::black;             // title and labels
};

// One labelled whole value of the value axis.
struct AxisMark
{
    int value = 0;
    int height = 0;     // ValueToY(value): the row is ChartBottom - height
    int tickLength = 0; // at both edges: 5, 9, 12 or 15 pixels
    bool grid = false;  // a silver line across the plot area
};
// Every multiple of 5 x TickUnit between the bottom and the top value, within 0 ... 65535.
std::vector<AxisMark> ValueAxisMarks(const ChartScale& scale);

// A month or year start between two neighbouring items.
struct MonthMark
{
    int day = 0;   // the later item's day
    int month = 0; // 1 ... 12
    int year = 0;  // shown under the month name; 0 when not
};
// Every month start for short series (the year under January), only year starts from
// YearMarksFrom items on.
std::vector<MonthMark> MonthMarks(const SeriesData& series);

// "<first date> ... <last date>" in the short date format; empty for an empty series.
QString ChartTitle(const SeriesData& series, const Support::RegionalSettings& regional);

// The series line: from the left edge at the first item's height through every item but the
// last UndrawnItems. Empty when there are not enough items. Where several items fall on one
// pixel column only the first, the lowest, the highest and the last are kept: the line
// covers the same pixels with far fewer segments.
QPolygon SeriesLine(const SeriesData& series, const ChartScale& scale);

// Redraws both bitmaps completely. What the scale cannot place (no days, no values) is left
// out; the background, the frame and, when there are days, the title are always drawn.
void DrawChart(QImage& plot, QImage& outer, const SeriesData& series, const ChartScale& scale,
               const QDate& thirdFriday, const Support::RegionalSettings& regional,
               const ChartColours& colours = {});

// The same straight onto a device being painted, one part at a time: the plot area of `size`
// with its background (the regional settings do not matter there), and the surface around it.
void DrawPlot(QPainter& canvas, QSize size, const SeriesData& series, const ChartScale& scale,
              const QDate& thirdFriday);
void DrawSurface(QPainter& surface, QSize size, const SeriesData& series, const ChartScale& scale,
                 const Support::RegionalSettings& regional, const ChartColours& colours = {});

// Newest values more than this many days before today make the plot carry a note.
inline constexpr int StaleAfterDays = 7;
// The note over a plot whose newest days have no value of their own, so that an empty or flat
// chart is not taken for real prices: "Geen koersen na <date>" when the newest value lies more
// than StaleAfterDays before today, "Geen koersen" when no day has one (lastValuedDay is
// NoDay); empty otherwise. In `language`, with the date in that language's short form (Dutch
// 10-2-2026), whatever the system's regional settings: the main window passes Dutch.
QString PlotNote(int lastValuedDay, int today, Support::Language language);
// Writes the note centred across the plot area on a patch of its background: near the top,
// above the highest value, or in the middle when the scale has no values.
void DrawPlotNote(QImage& plot, const ChartScale& scale, const QString& note);
void DrawPlotNote(QPainter& canvas, const ChartScale& scale, const QString& note);

// Draws a 1-pixel segment from `from` up to one pixel before `to` in NotXor mode: drawing the
// same segment twice restores every pixel, so a trend line moves without a redraw.
void DrawTrendLine(QImage& plot, const QColor& colour, QPoint from, QPoint to);
void DrawTrendLine(QPainter& canvas, const QColor& colour, QPoint from, QPoint to);

// A handle's circle outline for a widget of `size` logical pixels at `devicePixelRatio`: every
// pixel is either exactly `colour` or transparent, so the circle is as crisp as the chart's
// lines. The ring is one logical pixel wide (whole device pixels) and lies against the edges.
QImage HandleCircle(const QColor& colour, QSize size, qreal devicePixelRatio);

} // namespace Chart
