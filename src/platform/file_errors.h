#pragma once

#include "platform/numbered_error.h"

#include <QString>

namespace quillar {

// File failures, shared by the settings file and Save.

// The error for a number with its fixed description ("Disco pieno", ...).
[[nodiscard]] NumberedError fileError(int number);

// Why a file could not be opened for reading: 53 when it does not exist, 75
// for a folder, 70 when it may not be read, otherwise 75 with the system's text.
[[nodiscard]] NumberedError readOpenFailure(const QString &path, const QString &systemText);

// Why a file could not be created or replaced, or written: 76 when its folder
// does not exist, 75 when the name is a folder, 61 when the disk is full, 70
// when the folder or the file may not be written, 57 for a failed write,
// otherwise 75 with the system's text. savedErrno is errno right after the
// failing call (0 when unknown).
enum class WritePhase { Open, Write };
[[nodiscard]] NumberedError writeFailure(const QString &path, WritePhase phase, int savedErrno,
                                         const QString &systemText);

} // namespace quillar
