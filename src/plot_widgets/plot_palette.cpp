#include "plot_palette.h"

#include <array>

namespace quillar {

QPen seriesPen(int index)
{
    static const std::array<QColor, 8> Colours{
        QColor(0x00, 0x72, 0xB2), QColor(0xE6, 0x9F, 0x00), QColor(0x00, 0x9E, 0x73), QColor(0xD5, 0x5E, 0x00),
        QColor(0x56, 0xB4, 0xE9), QColor(0xCC, 0x79, 0xA7), QColor(0x00, 0x00, 0x00), QColor(0xF0, 0xE4, 0x42)};
    static const std::array<Qt::PenStyle, 3> Styles{Qt::SolidLine, Qt::DashLine, Qt::DotLine};
    const auto k = std::size_t(std::max(index, 0));
    QPen pen(Colours[k % Colours.size()], 1);
    pen.setStyle(Styles[(k / Colours.size()) % Styles.size()]);
    return pen;
}

} // namespace quillar
