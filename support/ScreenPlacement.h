#pragma once
// Keeping a window on the screen: a plain rule on rectangles, so that each window applies it
// to its own frame and its screen's available area, and tests check it without a screen.

#include <QRect>

namespace Support {

// `frame` moved, at its size, the least distance that puts it inside `available`. A frame
// wider or taller than the area keeps its left or top edge on the area's, so that the
// caption stays within reach. An empty area leaves the frame where it is.
QRect KeptOnScreen(const QRect& frame, const QRect& available);

} // namespace Support
