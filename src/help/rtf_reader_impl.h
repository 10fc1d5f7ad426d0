#pragma once

// The RTF reader's inside, shared by its run loop (rtf_reader.cpp), its
// control-word handlers (rtf_word_handlers.cpp) and the table that maps each
// word to its handler (rtf_keywords.cpp). Nothing outside src/help includes it.

#include "rtf_codepage.h"
#include "rtf_document_builder.h"
#include "rtf_keywords.h"
#include "rtf_picture.h"
#include "rtf_state.h"
#include "rtf_tokenizer.h"

#include <QFont>

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <vector>

class QTextDocument;

namespace quillar {

inline constexpr int RtfMaxTwips = 31680; // 22 inches, the largest measure writers use

// Which end a break word (\par, \sect, \cell...) makes.
enum class RtfBreak { Paragraph, Section, NestedCell, Cell, Row };

struct RtfFontEntry
{
    QString name;
    int codePage = 0;
    QFont::StyleHint hint = QFont::AnyStyle;
};

class RtfReader
{
public:
    RtfReader(QByteArrayView input, QTextDocument &document, double dpi);

    void run();

    // Control-word handlers, one per rule; rtf_keywords.cpp says which words
    // reach which. The value is the word's parameter or the table's default.
    void ignore(const RtfWordCall &) { }
    void unknownWord(const RtfWordCall &call);
    void binary(const RtfWordCall &call);
    void rtfHeader(const RtfWordCall &call);
    void documentCodePage(const RtfWordCall &call);
    void ansiCodePage(const RtfWordCall &call);
    void defaultFont(const RtfWordCall &call);
    void unicodeSkip(const RtfWordCall &call);
    void unicodeCharacter(const RtfWordCall &call);

    void fontTable(const RtfWordCall &call);
    void colourTable(const RtfWordCall &call);
    void picture(const RtfWordCall &call);
    void shapeInstance(const RtfWordCall &call);
    void shapeName(const RtfWordCall &call);
    void shapeValue(const RtfWordCall &call);
    void skipGroup(const RtfWordCall &call);
    void listText(const RtfWordCall &call);
    void unicodeAlternatives(const RtfWordCall &call);
    void unicodePart(const RtfWordCall &call);

    void font(const RtfWordCall &call);
    void fontCharset(const RtfWordCall &call);
    void fontFamily(const RtfWordCall &call);
    void colourComponent(const RtfWordCall &call);

    void textBreak(const RtfWordCall &call);
    void character(const RtfWordCall &call);
    void footnoteMark(const RtfWordCall &call);

    void plain(const RtfWordCall &call);
    template <bool RtfCharState::*Flag>
    void charFlag(const RtfWordCall &call)
    {
        state().chars.*Flag = call.on();
    }
    template <int RtfCharState::*Colour>
    void charColour(const RtfWordCall &call)
    {
        state().chars.*Colour = call.value;
    }
    void underline(const RtfWordCall &call);
    void vertical(const RtfWordCall &call);
    void fontSize(const RtfWordCall &call);

    void pard(const RtfWordCall &call);
    void alignment(const RtfWordCall &call);
    template <int RtfParaState::*Measure>
    void paraTwips(const RtfWordCall &call)
    {
        state().para.*Measure = twips(call.value);
    }
    template <bool RtfParaState::*Flag>
    void paraFlag(const RtfWordCall &call)
    {
        state().para.*Flag = call.on();
    }
    void tableDepth(const RtfWordCall &call);
    void tabStop(const RtfWordCall &call);
    void tabKind(const RtfWordCall &call);
    void shading(const RtfWordCall &call);

    void rowDefaults(const RtfWordCall &call);
    void rowLeft(const RtfWordCall &call);
    void cellEdge(const RtfWordCall &call);
    void cellBackground(const RtfWordCall &call);
    void cellMerged(const RtfWordCall &call);
    void rowBorders(const RtfWordCall &call);

    void pictureType(const RtfWordCall &call);
    template <std::int32_t RtfPicture::*Measure>
    void pictureTwips(const RtfWordCall &call)
    {
        pictureValue(Measure, call.value, 0, RtfMaxTwips);
    }
    template <std::int32_t RtfPicture::*Scale>
    void picturePercent(const RtfWordCall &call)
    {
        pictureValue(Scale, call.value, 1, 1000);
    }

private:
    [[nodiscard]] static int twips(std::int32_t value)
    {
        return std::clamp<std::int32_t>(value, -RtfMaxTwips, RtfMaxTwips);
    }
    RtfGroupState &state() { return m_stack.back(); }
    [[nodiscard]] bool showsText() const;
    [[nodiscard]] bool inBody() const { return m_stack.back().destination == RtfDestination::Text; } // hidden or not

    void pushGroup();
    void popGroup();
    void controlWord(const RtfToken &token);
    void controlSymbol(char symbol);
    void rawText(QByteArrayView bytes);
    bool skipFallback();
    void flushBytes();
    void emitText(QStringView text);
    void emitChar(char16_t c) { emitText(QStringView(&c, 1)); }
    void appendToParagraph(QStringView text);
    void appendRun(QStringView text);
    [[nodiscard]] RtfParagraph takeParagraph();
    void endParagraph();
    void endCell();
    void endRow();
    void finishFontEntry();
    void finishColorEntry();
    void pictureValue(std::int32_t RtfPicture::*field, std::int32_t value, std::int32_t low, std::int32_t high);

    [[nodiscard]] int codePage() const;
    [[nodiscard]] QTextCharFormat charFormat(const RtfCharState &chars);
    [[nodiscard]] QTextBlockFormat blockFormat(const RtfParaState &para) const;
    [[nodiscard]] std::optional<QColor> colour(int index) const;
    [[nodiscard]] double px(int twipValue) const { return twipValue * m_dpi / 1440.0; }

    RtfTokenizer m_tokens;
    double m_dpi;
    RtfDocumentBuilder m_builder;
    RtfCodePageDecoder m_decoder;

    std::vector<RtfGroupState> m_stack;
    int m_overflowDepth = 0; // groups opened beyond the deepest kept
    bool m_starred = false;
    int m_fallbackLeft = 0; // characters still to skip after \uN
    bool m_documentEnded = false;

    int m_documentCodePage = 1252;
    int m_defaultFont = 0; // without \deff, font 0
    std::map<int, RtfFontEntry> m_fonts;
    int m_fontInProgress = -1;
    RtfFontEntry m_fontEntry;
    std::vector<std::optional<QColor>> m_colours;
    std::array<int, 3> m_rgb = {-1, -1, -1}; // the colour entry being read; -1 unset

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

} // namespace quillar
