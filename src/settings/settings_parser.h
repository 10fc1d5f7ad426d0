#pragma once

#include "settings_record.h"

#include <QByteArrayView>

namespace quillar {

// Takes the nine fields from the start of bytes into record, storing each one
// as soon as it is read, so a failure at field k leaves fields 1 to k-1 read
// and k to 9 as they were. Throws NumberedError:
//  62 "Input past end of file"  the bytes end before the ninth field;
//  6  "Overflow"                a window value outside the 32-bit range, or a
//                               field running past the end of bytes when
//                               complete is false (bytes is only the start of
//                               a longer file);
//  13 "Type mismatch"           a window value that is not a number.
// Fields end at a comma or a line end (CR, LF or CR LF); blanks (space, tab)
// before a field are skipped. A field that begins with a double quote runs to
// the next double quote, line ends included; whatever follows that quote up to
// the next comma or line end is dropped, so a text written with an inner quote
// comes back cut at that quote. An unquoted text runs to the next comma or line
// end, without its trailing blanks. A window value is a decimal number (sign,
// digits, optional period and fraction, optional exponent), brought to the
// nearest whole number with halves to even; an empty one reads as 0. Anything
// after the ninth field is ignored.
void readSettingsRecord(QByteArrayView bytes, bool complete, SettingsRecord &record);

} // namespace quillar
