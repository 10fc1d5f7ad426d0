#include "rtf_keywords.h"

#include <string_view>
#include <unordered_map>

namespace quillar {

namespace {
using K = RtfKeyword;

const std::unordered_map<std::string_view, RtfKeyword> &table()
{
    static const std::unordered_map<std::string_view, RtfKeyword> words = [] {
        std::unordered_map<std::string_view, RtfKeyword> w = {
            {"rtf", K::Rtf}, {"ansi", K::Ansi}, {"ansicpg", K::AnsiCpg}, {"mac", K::Mac},
            {"pc", K::Pc}, {"pca", K::Pca}, {"deff", K::Deff}, {"uc", K::Uc}, {"u", K::U},
            {"bin", K::Bin},

            {"fonttbl", K::FontTable}, {"colortbl", K::ColorTable}, {"pict", K::Pict},
            {"fldrslt", K::FieldResult}, {"shppict", K::ShapePicture},
            {"shpinst", K::ShapeInstance}, {"sn", K::ShapeName}, {"sv", K::ShapeValue},
            {"shprslt", K::ShapeResult}, {"listtext", K::ListText}, {"pntext", K::ListText},
            {"upr", K::Upr}, {"ud", K::Ud},

            {"f", K::F}, {"fcharset", K::FCharset}, {"froman", K::FRoman}, {"fswiss", K::FSwiss},
            {"fmodern", K::FModern}, {"fscript", K::FScript}, {"fdecor", K::FDecor},
            {"ftech", K::FTech}, {"fnil", K::FNil}, {"red", K::Red}, {"green", K::Green},
            {"blue", K::Blue},

            {"par", K::Par}, {"sect", K::Sect}, {"page", K::Page}, {"column", K::Page},
            {"line", K::Line}, {"tab", K::Tab}, {"cell", K::Cell}, {"nestcell", K::NestCell},
            {"row", K::Row}, {"chftn", K::Chftn}, {"emdash", K::Emdash}, {"endash", K::Endash},
            {"bullet", K::Bullet}, {"lquote", K::Lquote}, {"rquote", K::Rquote},
            {"ldblquote", K::Ldblquote}, {"rdblquote", K::Rdblquote}, {"emspace", K::Emspace},
            {"enspace", K::Enspace}, {"qmspace", K::Qmspace}, {"zwj", K::Zwj}, {"zwnj", K::Zwnj},
            {"ltrmark", K::Ltrmark}, {"rtlmark", K::Rtlmark},

            {"plain", K::Plain}, {"b", K::B}, {"i", K::I}, {"ul", K::Ul}, {"uldb", K::Ul},
            {"ulw", K::Ul}, {"ulth", K::Ul}, {"uld", K::UlDotted}, {"ulthd", K::UlDotted},
            {"uldash", K::UlDash}, {"uldashd", K::UlDash}, {"uldashdd", K::UlDash},
            {"ulldash", K::UlDash}, {"ulthdash", K::UlDash}, {"ulwave", K::UlWave},
            {"ulhwave", K::UlWave}, {"uldbwave", K::UlWave}, {"ulnone", K::UlNone},
            {"strike", K::Strike}, {"striked", K::Strike}, {"scaps", K::Scaps}, {"caps", K::Caps},
            {"v", K::Hidden}, {"webhidden", K::Hidden}, {"super", K::Super}, {"sub", K::Sub},
            {"nosupersub", K::NoSuperSub}, {"fs", K::Fs}, {"cf", K::Cf}, {"cb", K::Cb},
            {"chcbpat", K::Cb}, {"highlight", K::Highlight},
            {"cs", K::StyleRef}, {"ds", K::StyleRef}, {"ts", K::StyleRef}, {"s", K::StyleRef},

            {"pard", K::Pard}, {"ql", K::Ql}, {"qc", K::Qc}, {"qr", K::Qr}, {"qj", K::Qj},
            {"qd", K::Qj}, {"li", K::Li}, {"lin", K::Li}, {"ri", K::Ri}, {"rin", K::Ri},
            {"fi", K::Fi}, {"sb", K::Sb}, {"sa", K::Sa}, {"sl", K::Sl}, {"slmult", K::SlMult},
            {"intbl", K::Intbl}, {"itap", K::Itap}, {"tx", K::Tx}, {"tqc", K::Tqc},
            {"tqr", K::Tqr}, {"tqdec", K::Tqdec}, {"cbpat", K::Cbpat},

            {"trowd", K::Trowd}, {"trleft", K::Trleft}, {"cellx", K::Cellx},
            {"clcbpat", K::Clcbpat}, {"clvmrg", K::Clvmrg},

            {"pngblip", K::PngBlip}, {"jpegblip", K::JpegBlip}, {"emfblip", K::OtherBlip},
            {"wmetafile", K::OtherBlip}, {"macpict", K::OtherBlip}, {"pmmetafile", K::OtherBlip},
            {"dibitmap", K::OtherBlip}, {"wbitmap", K::OtherBlip}, {"picw", K::Picw},
            {"pich", K::Pich}, {"picwgoal", K::Picwgoal}, {"pichgoal", K::Pichgoal},
            {"picscalex", K::Picscalex}, {"picscaley", K::Picscaley},
        };
        // Groups whose content is never shown, starred or not: tables of
        // styles and lists, document information, headers, footers, footnote
        // bodies, field instructions, embedded object data and the like.
        for (const std::string_view skipped :
             {"stylesheet", "info", "header", "headerl", "headerr", "headerf", "footer",
              "footerl", "footerr", "footerf", "footnote", "listtable", "listoverridetable",
              "revtbl", "rsidtbl", "filetbl", "xmlnstbl", "fldinst", "themedata",
              "colorschememapping", "datastore", "latentstyles", "generator", "pgdsctbl",
              "nonshppict", "objdata", "objclass", "objname", "template", "annotation", "atnid",
              "atnauthor", "atnref", "atndate", "atrfstart", "atrfend", "pn", "bkmkstart",
              "bkmkend", "comment", "docvar", "company", "operator", "author", "title",
              "subject", "keywords", "doccomm", "xe", "tc", "txe", "pnseclvl", "listpicture",
              "ftnsep", "ftnsepc", "ftncn", "aftnsep", "aftnsepc", "aftncn", "userprops",
              "private", "blipuid", "picprop", "mmathPr", "wgrffmtfilter", "pgptbl", "defchp",
              "defpap", "fchars", "lchars", "do", "nesttableprops", "background", "formfield",
              "datafield", "falt", "panose", "fname", "leveltext", "levelnumbers", "protusertbl",
              "passwordhash", "shpgrp", "ftnalt", "bookmark"})
            w.emplace(skipped, K::SkippedDestination);
        return w;
    }();
    return words;
}
} // namespace

RtfKeyword lookupRtfKeyword(QByteArrayView word)
{
    const std::string_view key(word.data(), static_cast<std::size_t>(word.size()));
    const auto &words = table();
    const auto found = words.find(key);
    if (found != words.end())
        return found->second;
    if (key.starts_with("clbrdr") || key.starts_with("trbrdr") || key == "box")
        return K::Border;
    return K::Unknown;
}

} // namespace quillar
