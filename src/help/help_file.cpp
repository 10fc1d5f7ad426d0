#include "help_file.h"

#include "rtf_reader.h"

#include "platform/system_text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextCursor>
#include <QTextDocument>

#include <cerrno>

namespace quillar {

namespace {
// A help document is a few hundred kilobytes at most; far larger files are
// not read into memory.
constexpr qint64 MaxHelpFileBytes = 64 * 1024 * 1024;

std::unique_ptr<QTextDocument> messageDocument(const QString &fileName, const QString &reason)
{
    auto document = std::make_unique<QTextDocument>();
    QTextCursor cursor(document.get());
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    cursor.insertText(QStringLiteral("Impossibile mostrare il file di help ") + fileName, bold);
    cursor.insertBlock();
    cursor.insertText(reason, QTextCharFormat());
    return document;
}
} // namespace

bool HelpFileExists(const QString &fileName)
{
    if (fileName.isEmpty())
        return false;
    return QFileInfo(fileName).isFile();
}

std::optional<QString> locateHelpFile(const QString &fileName, const QString &installedDir)
{
    if (HelpFileExists(fileName))
        return fileName;
    if (fileName.isEmpty() || QFileInfo(fileName).isAbsolute() || installedDir.isEmpty())
        return std::nullopt;
    const QString installed = QDir(installedDir).filePath(fileName);
    if (HelpFileExists(installed))
        return installed;
    return std::nullopt;
}

QString installedHelpDirectory(const QString &programDir)
{
    return QDir::cleanPath(QDir(programDir).filePath(QStringLiteral(QUILLAR_DATA_FROM_PROGRAM)));
}

std::unique_ptr<QTextDocument> loadHelpDocument(const QString &path, double dpi)
{
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly)) {
        const int error = errno;
        return messageDocument(name,
                               QStringLiteral("Il file non può essere letto: %1.")
                                   .arg(error != 0 ? systemText(error) : file.errorString()));
    }
    if (file.size() > MaxHelpFileBytes)
        return messageDocument(name, QStringLiteral("Il file è troppo grande (%1 byte).").arg(file.size()));
    const QByteArray bytes = file.read(MaxHelpFileBytes + 1);
    if (bytes.size() > MaxHelpFileBytes)
        return messageDocument(name, QStringLiteral("Il file è troppo grande."));
    auto document = std::make_unique<QTextDocument>();
    if (bytes.trimmed().isEmpty())
        return document;
    if (!readRtf(bytes, *document, dpi))
        return messageDocument(name, QStringLiteral("Il file non è in formato RTF (Rich Text Format)."));
    return document;
}

} // namespace quillar
