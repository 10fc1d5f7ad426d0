#include "rtf_reader.h"

#include "rtf_codepage.h"
#include "rtf_document_builder.h"
#include "rtf_keywords.h"
#include "rtf_picture.h"
#include "rtf_state.h"
#include "rtf_tokenizer.h"

#include <QFont>
#include <QTextDocument>

#include <algorithm>
#include <map>
#include <optional>
#include <vector>

namespace quillar {

namespace {
constexpr int MaxDepth = 512;          // deeper groups share the deepest state
constexpr int MaxTableEntries = 4096;  // fonts and colours
constexpr int MaxCellDefs = 64;
constexpr int MaxTabs = 64;
constexpr int MaxTwips = 31680;        // 22 inches, the largest measure writers use

int twips(std::int32_t value) { return std::clamp<std::int32_t>(value, -MaxTwips, MaxTwips); }

struct FontEntry
{
    QString name;
    int codePage = 0;
    QFont::StyleHint hint = QFont::AnyStyle;
};

class RtfReader
{
public:
    RtfReader(QByteArrayView input, QTextDocument &document, double dpi)
        : m_tokens(input), m_document(document), m_dpi(dpi), m_builder(document, dpi)
    {
    }

    void run();

private:
    RtfGroupState &state() { return m_stack.back(); }
    [[nodiscard]] bool showsText() const;

    void pushGroup();
    void popGroup();
    void controlWord(const RtfToken &token);
    void controlSymbol(char symbol);
    void destinationWord(RtfKeyword keyword, bool starred);
    void rawText(QByteArrayView bytes);
    bool skipFallback();
    void flushBytes();
    void emitText(QStringView text);
    void emitChar(char16_t c) { emitText(QStringView(&c, 1)); }
    void appendToParagraph(QStringView text);
    void appendRun(QStringView text);
    void endParagraph();
    void endCell();
    void endRow();
    void finishFontEntry();
    void finishColorEntry();

    [[nodiscard]] int codePage() const;
    [[nodiscard]] QTextCharFormat charFormat(const RtfCharState &chars);
    [[nodiscard]] QTextBlockFormat blockFormat(const RtfParaState &para) const;
    [[nodiscard]] std::optional<QColor> colour(int index) const;
    [[nodiscard]] double px(int twipValue) const { return twipValue * m_dpi / 1440.0; }

    RtfTokenizer m_tokens;
    QTextDocument &m_document;
    double m_dpi;
    RtfDocumentBuilder m_builder;
    RtfCodePageDecoder m_decoder;

    std::vector<RtfGroupState> m_stack;
    int m_overflowDepth = 0; // groups opened beyond MaxDepth
    bool m_starred = false;
    int m_fallbackLeft = 0;  // characters still to skip after \uN
    bool m_documentEnded = false;

    int m_documentCodePage = 1252;
    int m_defaultFont = 0; // without \deff, font 0
    std::map<int, FontEntry> m_fonts;
    int m_fontInProgress = -1;
    FontEntry m_fontEntry;
    std::vector<std::optional<QColor>> m_colours;
    int m_red = -1, m_green = -1, m_blue = -1;

    QByteArray m_pendingBytes; // \'hh bytes, decoded together (double-byte pages)
    std::vector<RtfRun> m_runs;
    qsizetype m_paragraphLength = 0; // characters in m_runs
    bool m_lastRunOpen = false;
    RtfCharState m_lastRunState;
    QString m_label;
    RtfCharState m_labelState;

    std::optional<RtfPicture> m_picture;
    RtfPictureBudget m_pictureBudget;
    QString m_shapeName;
    int m_footnotes = 0;

    std::vector<RtfCellDef> m_cellDefs;
    RtfCellDef m_nextCell;
    int m_rowLeft = 0;
    bool m_rowBorders = false;

