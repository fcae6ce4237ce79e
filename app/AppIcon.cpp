#include "app/AppIcon.h"

#include <QPainter>
#include <QPainterPath>

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
    QIcon icon;
    // The sizes window systems and trays take, up to twice the usual at high pixel densities;
    // the desktop's larger icons come from the installed icon theme (app/icons) or, on Windows,
    // from the program file. Every size is painted at the start.
    for (int side : {16, 22, 24, 32, 48, 64})
        icon.addPixmap(QPixmap::fromImage(AppArtworkImage(side)));
    return icon;
}
