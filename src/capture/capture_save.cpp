#include "capture_save.h"

#include "platform/modal_ui.h"
#include "platform/numbered_error.h"
#include "receive/display_buffer.h"
#include "platform/file_errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

namespace quillar {

CaptureSave::CaptureSave(const DisplayBuffer &display, CaptureUi &ui, QString settingsFolder)
    : m_display(display),
      m_ui(ui),
      m_settingsFolder(std::move(settingsFolder))
{ }

QString CaptureSave::proposedDirectory() const
{
    const QFileInfo dir(m_settingsFolder);
    if (!m_settingsFolder.isEmpty() && dir.isDir() && dir.isWritable())
        return dir.absoluteFilePath();
    return QDir::homePath();
}

void CaptureSave::save()
{
    if (m_display.length() == 0)
        return;
    try {
        writeChosenFile();
    } catch (const NumberedError &e) {
        if (e.number() != ErrorNumber::DialogCancelled)
            modalUi().messageBox(m_ui.dialogParent(), e.description(), QStringLiteral("Errore n.%1").arg(e.number()),
                                 ModalUi::Icon::None);
    }
    m_ui.focusDisplay();
}

void CaptureSave::writeChosenFile()
{
    ModalUi::SaveRequest request;
    request.filter = QString::fromLatin1(Filter);
    request.directory = proposedDirectory();
    request.title = QString::fromLatin1(DialogTitle);
    request.fileName = QString::fromLatin1(ProposedName);

    const std::optional<QString> chosen = modalUi().getSaveFileName(m_ui.dialogParent(), request);
    if (!chosen)
        throw NumberedError(ErrorNumber::DialogCancelled, QStringLiteral("È stato scelto Annulla."));
    const QString &path = *chosen;

    // Created or emptied before the question, as the name was chosen; the
    // dialog has already asked before replacing an existing file. QFile
    // closes itself on every way out of here, the error path included.
    QFile file(path);
    errno = 0;
    if (path.isEmpty() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        const int err = errno;
        throw writeFailure(path, WritePhase::Open, err, file.errorString());
    }

    // Read after the dialog and the question, so text that arrived meanwhile
    // is written too. The text goes out as the display's own bytes, a slice
    // at a time: a long scrollback is never copied whole.
    TextSlice text;
    const TextSlice selection = m_display.selectedSlice();
    if (selection.isEmpty()) {
        text = m_display.slice(0, m_display.length());
    } else if (modalUi().askYesNo(m_ui.dialogParent(), QString::fromLatin1(SelectionQuestion),
                                  QString::fromLatin1(DialogTitle))) {
        // A cut while the question was open may have taken the selection;
        // the user still asked for the text that was selected.
        text = m_display.selectedSlice();
        if (text.isEmpty())
            text = selection;
    } else {
        text = m_display.slice(0, m_display.length());
    }

    errno = 0;
    bool written = true;
    text.forEachPiece(
        [&](const char *bytes, qsizetype count) { written = written && file.write(bytes, count) == count; });
    if (!written || file.write("\r\n", 2) != 2 || !file.flush()) {
        const int err = errno;
        throw writeFailure(path, WritePhase::Write, err, file.errorString());
    }
    file.close();
    if (file.error() != QFileDevice::NoError)
        throw writeFailure(path, WritePhase::Write, 0, file.errorString());
}

} // namespace quillar
