#pragma once

#include <QRect>
#include <QSize>
#include <QVector>

// The main window's first size on the screen it opens on.
struct WindowFit
{
    QSize size;
    // The wanted size does not fit: the window opens maximized, so that the window manager
    // fits it frame and all and nothing (the start button among it) is off the screen.
    bool maximized = false;
};

// wanted as it is when the available area (the screen less panels) holds it; otherwise bounded
// by that area and maximized. An empty area (no screen known) keeps wanted.
WindowFit fitWindow(const QSize &wanted, const QRect &available);

// Column widths of a table narrower than its columns' preferred widths. While they all fit, every
// column keeps its preferred width. Otherwise the columns other than `elastic` (a free text that
// is cut where it is too long; -1 for none) first give up their room above their minimum (what
// their contents need), each in proportion to that room, and the elastic one only after them:
// so the values stay in view and the free text keeps what is left. Never below a minimum: when
// even the minimums do not fit, the columns on the right lie beyond the width. A minimum above
// the preferred width counts as the preferred width.
QVector<int> fitColumnWidths(const QVector<int> &preferred, const QVector<int> &minimum,
                             int available, int elastic);
