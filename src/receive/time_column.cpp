#include "time_column.h"

#include "display_buffer.h"

#include <QDateTime>

#include <cstdlib>
#include <limits>
#include <string>

namespace quillar {

namespace {

struct Names
{
    TimeColumn column;
    const char *name;
    const char *label;
};

constexpr Names Table[] = {
    {TimeColumn::Off, "off", "&Nessuna"},
    {TimeColumn::TimeOfDay, "time-of-day", "&Ora del giorno"},
    {TimeColumn::SincePrevious, "since-previous", "Dalla riga &precedente"},
    {TimeColumn::SinceOpen, "since-open", "Dall'&apertura della porta"},
};

const Names &namesOf(TimeColumn column)
{
    return Table[static_cast<int>(column)];
}

} // namespace

QString timeColumnName(TimeColumn column)
{
    return QString::fromLatin1(namesOf(column).name);
}

std::optional<TimeColumn> timeColumnFromName(QStringView name)
{
    for (const Names &n : Table) {
        if (name == QLatin1String(n.name))
            return n.column;
    }
    return std::nullopt;
}

QString timeColumnLabel(TimeColumn column)
{
    return QString::fromUtf8(namesOf(column).label);
}

QString timeOfDayText(qint64 msSinceEpoch)
{
    // Lines come by the hundred a second, and each local time the system
    // works out costs a look at the zone's file: the offset is asked for once
    // a quarter of an hour (no zone changes it between quarters) or when TZ
    // changes, the digits are written here.
    constexpr qint64 Quarter = 900000;
    constexpr qint64 Hour = 3600000;
    static qint64 quarterAsked = std::numeric_limits<qint64>::min();
    static std::string zoneAsked;
    static qint64 offsetMs = 0;
    const char *zone = std::getenv("TZ");
    const qint64 quarter = msSinceEpoch - ((msSinceEpoch % Quarter) + Quarter) % Quarter;
    if (quarter != quarterAsked || zoneAsked != (zone ? zone : "")) {
        quarterAsked = quarter;
        zoneAsked = zone ? zone : "";
        offsetMs = qint64(QDateTime::fromMSecsSinceEpoch(msSinceEpoch).offsetFromUtc()) * 1000;
    }
    constexpr qint64 Day = 24 * Hour;
    const qint64 local = ((msSinceEpoch + offsetMs) % Day + Day) % Day;
    QString text(12, Qt::Uninitialized);
    QChar *out = text.data();
    const qint64 fields[] = {local / Hour, local / 60000 % 60, local / 1000 % 60};
    for (int i = 0; i < 3; ++i) {
        *out++ = QLatin1Char(char('0' + fields[i] / 10));
        *out++ = QLatin1Char(char('0' + fields[i] % 10));
        *out++ = QLatin1Char(i < 2 ? ':' : '.');
    }
    const qint64 ms = local % 1000;
    *out++ = QLatin1Char(char('0' + ms / 100));
    *out++ = QLatin1Char(char('0' + ms / 10 % 10));
    *out = QLatin1Char(char('0' + ms % 10));
    return text;
}

QString elapsedText(qint64 ms)
{
    const qint64 magnitude = ms < 0 ? -ms : ms;
    return QStringLiteral("%1%2.%3")
        .arg(ms < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(magnitude / 1000)
        .arg(magnitude % 1000, 3, 10, QLatin1Char('0'));
}

QString lineTimeText(TimeColumn column, const DisplayBuffer &buffer, qsizetype line)
{
    const std::optional<qint64> time = column == TimeColumn::Off ? std::nullopt : buffer.lineTime(line);
    if (!time)
        return {};
    std::optional<qint64> from;
    switch (column) {
    case TimeColumn::Off:
        return {};
    case TimeColumn::TimeOfDay:
        return timeOfDayText(*time);
    case TimeColumn::SincePrevious:
        from = buffer.previousLineTime(line);
        break;
    case TimeColumn::SinceOpen:
        from = buffer.openedBefore(*time);
        break;
    }
    return from ? elapsedText(*time - *from) : QString();
}

} // namespace quillar
