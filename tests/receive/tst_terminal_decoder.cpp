#include "receive/display_buffer.h"
#include "receive/receive_path.h"
#include "receive/shown_offsets.h"
#include "receive/text_finder.h"
#include "support/manual_clock.h"

#include <QRandomGenerator>
#include <QTest>

using namespace quillar;

namespace {

QString colourName(quint32 colour)
{
    if (colour & CellStyle::RgbFlag)
        return QStringLiteral("#%1").arg(colour & 0xFFFFFF, 6, 16, QLatin1Char('0'));
    return QString::number(colour & 0xFF);
}

// "{fg=2 b}" for a style: colours by palette index or #rrggbb, then the
// attributes b d i u r; "{}" for none.
QString styleName(const CellStyle &style)
{
    QStringList parts;
    if (style.foreground != CellStyle::Default)
        parts << QStringLiteral("fg=") + colourName(style.foreground);
    if (style.background != CellStyle::Default)
        parts << QStringLiteral("bg=") + colourName(style.background);
    const char *letters = "bdiur";
    for (int a = 0; a < 5; ++a) {
        if (style.attributes & (1 << a))
            parts << QString(QLatin1Char(letters[a]));
    }
    return QLatin1Char('{') + parts.join(QLatin1Char(' ')) + QLatin1Char('}');
}

// Every line as shown, a style's name before each run of it (none before
// the plain text a line starts with), lines joined by "\n".
QString described(const DisplayBuffer &display)
{
    QStringList lines;
    for (qsizetype line = 0; line < display.lineCount(); ++line) {
        QString text;
        CellStyle current;
        for (const ShownCell &cell : display.shownLine(line).cells) {
            if (cell.style != current)
                text += styleName(cell.style);
            current = cell.style;
            const char32_t code = cell.code;
            text += QString::fromUcs4(&code, 1);
        }
        lines << text;
    }
    return lines.join(QLatin1Char('\n'));
}

// The bytes through the real receive path, in line-feed mode with the
// default bounds, cut into reads at each of splits.
struct Rig
{
    Rig() : path(display, {QStringLiteral("31"), QStringLiteral("128"), QStringLiteral("0")}, clock) { }

    void receive(const QByteArray &bytes, const QList<int> &splits = {})
    {
        qsizetype from = 0;
        for (const qsizetype to : splits) {
            path.receive(StampedBytes{bytes.mid(from, to - from), {}});
            from = to;
        }
        path.receive(StampedBytes{bytes.mid(from), {}});
    }

    test::ManualClock clock;
    DisplayBuffer display;
    ReceivePath path;
};

} // namespace

