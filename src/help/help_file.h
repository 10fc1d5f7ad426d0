#pragma once

#include <QString>

#include <memory>
#include <optional>

class QTextDocument;

namespace quillar {

// True when the named file's length can be read: it exists and is a file. A
// file of zero bytes counts as present.
[[nodiscard]] bool HelpFileExists(const QString &fileName);

// Where the help document named fileName is: as named (a relative name against
// the current directory), otherwise the copy installed with the program in
// installedDir. nullopt when neither exists.
[[nodiscard]] std::optional<QString> locateHelpFile(const QString &fileName, const QString &installedDir);

// The folder of the installed help document for a program in programDir:
// share/quillar under the same prefix as the program's bin folder, found from
// the program's own place so that any prefix works, the build tree included.
[[nodiscard]] QString installedHelpDirectory(const QString &programDir);

// The document to show for the file at path: its RTF, or a page that says
// clearly why it cannot be shown (unreadable, too large, not RTF). An empty
// file gives an empty page.
[[nodiscard]] std::unique_ptr<QTextDocument> loadHelpDocument(const QString &path, double dpi);

} // namespace quillar
