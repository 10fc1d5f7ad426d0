#pragma once

#include "rtf_model.h"

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <optional>

namespace quillar {

// The data of one \pict group. Only PNG and JPEG pictures are shown; the
// others (metafiles, device-dependent bitmaps) are read and dropped.
class RtfPicture
{
public:
    enum class Type { Unknown, Png, Jpeg, Other };

    void setType(Type type) { m_type = type; }

    // Hex digits of the picture; anything else (blanks, line ends) is ignored.
    void addHex(QByteArrayView text);
    // Raw bytes after \bin.
    void addBinary(QByteArrayView bytes);

    // The picture as a run, sized from its goal size in twips (or its own
    // pixels) at dpi; nullopt when it is not a picture that can be shown.
    [[nodiscard]] std::optional<RtfRun> toRun(double dpi) const;

    std::int32_t width = 0; // \picw, \pich
    std::int32_t height = 0;
    std::int32_t goalWidth = 0; // \picwgoal, \pichgoal: twips
    std::int32_t goalHeight = 0;
    std::int32_t scaleX = 100; // \picscalex, \picscaley: percent
    std::int32_t scaleY = 100;

private:
    [[nodiscard]] bool keepsData() const { return m_type != Type::Other && m_data.size() < MaxBytes; }

    static constexpr qsizetype MaxBytes = 32 * 1024 * 1024;
    Type m_type = Type::Unknown;
    QByteArray m_data;
    int m_highNibble = -1;
};

} // namespace quillar
