#pragma once

#include <QString>

namespace quillar {

// $XDG_CONFIG_HOME/quillar, or ~/.config/quillar when that variable is unset
// or not an absolute path (relative values are to be ignored).
[[nodiscard]] QString userSettingsFolder(const QString &xdgConfigHome, const QString &homeDirectory);

// Creates the settings folder when missing and makes it the current
// directory, where Quillar.ini, the COM<N> links and a help document of the
// user's own are looked for. Returns why that failed, or an empty text.
[[nodiscard]] QString enterSettingsFolder(const QString &folder);

} // namespace quillar
