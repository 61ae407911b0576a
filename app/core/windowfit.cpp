#include "windowfit.h"

#include <algorithm>

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

QVector<int> fitColumnWidths(const QVector<int> &preferred, const QVector<int> &minimum,
                             int available, int elastic)
{
    QVector<int> widths = preferred;
    const int count = preferred.size();
    auto room = [&](int i) {
        const int floor = std::clamp(minimum.value(i), 0, std::max(preferred.at(i), 0));
        return std::max(widths.at(i) - floor, 0);
    };
    qint64 excess = -qint64(available);
    for (int w : widths)
        excess += w;
    if (excess <= 0)
        return widths;

    QVector<int> rooms(count);
    qint64 slack = 0;
    for (int i = 0; i < count; ++i) {
        rooms[i] = i == elastic ? 0 : room(i);
        slack += rooms.at(i);
    }
    const qint64 taken = std::min(excess, slack);
    if (taken > 0) {
        // Cut by the running share, so that the cuts add up to exactly what is taken.
        qint64 before = 0;
        qint64 cutSoFar = 0;
        for (int i = 0; i < count; ++i) {
            before += rooms.at(i);
            const qint64 cutTo = (before * taken + slack / 2) / slack;
            widths[i] -= int(cutTo - cutSoFar);
            cutSoFar = cutTo;
        }
        excess -= taken;
    }
    if (excess > 0 && elastic >= 0 && elastic < count)
        widths[elastic] -= int(std::min<qint64>(excess, room(elastic)));
    return widths;
}