    RtfCharState m_cachedState;
    QTextCharFormat m_cachedFormat;
    bool m_cacheValid = false;
};

bool RtfReader::showsText() const
{
    const RtfGroupState &s = m_stack.back();
    return s.destination == RtfDestination::Text && !s.chars.hidden;
}

void RtfReader::run()
{
    m_stack.emplace_back();
    m_stack.back().destination = RtfDestination::Skip; // outside the {\rtf group
    while (!m_documentEnded && !m_builder.isFull()) {
        const RtfToken token = m_tokens.next();
        if (token.kind != RtfToken::Kind::HexByte && !m_pendingBytes.isEmpty())
            flushBytes();
        switch (token.kind) {
        case RtfToken::Kind::End:
            m_documentEnded = true;
            break;
        case RtfToken::Kind::GroupStart:
            pushGroup();
            break;
        case RtfToken::Kind::GroupEnd:
            popGroup();
            break;
        case RtfToken::Kind::ControlWord:
            controlWord(token);
            break;
        case RtfToken::Kind::ControlSymbol:
            if (!skipFallback())
                controlSymbol(token.symbol);
            break;
        case RtfToken::Kind::HexByte:
            if (!skipFallback()) {
                if (state().destination == RtfDestination::Picture) {
                    // Not expected inside picture data; ignore it.
                } else {
                    m_pendingBytes.append(static_cast<char>(token.byte));
                }
            }
            break;
        case RtfToken::Kind::Text:
            rawText(token.word);
            break;
        }
    }
    // A truncated file: close what is open, keep what was read.
    if (!m_pendingBytes.isEmpty())
        flushBytes();
    if (!m_runs.empty())
        endParagraph();
    m_builder.endRow(m_cellDefs, m_rowLeft, m_rowBorders); // a row left open
    m_builder.finish();
}

void RtfReader::pushGroup()
{
    m_fallbackLeft = 0;
    m_starred = false;
    if (static_cast<int>(m_stack.size()) >= MaxDepth) {
        ++m_overflowDepth;
        return;
    }
    RtfGroupState next = state();
    next.ownsPicture = false;
    next.ownsLabel = false;
    m_stack.push_back(std::move(next));
}

void RtfReader::popGroup()
{
    m_fallbackLeft = 0;
    m_starred = false;
    if (m_overflowDepth > 0) {
        --m_overflowDepth;
        return;
    }
    if (m_stack.size() <= 1)
        return; // a stray '}' outside the document
    const RtfGroupState closed = state();
    if (closed.destination == RtfDestination::FontTable && m_fontInProgress >= 0)
        finishFontEntry();
    m_stack.pop_back();
    if (m_stack.size() == 1) {
        m_documentEnded = true; // the document's own group is closed
        return;
    }
    if (closed.ownsPicture && m_picture) {
        if (auto run = m_picture->toRun(m_dpi, m_pictureBudget)) {
            // Whether it is shown was decided when the picture began.
            run->format = charFormat(closed.chars);
            m_runs.push_back(std::move(*run));
            m_lastRunOpen = false;
        }
        m_picture.reset();
    }
    if (closed.ownsLabel) {
        // Labels that are only blanks (a heading's empty number) are dropped.
        if (!m_label.trimmed().isEmpty() && showsText()) {
            const RtfCharState saved = state().chars;
            state().chars = m_labelState;
            appendToParagraph(m_label);
            state().chars = saved;
        }
        m_label.clear();
    }
}

bool RtfReader::skipFallback()
{
    if (m_fallbackLeft <= 0)
        return false;
    --m_fallbackLeft;
    return true;
}

int RtfReader::codePage() const
{
    const int font = m_stack.back().chars.font;
    if (const auto found = m_fonts.find(font); found != m_fonts.end() && found->second.codePage > 0)
        return found->second.codePage;
    return m_documentCodePage;
}

void RtfReader::flushBytes()
{
    const QString text = m_decoder.decode(m_pendingBytes, codePage());
    m_pendingBytes.clear();
    emitText(text);
}

void RtfReader::rawText(QByteArrayView bytes)
{
    while (m_fallbackLeft > 0 && !bytes.isEmpty()) {
        bytes = bytes.sliced(1);
        --m_fallbackLeft;
    }
    if (bytes.isEmpty())
        return;
    const RtfDestination destination = state().destination;
    if (destination == RtfDestination::Picture) {
        if (m_picture)
            m_picture->addHex(bytes);
        return;
    }
    if (destination == RtfDestination::Skip || destination == RtfDestination::ShapeInstance
        || destination == RtfDestination::ShapeValue || destination == RtfDestination::Upr)
        return;
    // No character takes more than two bytes, and no document shows more
    // than its cap: the rest of a longer run could not be shown.
    bytes.truncate(std::min<qsizetype>(bytes.size(), 2 * RtfDocumentBuilder::MaxDocumentCharacters));
    const bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    emitText(ascii ? QString::fromLatin1(bytes) : m_decoder.decode(bytes, codePage()));
}

void RtfReader::emitText(QStringView text)
{
    switch (state().destination) {
    case RtfDestination::Text:
        if (!state().chars.hidden)
            appendToParagraph(text);
        break;
    case RtfDestination::ListLabel:
        m_label.append(text);
        m_labelState = state().chars;
        break;
    case RtfDestination::FontTable:
        for (const QChar c : text) {
            if (c == u';')
                finishFontEntry();
            else if (m_fontInProgress >= 0 && m_fontEntry.name.size() < 256)
                m_fontEntry.name.append(c);
        }
        break;
    case RtfDestination::ColorTable:
        for (const QChar c : text) {
            if (c == u';')
                finishColorEntry();
        }
        break;
    case RtfDestination::ShapeName:
        if (m_shapeName.size() < 64)
            m_shapeName.append(text);
        break;
    default:
        break;
    }
}

void RtfReader::appendToParagraph(QStringView text)
{
    // Qt lays out a paragraph as a whole: a very long one goes on in the next.
    while (m_paragraphLength + text.size() > RtfDocumentBuilder::MaxParagraphCharacters) {
        const qsizetype room = RtfDocumentBuilder::MaxParagraphCharacters - m_paragraphLength;
        appendRun(text.first(room));
        text = text.sliced(room);
        endParagraph();
    }
    appendRun(text);
}

void RtfReader::appendRun(QStringView text)
{
    if (text.isEmpty())
        return;
    m_paragraphLength += text.size();
    const RtfCharState &chars = state().chars;
    if (m_lastRunOpen && !m_runs.empty() && m_lastRunState == chars) {
        m_runs.back().text.append(text);
        return;
    }
    RtfRun run;
    run.text = text.toString();
    run.format = charFormat(chars);
    m_runs.push_back(std::move(run));
    m_lastRunOpen = true;
    m_lastRunState = chars;
}

void RtfReader::endParagraph()
{
    RtfParagraph paragraph;
    paragraph.runs = std::move(m_runs);
    m_runs.clear();
    m_paragraphLength = 0;
    m_lastRunOpen = false;
    paragraph.format = blockFormat(state().para);
    paragraph.endFormat = charFormat(state().chars);
    m_builder.addParagraph(std::move(paragraph), state().para.inTable);
}

void RtfReader::endCell()
{
    RtfParagraph paragraph;
    paragraph.runs = std::move(m_runs);
    m_runs.clear();
    m_paragraphLength = 0;
    m_lastRunOpen = false;
    paragraph.format = blockFormat(state().para);
    paragraph.endFormat = charFormat(state().chars);
    m_builder.addParagraph(std::move(paragraph), true);
    m_builder.endCell();
}

void RtfReader::endRow()
{
    if (!m_runs.empty())
        endCell();
    m_builder.endRow(m_cellDefs, m_rowLeft, m_rowBorders);
}

void RtfReader::finishFontEntry()
{
    if (m_fontInProgress >= 0 && static_cast<int>(m_fonts.size()) < MaxTableEntries) {
        m_fontEntry.name = m_fontEntry.name.trimmed();
        m_fonts[m_fontInProgress] = m_fontEntry;
    }
    m_fontInProgress = -1;
    m_fontEntry = {};
}

void RtfReader::finishColorEntry()
{
    if (static_cast<int>(m_colours.size()) < MaxTableEntries) {
        if (m_red < 0 && m_green < 0 && m_blue < 0)
            m_colours.emplace_back(); // "auto": the view's own colour
        else
            m_colours.emplace_back(QColor(std::max(m_red, 0), std::max(m_green, 0), std::max(m_blue, 0)));
    }
    m_red = m_green = m_blue = -1;
}

std::optional<QColor> RtfReader::colour(int index) const
{
    if (index < 0 || index >= static_cast<int>(m_colours.size()))
        return std::nullopt;
    return m_colours[static_cast<std::size_t>(index)];
}

QTextCharFormat RtfReader::charFormat(const RtfCharState &chars)
{
    if (m_cacheValid && m_cachedState == chars)
        return m_cachedFormat;
    QTextCharFormat format;
    const int font = chars.font >= 0 ? chars.font : m_defaultFont;
    if (const auto found = m_fonts.find(font); found != m_fonts.end() && !found->second.name.isEmpty()) {
        format.setFontFamilies({found->second.name});
        format.setFontStyleHint(found->second.hint);
    }
    format.setFontPointSize(chars.halfPoints / 2.0);
    if (chars.bold)
        format.setFontWeight(QFont::Bold);
    format.setFontItalic(chars.italic);
    format.setUnderlineStyle(static_cast<QTextCharFormat::UnderlineStyle>(chars.underline));
    format.setFontStrikeOut(chars.strike);
    if (chars.allCaps)
        format.setFontCapitalization(QFont::AllUppercase);
    else if (chars.smallCaps)
        format.setFontCapitalization(QFont::SmallCaps);
    if (chars.vertical == 1)
        format.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else if (chars.vertical == 2)
        format.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    if (const auto fg = colour(chars.foreground))
        format.setForeground(*fg);
    if (const auto bg = colour(chars.background))
        format.setBackground(*bg);
    m_cachedState = chars;
    m_cachedFormat = format;
    m_cacheValid = true;
    return format;
}

QTextBlockFormat RtfReader::blockFormat(const RtfParaState &para) const
{
    QTextBlockFormat format;
    format.setAlignment(para.alignment);
    const int left = std::max(para.leftIndent, 0);
    format.setLeftMargin(px(left));
    format.setRightMargin(px(std::max(para.rightIndent, 0)));
    format.setTextIndent(px(std::max(para.firstIndent, -left)));
    format.setTopMargin(px(std::max(para.spaceBefore, 0)));
    format.setBottomMargin(px(std::max(para.spaceAfter, 0)));
    if (para.lineSpacing != 0) {
        if (para.lineMultiple && para.lineSpacing > 0)
            format.setLineHeight(100.0 * para.lineSpacing / 240.0, QTextBlockFormat::ProportionalHeight);
        else if (para.lineSpacing > 0)
            format.setLineHeight(px(para.lineSpacing), QTextBlockFormat::MinimumHeight);
        else
            format.setLineHeight(px(-para.lineSpacing), QTextBlockFormat::FixedHeight);
    }
    if (!para.tabs.isEmpty()) {
        // RTF measures tab stops from the page margin, Qt from where the
        // line starts; tabs are mostly used on the first line (list labels).
        const double firstLineStart = px(left + std::max(para.firstIndent, -left));
        QList<QTextOption::Tab> tabs;
        for (QTextOption::Tab tab : para.tabs) {
            tab.position -= firstLineStart;
            if (tab.position > 0)
                tabs.append(tab);
        }
        format.setTabPositions(tabs);
    }
    if (const auto shading = colour(para.shading))
        format.setBackground(*shading);
    return format;
}

void RtfReader::destinationWord(RtfKeyword keyword, bool starred)
{
    RtfGroupState &s = state();
    if (s.destination == RtfDestination::Skip)
        return;
    switch (keyword) {
    case RtfKeyword::FontTable:
        s.destination = RtfDestination::FontTable;
        break;
    case RtfKeyword::ColorTable:
        s.destination = RtfDestination::ColorTable;
        m_colours.clear();
        break;
    case RtfKeyword::Pict: {
        const bool shapePicture = s.destination == RtfDestination::ShapeValue && m_shapeName == u"pib";
        if ((showsText() || shapePicture) && !m_picture) {
            s.destination = RtfDestination::Picture;
            s.ownsPicture = true;
            m_picture.emplace();
        } else {
            s.destination = RtfDestination::Skip;
        }
        break;
    }
    case RtfKeyword::FieldResult:
    case RtfKeyword::ShapePicture:
        break; // shown as ordinary text, starred or not
    case RtfKeyword::ShapeInstance:
        s.destination = RtfDestination::ShapeInstance;
        break;
    case RtfKeyword::ShapeName:
        if (s.destination == RtfDestination::ShapeInstance) {
            s.destination = RtfDestination::ShapeName;
            m_shapeName.clear();
        }
        break;
    case RtfKeyword::ShapeValue:
        if (s.destination == RtfDestination::ShapeInstance)
            s.destination = RtfDestination::ShapeValue;
        break;
    case RtfKeyword::ShapeResult:
        s.destination = RtfDestination::Skip; // the shape is shown from its instance
        break;
    case RtfKeyword::ListText:
        if (s.destination == RtfDestination::Text && !m_label.isEmpty())
            s.destination = RtfDestination::Skip; // a label inside a label
        else if (s.destination == RtfDestination::Text) {
            s.destination = RtfDestination::ListLabel;
            s.ownsLabel = true;
        }
        break;
    case RtfKeyword::Upr:
        s.destination = RtfDestination::Upr;
        break;
    case RtfKeyword::Ud:
        if (s.destination == RtfDestination::Upr)
            s.destination = RtfDestination::Text;
        break;
    case RtfKeyword::SkippedDestination:
        s.destination = RtfDestination::Skip;
        break;
    default:
        if (starred)
            s.destination = RtfDestination::Skip;
        break;
    }
}

void RtfReader::controlSymbol(char symbol)
{
    switch (symbol) {
    case '\\':
    case '{':
    case '}':
        emitChar(static_cast<char16_t>(symbol));
        break;
    case '~':
        emitChar(u'\u00A0');
        break;
    case '_':
        emitChar(u'\u2011');
        break;
    case '\t':
        emitChar(u'\t');
        break;
    case '*':
        m_starred = true;
        break;
    case '\n':
        if (state().destination == RtfDestination::Text)
            endParagraph();
        break;
    default:
        break; // \- (optional hyphen), \: and the rest show nothing
    }
}

void RtfReader::controlWord(const RtfToken &token)
{
    const RtfKeyword keyword = lookupRtfKeyword(token.word);
    const bool starred = m_starred;
    m_starred = false;
    const std::int32_t p = token.parameter;
    const bool has = token.hasParameter;
    const bool on = !has || p != 0;

    if (keyword == RtfKeyword::Bin) {
        // Binary data is skipped by its length, fallback or not.
        const QByteArrayView bytes = m_tokens.takeBinary(has ? p : 0);
        if (state().destination == RtfDestination::Picture && m_picture)
            m_picture->addBinary(bytes);
        return;
    }
    // Paragraph, cell and row ends are never taken for the fallback of \uN.
    const bool structural = keyword == RtfKeyword::Par || keyword == RtfKeyword::Cell
        || keyword == RtfKeyword::Row || keyword == RtfKeyword::Sect || keyword == RtfKeyword::Page
        || keyword == RtfKeyword::NestCell;
    if (structural)
        m_fallbackLeft = 0;
    else if (skipFallback())
        return;

    RtfGroupState &s = state();
    RtfCharState &c = s.chars;
    RtfParaState &para = s.para;
    const bool text = showsText();
    const bool body = s.destination == RtfDestination::Text; // hidden or not

    switch (keyword) {
    case RtfKeyword::Unknown:
        if (starred)
            destinationWord(keyword, true);
        break;
    case RtfKeyword::StyleRef:
        break;
    case RtfKeyword::Rtf:
        if (m_stack.size() == 2 && s.destination == RtfDestination::Skip)
            s.destination = RtfDestination::Text;
        break;
    case RtfKeyword::Ansi:
        m_documentCodePage = 1252;
        break;
    case RtfKeyword::AnsiCpg:
        if (has && p > 0)
            m_documentCodePage = p;
        break;
    case RtfKeyword::Mac:
        m_documentCodePage = 10000;
        break;
    case RtfKeyword::Pc:
        m_documentCodePage = 437;
        break;
    case RtfKeyword::Pca:
        m_documentCodePage = 850;
        break;
    case RtfKeyword::Deff:
        m_defaultFont = p;
        if (c.font < 0)
            c.font = p;
        break;
    case RtfKeyword::Uc:
        s.unicodeSkip = std::clamp<std::int32_t>(p, 0, 16);
        break;
    case RtfKeyword::U: {
        std::int64_t code = p;
        if (code < 0)
            code += 65536;
        QString unit;
        if (code >= 0 && code <= 0xFFFF)
            unit = QChar(static_cast<char16_t>(code));
        else if (code <= 0x10FFFF)
            unit = QString::fromUcs4(reinterpret_cast<const char32_t *>(&code), 1);
        else
            unit = QChar(QChar::ReplacementCharacter);
        emitText(unit);
        m_fallbackLeft = s.unicodeSkip;
        break;
    }

    case RtfKeyword::FontTable:
    case RtfKeyword::ColorTable:
    case RtfKeyword::Pict:
    case RtfKeyword::FieldResult:
    case RtfKeyword::ShapePicture:
    case RtfKeyword::ShapeInstance:
    case RtfKeyword::ShapeName:
    case RtfKeyword::ShapeValue:
    case RtfKeyword::ShapeResult:
    case RtfKeyword::ListText:
    case RtfKeyword::Upr:
    case RtfKeyword::Ud:
    case RtfKeyword::SkippedDestination:
        destinationWord(keyword, starred);
        break;

    case RtfKeyword::F:
        if (s.destination == RtfDestination::FontTable) {
            if (m_fontInProgress >= 0)
                finishFontEntry();
            m_fontInProgress = p;
        } else {
            c.font = p;
        }
        break;
    case RtfKeyword::FCharset:
        if (s.destination == RtfDestination::FontTable)
            m_fontEntry.codePage = RtfCodePageDecoder::codePageForCharset(p);
        break;
    case RtfKeyword::FRoman:
        m_fontEntry.hint = QFont::Serif;
        break;
    case RtfKeyword::FSwiss:
        m_fontEntry.hint = QFont::SansSerif;
        break;
    case RtfKeyword::FModern:
        m_fontEntry.hint = QFont::TypeWriter;
        break;
    case RtfKeyword::FScript:
        m_fontEntry.hint = QFont::Cursive;
        break;
    case RtfKeyword::FDecor:
        m_fontEntry.hint = QFont::Decorative;
        break;
    case RtfKeyword::FTech:
    case RtfKeyword::FNil:
        break;
    case RtfKeyword::Red:
        m_red = std::clamp<std::int32_t>(p, 0, 255);
        break;
    case RtfKeyword::Green:
        m_green = std::clamp<std::int32_t>(p, 0, 255);
        break;
    case RtfKeyword::Blue:
        m_blue = std::clamp<std::int32_t>(p, 0, 255);
        break;

    case RtfKeyword::Par:
        if (body)
            endParagraph();
        break;
    case RtfKeyword::Sect:
    case RtfKeyword::Page:
        // A break in the middle of a paragraph splits it; between paragraphs
        // it adds nothing.
        if (body && !m_runs.empty())
            endParagraph();
        break;
    case RtfKeyword::NestCell:
        if (body)
            endParagraph(); // nested tables are shown as the outer cell's paragraphs
        break;
    case RtfKeyword::Cell:
        if (body)
            endCell();
        break;
    case RtfKeyword::Row:
        if (body)
            endRow();
        break;
    case RtfKeyword::Line:
        emitChar(u'\u2028');
        break;
    case RtfKeyword::Tab:
        emitChar(u'\t');
        break;
    case RtfKeyword::Chftn:
        if (text)
            emitText(QString::number(++m_footnotes));
        break;
    case RtfKeyword::Emdash:
        emitChar(u'\u2014');
        break;
    case RtfKeyword::Endash:
        emitChar(u'\u2013');
        break;
    case RtfKeyword::Bullet:
        emitChar(u'\u2022');
        break;
    case RtfKeyword::Lquote:
        emitChar(u'\u2018');
        break;
    case RtfKeyword::Rquote:
        emitChar(u'\u2019');
        break;
    case RtfKeyword::Ldblquote:
        emitChar(u'\u201C');
        break;
    case RtfKeyword::Rdblquote:
        emitChar(u'\u201D');
        break;
    case RtfKeyword::Emspace:
        emitChar(u'\u2003');
        break;
    case RtfKeyword::Enspace:
        emitChar(u'\u2002');
        break;
    case RtfKeyword::Qmspace:
        emitChar(u'\u2005');
        break;
    case RtfKeyword::Zwj:
        emitChar(u'\u200D');
        break;
    case RtfKeyword::Zwnj:
        emitChar(u'\u200C');
        break;
    case RtfKeyword::Ltrmark:
        emitChar(u'\u200E');
        break;
    case RtfKeyword::Rtlmark:
        emitChar(u'\u200F');
        break;

    case RtfKeyword::Plain:
        c = RtfCharState{};
        c.font = m_defaultFont;
        break;
    case RtfKeyword::B:
        c.bold = on;
        break;
    case RtfKeyword::I:
        c.italic = on;
        break;
    case RtfKeyword::Ul:
        c.underline = on ? QTextCharFormat::SingleUnderline : QTextCharFormat::NoUnderline;
        break;
    case RtfKeyword::UlDotted:
        c.underline = on ? QTextCharFormat::DotLine : QTextCharFormat::NoUnderline;
        break;
    case RtfKeyword::UlDash:
        c.underline = on ? QTextCharFormat::DashUnderline : QTextCharFormat::NoUnderline;
        break;
    case RtfKeyword::UlWave:
        c.underline = on ? QTextCharFormat::WaveUnderline : QTextCharFormat::NoUnderline;
        break;
    case RtfKeyword::UlNone:
        c.underline = QTextCharFormat::NoUnderline;
        break;
    case RtfKeyword::Strike:
        c.strike = on;
        break;
    case RtfKeyword::Scaps:
        c.smallCaps = on;
        break;
    case RtfKeyword::Caps:
        c.allCaps = on;
        break;
    case RtfKeyword::Hidden:
        c.hidden = on;
        break;
    case RtfKeyword::Super:
        c.vertical = on ? 1 : 0;
        break;
    case RtfKeyword::Sub:
        c.vertical = on ? 2 : 0;
        break;
    case RtfKeyword::NoSuperSub:
        c.vertical = 0;
        break;
    case RtfKeyword::Fs:
        c.halfPoints = has ? std::clamp<std::int32_t>(p, 2, 3276) : 24;
        break;
    case RtfKeyword::Cf:
        c.foreground = p;
        break;
    case RtfKeyword::Cb:
    case RtfKeyword::Highlight:
        c.background = p;
        break;

    case RtfKeyword::Pard:
        para = RtfParaState{};
        break;
    case RtfKeyword::Ql:
        para.alignment = Qt::AlignLeft;
        break;
    case RtfKeyword::Qc:
        para.alignment = Qt::AlignHCenter;
        break;
    case RtfKeyword::Qr:
        para.alignment = Qt::AlignRight;
        break;
    case RtfKeyword::Qj:
        para.alignment = Qt::AlignJustify;
        break;
    case RtfKeyword::Li:
        para.leftIndent = twips(p);
        break;
    case RtfKeyword::Ri:
        para.rightIndent = twips(p);
        break;
    case RtfKeyword::Fi:
        para.firstIndent = twips(p);
        break;
    case RtfKeyword::Sb:
        para.spaceBefore = twips(p);
        break;
    case RtfKeyword::Sa:
        para.spaceAfter = twips(p);
        break;
    case RtfKeyword::Sl:
        para.lineSpacing = twips(p);
        break;
    case RtfKeyword::SlMult:
        para.lineMultiple = on;
        break;
    case RtfKeyword::Intbl:
        para.inTable = on;
        break;
    case RtfKeyword::Itap:
        para.inTable = p > 0;
        break;
    case RtfKeyword::Tx:
        if (para.tabs.size() < MaxTabs)
            para.tabs.append(QTextOption::Tab(px(std::max(twips(p), 0)), para.pendingTabType));
        para.pendingTabType = QTextOption::LeftTab;
        break;
    case RtfKeyword::Tqc:
        para.pendingTabType = QTextOption::CenterTab;
        break;
    case RtfKeyword::Tqr:
        para.pendingTabType = QTextOption::RightTab;
        break;
    case RtfKeyword::Tqdec:
        para.pendingTabType = QTextOption::DelimiterTab;
        break;
    case RtfKeyword::Cbpat:
        para.shading = p;
        break;

    case RtfKeyword::Trowd:
        m_cellDefs.clear();
        m_nextCell = {};
        m_rowLeft = 0;
        m_rowBorders = false;
        break;
    case RtfKeyword::Trleft:
        m_rowLeft = twips(p);
        break;
    case RtfKeyword::Cellx:
        if (static_cast<int>(m_cellDefs.size()) < MaxCellDefs) {
            m_nextCell.rightEdge = twips(p);
            m_cellDefs.push_back(m_nextCell);
        }
        m_nextCell = {};
        break;
    case RtfKeyword::Clcbpat:
        if (const auto bg = colour(p))
            m_nextCell.background = *bg;
        break;
    case RtfKeyword::Clvmrg:
        m_nextCell.mergedWithAbove = true;
        break;
    case RtfKeyword::Border:
        m_rowBorders = true;
        break;

    case RtfKeyword::PngBlip:
        if (m_picture && s.destination == RtfDestination::Picture)
            m_picture->setType(RtfPicture::Type::Png);
        break;
    case RtfKeyword::JpegBlip:
        if (m_picture && s.destination == RtfDestination::Picture)
            m_picture->setType(RtfPicture::Type::Jpeg);
        break;
    case RtfKeyword::OtherBlip:
        if (m_picture && s.destination == RtfDestination::Picture)
            m_picture->setType(RtfPicture::Type::Other);
        break;
    case RtfKeyword::Picw:
        if (m_picture)
            m_picture->width = std::clamp<std::int32_t>(p, 0, MaxTwips);
        break;
    case RtfKeyword::Pich:
        if (m_picture)
            m_picture->height = std::clamp<std::int32_t>(p, 0, MaxTwips);
        break;
    case RtfKeyword::Picwgoal:
        if (m_picture)
            m_picture->goalWidth = std::clamp<std::int32_t>(p, 0, MaxTwips);
        break;
    case RtfKeyword::Pichgoal:
        if (m_picture)
            m_picture->goalHeight = std::clamp<std::int32_t>(p, 0, MaxTwips);
        break;
    case RtfKeyword::Picscalex:
        if (m_picture)
            m_picture->scaleX = std::clamp<std::int32_t>(p, 1, 1000);
        break;
    case RtfKeyword::Picscaley:
        if (m_picture)
            m_picture->scaleY = std::clamp<std::int32_t>(p, 1, 1000);
        break;
    case RtfKeyword::Bin:
        break;
    }
}

bool looksLikeRtf(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    qsizetype i = 0;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n'))
        ++i;
    return bytes.sliced(i).startsWith("{\\rtf");
}
} // namespace

bool readRtf(QByteArrayView rtf, QTextDocument &document, double dpi)
{
    if (!looksLikeRtf(rtf))
        return false;
    RtfReader reader(rtf, document, dpi > 0 ? dpi : 96.0);
    reader.run();
    return true;
}

} // namespace quillar
