#include "twips.h"

#include "rounding.h"

#include <QGuiApplication>
#include <QScreen>

namespace quillar {

double logicalDpi()
{
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const double dpi = screen->logicalDotsPerInchX();
        if (dpi > 0)
            return dpi;
    }
    return 96.0;
}

int twipsToPixels(double twips, double dpi)
{
    return roundToInt32Clamped(twips * dpi / TwipsPerInch);
}

double pixelsToTwips(int pixels, double dpi)
{
    return static_cast<double>(pixels) * TwipsPerInch / dpi;
}

QRect twipsRectToPixels(double left, double top, double width, double height, double dpi)
{
    const int x = twipsToPixels(left, dpi);
    const int y = twipsToPixels(top, dpi);
    const int right = twipsToPixels(left + width, dpi);
    const int bottom = twipsToPixels(top + height, dpi);
    return QRect(x, y, right - x, bottom - y);
}

} // namespace quillar
