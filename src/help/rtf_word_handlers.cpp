// What each control word does; rtf_keywords.cpp says which words reach which
// handler, with what argument and default.
#include "rtf_reader_impl.h"

namespace quillar {

namespace {
constexpr int MaxCellDefs = 64;
constexpr int MaxTabs = 64;
} // namespace

void RtfReader::unknownWord(const RtfWordCall &call)
{
    if (call.starred)
        state().destination = RtfDestination::Skip;
}

void RtfReader::binary(const RtfWordCall &call)
{
    const QByteArrayView bytes = m_tokens.takeBinary(call.value);
    if (state().destination == RtfDestination::Picture && m_picture)
        m_picture->addBinary(bytes);
}

void RtfReader::rtfHeader(const RtfWordCall &)
{
    if (m_stack.size() == 2 && state().destination == RtfDestination::Skip)
        state().destination = RtfDestination::Text;
}

void RtfReader::documentCodePage(const RtfWordCall &call)
{
    m_documentCodePage = call.argument;
}

void RtfReader::ansiCodePage(const RtfWordCall &call)
{
    if (call.value > 0)
        m_documentCodePage = call.value;
}

void RtfReader::defaultFont(const RtfWordCall &call)
{
    m_defaultFont = call.value;
    if (state().chars.font < 0)
        state().chars.font = call.value;
}

void RtfReader::unicodeSkip(const RtfWordCall &call)
{
    state().unicodeSkip = std::clamp<std::int32_t>(call.value, 0, 16);
}

void RtfReader::unicodeCharacter(const RtfWordCall &call)
{
    std::int64_t code = call.value;
    if (code < 0)
        code += 65536;
    QString unit;
    if (code >= 0 && code <= 0xFFFF)
        unit = QChar(static_cast<char16_t>(code));
    else if (code <= 0x10FFFF) {
        const auto ucs4 = static_cast<char32_t>(code);
        unit = QString::fromUcs4(&ucs4, 1);
    } else
        unit = QChar(QChar::ReplacementCharacter);
    emitText(unit);
    m_fallbackLeft = state().unicodeSkip;
}

// ---- destinations (never reached inside a skipped group)

void RtfReader::fontTable(const RtfWordCall &)
{
    state().destination = RtfDestination::FontTable;
}

void RtfReader::colourTable(const RtfWordCall &)
{
    state().destination = RtfDestination::ColorTable;
    m_colours.clear();
}

void RtfReader::picture(const RtfWordCall &)
{
    RtfGroupState &s = state();
    const bool shapePicture = s.destination == RtfDestination::ShapeValue && m_shapeName == u"pib";
    if ((showsText() || shapePicture) && !m_picture) {
        s.destination = RtfDestination::Picture;
        s.ownsPicture = true;
        m_picture.emplace();
    } else {
        s.destination = RtfDestination::Skip;
    }
}

void RtfReader::shapeInstance(const RtfWordCall &)
{
    state().destination = RtfDestination::ShapeInstance;
}

void RtfReader::shapeName(const RtfWordCall &)
{
    if (state().destination == RtfDestination::ShapeInstance) {
        state().destination = RtfDestination::ShapeName;
        m_shapeName.clear();
    }
}

void RtfReader::shapeValue(const RtfWordCall &)
{
    if (state().destination == RtfDestination::ShapeInstance)
        state().destination = RtfDestination::ShapeValue;
}

void RtfReader::skipGroup(const RtfWordCall &)
{
    state().destination = RtfDestination::Skip;
}

void RtfReader::listText(const RtfWordCall &)
{
    RtfGroupState &s = state();
    if (s.destination != RtfDestination::Text)
        return;
    if (!m_label.isEmpty()) {
        s.destination = RtfDestination::Skip; // a label inside a label
    } else {
        s.destination = RtfDestination::ListLabel;
        s.ownsLabel = true;
    }
}

void RtfReader::unicodeAlternatives(const RtfWordCall &)
{
    state().destination = RtfDestination::Upr;
}

void RtfReader::unicodePart(const RtfWordCall &)
{
    if (state().destination == RtfDestination::Upr)
        state().destination = RtfDestination::Text;
}

// ---- font and colour tables

void RtfReader::font(const RtfWordCall &call)
{
    if (state().destination != RtfDestination::FontTable) {
        state().chars.font = call.value;
        return;
    }
    if (m_fontInProgress >= 0)
        finishFontEntry();
    m_fontInProgress = call.value;
}

void RtfReader::fontCharset(const RtfWordCall &call)
{
    if (state().destination == RtfDestination::FontTable)
        m_fontEntry.codePage = RtfCodePageDecoder::codePageForCharset(call.value);
}

void RtfReader::fontFamily(const RtfWordCall &call)
{
    m_fontEntry.hint = static_cast<QFont::StyleHint>(call.argument);
}

void RtfReader::colourComponent(const RtfWordCall &call)
{
    m_rgb[static_cast<std::size_t>(call.argument)] = std::clamp<std::int32_t>(call.value, 0, 255);
}

// ---- text

void RtfReader::textBreak(const RtfWordCall &call)
{
    if (!inBody())
        return;
    switch (static_cast<RtfBreak>(call.argument)) {
    case RtfBreak::Paragraph:
    case RtfBreak::NestedCell: // nested tables are shown as the outer cell's paragraphs
        endParagraph();
        break;
    case RtfBreak::Section:
        // In the middle of a paragraph it splits it; between paragraphs it
        // adds nothing.
        if (!m_runs.empty())
            endParagraph();
        break;
    case RtfBreak::Cell:
        endCell();
        break;
    case RtfBreak::Row:
        endRow();
        break;
    }
}

void RtfReader::character(const RtfWordCall &call)
{
    emitChar(static_cast<char16_t>(call.argument));
}

void RtfReader::footnoteMark(const RtfWordCall &)
{
    if (showsText())
        emitText(QString::number(++m_footnotes));
}

// ---- character formatting

void RtfReader::plain(const RtfWordCall &)
{
    state().chars = RtfCharState{};
    state().chars.font = m_defaultFont;
}

void RtfReader::underline(const RtfWordCall &call)
{
    state().chars.underline = call.on() ? call.argument : QTextCharFormat::NoUnderline;
}

void RtfReader::vertical(const RtfWordCall &call)
{
    state().chars.vertical = call.on() ? call.argument : 0;
}

void RtfReader::fontSize(const RtfWordCall &call)
{
    state().chars.halfPoints = std::clamp<std::int32_t>(call.value, 2, 3276);
}

// ---- paragraph formatting

void RtfReader::pard(const RtfWordCall &)
{
    state().para = RtfParaState{};
}

void RtfReader::alignment(const RtfWordCall &call)
{
    state().para.alignment = Qt::Alignment(call.argument);
}

void RtfReader::tableDepth(const RtfWordCall &call)
{
    state().para.inTable = call.value > 0;
}

void RtfReader::tabStop(const RtfWordCall &call)
{
    RtfParaState &para = state().para;
    if (para.tabs.size() < MaxTabs)
        para.tabs.append(QTextOption::Tab(px(std::max(twips(call.value), 0)), para.pendingTabType));
    para.pendingTabType = QTextOption::LeftTab;
}

void RtfReader::tabKind(const RtfWordCall &call)
{
    state().para.pendingTabType = static_cast<QTextOption::TabType>(call.argument);
}

void RtfReader::shading(const RtfWordCall &call)
{
    state().para.shading = call.value;
}

// ---- table rows

void RtfReader::rowDefaults(const RtfWordCall &)
{
    m_cellDefs.clear();
    m_nextCell = {};
    m_rowLeft = 0;
    m_rowBorders = false;
}

void RtfReader::rowLeft(const RtfWordCall &call)
{
    m_rowLeft = twips(call.value);
}

void RtfReader::cellEdge(const RtfWordCall &call)
{
    if (static_cast<int>(m_cellDefs.size()) < MaxCellDefs) {
        m_nextCell.rightEdge = twips(call.value);
        m_cellDefs.push_back(m_nextCell);
    }
    m_nextCell = {};
}

void RtfReader::cellBackground(const RtfWordCall &call)
{
    if (const auto background = colour(call.value))
        m_nextCell.background = *background;
}

void RtfReader::cellMerged(const RtfWordCall &)
{
    m_nextCell.mergedWithAbove = true;
}

void RtfReader::rowBorders(const RtfWordCall &)
{
    m_rowBorders = true;
}

// ---- pictures

void RtfReader::pictureType(const RtfWordCall &call)
{
    if (m_picture && state().destination == RtfDestination::Picture)
        m_picture->setType(static_cast<RtfPicture::Type>(call.argument));
}

void RtfReader::pictureValue(std::int32_t RtfPicture::*field, std::int32_t value, std::int32_t low, std::int32_t high)
{
    if (m_picture)
        (*m_picture).*field = std::clamp(value, low, high);
}

} // namespace quillar
