#include "window_fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

namespace quillar {

QFont displayFont()
{
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPointSizeF(10);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    if (!QFontInfo(font).fixedPitch()) {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSizeF(10);
    }
    font.setWeight(QFont::Normal);
    return font;
}

QFont windowFont()
{
    // The strip was laid out for a narrow 8 pt sans serif: the labels' boxes
    // overlap the entry boxes beside them, so a wide font would be cut off.
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setFamilies(QStringList{QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans"),
                                 QStringLiteral("Arial"), QStringLiteral("Helvetica"),
                                 QStringLiteral("DejaVu Sans Condensed"), font.family()});
    font.setPointSizeF(8.25);
    return font;
}

QFont boldLabelFont()
{
    QFont font = windowFont();
    font.setBold(true);
    return font;
}

} // namespace quillar
