#pragma once

#include <optional>

class QKeyEvent;

namespace quillar {

// The character code a key press types, as the boxes' key-press rule sees it,
// or nullopt for a key that types no character (arrows, Home, Delete, F keys).
// Ctrl with a letter gives its control code (Ctrl+C 3, Ctrl+V 22) whatever text
// the platform attached to the event.
[[nodiscard]] std::optional<int> keyAsciiOf(const QKeyEvent &event);

// The port and baud boxes' filter: codes below 10 (Backspace, Ctrl+C, ...) and
// the digits pass; everything else is discarded.
[[nodiscard]] bool digitFilterPasses(int keyAscii);

// The key that opens the help window, with any modifiers.
[[nodiscard]] bool isHelpKey(const QKeyEvent &event);

} // namespace quillar
