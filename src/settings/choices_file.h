#pragma once

#include <QString>

namespace quillar {

// Beside Quillar.ini, opened by its bare name in the current directory.
inline constexpr const char *ChoicesFileName = "QuillarDisplay.ini";

// The display's remembered choices (the time column), in a file of their
// own beside Quillar.ini, so that its nine-field record stays as it is:
// lines of name=value, in the display's code page.
class ChoicesFile
{
public:
    // No real file is near this size; a longer one is read this far.
    static constexpr qint64 MaxBytes = 4096;

    // The value of name, or an empty text when the file, or the name in it,
    // is missing or cannot be read.
    [[nodiscard]] static QString read(const QString &path, const QString &name);
    // Sets name to value, keeping the other names the file holds; the file is
    // replaced whole, never left half written. Throws NumberedError.
    static void write(const QString &path, const QString &name, const QString &value);
};

} // namespace quillar
