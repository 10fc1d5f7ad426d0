#pragma once

#include <QFont>
#include <QString>

class QPaintDevice;

namespace quillar {

// The window's boxes and status line are as wide as they were drawn, whatever
// font the desktop gives them: a text that must show whole narrows the font.
namespace FittedFont {
// Narrower than this, letters start to run into each other.
inline constexpr int NarrowestStretch = 60;
} // namespace FittedFont

// `font`, condensed just enough (down to `narrowest` per cent) for `text` to
// take at most `width` pixels on `device`; when even that is too wide and
// `mayShrink` is set, also smaller. A text that fits already leaves the font
// as it is.
[[nodiscard]] QFont fittedFont(const QFont &font, const QString &text, qreal width, const QPaintDevice *device,
                               bool mayShrink, int narrowest = FittedFont::NarrowestStretch);

// How wide `text` is in `font` on `device`, in pixels.
[[nodiscard]] qreal textWidth(const QFont &font, const QString &text, const QPaintDevice *device);

// `count` times the widest digit of `font`: what a box that takes that many
// digits must be able to show whole.
[[nodiscard]] QString widestDigits(const QFont &font, int count, const QPaintDevice *device);

} // namespace quillar
