#include "cell_style.h"

namespace quillar {

namespace {

// The sixteen basic colours, lighter than a terminal's usual ones where those
// are too dark to read on black (blue above all); black is a dark grey, so
// that black text still shows.
constexpr quint32 Basic[16] = {
    0x505050, 0xE05050, 0x50C850, 0xDCC83C, 0x5A82FF, 0xD25AD2, 0x46C8D2, 0xC8C8C8,
    0x808080, 0xFF6E6E, 0x78FF78, 0xFFFF6E, 0x82AAFF, 0xFF82FF, 0x6EFFFF, 0xFFFFFF,
};

} // namespace

quint32 colourRgb(quint32 colour)
{
    if (colour & CellStyle::RgbFlag)
        return colour & 0xFFFFFF;
    const int index = int(colour & 0xFF);
    if (index < 16)
        return Basic[index];
    if (index < 232) {
        const int cube = index - 16;
        const auto level = [](int step) { return quint32(step == 0 ? 0 : 55 + step * 40); };
        return level(cube / 36) << 16 | level(cube / 6 % 6) << 8 | level(cube % 6);
    }
    const quint32 grey = quint32(8 + (index - 232) * 10);
    return grey << 16 | grey << 8 | grey;
}

} // namespace quillar
