#include "chart/ChartDrawing.h"

#include "support/Clock.h"
#include "support/Texts.h"

#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QPainter>
#include <QPen>
#include <QStaticText>
#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>

namespace Chart {

namespace {
constexpr int TitleTop = 15;
constexpr int TitlePixels = 16; // 12 points at 96 dots per inch
constexpr int LabelPixels = 15; // 11 points
constexpr int LabelGap = 4;     // the least room between two labels of a row
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
// `frame` around a fill in `fill` (left out when `filled` is false).
void FramedRectangle(QPainter& painter, int left, int top, int right, int bottom, const QColor& frame,
                     const QColor& fill, bool filled = true)
{
    const int width = right - left;
    const int height = bottom - top;
    if (width <= 0 || height <= 0)
        return;
    if (filled && width > 2 && height > 2)
        painter.fillRect(QRect(left + 1, top + 1, width - 2, height - 2), fill);
    painter.fillRect(QRect(left, top, width, 1), frame);
    painter.fillRect(QRect(left, bottom - 1, width, 1), frame);
    painter.fillRect(QRect(left, top, 1, height), frame);
    painter.fillRect(QRect(right - 1, top, 1, height), frame);
}

// A line that covers A and stops one pixel before B, 1 device pixel wide. Level and upright
// solid lines are filled rectangles: Qt's line drawing blends an upright line pixel by pixel,
// which made the month lines the slowest part of a redraw.
void Line(QPainter& painter, int ax, int ay, int bx, int by)
{
    const bool level = ay == by;
    const bool upright = ax == bx;
    if (painter.pen().style() != Qt::SolidLine || (!level && !upright)) {
        // Qt leaves out the right or lower end whichever way a line runs: shift one pixel onto A.
        if (level && bx < ax)
            painter.drawLine(bx + 1, ay, ax + 1, ay);
        else if (upright && by < ay)
            painter.drawLine(ax, by + 1, ax, ay + 1);
        else
            painter.drawLine(ax, ay, bx, by);
        return;
    }
    const qreal thin = 1.0 / painter.device()->devicePixelRatioF();
    const QColor colour = painter.pen().color();
    if (level) {
        const int from = bx < ax ? bx + 1 : ax;
        const int to = bx < ax ? ax + 1 : bx;
        if (to > from)
            painter.fillRect(QRectF(from, ay, to - from, thin), colour);
    } else {
        const int from = by < ay ? by + 1 : ay;
        const int to = by < ay ? ay + 1 : by;
        if (to > from)
            painter.fillRect(QRectF(ax, from, thin, to - from), colour);
    }
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

// The labels (values, month names, years) come back on every redraw: their layout is kept.
class LabelWriter
{
public:
    LabelWriter(QPainter& painter, const QColor& background) : m_painter(painter), m_background(background)
    {
        const QFont font = Verdana(LabelPixels, false);
        m_painter.setFont(font);
        // The background is filled here: laid-out text in opaque mode lands at the wrong place
        // on a bitmap with a device pixel ratio.
        m_painter.setBackgroundMode(Qt::TransparentMode);
        m_height = m_painter.fontMetrics().height();
        const qreal ratio = m_painter.device()->devicePixelRatioF();
        if (Cache().font != font || Cache().ratio != ratio) {
            Cache() = {font, ratio, {}};
        }
    }

    // Returns the right edge of the label.
    int Write(int x, int y, const QString& text)
    {
        auto& cache = Cache();
        auto label = cache.labels.find(text);
        if (label == cache.labels.end()) {
            if (cache.labels.size() > MaxKept)
                cache.labels.clear();
            Label made{QStaticText(text), m_painter.fontMetrics().horizontalAdvance(text)};
            made.text.setTextFormat(Qt::PlainText);
            // Laid out for the painter's own transform; the device pixel ratio is applied on drawing.
            made.text.prepare(m_painter.transform(), cache.font);
            label = cache.labels.insert(text, made);
        }
        m_painter.fillRect(QRect(x, y, label->width, m_height), m_background);
        m_painter.drawStaticText(QPoint(x, y), label->text);
        return x + label->width;
    }

private:
    static constexpr qsizetype MaxKept = 1000;
    struct Label
    {
        QStaticText text;
        int width = 0;
    };
    struct Kept
    {
        QFont font;
        qreal ratio = 0.0;
        QHash<QString, Label> labels;
    };
    static Kept& Cache()
    {
        static Kept kept;
        return kept;
    }

    QPainter& m_painter;
    QColor m_background;
    int m_height = 0;
};

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

std::vector<MonthMark> MonthMarks(const SeriesData& series)
{
    std::vector<MonthMark> marks;
    const bool yearsOnly = series.size() >= static_cast<std::size_t>(YearMarksFrom);
    int year = 0, dayOfMonth = 0;
    bool previousValid = false;
    for (const int day : series.days) {
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

QString ChartTitle(const SeriesData& series, const Support::RegionalSettings& regional)
{
    if (series.empty())
        return {};
    const int first = series.days.front();
    const int last = series.days.back();
    if (first < 0 || last < 0)
        return {};
    return regional.ShortDate(Support::DateOfDay(first)) + QStringLiteral(" ... ") +
           regional.ShortDate(Support::DateOfDay(last));
}

QPolygon SeriesLine(const SeriesData& series, const ChartScale& scale)
{
    QPolygon line;
    if (!scale.IsValid() || series.size() <= static_cast<std::size_t>(UndrawnItems))
        return line;
    const std::size_t drawn = series.size() - UndrawnItems;
    const double span = series.days.back() + 1.0 - scale.FirstDay;
    const int shift = Nearest(span / static_cast<double>(series.size()));
    line.reserve(
        static_cast<int>(std::min<std::size_t>(drawn, 4 * static_cast<std::size_t>(scale.ChartRight + 2))));

    // The points of one pixel column: the first, the top and bottom ones in the order met, the last.
    struct Column
    {
        QPoint first, last, top, bottom;
        int count = 0, topAt = 0, bottomAt = 0;
    } column;
    const auto closeColumn = [&] {
        line << column.first;
        const bool topEarlier = column.topAt < column.bottomAt;
        for (const QPoint& extreme :
             {topEarlier ? column.top : column.bottom, topEarlier ? column.bottom : column.top})
            if (extreme != line.last() && extreme != column.last)
                line << extreme;
        if (column.last != line.last())
            line << column.last;
    };
    const auto add = [&](QPoint point) {
        if (column.count > 0 && point.x() == column.first.x()) {
            if (point.y() < column.top.y()) {
                column.top = point;
                column.topAt = column.count;
            }
            if (point.y() > column.bottom.y()) {
                column.bottom = point;
                column.bottomAt = column.count;
            }
            column.last = point;
            ++column.count;
            return;
        }
        if (column.count > 0)
            closeColumn();
        column = Column{point, point, point, point, 1, 0, 0};
    };

    add(QPoint(scale.ChartLeft, scale.ChartBottom - scale.ValueToY(series.values.front())));
    for (std::size_t k = 0; k < drawn; ++k) {
        if (series.days[k] < 0)
            continue;
        add(QPoint(scale.DayToX(series.days[k]) + shift,
                   scale.ChartBottom - scale.ValueToY(series.values[k])));
    }
    if (column.count > 0)
        closeColumn();
    return line;
}

namespace {

// Draws the plot area with `canvas` and the surface of `outerSize` around it with `surface`;
// a part without a painter is left out. The plot area's background is the caller's.
void DrawParts(QPainter* canvas, QPainter* surface, QSize outerSize, const SeriesData& series,
               const ChartScale& scale, const QDate& thirdFriday, const Support::RegionalSettings& regional,
               const ChartColours& colours)
{
    const QColor black(Qt::black);
    const QColor grid = QColor::fromRgb(GridColour);
    const int left = scale.ChartLeft;
    const int top = scale.ChartTop;
    const int right = scale.ChartRight;
    const int bottom = scale.ChartBottom;
    const QPen blackPen = LinePen(black);
    const QPen gridPen = LinePen(grid);
    // A line of the plot area, in `pen`.
    const auto plotLine = [canvas](const QPen& pen, int ax, int ay, int bx, int by) {
        canvas->setPen(pen);
        Line(*canvas, ax, ay, bx, by);
    };

    if (canvas) {
        canvas->fillRect(QRect(left, top, right + 1 - left, 1), black);
        canvas->fillRect(QRect(left, top, 1, bottom + 1 - top), black);
        canvas->fillRect(QRect(right, top, 1, bottom + 1 - top), black);
        canvas->fillRect(QRect(left, bottom, right + 1 - left, 1), black);
    }

    std::optional<LabelWriter> labels;
    if (surface) {
        // The surface around: the part under the plot area's panel is never seen and not filled.
        const QRegion hidden(PlotOffset, PlotOffset, std::max(0, right - 2), std::max(0, bottom - 2));
        for (const QRect& band : QRegion(0, 0, outerSize.width(), outerSize.height()).subtracted(hidden))
            surface->fillRect(band, colours.buttonFace);
        FramedRectangle(*surface, 0, 0, outerSize.width(), outerSize.height(), Qt::white, colours.buttonFace,
                        false);
        surface->setBackgroundMode(Qt::OpaqueMode);
        surface->setBackground(colours.buttonFace);
        surface->setPen(colours.windowText);

        const QString title = ChartTitle(series, regional);
        surface->setFont(Verdana(TitlePixels, true));
        if (!title.isEmpty())
            TextAt(*surface, (outerSize.width() - surface->fontMetrics().horizontalAdvance(title)) / 2,
                   TitleTop, title);
        labels.emplace(*surface, colours.buttonFace);
    }

    for (const AxisMark& mark : ValueAxisMarks(scale)) {
        const int row = bottom - mark.height;
        if (canvas) {
            if (mark.grid)
                plotLine(gridPen, left, row, right, row);
            plotLine(blackPen, left, row, left + mark.tickLength, row);
            Line(*canvas, right, row, right - mark.tickLength, row);
        }
        if (labels)
            labels->Write(right + LabelRightOfPlot, bottom + PlotOffset - LabelAboveRow - mark.height,
                          QString::number(mark.value));
    }

    if (scale.HasDays) {
        // A label that would run into the one before it is left out (its line stays): with many
        // days the month names would otherwise run together into one unreadable row.
        int monthsEnd = INT_MIN;
        int yearsEnd = INT_MIN;
        for (const MonthMark& mark : MonthMarks(series)) {
            const int x = scale.DayToX(mark.day);
            if (canvas) {
                plotLine(gridPen, x, bottom, x, top);
                plotLine(blackPen, x, bottom, x, bottom - MonthTickLength);
            }
            if (!labels)
                continue;
            const int labelX = x + PlotOffset;
            if (labelX >= monthsEnd)
                monthsEnd = labels->Write(labelX, bottom + MonthNameBelowPlot,
                                          regional.MonthAbbreviation(mark.month)) +
                            LabelGap;
            if (mark.year != 0 && labelX >= yearsEnd)
                yearsEnd =
                    labels->Write(labelX, bottom + YearBelowPlot, QString::number(mark.year)) + LabelGap;
        }
    }
    if (!canvas)
        return;

    const QPolygon line = SeriesLine(series, scale);
    if (!line.isEmpty()) {
        canvas->setPen(blackPen);
        canvas->drawPolyline(line);
    }

    if (scale.HasDays && thirdFriday.isValid()) {
        const int x = scale.DayToX(Support::DayNumber(thirdFriday));
        plotLine(LinePen(black, Qt::DashLine), x, bottom, x, top);
    }
}

} // namespace

void DrawChart(QImage& plot, QImage& outer, const SeriesData& series, const ChartScale& scale,
               const QDate& thirdFriday, const Support::RegionalSettings& regional,
               const ChartColours& colours)
{
    // The white rectangle under it is covered completely; only the yellow one shows, with its
    // right and bottom frame lines just outside the bitmap.
    plot.fill(QColor::fromRgb(PlotBackground));
    QPainter canvas(&plot);
    QPainter surface(&outer);
    DrawParts(&canvas, &surface, LogicalSize(outer), series, scale, thirdFriday, regional, colours);
}

void DrawPlot(QPainter& canvas, QSize size, const SeriesData& series, const ChartScale& scale,
              const QDate& thirdFriday)
{
    canvas.fillRect(QRect(QPoint(0, 0), size), QColor::fromRgb(PlotBackground));
    DrawParts(&canvas, nullptr, {}, series, scale, thirdFriday, Support::Regional(), {});
}

void DrawSurface(QPainter& surface, QSize size, const SeriesData& series, const ChartScale& scale,
                 const Support::RegionalSettings& regional, const ChartColours& colours)
{
    DrawParts(nullptr, &surface, size, series, scale, {}, regional, colours);
}

QString PlotNote(int lastValuedDay, int today, Support::Language language)
{
    using Support::Text;
    if (lastValuedDay == History::NoDay)
        return QString::fromLatin1(Support::TextFor(Text::PlotNoValues, language));
    if (today - lastValuedDay <= StaleAfterDays)
        return {};
    const Support::RegionalSettings dateForm = language == Support::Language::Dutch
                                                   ? Support::RegionalSettings::Dutch()
                                                   : Support::RegionalSettings::English();
    return QString::fromLatin1(Support::TextFor(Text::PlotNoValuesAfter, language)) +
           dateForm.ShortDate(Support::DateOfDay(lastValuedDay));
}

void DrawPlotNote(QImage& plot, const ChartScale& scale, const QString& note)
{
    if (note.isEmpty())
        return;
    QPainter canvas(&plot);
    DrawPlotNote(canvas, scale, note);
}

void DrawPlotNote(QPainter& canvas, const ChartScale& scale, const QString& note)
{
    if (note.isEmpty())
        return;
    canvas.setFont(Verdana(LabelPixels, true));
    const QFontMetrics metrics = canvas.fontMetrics();
    const int padding = 4;
    const int width = metrics.horizontalAdvance(note) + 2 * padding;
    const int height = metrics.height() + 2 * padding;
    const int plotWidth = scale.ChartRight - scale.ChartLeft;
    const int plotHeight = scale.ChartBottom - scale.ChartTop;
    // With values, the top tenth of the plot lies above the highest one.
    const int top = scale.HasValues ? scale.ChartTop + 3 : scale.ChartTop + (plotHeight - height) / 2;
    const QRect patch(scale.ChartLeft + (plotWidth - width) / 2, top, width, height);
    canvas.fillRect(patch, QColor::fromRgb(PlotBackground));
    canvas.setPen(Qt::black);
    TextAt(canvas, patch.left() + padding, patch.top() + padding, note);
}

void DrawTrendLine(QImage& plot, const QColor& colour, QPoint from, QPoint to)
{
    QPainter canvas(&plot);
    DrawTrendLine(canvas, colour, from, to);
}

void DrawTrendLine(QPainter& canvas, const QColor& colour, QPoint from, QPoint to)
{
    canvas.save();
    canvas.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    canvas.setBrush(Qt::NoBrush);
    canvas.setPen(LinePen(colour));
    canvas.drawLine(from, to);
    canvas.restore();
}

QImage HandleCircle(const QColor& colour, QSize size, qreal devicePixelRatio)
{
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const QSize pixels = (QSizeF(size) * ratio).toSize().expandedTo(QSize(1, 1));
    QImage circle(pixels, QImage::Format_ARGB32_Premultiplied);
    circle.setDevicePixelRatio(ratio);
    circle.fill(Qt::transparent);
    // A pixel belongs to the ring when its centre lies within half the ring's width of the
    // circle through the middle of the ring: a symmetric outline without blended pixels.
    const double ring = std::max(1.0, std::round(ratio));
    const double centreX = pixels.width() / 2.0;
    const double centreY = pixels.height() / 2.0;
    const double radius = std::min(centreX, centreY) - ring / 2.0;
    if (radius <= 0) {
        circle.fill(colour);
        return circle;
    }
    const QRgb pen = colour.rgb();
    for (int y = 0; y < pixels.height(); ++y)
        for (int x = 0; x < pixels.width(); ++x)
            if (std::abs(std::hypot(x + 0.5 - centreX, y + 0.5 - centreY) - radius) <= ring / 2.0)
                circle.setPixel(x, y, pen);
    return circle;
}

} // namespace Chart
