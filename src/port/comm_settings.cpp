#include "comm_settings.h"

#include <QStringList>

#include <cstdlib>
#include <limits>

namespace quillar {

QString CommSettings::text() const
{
    QString stop;
    switch (stopBits) {
    case StopBits::One:
        stop = QStringLiteral("1");
        break;
    case StopBits::OneAndHalf:
        stop = QStringLiteral("1.5");
        break;
    case StopBits::Two:
        stop = QStringLiteral("2");
        break;
    }
    return QStringLiteral("%1,%2,%3,%4").arg(baud).arg(QChar(static_cast<char>(parity))).arg(dataBits).arg(stop);
}

bool takenAsAsked(const CommSettings &asked, const CommSettings &applied)
{
    const qint64 off = std::abs(qint64(applied.baud) - qint64(asked.baud));
    return applied.dataBits == asked.dataBits && applied.parity == asked.parity && applied.stopBits == asked.stopBits
        && off * 100 <= qint64(asked.baud) * BaudTolerancePercent;
}

namespace {

std::optional<std::int32_t> parseBaud(const QString &field)
{
    if (field.isEmpty())
        return std::nullopt;
    qint64 value = 0;
    for (QChar c : field) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
        if (value > std::numeric_limits<std::int32_t>::max())
            return std::nullopt;
    }
    if (value < MinBaud)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::optional<CommSettings::Parity> parseParity(const QString &field)
{
    if (field.size() != 1)
        return std::nullopt;
    switch (field[0].toLower().unicode()) {
    case u'n':
        return CommSettings::Parity::None;
    case u'e':
        return CommSettings::Parity::Even;
    case u'o':
        return CommSettings::Parity::Odd;
    case u'm':
        return CommSettings::Parity::Mark;
    case u's':
        return CommSettings::Parity::Space;
    default:
        return std::nullopt;
    }
}

std::optional<CommSettings::StopBits> parseStopBits(const QString &field)
{
    if (field == u"1")
        return CommSettings::StopBits::One;
    if (field == u"1.5")
        return CommSettings::StopBits::OneAndHalf;
    if (field == u"2")
        return CommSettings::StopBits::Two;
    return std::nullopt;
}

} // namespace

std::optional<CommSettings> parseCommSettings(const QString &text)
{
    const QStringList fields = text.split(u',');
    if (fields.size() != 4)
        return std::nullopt;

    const auto baud = parseBaud(fields[0]);
    const auto parity = parseParity(fields[1]);
    const auto stop = parseStopBits(fields[3]);
    const QString &data = fields[2];
    const bool dataOk = data.size() == 1 && data[0] >= u'4' && data[0] <= u'8';
    if (!baud || !parity || !dataOk || !stop)
        return std::nullopt;

    CommSettings settings;
    settings.baud = *baud;
    settings.parity = *parity;
    settings.dataBits = data[0].unicode() - u'0';
    settings.stopBits = *stop;
    return settings;
}

} // namespace quillar
