#pragma once

#include <QtGlobal>

namespace quillar {

// How one shown character is drawn when the terminal colours are on: its
// colours and its Select Graphic Rendition attributes. A colour is the
// view's own (Default), an entry of the 256-colour palette, or 24-bit RGB.
struct CellStyle
{
    enum Attribute : quint8 {
        Bold = 1,
        Dim = 2,
        Italic = 4,
        Underline = 8,
        Reverse = 16,
    };

    static constexpr quint32 Default = 0;
    static constexpr quint32 PaletteFlag = 0x01000000;
    static constexpr quint32 RgbFlag = 0x02000000;

    [[nodiscard]] static constexpr quint32 palette(int index) { return PaletteFlag | quint32(index & 0xFF); }
    [[nodiscard]] static constexpr quint32 rgb(int r, int g, int b)
    {
        return RgbFlag | quint32(r & 0xFF) << 16 | quint32(g & 0xFF) << 8 | quint32(b & 0xFF);
    }

    quint32 foreground = Default;
    quint32 background = Default;
    quint8 attributes = 0;

    [[nodiscard]] bool has(Attribute a) const { return (attributes & a) != 0; }
    [[nodiscard]] bool isPlain() const { return *this == CellStyle{}; }
    friend bool operator==(const CellStyle &, const CellStyle &) = default;
};

// The RGB (0xRRGGBB) of a colour that is not Default: the first 16 palette
// entries are tuned to read on the display's black background, 16..231 the
// 6x6x6 cube, 232..255 the grey ramp.
[[nodiscard]] quint32 colourRgb(quint32 colour);

} // namespace quillar
