#include "about/AuthorGlyph.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

// Drawn on a 16 x 16 grid and scaled to the image.
void PaintAuthor(QPainter& painter, qreal side, const QColor& colour)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(side / 16.0, side / 16.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawEllipse(QPointF(8.0, 4.6), 3.3, 3.3);
    QPainterPath shoulders;
    shoulders.moveTo(1.5, 15.5);
    shoulders.cubicTo(1.5, 10.5, 4.5, 9.0, 8.0, 9.0);
    shoulders.cubicTo(11.5, 9.0, 14.5, 10.5, 14.5, 15.5);
    shoulders.closeSubpath();
    painter.drawPath(shoulders);
    painter.restore();
}

} // namespace

QImage AuthorGlyphImage(int side, bool enabled)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    PaintAuthor(painter, side, enabled ? QColor(0, 64, 160) : QColor(160, 160, 160));
    return image;
}

QIcon AuthorGlyph()
{
    QIcon icon;
    for (int side : {16, 32}) {
        icon.addPixmap(QPixmap::fromImage(AuthorGlyphImage(side, true)), QIcon::Normal);
        icon.addPixmap(QPixmap::fromImage(AuthorGlyphImage(side, false)), QIcon::Disabled);
    }
    return icon;
}
