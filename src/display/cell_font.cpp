#include "cell_font.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace quillar {

namespace {

bool isControl(QChar ch)
{
    const char16_t u = ch.unicode();
    return u < 0x20 || (u >= 0x7F && u <= 0x9F);
}

} // namespace

CellFont::CellFont(const QFont &font, const QPaintDevice *device) : m_rawFont(QRawFont::fromFont(font))
{
    const QFontMetricsF metrics = device ? QFontMetricsF(font, device) : QFontMetricsF(font);
    m_cellWidth = std::max<qreal>(1, metrics.horizontalAdvance(QLatin1Char('0')));
    m_lineHeight = std::max(1, static_cast<int>(std::ceil(metrics.height())));
    m_ascent = metrics.ascent();
}

CellFont::Cell CellFont::cellFor(QChar ch) const
{
    const char16_t u = ch.unicode();
    if (u >= CachedRange)
        return lookUp(ch);
    if (m_cache.empty()) {
        m_cache.resize(CachedRange);
        m_cached.assign(CachedRange, false);
    }
    if (!m_cached[u]) {
        m_cache[u] = lookUp(ch);
        m_cached[u] = true;
    }
    return m_cache[u];
}

CellFont::Cell CellFont::lookUp(QChar ch) const
{
    Cell cell;
    if (isControl(ch)) {
        cell.shape = Shape::Control;
        return cell;
    }
    // A surrogate half is not a character on its own; it keeps its cell.
    if (ch.isSurrogate() || !m_rawFont.isValid())
        return cell;
    quint32 glyph = 0;
    int count = 1;
    if (!m_rawFont.glyphIndexesForChars(&ch, 1, &glyph, &count) || count != 1 || glyph == 0)
        return cell;
    QPointF advance;
    m_rawFont.advancesForGlyphIndexes(&glyph, &advance, 1);
    cell.shape = Shape::Glyph;
    cell.glyph = glyph;
    cell.xOffset = (m_cellWidth - advance.x()) / 2;
    return cell;
}

} // namespace quillar
