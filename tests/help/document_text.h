#pragma once

#include <QStringList>

class QTextDocument;

namespace quillar::test {

// The document's text, one line per paragraph and per line break, a table's
// cells one per line in reading order, pictures left out.
[[nodiscard]] QStringList documentLines(const QTextDocument &document);

} // namespace quillar::test
