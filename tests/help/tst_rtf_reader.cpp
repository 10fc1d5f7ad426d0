#include "help/rtf_document_builder.h"
#include "help/rtf_picture.h"
#include "help/rtf_reader.h"
#include "support/hostile_rtf.h"
#include "support/test_fixtures.h"

#include <QDir>
#include <QImage>
#include <QRegularExpression>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

using namespace quillar;

namespace {

// A line per paragraph, line break and table cell; pictures left out.
QStringList documentLines(const QTextDocument &document)
{
    QStringList lines;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        lines += block.text().remove(QChar::ObjectReplacementCharacter).split(QChar::LineSeparator);
    return lines;
}

// Samples compare with blanks folded and leading list labels removed: the
// word processor that wrote the expected text makes up its own labels.
QStringList normalised(QStringList lines)
{
    static const QRegularExpression label(QStringLiteral(R"(^(?:[•◦▪–]|\d+(?:\.\d+)*[.)]|[a-z]\))\s+)"));
    for (QString &line : lines)
        line = line.simplified().remove(label);
    return lines;
}

QTextTable *firstTable(const QTextDocument &document)
{
    return qobject_cast<QTextTable *>(document.rootFrame()->childFrames().value(0));
}

} // namespace

class TestRtfReader : public QObject
{
    Q_OBJECT

private slots:
    void samples_data()
    {
        QTest::addColumn<QString>("rtf");
        QTest::addColumn<QString>("expected");
        const QDir samples(QStringLiteral(QUILLAR_RTF_SAMPLES));
        for (const QString &file : samples.entryList({QStringLiteral("*.rtf")}))
            QTest::newRow(qPrintable(file))
                << samples.filePath(file) << samples.filePath(file.chopped(4) + QStringLiteral(".expected.txt"));
        QTest::newRow("our help document")
            << QStringLiteral(QUILLAR_HELP_DOCUMENT) << samples.filePath(QStringLiteral("quillar-help.expected.txt"));
    }
    void samples()
    {
        QFETCH(QString, rtf);
        QFETCH(QString, expected);
        QTextDocument document;
        QVERIFY(readRtf(test::fileBytes(rtf), document));
        QCOMPARE(normalised(documentLines(document)),
                 normalised(QString::fromUtf8(test::fileBytes(expected)).chopped(1).split(u'\n')));
    }

