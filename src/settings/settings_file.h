#pragma once

#include "settings_record.h"

#include <QFile>
#include <QString>

namespace quillar {

// "Quillar.ini" as three steps that each may fail on their own, so that
// start-up can resume after the one that failed. Failures are NumberedErrors
// (see file_errors.h and settings_parser.h).
class SettingsFile
{
public:
    // No real record is near this size; a file longer than it is read only
    // this far, so binary junk or a huge file costs nothing.
    static constexpr qint64 MaxRecordBytes = 64 * 1024;

    explicit SettingsFile(QString path);
    SettingsFile(const SettingsFile &) = delete;
    SettingsFile &operator=(const SettingsFile &) = delete;

    // Opens the existing file for reading.
    void openForReading();
    // Reads the nine fields into record, one by one (see readSettingsRecord).
    // 52 "Bad file name or number" when the file is not open.
    void read(SettingsRecord &record);
    // Closing a file that is not open does nothing.
    void close() noexcept;
    [[nodiscard]] bool isOpen() const { return m_file.isOpen(); }

    // Creates the file or replaces the whole of it with record. The new bytes
    // are written beside it and renamed over it, so a failure leaves the old
    // file as it was, never half written. Only where the folder allows no new
    // file but the file itself may be written is it written in place.
    static void write(const QString &path, const SettingsRecord &record);
    // The same for any small file of settings: bytes in place of the whole file.
    static void replace(const QString &path, const QByteArray &bytes);

private:
    QFile m_file;
};

} // namespace quillar
