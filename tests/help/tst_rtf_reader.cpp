#include "document_text.h"
#include "help/rtf_document_builder.h"
#include "help/rtf_picture.h"
#include "help/rtf_reader.h"
#include "support/hostile_rtf.h"

#include <QDir>
#include <QImage>
#include <QRegularExpression>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

using namespace quillar;
using quillar::test::documentLines;

namespace {

QStringList read(const QByteArray &rtf)
{
    QTextDocument document;
    if (!readRtf(rtf, document)) // refused input leaves the document empty
        return {document.isEmpty() ? QStringLiteral("<not rtf>") : QStringLiteral("<not rtf, yet filled>")};
    return documentLines(document);
}

QString joined(const QByteArray &rtf) { return read(rtf).join(u'|'); }

// The comparison rules for word processors' samples: lines are trimmed, runs
// of whitespace (tabs, no-break spaces) become one blank, and a leading list
// label ("•", "◦", "–", "1.", "3.1.", "a)") is removed, because the word
// processor that wrote the expected text makes up its own labels.
QStringList normalised(QStringList lines)
{
    static const QRegularExpression label(QStringLiteral(R"(^(?:[•◦▪–]|\d+(?:\.\d+)*[.)]|[a-z]\))\s+)"));
    for (QString &line : lines) {
        line = line.simplified();
        line.remove(label);
    }
    return lines;
}

QByteArray sample(const QString &name)
{
    QFile file(QDir(QStringLiteral(QUILLAR_RTF_SAMPLES)).filePath(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing sample %s", qPrintable(name));
    return file.readAll();
}

QTextCharFormat formatOf(const QTextDocument &document, const QString &text)
{
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().text().contains(text))
                return it.fragment().charFormat();
        }
    }
    return {};
}

QByteArray hex(const QByteArray &bytes) { return bytes.toHex(); }

struct ShownImage
{
    QSize data;  // of the image resource
    QSizeF shown; // in pixels
};

QList<ShownImage> imagesOf(const QTextDocument &document)
{
    QList<ShownImage> images;
    for (auto it = document.begin().begin(); !it.atEnd(); ++it) {
        const QTextCharFormat format = it.fragment().charFormat();
        if (!format.isImageFormat())
            continue;
        const QTextImageFormat image = format.toImageFormat();
        const QVariant data = document.resource(QTextDocument::ImageResource, QUrl(image.name()));
        images.append({data.value<QImage>().size(), QSizeF(image.width(), image.height())});
    }
    return images;
}

QTextTable *firstTable(const QTextDocument &document)
{
    for (QTextFrame *frame : document.rootFrame()->childFrames()) {
        if (auto *table = qobject_cast<QTextTable *>(frame))
            return table;
    }
    return nullptr;
}

QByteArray pngBytes()
{
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    return test::imageBytes(image, "PNG");
}

} // namespace

class TestRtfReader : public QObject
{
    Q_OBJECT

private slots:
    void samples_data()
    {
        QTest::addColumn<QString>("name");
        const QStringList files = QDir(QStringLiteral(QUILLAR_RTF_SAMPLES)).entryList({QStringLiteral("*.rtf")});
        QVERIFY(files.size() >= 5);
        for (const QString &file : files)
            QTest::newRow(qPrintable(file)) << file.chopped(4);
    }
    void samples()
    {
        QFETCH(QString, name);
        QString expected = QString::fromUtf8(sample(name + QStringLiteral(".expected.txt")));
        if (expected.startsWith(QChar(0xFEFF)))
            expected.remove(0, 1);
        QStringList expectedLines = expected.split(u'\n');
        if (expectedLines.last().isEmpty())
            expectedLines.removeLast(); // the file's final line end
        QCOMPARE(normalised(read(sample(name + QStringLiteral(".rtf")))), normalised(expectedLines));
    }

