#pragma once

#include <functional>

class QMenu;

namespace quillar {

class DisplayView;

// The window's part of the display's context menu: Save... and Clear, which
// run the buttons' own handlers (and so give the display the focus as they
// do), and the time column's choices.
void addWindowItems(QMenu &menu, DisplayView &display, const std::function<void()> &save,
                    const std::function<void()> &clear);

} // namespace quillar
