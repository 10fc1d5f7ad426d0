#include "time_column.h"

#include "display_buffer.h"

#include <QDateTime>

namespace quillar {

namespace {

struct Names
{
    TimeColumn column;
    const char *name;
    const char *label;
};

constexpr Names Table[] = {
    {TimeColumn::Off, "off", "&Off"},
    {TimeColumn::TimeOfDay, "time-of-day", "Time of &day"},
    {TimeColumn::SincePrevious, "since-previous", "Since &previous line"},
    {TimeColumn::SinceOpen, "since-open", "Since port &opened"},
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
    return QString::fromLatin1(namesOf(column).label);
}

QString timeOfDayText(qint64 msSinceEpoch)
{
    return QDateTime::fromMSecsSinceEpoch(msSinceEpoch).toString(QStringLiteral("HH:mm:ss.zzz"));
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
