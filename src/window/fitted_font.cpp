#include "fitted_font.h"

#include <QFontMetricsF>
#include <QPaintDevice>

namespace quillar {

qreal textWidth(const QFont &font, const QString &text, const QPaintDevice *device)
{
    return QFontMetricsF(font, device).horizontalAdvance(text);
}

QFont fittedFont(const QFont &font, const QString &text, qreal width, const QPaintDevice *device, bool mayShrink,
                 int narrowest)
{
    if (textWidth(font, text, device) <= width)
        return font;
    const auto at = [&font](int stretch) {
        QFont f = font;
        f.setStretch(stretch);
        return f;
    };
    // The widest stretch that fits: widths grow with the stretch.
    int low = narrowest;                                                                         // may not fit
    int high = font.stretch() > 0 && font.stretch() != QFont::AnyStretch ? font.stretch() : 100; // does not fit
    while (high - low > 1) {
        const int mid = (low + high) / 2;
        (textWidth(at(mid), text, device) <= width ? low : high) = mid;
    }
    QFont fitted = at(low);
    if (!mayShrink)
        return fitted;
    // Then smaller, a quarter point at a time; a font too small to read is
    // still better than digits that are not there.
    while (textWidth(fitted, text, device) > width) {
        if (fitted.pointSizeF() > 1.0)
            fitted.setPointSizeF(fitted.pointSizeF() - 0.25);
        else if (fitted.pixelSize() > 1)
            fitted.setPixelSize(fitted.pixelSize() - 1);
        else
            break;
    }
    return fitted;
}

QString widestDigits(const QFont &font, int count, const QPaintDevice *device)
{
    const QFontMetricsF metrics(font, device);
    QChar widest = u'0';
    for (char16_t d = u'1'; d <= u'9'; ++d) {
        if (metrics.horizontalAdvance(QChar(d)) > metrics.horizontalAdvance(widest))
            widest = QChar(d);
    }
    return QString(count, widest);
}

} // namespace quillar
