#pragma once
// The program's artwork, a small chart with a green trend line, drawn in code so that it
// is sharp at every size and device pixel ratio. app/icons/koerszicht.svg is the same drawing.

#include <QIcon>
#include <QImage>

class QPainter;

// Paints the artwork into a square of `side` logical pixels at the painter's origin.
void PaintAppArtwork(QPainter& painter, qreal side);
// The artwork as an image of `side` x `side` device pixels.
QImage AppArtworkImage(int side);
// The window icon and the About button glyph; a size is painted when it is first shown.
QIcon AppIcon();
