#include "choices_file.h"

#include "platform/codepage.h"
#include "settings_file.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>

namespace quillar {

namespace {

QStringList linesOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return decodeBytes(file.read(ChoicesFile::MaxBytes)).split(QLatin1Char('\n'));
}

} // namespace

QString ChoicesFile::read(const QString &path, const QString &name)
{
    const QString key = name + QLatin1Char('=');
    for (const QString &line : linesOf(path)) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed();
    }
    return {};
}

void ChoicesFile::write(const QString &path, const QString &name, const QString &value)
{
    const QString key = name + QLatin1Char('=');
    QString text;
    // Other choices stay; whatever else the file held (damage) goes.
    static const QRegularExpression choice(QStringLiteral("^[a-z0-9-]+=[ -~]*$"));
    for (QString line : linesOf(path)) {
        line = line.trimmed();
        if (!line.startsWith(key) && choice.match(line).hasMatch())
            text += line + QLatin1Char('\n');
    }
    text += key + value + QLatin1Char('\n');
    SettingsFile::replace(path, encodeText(text));
}

} // namespace quillar
