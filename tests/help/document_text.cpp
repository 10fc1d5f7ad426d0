#include "document_text.h"

#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

namespace quillar::test {

namespace {
void addBlock(const QTextBlock &block, QStringList &lines)
{
    QString text = block.text();
    text.remove(QChar::ObjectReplacementCharacter);
    lines += text.split(QChar::LineSeparator);
}

void addFrame(const QTextFrame *frame, QStringList &lines);

void addItems(QTextFrame::iterator it, QStringList &lines)
{
    for (; !it.atEnd(); ++it) {
        if (const QTextFrame *child = it.currentFrame())
            addFrame(child, lines);
        else
            addBlock(it.currentBlock(), lines);
    }
}

void addFrame(const QTextFrame *frame, QStringList &lines)
{
    if (const auto *table = qobject_cast<const QTextTable *>(frame)) {
        for (int r = 0; r < table->rows(); ++r) {
            for (int c = 0; c < table->columns(); ++c) {
                const QTextTableCell cell = table->cellAt(r, c);
                if (cell.row() == r && cell.column() == c)
                    addItems(cell.begin(), lines);
            }
        }
        return;
    }
    addItems(frame->begin(), lines);
}
} // namespace

QStringList documentLines(const QTextDocument &document)
{
    QStringList lines;
    addFrame(document.rootFrame(), lines);
    return lines;
}

} // namespace quillar::test
