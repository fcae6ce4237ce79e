#include "app/AppIcon.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>
#include <map>

namespace {

// Paints each size of the artwork when it is first asked for, and keeps it: the About button
// takes one small size for the first paint, and the window system's sizes follow later.
class ArtworkEngine : public QIconEngine
{
public:
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        painter->drawPixmap(rect, pixmap(rect.size(), mode, state));
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override
    {
        const int side = std::min(size.width(), size.height());
        if (side <= 0)
            return {};
        QPixmap& painted = m_painted[side];
        if (painted.isNull())
            painted = QPixmap::fromImage(AppArtworkImage(side));
        if (mode != QIcon::Disabled && mode != QIcon::Selected)
            return painted;
        // Greyed or tinted the way the style does it for every icon.
        QStyleOption option;
        option.palette = QApplication::palette();
        return QApplication::style()->generatedIconPixmap(mode, painted, &option);
    }
    // The sizes window systems and trays take, up to twice the usual at high pixel densities;
    // the desktop's larger icons come from the installed icon theme (app/icons) or, on
    // Windows, from the program file.
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        return {{16, 16}, {22, 22}, {24, 24}, {32, 32}, {48, 48}, {64, 64}};
    }
    QIconEngine* clone() const override { return new ArtworkEngine(*this); }
    QString key() const override { return QStringLiteral("KoerszichtArtwork"); }

private:
    std::map<int, QPixmap> m_painted;
};

} // namespace

void PaintAppArtwork(QPainter& painter, qreal side)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(side / 64.0, side / 64.0);
    painter.setPen(QPen(QColor(64, 64, 64), 3));
    painter.setBrush(QColor(255, 255, 187));
    painter.drawRoundedRect(QRectF(2, 2, 60, 60), 8, 8);
    painter.setPen(QPen(QColor(192, 192, 192), 2));
    for (int y : {20, 32, 44})
        painter.drawLine(QLineF(8, y, 56, y));
    QPainterPath series;
    const QPointF points[] = {{8, 48}, {16, 40}, {22, 44}, {30, 30}, {37, 34}, {44, 20}, {50, 24}, {56, 12}};
    series.moveTo(points[0]);
    for (const QPointF& point : points)
        series.lineTo(point);
    painter.setPen(QPen(Qt::black, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(series);
    const QColor green(0, 128, 0);
    painter.setPen(QPen(green, 4, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QLineF(8, 56, 58, 16));
    painter.setPen(QPen(green, 2.5));
    painter.drawEllipse(QPointF(8, 56), 4, 4);
    painter.drawEllipse(QPointF(58, 16), 4, 4);
    painter.restore();
}

QImage AppArtworkImage(int side)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    PaintAppArtwork(painter, side);
    return image;
}

QIcon AppIcon()
{
    return QIcon(new ArtworkEngine);
}
