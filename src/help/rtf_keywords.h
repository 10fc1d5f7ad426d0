#pragma once

#include <QByteArrayView>

namespace quillar {

// The control words the reader knows. Everything else is ignored (and, after
// \*, its group is skipped); a known word acts as itself, starred or not.
enum class RtfKeyword {
    Unknown,
    // document
    Rtf, Ansi, AnsiCpg, Mac, Pc, Pca, Deff, Uc, U, Bin,
    // destinations
    FontTable, ColorTable, Pict, FieldResult, ShapePicture, ShapeInstance, ShapeName,
    ShapeValue, ShapeResult, ListText, Upr, Ud, SkippedDestination,
    // font and colour tables
    F, FCharset, FRoman, FSwiss, FModern, FScript, FDecor, FTech, FNil, Red, Green, Blue,
    // text
    Par, Sect, Page, Line, Tab, Cell, NestCell, Row, Chftn, Emdash, Endash, Bullet,
    Lquote, Rquote, Ldblquote, Rdblquote, Emspace, Enspace, Qmspace, Zwj, Zwnj, Ltrmark, Rtlmark,
    // character formatting
    Plain, B, I, Ul, UlDotted, UlDash, UlWave, UlNone, Strike, Scaps, Caps, Hidden,
    Super, Sub, NoSuperSub, Fs, Cf, Cb, Highlight,
    // style references: known, so that a starred one keeps its text, but the
    // formatting written beside them is what is shown
    StyleRef,
    // paragraph formatting
    Pard, Ql, Qc, Qr, Qj, Li, Ri, Fi, Sb, Sa, Sl, SlMult, Intbl, Itap, Tx, Tqc, Tqr, Tqdec, Cbpat,
    // tables
    Trowd, Trleft, Cellx, Clcbpat, Clvmrg, Border,
    // pictures
    PngBlip, JpegBlip, OtherBlip, Picw, Pich, Picwgoal, Pichgoal, Picscalex, Picscaley,
};

[[nodiscard]] RtfKeyword lookupRtfKeyword(QByteArrayView word);

} // namespace quillar
