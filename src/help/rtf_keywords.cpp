#include "rtf_keywords.h"

#include "rtf_reader_impl.h"

#include <QTextCharFormat>
#include <QTextOption>

#include <string_view>
#include <unordered_map>

namespace quillar {

namespace {
using R = RtfReader;
using C = RtfCharState;
using P = RtfParaState;
using Pic = RtfPicture;
using K = RtfWordKind;
using Underline = QTextCharFormat;
constexpr std::int32_t On = 1; // a toggle without parameter turns on

struct Row
{
    std::string_view name;
    RtfWord word;
};

// Words that act where they stand: in the text, the font and colour tables,
// a picture or a table row.
const Row Values[] = {
    // document
    {"rtf", {&R::rtfHeader}},
    {"ansi", {&R::documentCodePage, 1252}},
    {"mac", {&R::documentCodePage, 10000}},
    {"pc", {&R::documentCodePage, 437}},
    {"pca", {&R::documentCodePage, 850}},
    {"ansicpg", {&R::ansiCodePage}},
    {"deff", {&R::defaultFont}},
    {"uc", {&R::unicodeSkip}},
    {"u", {&R::unicodeCharacter}},

    // font and colour tables
    {"f", {&R::font}},
    {"fcharset", {&R::fontCharset}},
    {"froman", {&R::fontFamily, QFont::Serif}},
    {"fswiss", {&R::fontFamily, QFont::SansSerif}},
    {"fmodern", {&R::fontFamily, QFont::TypeWriter}},
    {"fscript", {&R::fontFamily, QFont::Cursive}},
    {"fdecor", {&R::fontFamily, QFont::Decorative}},
    {"ftech", {&R::ignore}},
    {"fnil", {&R::ignore}},
    {"red", {&R::colourComponent, 0}},
    {"green", {&R::colourComponent, 1}},
    {"blue", {&R::colourComponent, 2}},

    // characters
    {"line", {&R::character, 0x2028}},
    {"tab", {&R::character, '\t'}},
    {"chftn", {&R::footnoteMark}},
    {"emdash", {&R::character, 0x2014}},
    {"endash", {&R::character, 0x2013}},
    {"bullet", {&R::character, 0x2022}},
    {"lquote", {&R::character, 0x2018}},
    {"rquote", {&R::character, 0x2019}},
    {"ldblquote", {&R::character, 0x201C}},
    {"rdblquote", {&R::character, 0x201D}},
    {"emspace", {&R::character, 0x2003}},
    {"enspace", {&R::character, 0x2002}},
    {"qmspace", {&R::character, 0x2005}},
    {"zwj", {&R::character, 0x200D}},
    {"zwnj", {&R::character, 0x200C}},
    {"ltrmark", {&R::character, 0x200E}},
    {"rtlmark", {&R::character, 0x200F}},

    // character formatting
    {"plain", {&R::plain}},
    {"b", {&R::charFlag<&C::bold>, 0, On}},
    {"i", {&R::charFlag<&C::italic>, 0, On}},
    {"strike", {&R::charFlag<&C::strike>, 0, On}},
    {"striked", {&R::charFlag<&C::strike>, 0, On}},
    {"scaps", {&R::charFlag<&C::smallCaps>, 0, On}},
    {"caps", {&R::charFlag<&C::allCaps>, 0, On}},
    {"v", {&R::charFlag<&C::hidden>, 0, On}},
    {"webhidden", {&R::charFlag<&C::hidden>, 0, On}},
    {"ul", {&R::underline, Underline::SingleUnderline, On}},
    {"uldb", {&R::underline, Underline::SingleUnderline, On}},
    {"ulw", {&R::underline, Underline::SingleUnderline, On}},
    {"ulth", {&R::underline, Underline::SingleUnderline, On}},
    {"uld", {&R::underline, Underline::DotLine, On}},
    {"ulthd", {&R::underline, Underline::DotLine, On}},
    {"uldash", {&R::underline, Underline::DashUnderline, On}},
    {"uldashd", {&R::underline, Underline::DashUnderline, On}},
    {"uldashdd", {&R::underline, Underline::DashUnderline, On}},
    {"ulldash", {&R::underline, Underline::DashUnderline, On}},
    {"ulthdash", {&R::underline, Underline::DashUnderline, On}},
    {"ulwave", {&R::underline, Underline::WaveUnderline, On}},
    {"ulhwave", {&R::underline, Underline::WaveUnderline, On}},
    {"uldbwave", {&R::underline, Underline::WaveUnderline, On}},
    {"ulnone", {&R::underline, Underline::NoUnderline, On}},
    {"super", {&R::vertical, 1, On}},
    {"sub", {&R::vertical, 2, On}},
    {"nosupersub", {&R::vertical, 0, On}},
    {"fs", {&R::fontSize, 0, 24}},
    {"cf", {&R::charColour<&C::foreground>}},
    {"cb", {&R::charColour<&C::background>}},
    {"chcbpat", {&R::charColour<&C::background>}},
    {"highlight", {&R::charColour<&C::background>}},
    // Style references are known, so that a starred one keeps its text, but
    // the formatting written beside them is what is shown.
    {"cs", {&R::ignore}},
    {"ds", {&R::ignore}},
    {"ts", {&R::ignore}},
    {"s", {&R::ignore}},

    // paragraph formatting
    {"pard", {&R::pard}},
    {"ql", {&R::alignment, Qt::AlignLeft}},
    {"qc", {&R::alignment, Qt::AlignHCenter}},
    {"qr", {&R::alignment, Qt::AlignRight}},
    {"qj", {&R::alignment, Qt::AlignJustify}},
    {"qd", {&R::alignment, Qt::AlignJustify}},
    {"li", {&R::paraTwips<&P::leftIndent>}},
    {"lin", {&R::paraTwips<&P::leftIndent>}},
    {"ri", {&R::paraTwips<&P::rightIndent>}},
    {"rin", {&R::paraTwips<&P::rightIndent>}},
    {"fi", {&R::paraTwips<&P::firstIndent>}},
    {"sb", {&R::paraTwips<&P::spaceBefore>}},
    {"sa", {&R::paraTwips<&P::spaceAfter>}},
    {"sl", {&R::paraTwips<&P::lineSpacing>}},
    {"slmult", {&R::paraFlag<&P::lineMultiple>, 0, On}},
    {"intbl", {&R::paraFlag<&P::inTable>, 0, On}},
    {"itap", {&R::tableDepth}},
    {"tx", {&R::tabStop}},
    {"tqc", {&R::tabKind, QTextOption::CenterTab}},
    {"tqr", {&R::tabKind, QTextOption::RightTab}},
    {"tqdec", {&R::tabKind, QTextOption::DelimiterTab}},
    {"cbpat", {&R::shading}},

    // table rows
    {"trowd", {&R::rowDefaults}},
    {"trleft", {&R::rowLeft}},
    {"cellx", {&R::cellEdge}},
    {"clcbpat", {&R::cellBackground}},
    {"clvmrg", {&R::cellMerged}},

    // pictures
    {"pngblip", {&R::pictureType, int(Pic::Type::Png)}},
    {"jpegblip", {&R::pictureType, int(Pic::Type::Jpeg)}},
    {"emfblip", {&R::pictureType, int(Pic::Type::Other)}},
    {"wmetafile", {&R::pictureType, int(Pic::Type::Other)}},
    {"macpict", {&R::pictureType, int(Pic::Type::Other)}},
    {"pmmetafile", {&R::pictureType, int(Pic::Type::Other)}},
    {"dibitmap", {&R::pictureType, int(Pic::Type::Other)}},
    {"wbitmap", {&R::pictureType, int(Pic::Type::Other)}},
    {"picw", {&R::pictureTwips<&Pic::width>}},
    {"pich", {&R::pictureTwips<&Pic::height>}},
    {"picwgoal", {&R::pictureTwips<&Pic::goalWidth>}},
    {"pichgoal", {&R::pictureTwips<&Pic::goalHeight>}},
    {"picscalex", {&R::picturePercent<&Pic::scaleX>}},
    {"picscaley", {&R::picturePercent<&Pic::scaleY>}},
};

// Words that say where the rest of their group goes.
const Row Destinations[] = {
    {"fonttbl", {&R::fontTable}},
    {"colortbl", {&R::colourTable}},
    {"pict", {&R::picture}},
    // shown as ordinary text, starred or not
    {"fldrslt", {&R::ignore}},
    {"shppict", {&R::ignore}},
    {"shpinst", {&R::shapeInstance}},
    {"sn", {&R::shapeName}},
    {"sv", {&R::shapeValue}},
    {"shprslt", {&R::skipGroup}}, // the shape is shown from its instance
    {"listtext", {&R::listText}},
    {"pntext", {&R::listText}},
    {"upr", {&R::unicodeAlternatives}},
    {"ud", {&R::unicodePart}},
};

// Groups whose content is never shown, starred or not: tables of styles and
// lists, document information, headers, footers, footnote bodies, field
// instructions, embedded object data and the like.
constexpr std::string_view Skipped[] = {
    "stylesheet",
    "info",
    "header",
    "headerl",
    "headerr",
    "headerf",
    "footer",
    "footerl",
    "footerr",
    "footerf",
    "footnote",
    "listtable",
    "listoverridetable",
    "revtbl",
    "rsidtbl",
    "filetbl",
    "xmlnstbl",
    "fldinst",
    "themedata",
    "colorschememapping",
    "datastore",
    "latentstyles",
    "generator",
    "pgdsctbl",
    "nonshppict",
    "objdata",
    "objclass",
    "objname",
    "template",
    "annotation",
    "atnid",
    "atnauthor",
    "atnref",
    "atndate",
    "atrfstart",
    "atrfend",
    "pn",
    "bkmkstart",
    "bkmkend",
    "comment",
    "docvar",
    "company",
    "operator",
    "author",
    "title",
    "subject",
    "keywords",
    "doccomm",
    "xe",
    "tc",
    "txe",
    "pnseclvl",
    "listpicture",
    "ftnsep",
    "ftnsepc",
    "ftncn",
    "aftnsep",
    "aftnsepc",
    "aftncn",
    "userprops",
    "private",
    "blipuid",
    "picprop",
    "mmathPr",
    "wgrffmtfilter",
    "pgptbl",
    "defchp",
    "defpap",
    "fchars",
    "lchars",
    "do",
    "nesttableprops",
    "background",
    "formfield",
    "datafield",
    "falt",
    "panose",
    "fname",
    "leveltext",
    "levelnumbers",
    "protusertbl",
    "passwordhash",
    "shpgrp",
    "ftnalt",
    "bookmark",
};

const Row Breaks[] = {
    {"par", {&R::textBreak, int(RtfBreak::Paragraph)}},
    {"sect", {&R::textBreak, int(RtfBreak::Section)}},
    {"page", {&R::textBreak, int(RtfBreak::Section)}},
    {"column", {&R::textBreak, int(RtfBreak::Section)}},
    {"nestcell", {&R::textBreak, int(RtfBreak::NestedCell)}},
    {"cell", {&R::textBreak, int(RtfBreak::Cell)}},
    {"row", {&R::textBreak, int(RtfBreak::Row)}},
};

const RtfWord Binary{&R::binary, 0, 0, K::Binary};
const RtfWord Border{&R::rowBorders};
const RtfWord Unknown{&R::unknownWord};

using Table = std::unordered_map<std::string_view, RtfWord>;

template <std::size_t N>
void add(Table &table, const Row (&rows)[N], RtfWordKind kind)
{
    for (Row row : rows) {
        row.word.kind = kind;
        table.emplace(row.name, row.word);
    }
}

const Table &table()
{
    static const Table words = [] {
        Table t;
        add(t, Values, K::Value);
        add(t, Destinations, K::Destination);
        for (const std::string_view name : Skipped)
            t.emplace(name, RtfWord{&R::skipGroup, 0, 0, K::Destination});
        add(t, Breaks, K::Break);
        t.emplace("bin", Binary);
        return t;
    }();
    return words;
}
} // namespace

const RtfWord &lookupRtfWord(QByteArrayView word)
{
    const std::string_view key(word.data(), static_cast<std::size_t>(word.size()));
    const Table &words = table();
    if (const auto found = words.find(key); found != words.end())
        return found->second;
    if (key.starts_with("clbrdr") || key.starts_with("trbrdr") || key == "box")
        return Border;
    return Unknown;
}

} // namespace quillar
