#pragma once

#include <QFont>

namespace quillar {

// The fixed-pitch font of the display and of both ruler labels: one font, so
// the ruler's cells are the display's cells. DejaVu Sans Mono at 10 pt has a
// cell of 8 by 16 pixels at 96 DPI, the cell the window's layout was drawn for.
[[nodiscard]] QFont displayFont();
// The window's default font, for the boxes, buttons and plain labels.
[[nodiscard]] QFont windowFont();
// The small bold font of the ">" and "<" labels.
[[nodiscard]] QFont boldLabelFont();

} // namespace quillar
