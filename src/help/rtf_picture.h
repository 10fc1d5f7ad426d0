#pragma once

#include "rtf_model.h"

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <optional>

namespace quillar {

// What the pictures of one document may take once decoded. A picture is
// decoded whole at the size its data declares, whatever size it is shown at,
// so a few bytes of header can ask for gigabytes: sizes are checked before
// anything is decoded.
class RtfPictureBudget
{
public:
    static constexpr qint64 MaxPicturePixels = 4096 * 4096;
    static constexpr qint64 MaxDocumentPixels = 2 * MaxPicturePixels;

    // Takes the pixels of one picture when they fit, within both caps.
    [[nodiscard]] bool take(qint64 pixels);

private:
    qint64 m_left = MaxDocumentPixels;
};

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
    // pixels) at dpi; nullopt when it is not a picture that can be shown. A
    // picture that does not fit in the budget is not decoded: a plain grey
    // placeholder of the same shown size stands in for it.
    [[nodiscard]] std::optional<RtfRun> toRun(double dpi, RtfPictureBudget &budget) const;

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