class TestTerminalDecoder : public QObject
{
    Q_OBJECT

private slots:
    // What the choices show of a stream; each row also holds cut into two
    // reads at every place, which shows the same.
    void shows_data()
    {
        QTest::addColumn<bool>("colours");
        QTest::addColumn<bool>("utf8");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");

        const auto row = [](const char *name, bool colours, bool utf8, const QByteArray &bytes, const QString &shown) {
            QTest::newRow(name) << colours << utf8 << bytes << shown;
        };
        // Select Graphic Rendition, every form.
        row("8 colours", true, false, "\x1b[32mgreen\x1b[0m plain", "{fg=2}green{} plain");
        row("bright", true, false, "\x1b[91ma\x1b[103mb", "{fg=9}a{fg=9 bg=11}b");
        row("background", true, false, "\x1b[44ma\x1b[49mb", "{bg=4}a{}b");
        row("256 colours", true, false, "\x1b[38;5;208ma\x1b[48;5;17mb", "{fg=208}a{fg=208 bg=17}b");
        row("24-bit", true, false, "\x1b[38;2;255;128;0ma\x1b[48;2;1;2;3mb", "{fg=#ff8000}a{fg=#ff8000 bg=#010203}b");
        row("attributes", true, false, "\x1b[1ma\x1b[2mb\x1b[3mc\x1b[4md\x1b[7me",
            "{b}a{b d}b{b d i}c{b d i u}d{b d i u r}e");
        row("attributes off", true, false, "\x1b[1;2;3;4;7ma\x1b[22mb\x1b[23mc\x1b[24md\x1b[27me",
            "{b d i u r}a{i u r}b{u r}c{r}d{}e");
        row("default colours", true, false, "\x1b[31;42ma\x1b[39mb\x1b[49mc", "{fg=1 bg=2}a{bg=2}b{}c");
        row("empty is reset", true, false, "\x1b[1;31ma\x1b[mb", "{fg=1 b}a{}b");
        row("several in one", true, false, "\x1b[0;1;32mI (28) boot\x1b[0m", "{fg=2 b}I (28) boot");
        row("unknown codes change nothing", true, false, "\x1b[5;9;53ma", "a");
        row("private form hidden", true, false, "\x1b[?1ma", "a");
        // Other sequences hide.
        row("erase line", true, false, "a\x1b[2Kb", "ab");
        row("cursor move", true, false, "a\x1b[10;20Hb\x1b[Ac", "abc");
        row("title with BEL", true, false, "\x1b]0;title\x07x", "x");
        row("title with ST", true, false, "\x1b]2;t\x1b\\x", "x");
        row("two-byte escape", true, false,
            "a\x1b"
            "7b\x1b(Bc",
            "abc");
        // Malformed or too long: the bytes as the exact view shows them.
        row("control inside", true, false, "\x1b[3\x01x", "[1B][3[01]x");
        row("ends with the line", true, false, "\x1b[31\n", "[1B][31[LF]\n");
        row("256 without index", true, false, "\x1b[38;5ma", "[1B][38;5ma");
        row("index past 255", true, false, "\x1b[38;5;256ma", "[1B][38;5;256ma");
        row("RGB short", true, false, "\x1b[48;2;1;2ma", "[1B][48;2;1;2ma");
        row("unknown colour form", true, false, "\x1b[38;7;1ma", "[1B][38;7;1ma");
        row("escape escape", true, false, "\x1b\x1b[1ma", "[1B]{b}a");
        row("parameter after intermediate", true, false, "\x1b[ 1ma", "[1B][ 1ma");
        row("string broken", true, false, "\x1b]0;t\x1bxy", "[1B]]0;t[1B]xy");
        row("64 bytes apply", true, false, "\x1b[" + QByteArray(60, '0') + "1m" + "a", "{b}a");
        row("65 bytes show", true, false, "\x1b[" + QByteArray(61, '0') + "1ma",
            "[1B][" + QString(61, QLatin1Char('0')) + "1ma");
        // UTF-8.
        row("degree", false, true,
            "23.5 \xc2\xb0"
            "C",
            "23.5 \u00b0C");
        row("umlaut", false, true, "Men\xc3\xbcpunkt", "Men\u00fcpunkt");
        row("euro and micro", false, true, "\xe2\x82\xac \xc2\xb5s", "\u20ac \u00b5s");
        row("CJK", false, true, "\xe4\xb8\xad\xe6\x96\x87", "\u4e2d\u6587");
        row("emoji", false, true, "\xf0\x9f\x98\x80!", QString::fromUtf8("\xf0\x9f\x98\x80!"));
        row("largest", false, true, "\xf4\x8f\xbf\xbf", QString::fromUcs4(U"\U0010FFFF", 1));
        row("overlong 2", false, true, "\xc0\xaf\xc1\xbf", "[C0][AF][C1][BF]");
        row("overlong 3", false, true, "\xe0\x80\xaf", "[E0][80][AF]");
        row("overlong 3 of a cent sign", false, true, "\xe0\x82\xa2", "[E0][82][A2]");
        row("overlong 4", false, true, "\xf0\x8f\xbf\xbf", "[F0][8F][BF][BF]");
        row("surrogate", false, true, "\xed\xa0\x80", "[ED][A0][80]");
        row("past U+10FFFF", false, true, "\xf4\x90\x80\x80", "[F4][90][80][80]");
        row("F5 and up", false, true, "\xf5\x80\xff", "[F5][80][FF]");
        row("lone continuation", false, true,
            "a\x80"
            "b",
            "a[80]b");
        row("truncated", false, true, "\xe2\x82x", "[E2][82]x");
        row("truncated by a lead", false, true, "\xe2\xc2\xb0", "[E2]\u00b0");
        row("C1 control", false, true, "\xc2\x85", "[C2][85]");
        row("ends with the line", false, true, "\xc3\n", "[C3][LF]\n");
        // Choices together and apart.
        row("none", false, false, "\x1b[32mX\xc2\xb0", "[1B][32mX[C2][B0]");
        row("UTF-8 alone", false, true, "\x1b[32m\xc2\xb0", "[1B][32m\u00b0");
        row("colours alone", true, false, "\x1b[32m\xc2\xb0", "{fg=2}[C2][B0]");
        row("both", true, true,
            "\x1b[1;33mTemp: 23.5 \xc2\xb0"
            "C\x1b[0m",
            "{fg=3 b}Temp: 23.5 \u00b0C");
        row("UTF-8 in a title", true, true, "\x1b]0;\xc2\xb0\x07x", "x");
        row("escape ends UTF-8", true, true, "\xc3\x1b[1ma", "[C3]{b}a");
        // A received "[1B]" is text, not an escape.
        row("bracket text", true, true, "[1B][32mX", "[1B][32mX");
        // Colours carry across line ends; CR and LF show as always.
        row("carry", true, false, "\x1b[31mred\r\nnext\x1b[0m\nplain", "{fg=1}red[CR][LF]\n{fg=1}next{}[LF]\nplain");
        // What a line leaves when its last sequence is a reset, or seems one.
        row("reset then more", true, false, "\x1b[1;31ma\x1b[0;4m\nb", "{fg=1 b}a{u}[LF]\n{u}b");
        row("no reset: both carry", true, false, "\x1b[31ma\x1b[1m\nb", "{fg=1}a{fg=1 b}[LF]\n{fg=1 b}b");
        row("malformed last", true, false, "\x1b[31ma\x1b[38;5m\nb", "{fg=1}a[1B][38;5m[LF]\n{fg=1}b");
        row("reset in a title", true, false, "\x1b[31ma\x1b]0;\x1b[0m\nb", "{fg=1}a[1B]]0;[1B][0m[LF]\n{fg=1}b");
        row("reset as text", true, false, "\x1b[31ma[1B][0m\nb", "{fg=1}a[1B][0m[LF]\n{fg=1}b");
        const QByteArray longest = "\x1b[0" + QByteArray(";0").repeated(30) + "m"; // 64 bytes
        row("longest reset", true, false, "\x1b[31ma" + longest + "\nb", "{fg=1}a{}[LF]\nb");
        row("too long a reset", true, false, "\x1b[31ma" + longest.chopped(1) + ";0m\nb",
            QStringLiteral("{fg=1}a[1B]") + QString::fromLatin1(longest.mid(1).chopped(1) + ";0m") + "[LF]\n{fg=1}b");
    }
    void shows()
    {
        QFETCH(bool, colours);
        QFETCH(bool, utf8);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        for (int split = 0; split < bytes.size(); ++split) {
            Rig rig;
            rig.display.setShowChoices({colours, utf8});
            rig.receive(bytes, split > 0 ? QList<int>{split} : QList<int>{});
            QCOMPARE(described(rig.display), shown);
        }
        // Turned on after the bytes came, the same.
        Rig later;
        later.receive(bytes);
        later.display.setShowChoices({colours, utf8});
        QCOMPARE(described(later.display), shown);
    }

