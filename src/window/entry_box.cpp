#include "entry_box.h"

#include <QFontMetricsF>
#include <QStyle>
#include <QStyleOptionFrame>

#include <algorithm>

namespace quillar {

namespace {
// The blank a line edit keeps on each side of its text, inside the contents.
constexpr int LineEditMargin = 2;
} // namespace

qreal EntryBox::textRoom(const QFont &font) const
{
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    const QRect contents =
        style()->subElementRect(QStyle::SE_LineEditContents, &panel, this).marginsRemoved(textMargins());
    const QFontMetricsF metrics(font, this);
    const qreal overhangs = std::max(0.0, -metrics.minLeftBearing()) + std::max(0.0, -metrics.minRightBearing());
    const int caret = style()->pixelMetric(QStyle::PM_TextCursorWidth, &panel, this);
    return contents.width() - 2 * LineEditMargin - std::max(1, caret) - overhangs;
}

} // namespace quillar
