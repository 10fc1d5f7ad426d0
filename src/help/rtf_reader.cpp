#include "rtf_reader.h"

#include "rtf_reader_impl.h"

#include <QTextDocument>

#include <utility>

namespace quillar {

namespace {
constexpr int MaxDepth = 512;         // deeper groups share the deepest state
constexpr int MaxTableEntries = 4096; // fonts and colours
} // namespace

RtfReader::RtfReader(QByteArrayView input, QTextDocument &document, double dpi)
    : m_tokens(input),
      m_dpi(dpi),
      m_builder(document, dpi)
{ }

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
    const bool ascii =
        std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
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

RtfParagraph RtfReader::takeParagraph()
{
    RtfParagraph paragraph;
    paragraph.runs = std::exchange(m_runs, {});
    m_paragraphLength = 0;
    m_lastRunOpen = false;
    paragraph.format = blockFormat(state().para);
    paragraph.endFormat = charFormat(state().chars);
    return paragraph;
}

void RtfReader::endParagraph()
{
    m_builder.addParagraph(takeParagraph(), state().para.inTable);
}

void RtfReader::endCell()
{
    m_builder.addParagraph(takeParagraph(), true);
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
        if (m_rgb == std::array{-1, -1, -1})
            m_colours.emplace_back(); // "auto": the view's own colour
        else
            m_colours.emplace_back(QColor(std::max(m_rgb[0], 0), std::max(m_rgb[1], 0), std::max(m_rgb[2], 0)));
    }
    m_rgb = {-1, -1, -1};
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
    const RtfWord &word = lookupRtfWord(token.word);
    const RtfWordCall call{token.hasParameter ? token.parameter : word.defaultValue, word.argument,
                           std::exchange(m_starred, false)};
    switch (word.kind) {
    case RtfWordKind::Binary:
        break;
    case RtfWordKind::Break:
        m_fallbackLeft = 0;
        break;
    case RtfWordKind::Destination:
        if (skipFallback() || state().destination == RtfDestination::Skip)
            return;
        break;
    case RtfWordKind::Value:
        if (skipFallback())
            return;
        break;
    }
    (this->*word.handler)(call);
}

namespace {
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
