#include "settings_record.h"

namespace quillar {

SettingsRecord SettingsRecord::defaults()
{
    SettingsRecord r;
    r.port = QStringLiteral("1");
    r.baud = QStringLiteral("4800");
    r.left = 0;
    r.top = 0;
    r.width = 11000;
    r.height = 4500;
    r.lowerBound = QStringLiteral("31");
    r.higherBound = QStringLiteral("128");
    r.lineFeedTime = QStringLiteral("150");
    return r;
}

} // namespace quillar
