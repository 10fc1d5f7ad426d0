#include "settings_file.h"

#include "platform/file_errors.h"
#include "settings_format.h"
#include "settings_parser.h"

#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace quillar {

SettingsFile::SettingsFile(QString path) : m_file(std::move(path)) { }

void SettingsFile::openForReading()
{
    close();
    if (!m_file.open(QIODevice::ReadOnly))
        throw readOpenFailure(m_file.fileName(), m_file.errorString());
}

void SettingsFile::read(SettingsRecord &record)
{
    if (!m_file.isOpen())
        throw fileError(ErrorNumber::BadFileNameOrNumber);
    // One byte beyond the limit tells a file that goes on from one that ends.
    const QByteArray bytes = m_file.read(MaxRecordBytes + 1);
    if (m_file.error() != QFileDevice::NoError)
        throw fileError(ErrorNumber::DeviceIoError);
    const bool complete = bytes.size() <= MaxRecordBytes;
    readSettingsRecord(QByteArrayView(bytes).first(std::min<qsizetype>(bytes.size(), MaxRecordBytes)), complete,
                       record);
}

void SettingsFile::close() noexcept
{
    if (m_file.isOpen())
        m_file.close();
}

void SettingsFile::write(const QString &path, const SettingsRecord &record)
{
    replace(path, formatSettingsRecord(record));
}

void SettingsFile::replace(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    // A writable file in a folder where nothing new may be created cannot be
    // replaced by a rename; writing it in place beats losing the settings.
    file.setDirectWriteFallback(true);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly)) {
        const int err = errno;
        throw writeFailure(path, WritePhase::Open, err, file.errorString());
    }
    errno = 0;
    // Flushed here, where a failure is seen: QSaveFile misses one that comes
    // from the buffer it flushes in commit() (a full disk), and would put an
    // empty file in place of the record.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const int err = errno;
        file.cancelWriting();
        throw writeFailure(path, WritePhase::Write, err, file.errorString());
    }
    errno = 0;
    if (!file.commit()) {
        const int err = errno;
        // The rename onto the name fails differently from the write: tell them
        // apart by what is at the name.
        throw writeFailure(path, file.error() == QFileDevice::RenameError ? WritePhase::Open : WritePhase::Write, err,
                           file.errorString());
    }
}

} // namespace quillar
