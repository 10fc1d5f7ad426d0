#include "system_colours.h"

#include <array>
#include <utility>

namespace quillar {

QColor systemColour(int index)
{
    // The classic standard desktop scheme the window was designed against:
    // its light grey label text reads on the darker workspace grey.
    static constexpr std::array<std::pair<int, QRgb>, 4> table{{
        {SystemColour::WindowText, 0xff000000},
        {SystemColour::AppWorkspace, 0xff808080},
        {SystemColour::ButtonFace, 0xffc0c0c0},
        {SystemColour::InactiveCaptionText, 0xffc0c0c0},
    }};
    for (const auto &[i, rgb] : table) {
        if (i == index)
            return QColor::fromRgb(rgb);
    }
    return QColor(Qt::black);
}

QColor colourFromValue(quint32 value)
{
    if (value & 0x80000000u)
        return systemColour(static_cast<int>(value & 0xffu));
    return QColor(static_cast<int>(value & 0xffu), static_cast<int>((value >> 8) & 0xffu),
                  static_cast<int>((value >> 16) & 0xffu));
}

} // namespace quillar
