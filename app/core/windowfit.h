#pragma once

#include <QRect>
#include <QSize>

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