    void text_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("expected"); // lines joined by '|'
        QTest::newRow("paragraphs and line break") << QByteArray(R"({\rtf1 one\par two\line three\par})") << "one|two|three";
        QTest::newRow("text after the last par") << QByteArray(R"({\rtf1 a\par b})") << "a|b";
        QTest::newRow("tab") << QByteArray(R"({\rtf1 a\tab b})") << "a\tb";
        QTest::newRow("escaped braces and backslash") << QByteArray(R"({\rtf1 \{x\}\\})") << "{x}\\";
        QTest::newRow("line ends in the file are not text") << QByteArray("{\\rtf1 ab\r\ncd}") << "abcd";
        QTest::newRow("backslash newline is a paragraph") << QByteArray("{\\rtf1 a\\\nb}") << "a|b";
        QTest::newRow("1252 by default, exact") << QByteArray(R"({\rtf1\ansi \'80\'81\'e8\'9f})") << QString::fromUtf8("€\u0081èŸ");
        QTest::newRow("raw 8-bit text in 1252") << QByteArray("{\\rtf1\\ansi caff\xe8}") << QString::fromUtf8("caffè");
        QTest::newRow("ansicpg 1251") << QByteArray(R"({\rtf1\ansi\ansicpg1251 \'c0\'e1})") << QString::fromUtf8("Аб");
        QTest::newRow("font charset wins") << QByteArray(R"({\rtf1\ansi{\fonttbl{\f1\fcharset161 Greek;}}\f1 \'e1})") << QString::fromUtf8("α");
        QTest::newRow("double-byte page") << QByteArray(R"({\rtf1\ansi\ansicpg932 \'93\'fa})") << QString::fromUtf8("日");
        QTest::newRow("unicode with one fallback") << QByteArray(R"({\rtf1 \u8364?x})") << QString::fromUtf8("€x");
        QTest::newRow("uc2 skips two, hex counts one") << QByteArray(R"({\rtf1\uc2 \u26085\'93\'fax})") << QString::fromUtf8("日x");
        QTest::newRow("uc0 skips none") << QByteArray(R"({\rtf1\uc0 \u233 e})") << QString::fromUtf8("ée");
        QTest::newRow("negative u") << QByteArray(R"({\rtf1 \u-3913?})") << QString(QChar(0xF0B7));
        QTest::newRow("surrogate pair") << QByteArray(R"({\rtf1 \u-10179?\u-8704?})") << QString::fromUtf8("😀");
        QTest::newRow("fallback does not eat a paragraph end") << QByteArray(R"({\rtf1 \u8212\par b})") << QString::fromUtf8("—|b");
        QTest::newRow("uc is kept per group") << QByteArray(R"({\rtf1 {\uc0 x}\u233 ee})") << QString::fromUtf8("xée");
        QTest::newRow("symbols") << QByteArray(R"({\rtf1 \bullet\endash\emdash\lquote\rquote\ldblquote\rdblquote\~})") << QString::fromUtf8("•–—‘’“”\u00A0");
        QTest::newRow("unknown starred group skipped") << QByteArray(R"({\rtf1 a{\*\mystery hidden}b})") << "ab";
        // As code highlighters write their character styles: inline, starred.
        QTest::newRow("starred known word acts as itself")
            << QByteArray("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fmodern Courier New;}}{\\colortbl;\\red0\\green0\\blue255;}\n"
                          "{\\stylesheet{\\*\\cs1 Keyword;}{\\*\\cs2 String;}}\n"
                          "\\f0\\fs20{\\*\\cs1\\cf1 int} main() \\{\\par\n"
                          "    {\\*\\cs1\\cf1 return} {\\*\\cs2\\cf1 \"ok\"};\\par\n\\}}")
            << "int main() {|    return \"ok\";|}";
        QTest::newRow("unknown plain group shown") << QByteArray(R"({\rtf1 a{\mystery shown}b})") << "ashownb";
        QTest::newRow("tables, info, styles skipped") << QByteArray(R"({\rtf1{\fonttbl{\f0 Arial;}}{\colortbl;\red1\green2\blue3;}{\stylesheet{\s1 Heading;}}{\info{\title T}}text})") << "text";
        QTest::newRow("header, footer, footnote body skipped") << QByteArray(R"({\rtf1{\header H\par}{\footer F\par}a{\super\chftn}{\footnote\chftn note}b})") << "a1b";
        QTest::newRow("field shown by its result") << QByteArray(R"({\rtf1 see {\field{\*\fldinst HYPERLINK "x"}{\fldrslt site}}.})") << "see site.";
        QTest::newRow("starred field result") << QByteArray(R"({\rtf1 {\field{\*\fldinst PAGE}{\*\fldrslt 3}}})") << "3";
        QTest::newRow("hidden text") << QByteArray(R"({\rtf1 a{\v secret}b\v c\v0 d})") << "abd";
        QTest::newRow("list text shown") << QByteArray(R"({\rtf1{\listtext 1.\tab}item\par})") << "1.\titem";
        QTest::newRow("blank list text dropped") << QByteArray(R"({\rtf1{\listtext\pard\plain \tab}Heading\par})") << "Heading";
        QTest::newRow("old list text") << QByteArray(R"({\rtf1{\pntext\'b7\tab}item\par})") << QString::fromUtf8("·\titem");
        QTest::newRow("bin skipped by its length") << QByteArray("{\\rtf1 a\\bin3 }{\\z}") << "az";
        QTest::newRow("upr shows its unicode part") << QByteArray(R"({\rtf1{\upr{ansi}{\*\ud{uni}}}})") << "uni";
        // A document that starts with a table has an empty line before it.
        QTest::newRow("table rows in groups, last row unended") << QByteArray(R"({\rtf1{\trowd\cellx1000\intbl{x\cell}\intbl\row}{\trowd\cellx1000\intbl y\cell)") << "|x|y|";
        QTest::newRow("page break splits a paragraph") << QByteArray(R"({\rtf1 a\page b\par})") << "a|b";
        QTest::newRow("header without version") << QByteArray(R"({\rtf\ansi x})") << "x";
        QTest::newRow("leading blanks and BOM") << QByteArray("\xEF\xBB\xBF \r\n{\\rtf1 x}") << "x";
        QTest::newRow("not rtf") << QByteArray("hello {\\rtf1 x}") << "<not rtf>";
        QTest::newRow("empty") << QByteArray() << "<not rtf>";
    }
    void text()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, expected);
        QCOMPARE(joined(rtf), expected);
    }

    void characterFormats()
    {
        QTextDocument document;
        QVERIFY(readRtf(R"({\rtf1{\fonttbl{\f0\froman Serif One{\*\falt Times};}{\f1\fmodern Mono Two{\*\panose 02070309020205020404}{\*\falt Courier New};}}{\colortbl;\red255\green0\blue0;\red0\green0\blue255;})"
                        R"(plain {\b bold} {\i\ul iu} {\strike st} {\cf1 red} {\cb2 onblue} {\f1\fs40 big} {\super up}\b after\b0 end})",
                        document));
        QCOMPARE(formatOf(document, "plain").fontWeight(), int(QFont::Normal));
        QCOMPARE(formatOf(document, "bold").fontWeight(), int(QFont::Bold));
        QVERIFY(formatOf(document, "iu").fontItalic());
        QCOMPARE(formatOf(document, "iu").underlineStyle(), QTextCharFormat::SingleUnderline);
        QVERIFY(formatOf(document, "st").fontStrikeOut());
        QCOMPARE(formatOf(document, "red").foreground().color(), QColor(255, 0, 0));
        QVERIFY(!formatOf(document, "plain").hasProperty(QTextFormat::ForegroundBrush));
        QCOMPARE(formatOf(document, "onblue").background().color(), QColor(0, 0, 255));
        QCOMPARE(formatOf(document, "big").fontPointSize(), 20.0);
        QCOMPARE(formatOf(document, "big").fontFamilies().toStringList(), QStringList{"Mono Two"});
        QCOMPARE(formatOf(document, "plain").fontFamilies().toStringList(), QStringList{"Serif One"});
        QCOMPARE(formatOf(document, "up").verticalAlignment(), QTextCharFormat::AlignSuperScript);
        // A group restores what it changed; a bare \b lasts until \b0.
        QCOMPARE(formatOf(document, "after").fontWeight(), int(QFont::Bold));
        QCOMPARE(formatOf(document, "end").fontWeight(), int(QFont::Normal));
    }

    void colourTableWithoutAutoEntry()
    {
        QTextDocument document;
        QVERIFY(readRtf(R"({\rtf1{\colortbl\red0\green0\blue0;\red0\green160\blue0;}{\cf1 green}{\cf7 nosuch}})", document));
        QCOMPARE(formatOf(document, "green").foreground().color(), QColor(0, 160, 0));
        QVERIFY(!formatOf(document, "nosuch").hasProperty(QTextFormat::ForegroundBrush));
    }

    void paragraphFormats()
    {
        QTextDocument document;
        QVERIFY(readRtf(R"({\rtf1\pard\qc centred\par\pard\qr\li1440\ri720\fi-360\sb240\sa120 right\par{\pard\qj inside\par}plain\par})", document));
        QTextBlock block = document.begin();
        QCOMPARE(block.text(), QStringLiteral("centred"));
        QCOMPARE(block.blockFormat().alignment(), Qt::AlignHCenter);
        block = block.next();
        QCOMPARE(block.blockFormat().alignment(), Qt::AlignRight);
        QCOMPARE(block.blockFormat().leftMargin(), 96.0);  // 1440 twips at 96 DPI
        QCOMPARE(block.blockFormat().rightMargin(), 48.0);
        QCOMPARE(block.blockFormat().textIndent(), -24.0);
        QCOMPARE(block.blockFormat().topMargin(), 16.0);
        QCOMPARE(block.blockFormat().bottomMargin(), 8.0);
        block = block.next();
        QCOMPARE(block.blockFormat().alignment(), Qt::AlignJustify);
        // The group's \pard ends with the group: the outer paragraph state is back.
        block = block.next();
        QCOMPARE(block.text(), QStringLiteral("plain"));
        QCOMPARE(block.blockFormat().alignment(), Qt::AlignRight);
    }

    void tableWithMergedCell()
    {
        QTextDocument document;
        QVERIFY(readRtf(R"({\rtf1 before\par)"
                        R"(\trowd\clbrdrt\brdrs\cellx2000\cellx4000\cellx6000\pard\intbl A\cell B\cell C\cell\row)"
                        R"(\trowd\cellx4000\clcbpat1\cellx6000\pard\intbl wide\cell D\par second\cell\row)"
                        R"(\pard after\par{\colortbl;\red0\green255\blue0;}})",
                        document));
        QTextTable *table = nullptr;
        for (QTextFrame *frame : document.rootFrame()->childFrames())
            table = table ? table : qobject_cast<QTextTable *>(frame);
        QVERIFY(table);
        QCOMPARE(table->rows(), 2);
        QCOMPARE(table->columns(), 3);
        QCOMPARE(table->cellAt(1, 0).columnSpan(), 2);
        QCOMPARE(table->cellAt(1, 2).firstCursorPosition().block().text(), QStringLiteral("D"));
        QVERIFY(table->format().border() > 0);
        QCOMPARE(documentLines(document), (QStringList{"before", "A", "B", "C", "wide", "D", "second", "after"}));
    }

    void pictures_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<int>("images");
        const QByteArray png = hex(pngBytes());
        QTest::newRow("png") << QByteArray("{\\rtf1 a{\\pict\\pngblip\\picwgoal600\\pichgoal450 " + png + "}b}") << 1;
        QTest::newRow("png as binary") << QByteArray("{\\rtf1 a{\\pict\\pngblip\\bin" + QByteArray::number(pngBytes().size()) + " " + pngBytes() + "}b}") << 1;
        QTest::newRow("png in a shape's pib only") << QByteArray("{\\rtf1 a{\\shp{\\*\\shpinst{\\sp{\\sn fillBlip}{\\sv {\\pict\\pngblip " + png + "}}}{\\sp{\\sn pib}{\\sv {\\pict\\pngblip " + png + "}}}}{\\shprslt{\\pict\\pngblip " + png + "}}}b}") << 1;
        QTest::newRow("shppict, not nonshppict") << QByteArray("{\\rtf1 a{\\*\\shppict{\\pict\\pngblip " + png + "}}{\\nonshppict{\\pict\\wmetafile8 0102}}b}") << 1;
        QTest::newRow("metafile skipped") << QByteArray("{\\rtf1 a{\\pict\\wmetafile8 0102030405}b}") << 0;
        QTest::newRow("broken png skipped") << QByteArray("{\\rtf1 a{\\pict\\pngblip 89504e47}b}") << 0;
    }
    void pictures()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(int, images);
        QTextDocument document;
        QVERIFY(readRtf(rtf, document));
        QCOMPARE(documentLines(document), QStringList{"ab"});
        const QList<ShownImage> found = imagesOf(document);
        QCOMPARE(found.size(), images);
        for (const ShownImage &image : found)
            QCOMPARE(image.data, QSize(4, 3));
    }

    void pictureSizeFromGoal()
    {
        QTextDocument document;
        QVERIFY(readRtf("{\\rtf1{\\pict\\pngblip\\picwgoal600\\pichgoal450\\picscalex200 " + hex(pngBytes()) + "}}", document));
        QCOMPARE(imagesOf(document).value(0).shown, QSizeF(80, 30)); // 600 twips = 40 px, scaled 200 %
    }

    // A picture is decoded only when the size its data declares fits within
    // the caps; otherwise a grey placeholder of one pixel takes its place,
    // shown at the picture's own size.
    void picturesBeyondTheCaps()
    {
        const QByteArray huge = hex(test::jpegClaiming(5600, 5600));
        QTextDocument document;
        QVERIFY(readRtf("{\\rtf1 a{\\pict\\jpegblip " + huge + "}{\\pict\\jpegblip\\picwgoal1500\\pichgoal750 " + huge
                            + "}{\\pict\\pngblip " + hex(pngBytes()) + "}b}",
                        document));
        const QList<ShownImage> images = imagesOf(document);
        QCOMPARE(images.size(), 3);
        QCOMPARE(images[0].data, QSize(1, 1));
        QCOMPARE(images[0].shown, QSizeF(4096, 4096)); // 5600 pixels, at most 4096 shown
        QCOMPARE(images[1].data, QSize(1, 1));
        QCOMPARE(images[1].shown, QSizeF(100, 50));
        QCOMPARE(images[2].data, QSize(4, 3));

        // Each picture within its cap, and all of them within the document's.
        RtfPictureBudget budget;
        const qint64 one = RtfPictureBudget::MaxPicturePixels;
        QVERIFY(!budget.take(one + 1));
        QVERIFY(budget.take(one));
        QVERIFY(budget.take(RtfPictureBudget::MaxDocumentPixels - one - 10));
        QVERIFY(!budget.take(11));
        QVERIFY(budget.take(10));
    }

    // Past the document's cell cap, the rest of a table comes out as plain
    // paragraphs, in order.
    void tableBeyondTheCellCap()
    {
        QTextDocument document;
        QVERIFY(readRtf(test::rtfWideRowThenRows(1000, true), document));
        const QTextTable *table = firstTable(document);
        QVERIFY(table);
        QCOMPARE(table->columns(), 64);
        const int fitting = int(RtfDocumentBuilder::MaxTableCells / 64);
        QCOMPARE(table->rows(), fitting);
        QCOMPARE(document.findBlock(table->lastPosition() + 1).text(), QStringLiteral("r%1").arg(fitting));
        QStringList expected(64, QStringLiteral("x"));
        for (int row = 1; row <= 1000; ++row)
            expected << QStringLiteral("r%1").arg(row);
        QStringList shown = documentLines(document);
        shown.removeAll(QString());
        QCOMPARE(shown, expected);
    }

    // A document far beyond any help document is cut short with a note;
    // a very long paragraph goes on in the next.
    void documentBeyondItsCaps_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<int>("blocks");
        QTest::addColumn<bool>("cutShort");
        const int paragraphs = int(RtfDocumentBuilder::MaxParagraphs);
        const int longest = int(RtfDocumentBuilder::MaxParagraphCharacters);
        const int byCharacters = int(RtfDocumentBuilder::MaxDocumentCharacters / longest);
        QTest::newRow("paragraphs") << "{\\rtf1 " + QByteArray("x\\par ").repeated(paragraphs + 5) + "}" << paragraphs + 1 << true;
        QTest::newRow("characters") << "{\\rtf1 " + (QByteArray(longest - 1, 'x') + "\\par ").repeated(byCharacters + 5) + "}"
                                    << byCharacters + 1 << true;
        QTest::newRow("one long paragraph") << "{\\rtf1 " + QByteArray(longest * 2 + 5, 'x') + "}" << 3 << false;
    }
    void documentBeyondItsCaps()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(int, blocks);
        QFETCH(bool, cutShort);
        QTextDocument document;
        QVERIFY(readRtf(rtf, document));
        QCOMPARE(document.blockCount(), blocks);
        QCOMPARE(document.lastBlock().text().startsWith(QStringLiteral("[…]")), cutShort);
        if (!cutShort)
            QCOMPARE(document.toPlainText().remove(u'\n').size(), rtf.size() - 8);
    }

    // Damaged input must end, and show what could be read.
    void malformed_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("shown");
        const QByteArray features = sample(QStringLiteral("lo-features-fodt.rtf"));
        QTest::newRow("truncated sample") << features.left(features.size() / 2) << "Manuale delle funzioni";
        QTest::newRow("truncated in a hex escape") << QByteArray(R"({\rtf1 abc\')") << "abc";
        QTest::newRow("truncated in a control word") << QByteArray(R"({\rtf1 abc\pa)") << "abc";
        QTest::newRow("cut in a picture") << QByteArray(R"({\rtf1 abc{\pict\pngblip 89504e)") << "abc";
        QTest::newRow("unclosed groups") << QByteArray(R"({\rtf1 {{{{ abc)") << "abc";
        QTest::newRow("extra closing braces") << QByteArray(R"({\rtf1 abc}}}}} def)") << "abc";
        QTest::newRow("100000 nested groups") << QByteArray("{\\rtf1 ") + QByteArray(100000, '{') + "abc" + QByteArray(100000, '}') + "}" << "abc";
        QTest::newRow("100000 unclosed groups") << QByteArray("{\\rtf1 ") + QByteArray(100000, '{') + "abc" << "abc";
        QTest::newRow("huge parameters")
            << QByteArray(R"({\rtf1\fs99999999999999999999\li-99999999999\fi99999999999\sb999999999999\sl-9999999999\uc99999999 \u99999999999 ab)"
                          R"(\par\cf2147483647\cb-5\f99999999999\tx99999999999\trowd\cellx999999999999\intbl abc\cell\row})")
            << "abc";
        QTest::newRow("bin with huge length") << QByteArray(R"({\rtf1 abc\bin99999999999999 xyz})") << "abc";
        QTest::newRow("negative bin") << QByteArray(R"({\rtf1 \bin-5 abc})") << "abc";
        QTest::newRow("many cells, no definitions") << QByteArray("{\\rtf1\\intbl ") + QByteArray("x\\cell ").repeated(5000) + "\\row abc}" << "abc";
        QTest::newRow("long control word") << QByteArray("{\\rtf1 \\") + QByteArray(100000, 'a') + " abc}" << "abc";
    }
    void malformed()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, shown);
        QTextDocument document;
        QVERIFY(readRtf(rtf, document));
        QVERIFY2(document.toPlainText().contains(shown), qPrintable(document.toPlainText().left(200)));
    }

    void ourHelpDocument()
    {
        QFile file(QStringLiteral(QUILLAR_HELP_DOCUMENT));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QTextDocument document;
        QVERIFY(readRtf(file.readAll(), document));
        const QString text = documentLines(document).join(u'\n');
        for (const char *key : {"Quillar – Istruzioni", "I comandi della finestra", "Open / Close", "[CR]", "[LF]",
                                "[1B]", "<005>", "Timer uguale a 0", "ln -s /dev/ttyUSB0 COM3", "dialout",
                                "Quillar.ini", "Salvare", "Debug.txt", "Instructions (English)", "Serial ports on Linux"})
            QVERIFY2(text.contains(QString::fromUtf8(key)), key);
        bool hasTable = false;
        for (QTextFrame *frame : document.rootFrame()->childFrames())
            hasTable = hasTable || qobject_cast<QTextTable *>(frame);
        QVERIFY(hasTable);
    }
};

QTEST_MAIN(TestRtfReader)
#include "tst_rtf_reader.moc"