    void text_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("expected"); // lines joined by '|'
        QTest::newRow("paragraphs and line break")
            << QByteArray(R"({\rtf1 one\par two\line three\par})") << "one|two|three";
        QTest::newRow("tab") << QByteArray(R"({\rtf1 a\tab b})") << "a\tb";
        QTest::newRow("escaped braces and backslash") << QByteArray(R"({\rtf1 \{x\}\\})") << "{x}\\";
        QTest::newRow("backslash newline is a paragraph") << QByteArray("{\\rtf1 a\\\nb}") << "a|b";
        QTest::newRow("1252 by default, exact")
            << QByteArray(R"({\rtf1\ansi \'80\'81\'e8\'9f})") << QString::fromUtf8("€\u0081èŸ");
        QTest::newRow("ansicpg 1251") << QByteArray(R"({\rtf1\ansi\ansicpg1251 \'c0\'e1})") << QString::fromUtf8("Аб");
        QTest::newRow("mac page") << QByteArray(R"({\rtf1\mac \'8e})") << QString::fromUtf8("é");
        QTest::newRow("font charset wins")
            << QByteArray(R"({\rtf1\ansi{\fonttbl{\f1\fcharset161 Greek;}}\f1 \'e1})") << QString::fromUtf8("α");
        QTest::newRow("double-byte page")
            << QByteArray(R"({\rtf1\ansi\ansicpg932 \'93\'fa})") << QString::fromUtf8("日");
        QTest::newRow("unicode with one fallback") << QByteArray(R"({\rtf1 \u8364?x})") << QString::fromUtf8("€x");
        QTest::newRow("uc2 skips two, hex counts one")
            << QByteArray(R"({\rtf1\uc2 \u26085\'93\'fax})") << QString::fromUtf8("日x");
        QTest::newRow("beyond the basic plane")
            << QByteArray(R"({\rtf1\uc0 \u128512 x})") << QString::fromUtf8("\U0001F600x");
        QTest::newRow("negative u") << QByteArray(R"({\rtf1 \u-3913?})") << QString(QChar(0xF0B7));
        QTest::newRow("surrogate pair") << QByteArray(R"({\rtf1 \u-10179?\u-8704?})") << QString::fromUtf8("😀");
        QTest::newRow("fallback does not eat a paragraph end")
            << QByteArray(R"({\rtf1 \u8212\par b})") << QString::fromUtf8("—|b");
        QTest::newRow("fallback ends with its group") << QByteArray(R"({\rtf1 {\u8364}x})") << QString::fromUtf8("€x");
        QTest::newRow("uc is kept per group") << QByteArray(R"({\rtf1 {\uc0 x}\u233 ee})") << QString::fromUtf8("xée");
        QTest::newRow("symbols") << QByteArray(R"({\rtf1 \bullet\endash\emdash\lquote\rquote\ldblquote\rdblquote\~\_})")
                                 << QString::fromUtf8("•–—‘’“”\u00A0\u2011");
        QTest::newRow("unknown starred group skipped") << QByteArray(R"({\rtf1 a{\*\mystery hidden}b})") << "ab";
        QTest::newRow("starred known word acts as itself") << QByteArray(R"({\rtf1 a{\*\cs5 text}b})") << "atextb";
        QTest::newRow("unknown plain group shown") << QByteArray(R"({\rtf1 a{\mystery shown}b})") << "ashownb";
        QTest::newRow("no destination inside a skipped group")
            << QByteArray(R"({\rtf1{\header{\upr{a}{\*\ud{b}}}}c})") << "c";
        QTest::newRow("hidden text") << QByteArray(R"({\rtf1 a{\v secret}b\v c\v0 d})") << "abd";
        QTest::newRow("list text shown") << QByteArray(R"({\rtf1{\listtext 1.\tab}item\par})") << "1.\titem";
        QTest::newRow("blank list text dropped")
            << QByteArray(R"({\rtf1{\listtext\pard\plain \tab}Heading\par})") << "Heading";
        QTest::newRow("bin skipped by its length") << QByteArray("{\\rtf1 a\\bin3 }{\\z}") << "az";
        QTest::newRow("upr shows its unicode part") << QByteArray(R"({\rtf1{\upr{ansi}{\*\ud{uni}}}})") << "uni";
        // A document that starts with a table has an empty line before it.
        QTest::newRow("table rows in groups, last row unended")
            << QByteArray(R"({\rtf1{\trowd\cellx1000\intbl{x\cell}\intbl\row}{\trowd\cellx1000\intbl y\cell)")
            << "|x|y|";
        QTest::newRow("page break splits a paragraph") << QByteArray(R"({\rtf1 a\page b\par\sect c\par})") << "a|b|c";
        QTest::newRow("not rtf") << QByteArray("hello {\\rtf1 x}") << "<not rtf>";
        // Damaged input shows what could be read.
        QTest::newRow("cut in a picture") << QByteArray(R"({\rtf1 abc{\pict\pngblip 89504e)") << "abc";
        QTest::newRow("extra closing braces") << QByteArray(R"({\rtf1 abc}}}}} def)") << "abc";
        QTest::newRow("100000 nested groups")
            << QByteArray("{\\rtf1 ") + QByteArray(100000, '{') + "abc" + QByteArray(100000, '}') + "}"
            << "abc";
        QTest::newRow("bin with huge length") << QByteArray(R"({\rtf1 abc\bin99999999999999 xyz})") << "abc";
        QTest::newRow("huge parameters") << QByteArray(
            R"({\rtf1\fs99999999999999999999\li-99999999999\fi99999999999\sb999999999999\sl-9999999999\uc99999999 \u99999999999 ab)"
            R"(\par\cf2147483647\cb-5\f99999999999\tx99999999999\trowd\cellx999999999999\intbl abc\cell\row})")
                                         << QStringLiteral("\uFFFD|abc|");
    }
    void text()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, expected);
        QTextDocument document;
        QCOMPARE(readRtf(rtf, document) ? documentLines(document).join(u'|') : QStringLiteral("<not rtf>"), expected);
    }

    // The format of the run "x", or of its paragraph; no value: not set.
    void formats_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("property");
        QTest::addColumn<QVariant>("value");
        const auto row = [](const char *body, int property, const QVariant &value) {
            QTest::newRow(body) << QByteArray(body) << property << value;
        };
        row(R"({\b x})", QTextFormat::FontWeight, QFont::Bold);
        row(R"({\b a}x)", QTextFormat::FontWeight, {}); // a group restores what it changed
        row(R"(\b a\b0 x)", QTextFormat::FontWeight, {});
        row(R"(\b\i\fs30\plain x)", QTextFormat::FontPointSize, 12.0);
        row(R"(\i x)", QTextFormat::FontItalic, true);
        row(R"(\strike x)", QTextFormat::FontStrikeOut, true);
        row(R"(\caps x)", QTextFormat::FontCapitalization, QFont::AllUppercase);
        row(R"(\ul x)", QTextFormat::TextUnderlineStyle, QTextCharFormat::SingleUnderline);
        row(R"(\uldash x)", QTextFormat::TextUnderlineStyle, QTextCharFormat::DashUnderline);
        row(R"(\ulwave\ul0 x)", QTextFormat::TextUnderlineStyle, QTextCharFormat::NoUnderline);
        row(R"(\super x)", QTextFormat::TextVerticalAlignment, QTextCharFormat::AlignSuperScript);
        row(R"(\sub\nosupersub x)", QTextFormat::TextVerticalAlignment, {});
        row(R"(\fs40 x)", QTextFormat::FontPointSize, 20.0);
        row(R"(\fs40\fs x)", QTextFormat::FontPointSize, 12.0);
        row(R"(x)", QTextFormat::FontFamilies, QStringList{"Serif One"});
        row(R"(\f1 x)", QTextFormat::FontFamilies, QStringList{"Mono Two"});
        row(R"(\cf1 x)", QTextFormat::ForegroundBrush, QBrush(QColor(255, 0, 0)));
        row(R"(\highlight2 x)", QTextFormat::BackgroundBrush, QBrush(QColor(0, 0, 255)));
        row(R"(\cf7 x)", QTextFormat::ForegroundBrush, {});
        row(R"({\colortbl\red0\green0\blue0;\red0\green160\blue0;}\cf1 x)", QTextFormat::ForegroundBrush,
            QBrush(QColor(0, 160, 0)));
        row(R"(\qc x)", QTextFormat::BlockAlignment, int(Qt::AlignHCenter));
        row(R"(\qr{\pard\qj a\par}x)", QTextFormat::BlockAlignment, int(Qt::AlignRight));
        row(R"(\li1440 x)", QTextFormat::BlockLeftMargin, 96.0); // 1440 twips at 96 DPI
        row(R"(\li720\fi-360 x)", QTextFormat::TextIndent, -24.0);
        row(R"(\sb240 x)", QTextFormat::BlockTopMargin, 16.0);
        row(R"(\sl360\slmult1 x)", QTextFormat::LineHeight, 150.0);
        row(R"(\cbpat2 x)", QTextFormat::BackgroundBrush, QBrush(QColor(0, 0, 255)));
    }
    void formats()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, property);
        QFETCH(QVariant, value);
        QTextDocument document;
        QVERIFY(
            readRtf(R"({\rtf1{\fonttbl{\f0\froman Serif One{\*\falt Times};}{\f1\fmodern Mono Two{\*\panose 0207};}})"
                    R"({\colortbl;\red255\green0\blue0;\red0\green0\blue255;})"
                        + body + "\\par}",
                    document));
        const QTextCursor x = document.find(QStringLiteral("x"));
        QVERIFY(!x.isNull());
        const QVariant shown = x.charFormat().hasProperty(property) ? x.charFormat().property(property)
                                                                    : x.blockFormat().property(property);
        QCOMPARE(shown, value);
    }

    void tableWithMergedCell()
    {
        QTextDocument document;
        QVERIFY(readRtf(R"({\rtf1 before\par)"
                        R"(\trowd\clbrdrt\brdrs\cellx2000\cellx4000\cellx6000\pard\intbl A\cell B\cell C\cell\row)"
                        R"(\trowd\cellx4000\clcbpat1\cellx6000\pard\intbl wide\cell D\par second\cell\row)"
                        R"(\pard after\par{\colortbl;\red0\green255\blue0;}})",
                        document));
        QTextTable *table = firstTable(document);
        QVERIFY(table);
        QCOMPARE(table->rows(), 2);
        QCOMPARE(table->columns(), 3);
        QCOMPARE(table->cellAt(1, 0).columnSpan(), 2);
        QVERIFY(table->format().border() > 0);
        QCOMPARE(documentLines(document), (QStringList{"before", "A", "B", "C", "wide", "D", "second", "after"}));
    }

    // Pictures; one declared beyond the caps is a one-pixel placeholder shown
    // at its size (at most 4096 pixels).
    void pictures_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QList<QSizeF>>("shown"); // images of the 4 x 3 PNG, or placeholders
        QTest::addColumn<int>("placeholders");
        QImage image(4, 3, QImage::Format_RGB32);
        image.fill(Qt::red);
        const QByteArray png = test::imageBytes(image, "PNG"), hex = png.toHex();
        const QByteArray huge = test::jpegClaiming(5600, 5600).toHex();
        QTest::newRow("png") << "{\\rtf1 a{\\pict\\pngblip\\picwgoal600\\pichgoal450 " + hex + "}b}"
                             << QList<QSizeF>{{40, 30}} << 0;
        QTest::newRow("goal scaled") << "{\\rtf1 a{\\pict\\pngblip\\picwgoal600\\pichgoal450\\picscalex200 " + hex
                + "}b}" << QList<QSizeF>{{80, 30}}
                                     << 0;
        QTest::newRow("png as binary") << "{\\rtf1 a{\\pict\\pngblip\\bin" + QByteArray::number(png.size()) + " " + png
                + "}b}" << QList<QSizeF>{{4, 3}}
                                       << 0;
        QTest::newRow("png in a shape's pib only")
            << "{\\rtf1 a{\\shp{\\*\\shpinst{\\sp{\\sn fillBlip}{\\sv {\\pict\\pngblip " + hex
                + "}}}{\\sp{\\sn pib}{\\sv {\\pict\\pngblip " + hex + "}}}}{\\shprslt{\\pict\\pngblip " + hex + "}}}b}"
            << QList<QSizeF>{{4, 3}} << 0;
        QTest::newRow("shppict, not nonshppict")
            << "{\\rtf1 a{\\*\\shppict{\\pict\\pngblip " + hex + "}}{\\nonshppict{\\pict\\wmetafile8 0102}}b}"
            << QList<QSizeF>{{4, 3}} << 0;
        QTest::newRow("metafile skipped")
            << QByteArray("{\\rtf1 a{\\pict\\wmetafile8 0102030405}b}") << QList<QSizeF>{} << 0;
        QTest::newRow("a bitmap that says png skipped")
            << "{\\rtf1 a{\\pict\\pngblip " + test::imageBytes(image, "BMP").toHex() + "}b}" << QList<QSizeF>{} << 0;
        QTest::newRow("broken png skipped")
            << QByteArray("{\\rtf1 a{\\pict\\pngblip 89504e47}b}") << QList<QSizeF>{} << 0;
        QTest::newRow("beyond the caps") << "{\\rtf1 a{\\pict\\jpegblip " + huge
                + "}{\\pict\\jpegblip\\picwgoal1500\\pichgoal750 " + huge + "}b}"
                                         << QList<QSizeF>{{4096, 4096}, {100, 50}} << 2;
    }
    void pictures()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QList<QSizeF>, shown);
        QFETCH(int, placeholders);
        QTextDocument document;
        QVERIFY(readRtf(rtf, document));
        QCOMPARE(documentLines(document), QStringList{"ab"});
        qsizetype i = 0;
        for (auto it = document.begin().begin(); !it.atEnd(); ++it) {
            const QTextImageFormat image = it.fragment().charFormat().toImageFormat();
            if (!image.isValid())
                continue;
            const QVariant data = document.resource(QTextDocument::ImageResource, QUrl(image.name()));
            QVERIFY(i < shown.size());
            QCOMPARE(QSizeF(image.width(), image.height()), shown[i]);
            QCOMPARE(data.value<QImage>().size(), i++ < placeholders ? QSize(1, 1) : QSize(4, 3));
        }
        QCOMPARE(i, shown.size());
    }

    // Pictures share one budget across a document: two of the largest, then
    // nothing more, however small.
    void pictureBudgetAcrossADocument()
    {
        RtfPictureBudget budget;
        QVERIFY(!RtfPictureBudget().take(RtfPictureBudget::MaxPicturePixels + 1));
        QVERIFY(budget.take(RtfPictureBudget::MaxPicturePixels) && budget.take(RtfPictureBudget::MaxPicturePixels));
        QVERIFY(!budget.take(1));
    }

    // Past the cell cap, the rest of a table, and any table after it, comes
    // out as plain paragraphs.
    void tableBeyondTheCellCap()
    {
        QTextDocument document;
        QVERIFY(
            readRtf(test::rtfWideRowThenRows(1000, true).chopped(1) + "\\pard\\trowd\\cellx100\\intbl a\\cell\\row}",
                    document));
        const QTextTable *table = firstTable(document);
        QCOMPARE(table ? table->rows() : 0, int(RtfDocumentBuilder::MaxTableCells / 64));
        QCOMPARE(document.rootFrame()->childFrames().size(), 1);
        QStringList expected(64, QStringLiteral("x"));
        for (int row = 1; row <= 1000; ++row)
            expected << QStringLiteral("r%1").arg(row);
        QCOMPARE(documentLines(document).filter(QRegularExpression(QStringLiteral("."))),
                 expected << QStringLiteral("a"));
    }

    // A huge document is cut short with a note; a long paragraph goes on in the next.
    void documentBeyondItsCaps_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<int>("blocks");
        QTest::addColumn<bool>("cutShort");
        const int paragraphs = int(RtfDocumentBuilder::MaxParagraphs);
        const int longest = int(RtfDocumentBuilder::MaxParagraphCharacters);
        const int byCharacters = int(RtfDocumentBuilder::MaxDocumentCharacters / longest);
        QTest::newRow("paragraphs") << "{\\rtf1 " + QByteArray("x\\par ").repeated(paragraphs + 5) + "}"
                                    << paragraphs + 1 << true;
        QTest::newRow("characters") << "{\\rtf1 " + (QByteArray(longest - 1, 'x') + "\\par ").repeated(byCharacters + 5)
                + "}" << byCharacters + 1
                                    << true;
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
};

QTEST_MAIN(TestRtfReader)
#include "tst_rtf_reader.moc"
