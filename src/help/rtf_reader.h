#pragma once

#include <QByteArrayView>

class QTextDocument;

namespace quillar {

// Reads RTF bytes into document (which should be empty), with twip measures
// converted to pixels at dpi. Returns false, leaving document untouched, when
// the bytes are not RTF at all (they do not start with "{\rtf"). Any other
// input, however damaged, gives a document of whatever could be read: the
// reader never fails, never loops, and keeps to the caps on table cells,
// pictures and size of RtfDocumentBuilder and RtfPictureBudget.
[[nodiscard]] bool readRtf(QByteArrayView rtf, QTextDocument &document, double dpi = 96.0);

} // namespace quillar