    // With no choice, every line shows its own text; wide characters take
    // two columns, and each character of the text maps to the column it
    // shows at.
    void columns()
    {
        Rig rig;
        rig.receive("\x1b[1m\xe4\xb8\xad"
                    "a\xc2\xb0");
        const QString exact = rig.display.lineText(0);
        QCOMPARE(rig.display.shownLine(0).text(), exact);
        QCOMPARE(rig.display.shownLine(0).width, exact.size());
        rig.display.setShowChoices({true, true});
        const ShownLine line = rig.display.shownLine(0);
        QCOMPARE(line.text(), QStringView(u"\u4e2da\u00b0").toString());
        QCOMPARE(line.width, 4);
        // [1B][1m hides before the CJK character at 0; a at 2, the degree at 3.
        QCOMPARE(line.column[0], 0);
        QCOMPARE(line.column[exact.indexOf(QLatin1Char('a'))], 2);
        QCOMPARE(line.column[exact.size()], 4);
        QCOMPARE(line.positionAtColumn(1), exact.indexOf(QLatin1Char('a')));
        QCOMPARE(characterWidth(U'\u00b0'), 1);
        QCOMPARE(characterWidth(U'\uac00'), 2);
        QCOMPARE(characterWidth(U'\U0001F600'), 2);
        QCOMPARE(characterWidth(U'\U0001F650'), 1);
    }

