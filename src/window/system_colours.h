#pragma once

#include <QColor>

namespace quillar {

// The four system colours the window uses, by their index, mapped in one place.
// Fixed colours rather than palette roles, so that a dark desktop theme cannot
// turn the display light or the boxes' black text unreadable.
namespace SystemColour {
inline constexpr int WindowText = 8;           // the display's background
inline constexpr int AppWorkspace = 12;        // window, labels, ruler
inline constexpr int ButtonFace = 15;          // plain label text
inline constexpr int InactiveCaptionText = 19; // entry boxes' normal background
} // namespace SystemColour

// The colour for a system colour index; an index not in the table gives black.
[[nodiscard]] QColor systemColour(int index);

// A colour value as the window's design writes it: red in the lowest byte, or a
// system colour when the high bit is set (0x8000000C is system colour 12).
[[nodiscard]] QColor colourFromValue(quint32 value);

} // namespace quillar
