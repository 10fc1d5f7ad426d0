#pragma once

#include <QRect>
#include <QString>
#include <QStringList>

#include <span>
#include <variant>
#include <vector>

class QLineEdit;
class QPushButton;

namespace quillar {

class DisplayView;
class RulerLabel;
class StatusLine;
class frmQuillar;

// Where the window keeps a control it creates, by its kind; plain labels are
// not kept.
using ControlMember = std::variant<std::monostate, QLineEdit * frmQuillar::*, QPushButton * frmQuillar::*,
                                   StatusLine * frmQuillar::*, RulerLabel * frmQuillar::*, DisplayView * frmQuillar::*>;

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
    ControlMember member = {};
};

// The design client area, in twips.
inline constexpr int DesignClientWidth = 14880;
inline constexpr int DesignClientHeight = 3990;

// Every visible control, top strip first, then the ruler and the display.
[[nodiscard]] std::span<const ControlLayout> windowControls();
// The control of that name; throws std::out_of_range for an unknown name.
[[nodiscard]] const ControlLayout &controlLayout(const QString &name);

// The controls that take the focus, in tab order (tab index 0 first).
[[nodiscard]] std::vector<const ControlLayout *> focusOrder();

} // namespace quillar