    // Over many blocks of text and reads of every size, an ESC's marker and a
    // "[1B]" received as text stay apart: each line shows what was sent but
    // its resets.
    void markersKeptApart()
    {
        Rig rig;
        rig.display.setScrollback(1000000);
        rig.display.setShowChoices({true, false});
        const char *pieces[] = {"abc", "[1B]", "\x1b[0m", "[", "]", "[1B][0m", "\n"};
        QRandomGenerator random(27);
        QByteArray bytes;
        QStringList expected{QString()};
        while (bytes.size() < 200000) {
            const QByteArray piece(pieces[random.bounded(7)]);
            bytes += piece;
            if (piece == "\n")
                expected.back() += QStringLiteral("[LF]"), expected << QString();
            else if (piece != "\x1b[0m")
                expected.back() += QString::fromLatin1(piece);
        }
        for (qsizetype at = 0; at < bytes.size();) {
            const qsizetype n = random.bounded(1, 300);
            rig.receive(bytes.mid(at, n));
            at += n;
        }
        QCOMPARE(rig.display.lineCount(), expected.size());
        for (qsizetype line = 0; line < expected.size(); ++line)
            QCOMPARE(rig.display.shownLine(line).text(), expected[line]);
    }

    // What a screen reader gets with a choice on: the shown text, lines
    // joined by CR LF, and the text's positions mapped to it (exact ->
    // shown) and back (shown -> exact).
    void readOffsets_data()
    {
        using Pairs = QList<QPair<int, int>>;
        QTest::addColumn<bool>("colours");
        QTest::addColumn<bool>("utf8");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<Pairs>("toShown");
        QTest::addColumn<Pairs>("toExact");
        // "[1B][32m" 0..7, ok 8..9, "[1B][0m" 10..16, " x" 17..18
        QTest::newRow("hidden sequences")
            << true << false << QByteArray("\x1b[32mok\x1b[0m x") << QStringLiteral("ok x")
            << Pairs{{0, 0}, {7, 0}, {8, 0}, {9, 1}, {10, 2}, {17, 2}, {18, 3}, {19, 4}}
            << Pairs{{0, 8}, {1, 9}, {2, 17}, {4, 19}};
        // "23" 0..1, [C2][B0] 2..9, [E4][B8][AD] 10..21, [LF] 22..25, CR LF, line 1 at 28
        QTest::newRow("UTF-8 and a wide character")
            << false << true << QByteArray("23\xc2\xb0\xe4\xb8\xad\n")
            << QStringView(u"23\u00b0\u4e2d[LF]\r\n").toString()
            << Pairs{{2, 2}, {6, 2}, {10, 3}, {18, 3}, {22, 4}, {26, 8}, {27, 9}, {28, 10}}
            << Pairs{{2, 2}, {3, 10}, {4, 22}, {8, 26}, {9, 27}, {10, 28}};
        QTest::newRow("beyond the first plane")
            << false << true << QByteArray("\xf0\x9f\x98\x80x") << QStringView(u"\U0001F600x").toString()
            << Pairs{{0, 0}, {15, 0}, {16, 2}, {17, 3}} << Pairs{{0, 0}, {1, 0}, {2, 16}, {3, 17}};
        QTest::newRow("invalid byte kept") << false << true << QByteArray("\xc3(") << QStringLiteral("[C3](")
                                           << Pairs{{0, 0}, {4, 4}, {5, 5}} << Pairs{{1, 1}, {4, 4}};
        // "[1B]" received as text 0..3, a 4, [1B][1m 5..11, b 12
        QTest::newRow("a marker's text kept") << true << true << QByteArray("[1B]a\x1b[1mb") << QStringLiteral("[1B]ab")
                                              << Pairs{{4, 4}, {5, 5}, {12, 5}, {13, 6}} << Pairs{{5, 12}};
        // "[1B][31m" 0..7, red 8..10, [LF] 11..14, CR LF 15..16, next 17..20
        QTest::newRow("lines and their breaks")
            << true << false << QByteArray("\x1b[31mred\nnext") << QStringLiteral("red[LF]\r\nnext")
            << Pairs{{0, 0}, {8, 0}, {15, 7}, {16, 8}, {17, 9}, {21, 13}} << Pairs{{0, 8}, {7, 15}, {9, 17}, {13, 21}};
    }
    void readOffsets()
    {
        using Pairs = QList<QPair<int, int>>;
        QFETCH(bool, colours);
        QFETCH(bool, utf8);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        QFETCH(Pairs, toShown);
        QFETCH(Pairs, toExact);
        Rig rig;
        rig.receive(bytes);
        ShownOffsets offsets(rig.display);
        rig.display.setShowChoices({colours, utf8});
        QCOMPARE(offsets.length(), shown.size());
        QCOMPARE(offsets.text(0, shown.size()), shown);
        for (const auto &[exact, read] : toShown)
            QCOMPARE(offsets.toShown(exact), read);
        for (const auto &[read, exact] : toExact)
            QCOMPARE(offsets.toExact(read), exact);
        for (qsizetype at = 0; at <= shown.size(); ++at) {
            QCOMPARE(offsets.text(at, at + 3), shown.mid(at, 3));
            if (at == shown.size() || !shown[at].isLowSurrogate())
                QCOMPARE(offsets.toShown(offsets.toExact(at)), at);
        }
    }

