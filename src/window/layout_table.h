#pragma once

#include <QRect>
#include <QString>
#include <QStringList>

#include <span>

namespace quillar {

enum class ControlKind { PlainLabel, EntryBox, PushButton, StatusLabel, RulerLabel, Display };

// One control of the main window as designed: positions in twips, relative to
// the client area.
struct ControlLayout
{
    const char *name;
    ControlKind kind;
    const char *text;    // caption or initial text
    const char *toolTip; // empty: none
    int left;
    int top;
    int width;
    int height;
    int tabIndex;
    int maxLength = 0; // entry boxes; 0: no limit
    bool rightAligned = false;
    bool boldFont = false; // the small bold font of the ">" and "<" labels
    // What assistive technology calls the control, where its caption does not
    // say it: the entry boxes take the label beside them.
    const char *accessibleName = "";
};

// The design client area, in twips.
inline constexpr int DesignClientWidth = 14880;
inline constexpr int DesignClientHeight = 3990;

// Every visible control, top strip first, then the ruler and the display.
[[nodiscard]] std::span<const ControlLayout> windowControls();
// The control of that name; throws std::out_of_range for an unknown name.
[[nodiscard]] const ControlLayout &controlLayout(const QString &name);

// The names in tab order: the controls that take the focus, tab index 0 first.
[[nodiscard]] QStringList focusOrder();

} // namespace quillar
