#include "windowfit.h"

WindowFit fitWindow(const QSize &wanted, const QRect &available)
{
    WindowFit fit;
    fit.size = wanted;
    if (available.isEmpty())
        return fit;
    // The frame and title bar come on top of the size set here, so an exact fit is too big.
    const bool fits = wanted.width() < available.width() && wanted.height() < available.height();
    if (!fits) {
        fit.size = wanted.boundedTo(available.size());
        fit.maximized = true;
    }
    return fit;
}
