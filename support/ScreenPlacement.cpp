#include "support/ScreenPlacement.h"

#include <algorithm>

namespace Support {

QRect KeptOnScreen(const QRect& frame, const QRect& available)
{
    if (available.isEmpty())
        return frame;
    QRect kept = frame;
    kept.moveLeft(std::clamp(frame.left(), available.left(),
                             std::max(available.left(), available.right() - frame.width() + 1)));
    kept.moveTop(std::clamp(frame.top(), available.top(),
                            std::max(available.top(), available.bottom() - frame.height() + 1)));
    return kept;
}

} // namespace Support