    // Through appends in reads of every size and cuts at the front, the
    // offsets kept for ended lines agree with the lines as shown now.
    void readOffsetsFollowTheText()
    {
        Rig rig;
        rig.display.setScrollback(2000);
        rig.display.setShowChoices({true, true});
        ShownOffsets offsets(rig.display);
        const char *pieces[] = {"abc", "\x1b[1m", "\xc2\xb0", "\xe4\xb8\xad", "[1B]", "\n", "\n"};
        QRandomGenerator random(27);
        for (int round = 0; round < 300; ++round) {
            QByteArray bytes;
            for (int n = random.bounded(1, 12); n > 0; --n)
                bytes += pieces[random.bounded(7)];
            rig.receive(bytes);
            QString whole;
            for (qsizetype line = 0; line < rig.display.lineCount(); ++line) {
                QCOMPARE(offsets.lineStart(line), whole.size());
                QCOMPARE(offsets.toShown(rig.display.lineStart(line)), whole.size());
                whole += rig.display.shownLine(line).text() + QStringLiteral("\r\n");
            }
            whole.chop(2);
            QCOMPARE(offsets.length(), whole.size());
            const qsizetype at = random.bounded(int(whole.size()) + 1);
            QCOMPARE(offsets.text(at, at + 7), whole.mid(at, 7));
            QCOMPARE(offsets.lineOf(at), rig.display.lineOfPosition(offsets.toExact(at)));
        }
        QVERIFY(rig.display.firstLineNumber() > 0);
    }

