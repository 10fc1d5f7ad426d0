#include "settings_record.h"

#include <algorithm>

namespace quillar {

namespace {

bool fitsBox(const QString &text, qsizetype maxLength, bool digitsOnly)
{
    return text.size() <= maxLength && std::all_of(text.begin(), text.end(), [digitsOnly](QChar c) {
               return digitsOnly ? (c >= u'0' && c <= u'9') : c.isPrint();
           });
}

} // namespace

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

SettingsRecord usableAfterDamage(SettingsRecord record)
{
    const SettingsRecord defaults = SettingsRecord::defaults();
    const auto keep = [](QString &text, const QString &fallback, qsizetype maxLength, bool digitsOnly) {
        if (!fitsBox(text, maxLength, digitsOnly))
            text = fallback;
    };
    keep(record.port, defaults.port, 2, true);
    keep(record.baud, defaults.baud, 6, true);
    keep(record.lowerBound, defaults.lowerBound, 3, false);
    keep(record.higherBound, defaults.higherBound, 3, false);
    keep(record.lineFeedTime, defaults.lineFeedTime, 4, false);
    return record;
}

} // namespace quillar
