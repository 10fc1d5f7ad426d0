#pragma once

#include <QLineEdit>

namespace quillar {

// An entry box of the window's strip. Its width is the design's, so the
// window asks how much room it leaves for text and picks a font in which every
// box shows as many digits as it takes.
class EntryBox : public QLineEdit
{
    Q_OBJECT

public:
    using QLineEdit::QLineEdit;

    // The widest text that still shows whole in `font`, in pixels: the box
    // less its frame, its margins, the caret and the font's overhangs.
    [[nodiscard]] qreal textRoom(const QFont &font) const;
};

} // namespace quillar
