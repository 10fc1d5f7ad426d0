#pragma once

#include <QKeySequence>

#include <functional>

class QMenu;

namespace quillar {

class DisplayBuffer;
class DisplayView;

// What opens the plot's window, wherever the focus is in the main window.
inline const QKeySequence PlotShortcut{Qt::CTRL | Qt::Key_G};

// The window's part of the display's context menu: Save... and Clear, which
// run the buttons' own handlers (and so give the display the focus as they
// do), the time column's choices, the choices of what the bytes show as,
// the highlight rules and the plot.
void addWindowItems(QMenu &menu, DisplayView &display, const std::function<void()> &save,
                    const std::function<void()> &clear, const std::function<void()> &plot);

// Colori del terminale and UTF-8, checked as the display's choices stand.
void addShowChoices(QMenu &menu, DisplayBuffer &buffer);
// The highlight rules' dialog, beside the display's window; OK applies them.
void openHighlights(DisplayView &display);

} // namespace quillar
