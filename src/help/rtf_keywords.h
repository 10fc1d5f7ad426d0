#pragma once

#include <QByteArrayView>

#include <cstdint>

namespace quillar {

class RtfReader;

// What a control word hands its handler.
struct RtfWordCall
{
    std::int32_t value;    // the word's parameter, or the table's default without one
    std::int32_t argument; // the table's fixed argument (a character, an alignment...)
    bool starred;          // the word came right after \*
    [[nodiscard]] bool on() const { return value != 0; }
};

// How a word stands towards the rest of the stream, before its handler runs.
enum class RtfWordKind {
    Value,       // counts as one character of a \uN fallback
    Destination, // counts too, and does nothing inside a group already skipped
    Break,       // paragraph, cell and row ends: never taken for a fallback
    Binary,      // \bin: its bytes are skipped by their length, fallback or not
};

// One row of the keyword table. The words the table does not know reach
// RtfReader::unknownWord: ignored, and after \* their group is skipped; a
// known word acts as itself, starred or not.
struct RtfWord
{
    void (RtfReader::*handler)(const RtfWordCall &);
    std::int32_t argument = 0;
    std::int32_t defaultValue = 0; // used when the word has no parameter
    RtfWordKind kind = RtfWordKind::Value;
};

[[nodiscard]] const RtfWord &lookupRtfWord(QByteArrayView word);

} // namespace quillar
