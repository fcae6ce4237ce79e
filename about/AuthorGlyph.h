#pragma once
// The small picture on the About box's author button: the head and shoulders of a person,
// drawn in code so that it stays sharp at every device pixel ratio.

#include <QIcon>
#include <QImage>

// The picture as an image of `side` x `side` device pixels; grey when not enabled.
QImage AuthorGlyphImage(int side, bool enabled);
// The button's icon: a normal and a disabled picture, 16 x 16 and at double density.
QIcon AuthorGlyph();
