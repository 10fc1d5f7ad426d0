// The RTF reader on any bytes (with QUILLAR_FUZZ_LAYOUT also laid out): it
// reads exactly the inputs that begin with "{\rtf" after a byte-order mark
// and blanks; the document grows at most two characters a byte besides its
// table cells, which are capped; pictures keep within their caps.
#include "help/rtf_document_builder.h"
#include "help/rtf_picture.h"
#include "help/rtf_reader.h"

#include <QAbstractTextDocumentLayout>
#include <QGuiApplication>
#include <QImage>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace quillar;

namespace {

void fail(const char *what, long long value)
{
    std::fprintf(stderr, "fuzz_rtf: %s (%lld)\n", what, value);
    std::abort();
}

// Written apart from the reader's own test, on purpose.
bool startsAsRtf(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    while (!bytes.isEmpty() && QByteArrayView(" \t\r\n").contains(bytes.front()))
        bytes = bytes.sliced(1);
    return bytes.startsWith("{\\rtf");
}

long long tableCells(const QTextFrame *frame)
{
    long long cells = 0;
    if (const auto *table = qobject_cast<const QTextTable *>(frame))
        cells += static_cast<long long>(table->rows()) * table->columns();
    for (const QTextFrame *child : frame->childFrames())
        cells += tableCells(child);
    return cells;
}

void checkPictures(const QTextDocument &document)
{
    long long decoded = 0;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (!format.isImageFormat())
                continue;
            const QTextImageFormat image = format.toImageFormat();
            if (image.width() > 4096 || image.height() > 4096 || image.width() < 1 || image.height() < 1)
                fail("picture shown beyond 4096 pixels a side", static_cast<long long>(image.width()));
            const QImage data = document.resource(QTextDocument::ImageResource, image.name()).value<QImage>();
            const long long pixels = static_cast<long long>(data.width()) * data.height();
            if (pixels > RtfPictureBudget::MaxPicturePixels)
                fail("picture decoded beyond its cap", pixels);
            if (pixels > 1) // placeholders are one pixel
                decoded += pixels;
        }
    }
    if (decoded > RtfPictureBudget::MaxDocumentPixels)
        fail("pictures decoded beyond the document's cap", decoded);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QTextDocument document;
    const bool read = readRtf(input, document);
    if (read != startsAsRtf(input))
        fail("accepted or refused against its header", read);
    if (!read) {
        if (!document.isEmpty())
            fail("refused input left text behind", document.characterCount());
        return 0;
    }
#ifdef QUILLAR_FUZZ_LAYOUT
    document.setTextWidth(560);
    (void)document.documentLayout()->documentSize();
#endif
    const long long cells = tableCells(document.rootFrame());
    if (cells > static_cast<long long>(RtfDocumentBuilder::MaxTableCells))
        fail("tables beyond the cell cap", cells);
    const long long characters = document.characterCount();
    if (characters > 2 * static_cast<long long>(size) + cells + 2)
        fail("document out of proportion to its input", characters);
    checkPictures(document);
    return 0;
}