    // Find with a choice on matches the text as shown, within a line; each
    // match is the characters of the text that show it.
    void findsAsShown_data()
    {
        using Matches = QList<QPair<int, int>>; // position, length
        QTest::addColumn<bool>("colours");
        QTest::addColumn<bool>("utf8");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<Matches>("matches");
        const auto row = [](const char *name, bool colours, bool utf8, const QByteArray &bytes, const QString &pattern,
                            bool matchCase, const Matches &matches) {
            QTest::newRow(name) << colours << utf8 << bytes << pattern << matchCase << matches;
        };
        row("degree sign", false, true,
            "T: 23\xc2\xb0"
            "C",
            QStringLiteral("\u00b0c"), false, {{5, 9}});
        row("word cut by a sequence", true, false, "wa\x1b[0mrn", QStringLiteral("warn"), false, {{0, 11}});
        row("the bytes' view finds it not", false, false, "wa\x1b[0mrn", QStringLiteral("warn"), false, {});
        row("case folded", true, false, "\x1b[31mERROR\x1b[0m err", QStringLiteral("error"), false, {{8, 5}});
        row("case asked for", true, false, "\x1b[31mERROR\x1b[0m error", QStringLiteral("error"), true, {{21, 5}});
        row("a hidden sequence's text", true, false, "\x1b[32mok", QStringLiteral("[1b]"), false, {});
        row("a kept marker", false, true, "\xc3(", QStringLiteral("[C3]"), false, {{0, 4}});
        row("wide characters", false, true, "x\xe4\xb8\xad\xe6\x96\x87", QStringView(u"\u4e2d\u6587").toString(), false,
            {{1, 24}});
        row("beyond the first plane", false, true, "\xf0\x9f\x98\x80!", QStringView(u"\U0001F600!").toString(), false,
            {{0, 17}});
        row("Kelvin sign folds to k", false, true, "\xe2\x84\xaam", QStringLiteral("km"), false, {{0, 13}});
        row("a malformed sequence is text", true, false, "\x1b[38;5mx", QStringLiteral("[38;5m"), false, {{4, 6}});
        row("a title is no text", true, true, "\x1b]0;warn\x07warn", QStringLiteral("warn"), false, {{15, 4}});
        row("every line, every place", true, false, "aa\n\x1b[1maaa", QStringLiteral("aa"), false,
            {{0, 2}, {15, 2}, {16, 2}});
    }
    void findsAsShown()
    {
        using Matches = QList<QPair<int, int>>;
        QFETCH(bool, colours);
        QFETCH(bool, utf8);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, pattern);
        QFETCH(bool, matchCase);
        QFETCH(Matches, matches);
        Rig rig;
        rig.receive(bytes);
        TextFinder finder(rig.display);
        rig.display.setShowChoices({colours, utf8});
        finder.find(pattern, matchCase, 0);
        while (finder.work()) { }
        Matches found;
        finder.matchesIn(0, rig.display.length(),
                         [&](qsizetype at, qsizetype length) { found << QPair<int, int>(int(at), int(length)); });
        QCOMPARE(found, matches);
        QCOMPARE(finder.count(), matches.size());
        QCOMPARE(finder.current().has_value(), !matches.isEmpty());
        if (!matches.isEmpty()) {
            QCOMPARE(*finder.current(), matches.front().first);
            QCOMPARE(finder.currentLength(), matches.front().second);
            finder.previous(0); // wraps to the last
            QCOMPARE(*finder.current(), matches.back().first);
        }
    }

    // The colours each line starts with, against a decoder fed the bytes
    // alone, over random lines of sequences whole, cut, malformed and in
    // titles, in random reads.
    void startStylesFollowTheBytes()
    {
        const QList<QByteArray> pieces = {"\x1b[0m",
                                          "\x1b[m",
                                          "\x1b[31m",
                                          "\x1b[1;4m",
                                          "\x1b[0;32m",
                                          "\x1b[22;39m",
                                          "\x1b[38;5;200m",
                                          "\x1b[38;5m",
                                          "\x1b]0;t",
                                          "\x07",
                                          "\x1b\\",
                                          "\x1b[3",
                                          "x",
                                          "[1B][0m",
                                          "\x1bX",
                                          "\x1b",
                                          "\r",
                                          "\x1b[?7m",
                                          "\x1b[0;" + QByteArray("1;").repeated(30) + "m"};
        QRandomGenerator random(27);
        Rig rig;
        rig.display.setShowChoices({true, false});
        QByteArray bytes;
        for (int line = 0; line < 400; ++line) {
            for (int n = random.bounded(6); n > 0; --n)
                bytes += pieces[random.bounded(pieces.size())];
            bytes += '\n';
        }
        QList<int> splits;
        for (int at = random.bounded(9); at < bytes.size(); at += 1 + random.bounded(40))
            splits << at;
        rig.receive(bytes, splits);
        CellStyle style;
        const QList<QByteArray> lines = bytes.split('\n');
        for (qsizetype line = 0; line < rig.display.lineCount(); ++line) {
            QCOMPARE(styleName(rig.display.startStyle(line)), styleName(style));
            TerminalDecoder decoder({.colours = true}, QStringView(), style);
            for (const char b : lines[line] + '\n')
                decoder.feed(std::uint8_t(b), 0, 1);
            style = decoder.style();
        }
    }

    // Clear resets the colours; a cut at the front keeps those the lines
    // kept start with.
    void clearAndCut()
    {
        Rig rig;
        rig.display.setShowChoices({true, false});
        rig.display.setScrollback(1000);
        rig.receive("\x1b[35mmagenta\n");
        for (int i = 0; i < 200; ++i)
            rig.receive("line\n");
        QVERIFY(rig.display.firstLineNumber() > 0);
        QVERIFY(described(rig.display).startsWith(QLatin1String("{fg=5}")));
        rig.display.clear();
        rig.receive("after");
        QCOMPARE(described(rig.display), QStringLiteral("after"));
    }
};

QTEST_GUILESS_MAIN(TestTerminalDecoder)
#include "tst_terminal_decoder.moc"
