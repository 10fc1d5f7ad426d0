#include "system_colours.h"

#include <array>
#include <utility>

namespace quillar {

QColor systemColour(int index)
{
    // The classic grey desktop scheme the window was designed against.
    static constexpr std::array<std::pair<int, QRgb>, 4> table{{
        {SystemColour::WindowText, 0xff000000},
        {SystemColour::AppWorkspace, 0xffababab},
        {SystemColour::ButtonFace, 0xffd4d0c8},
        {SystemColour::InactiveCaptionText, 0xffd4d0c8},
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
