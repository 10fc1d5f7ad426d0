#include "clipboard_text.h"

#include <QStringList>
#include <QVariant>

namespace quillar {

namespace {

bool isPlainText(const QString &mimeType)
{
    return mimeType == QLatin1String("text/plain") || mimeType == QLatin1String("text/plain;charset=utf-8");
}

} // namespace

bool ClipboardText::hasFormat(const QString &mimeType) const
{
    return isPlainText(mimeType);
}

QStringList ClipboardText::formats() const
{
    return {QStringLiteral("text/plain")};
}

QVariant ClipboardText::retrieveData(const QString &mimeType, QMetaType type) const
{
    if (!isPlainText(mimeType))
        return {};
    if (type.id() == QMetaType::QString)
        return m_text.toString();
    return m_text.toUtf8();
}

} // namespace quillar
