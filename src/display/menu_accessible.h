#pragma once

class QMenu;

namespace quillar {

// Qt leaves popup menus out of the application's children on the
// accessibility bus (only their own events name them), so a screen reader
// that looks for the open menu, or walks the tree, does not find it. The
// application's accessible object installed here lists the open menus as
// its children too.
void installMenuAccessibility();

// Tells assistive technology, each time the menu or one of its submenus
// shows, that the application has it as a new child.
void announceWhenShown(QMenu &menu);

} // namespace quillar
