#pragma once

#include "settings/settings_record.h"

#include <QMetaType>
#include <QTest>

Q_DECLARE_METATYPE(quillar::SettingsRecord)

namespace quillar {
// Lets QCOMPARE show which field differs.
inline char *toString(const SettingsRecord &r)
{
    return QTest::toString(QStringLiteral("[%1|%2|%3|%4|%5|%6|%7|%8|%9]")
                               .arg(r.port, r.baud)
                               .arg(r.left, 0, 'g', 17).arg(r.top, 0, 'g', 17)
                               .arg(r.width, 0, 'g', 17).arg(r.height, 0, 'g', 17)
                               .arg(r.lowerBound, r.higherBound, r.lineFeedTime));
}

inline SettingsRecord makeRecord(QString port, QString baud, double left, double top, double width, double height,
                                 QString lower, QString higher, QString lineFeed)
{
    return {std::move(port), std::move(baud), left, top, width, height,
            std::move(lower), std::move(higher), std::move(lineFeed)};
}
} // namespace quillar
