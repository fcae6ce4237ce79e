#include "chart/ChartDrawing.h"

#include "support/Clock.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>

namespace Chart {

namespace {
constexpr int TitleTop = 15;
constexpr int TitlePixels = 16; // 12 points at 96 dots per inch
constexpr int LabelPixels = 15; // 11 points
constexpr int LabelRightOfPlot = 54;
constexpr int LabelAboveRow = 10;
constexpr int MonthNameBelowPlot = 54;
constexpr int YearBelowPlot = 71;
constexpr int MonthTickLength = 10;
constexpr int MaxAxisValue = 65535; // the axis counts in unsigned 16-bit

// 1 pixel whatever the device pixel ratio, and without the last pixel of a segment, so that
// a line from A to B covers A and stops one pixel before B.
QPen LinePen(const QColor& colour, Qt::PenStyle style = Qt::SolidLine)
{
    QPen pen(colour, 1, style, Qt::FlatCap);
    pen.setCosmetic(true);
    return pen;
}

// A rectangle that covers left ... right - 1 and top ... bottom - 1: a 1-pixel frame in
// `frame` around a fill in `fill`.
void FramedRectangle(QPainter& painter, int left, int top, int right, int bottom, const QColor& frame,
                     const QColor& fill)
{
    const int width = right - left;
    const int height = bottom - top;
    if (width <= 0 || height <= 0)
        return;
    if (width > 2 && height > 2)
        painter.fillRect(QRect(left + 1, top + 1, width - 2, height - 2), fill);
    painter.fillRect(QRect(left, top, width, 1), frame);
    painter.fillRect(QRect(left, bottom - 1, width, 1), frame);
    painter.fillRect(QRect(left, top, 1, height), frame);
    painter.fillRect(QRect(right - 1, top, 1, height), frame);
}

// A line that covers A and stops one pixel before B. Qt leaves out the right or lower end of
// a 1-pixel line whichever way it runs, so a level or upright line drawn towards the left or
// the top is shifted by one pixel onto A.
void Line(QPainter& painter, int ax, int ay, int bx, int by)
{
    if (ay == by && bx < ax)
        painter.drawLine(bx + 1, ay, ax + 1, ay);
    else if (ax == bx && by < ay)
        painter.drawLine(ax, by + 1, ax, ay + 1);
    else
        painter.drawLine(ax, ay, bx, by);
}

QFont Verdana(int pixels, bool bold)
{
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// Text with its top-left corner at (x, y) on an opaque background in the brush colour.
void TextAt(QPainter& painter, int x, int y, const QString& text)
{
    painter.drawText(QPoint(x, y + painter.fontMetrics().ascent()), text);
}

QSize LogicalSize(const QImage& image)
{
    const QSizeF size = image.deviceIndependentSize();
    return {Nearest(size.width()), Nearest(size.height())};
}
} // namespace

std::vector<AxisMark> ValueAxisMarks(const ChartScale& scale)
{
    std::vector<AxisMark> marks;
    if (!scale.HasValues)
        return marks;
    const int low = std::max(0, Nearest(scale.YToValue(scale.ChartBottom)));
    const int high = std::min(MaxAxisValue, Nearest(scale.YToValue(scale.ChartTop)));
    const int unit = scale.TickUnit;
    for (int value = low; value <= high; ++value) {
        if (value % (5 * unit) != 0)
            continue;
        AxisMark mark;
        mark.value = value;
        mark.height = scale.ValueToY(value);
        mark.tickLength = 5;
        if (value % (10 * unit) == 0) {
            mark.grid = true;
            mark.tickLength = 9;
        }
        if (value % (50 * unit) == 0)
            mark.tickLength = 12;
        if (value % (100 * unit) == 0)
            mark.tickLength = 15;
        marks.push_back(mark);
    }
    return marks;
}

std::vector<MonthMark> MonthMarks(const History::EntryList& items)
{
    std::vector<MonthMark> marks;
    const bool yearsOnly = items.size() >= static_cast<std::size_t>(YearMarksFrom);
    int year = 0, dayOfMonth = 0;
    bool previousValid = false;
    for (std::size_t j = 0; j < items.size(); ++j) {
        const int day = History::EntryDay(items[j]);
        if (day < 0) {
            previousValid = false;
            continue;
        }
        int nextYear = 0, nextMonth = 0, nextDayOfMonth = 0;
        Support::DateOfDay(day).getDate(&nextYear, &nextMonth, &nextDayOfMonth);
        if (previousValid) {
            const bool monthStart = dayOfMonth > 15 && nextDayOfMonth < 15;
            const bool yearStart = nextYear > year;
            if (!yearsOnly && monthStart)
                marks.push_back({day, nextMonth, yearStart ? nextYear : 0});
            else if ((yearsOnly || monthStart) && yearStart)
                marks.push_back({day, nextMonth, nextYear});
        }
        year = nextYear;
        dayOfMonth = nextDayOfMonth;
        previousValid = true;
    }
    return marks;
}

QString ChartTitle(const History::EntryList& items, const Support::RegionalSettings& regional)
{
    if (items.empty())
        return {};
    const int first = History::EntryDay(items.front());
    const int last = History::EntryDay(items.back());
    if (first < 0 || last < 0)
        return {};
    return regional.ShortDate(Support::DateOfDay(first)) + QStringLiteral(" ... ") +
           regional.ShortDate(Support::DateOfDay(last));
}

QPolygon SeriesLine(const History::EntryList& items, const ChartScale& scale)
{
    QPolygon line;
    if (!scale.IsValid() || items.size() <= static_cast<std::size_t>(UndrawnItems))
        return line;
    const std::size_t drawn = items.size() - UndrawnItems;
    const double span = History::EntryDay(items.back()) + 1.0 - scale.FirstDay;
    const int shift = Nearest(span / static_cast<double>(items.size()));
    line.reserve(static_cast<int>(drawn) + 1);
    line << QPoint(scale.ChartLeft, scale.ChartBottom - scale.ValueToY(History::EntryValue(items.front())));
    for (std::size_t k = 0; k < drawn; ++k) {
        const int day = History::EntryDay(items[k]);
        if (day < 0)
            continue;
        line << QPoint(scale.DayToX(day) + shift,
                       scale.ChartBottom - scale.ValueToY(History::EntryValue(items[k])));
    }
    return line;
}

void DrawChart(QImage& plot, QImage& outer, const History::EntryList& items, const ChartScale& scale,
               const QDate& thirdFriday, const Support::RegionalSettings& regional,
               const ChartColours& colours)
{
    const QColor black(Qt::black);
    const QColor grid = QColor::fromRgb(GridColour);
    const int left = scale.ChartLeft;
    const int top = scale.ChartTop;
    const int right = scale.ChartRight;
    const int bottom = scale.ChartBottom;

    QPainter canvas(&plot);
    QPainter surface(&outer);

    // The white rectangle under it is covered completely; only the yellow one shows.
    FramedRectangle(canvas, left, top, right + 1, bottom + 1, black, QColor::fromRgb(PlotBackground));

    const QSize outerSize = LogicalSize(outer);
    FramedRectangle(surface, 0, 0, outerSize.width(), outerSize.height(), Qt::white, colours.buttonFace);
    surface.setBackgroundMode(Qt::OpaqueMode);
    surface.setBackground(colours.buttonFace);
    surface.setPen(colours.windowText);

    const QString title = ChartTitle(items, regional);
    surface.setFont(Verdana(TitlePixels, true));
    if (!title.isEmpty())
        TextAt(surface, (outerSize.width() - surface.fontMetrics().horizontalAdvance(title)) / 2, TitleTop,
               title);
    surface.setFont(Verdana(LabelPixels, false));

    const QPen blackPen = LinePen(black);
    const QPen gridPen = LinePen(grid);
    for (const AxisMark& mark : ValueAxisMarks(scale)) {
        const int row = bottom - mark.height;
        if (mark.grid) {
            canvas.setPen(gridPen);
            Line(canvas, left, row, right, row);
        }
        canvas.setPen(blackPen);
        Line(canvas, left, row, left + mark.tickLength, row);
        Line(canvas, right, row, right - mark.tickLength, row);
        TextAt(surface, right + LabelRightOfPlot, bottom + PlotOffset - LabelAboveRow - mark.height,
               QString::number(mark.value));
    }

    if (scale.HasDays) {
        for (const MonthMark& mark : MonthMarks(items)) {
            const int x = scale.DayToX(mark.day);
            canvas.setPen(gridPen);
            Line(canvas, x, bottom, x, top);
            canvas.setPen(blackPen);
            Line(canvas, x, bottom, x, bottom - MonthTickLength);
            TextAt(surface, x + PlotOffset, bottom + MonthNameBelowPlot,
                   regional.MonthAbbreviation(mark.month));
            if (mark.year != 0)
                TextAt(surface, x + PlotOffset, bottom + YearBelowPlot, QString::number(mark.year));
        }
    }

    const QPolygon line = SeriesLine(items, scale);
    if (!line.isEmpty()) {
        canvas.setPen(blackPen);
        canvas.drawPolyline(line);
    }

    if (scale.HasDays && thirdFriday.isValid()) {
        const int x = scale.DayToX(Support::DayNumber(thirdFriday));
        canvas.setPen(LinePen(black, Qt::DashLine));
        Line(canvas, x, bottom, x, top);
    }
}

void DrawTrendLine(QImage& plot, const QColor& colour, QPoint from, QPoint to)
{
    QPainter canvas(&plot);
    canvas.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    canvas.setBrush(Qt::NoBrush);
    canvas.setPen(LinePen(colour));
    canvas.drawLine(from, to);
}

} // namespace Chart
