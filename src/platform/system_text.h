#pragma once

#include <QString>

namespace quillar {

// The system's reason for a failed call (an errno), in the window's
// language: the system's own text follows the user's locale, the window
// does not. A reason with no text of ours is named by its symbol.
[[nodiscard]] QString systemText(int errnoValue);

} // namespace quillar
