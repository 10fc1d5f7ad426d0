#include "rtf_picture.h"

#include "rtf_tokenizer.h"

#include <algorithm>

namespace quillar {

namespace {
constexpr double MaxSidePixels = 4096;
} // namespace

void RtfPicture::addHex(QByteArrayView text)
{
    for (const char c : text) {
        if (!keepsData())
            return;
        const int value = rtfHexValue(c);
        if (value < 0)
            continue;
        if (m_highNibble < 0) {
            m_highNibble = value;
        } else {
            m_data.append(static_cast<char>(m_highNibble * 16 + value));
            m_highNibble = -1;
        }
    }
}

void RtfPicture::addBinary(QByteArrayView bytes)
{
    if (keepsData())
        m_data.append(bytes.first(std::min(bytes.size(), MaxBytes - m_data.size())));
}

std::optional<RtfRun> RtfPicture::toRun(double dpi) const
{
    if ((m_type != Type::Png && m_type != Type::Jpeg) || m_data.isEmpty())
        return std::nullopt;
    QImage image;
    if (!image.loadFromData(m_data, m_type == Type::Png ? "PNG" : "JPEG") || image.isNull())
        return std::nullopt;

    const auto side = [dpi](std::int32_t goal, std::int32_t own, int pixels, std::int32_t scale) {
        // Goal sizes are twips; \picw of a bitmap is its width in pixels.
        double twips = goal > 0 ? goal : (own > 0 ? own * 15.0 : pixels * 15.0);
        twips *= std::clamp(scale, 1, 1000) / 100.0;
        return std::clamp(twips * dpi / 1440.0, 1.0, MaxSidePixels);
    };
    RtfRun run;
    run.image = image;
    run.imageSize = QSizeF(side(goalWidth, width, image.width(), scaleX),
                           side(goalHeight, height, image.height(), scaleY));
    return run;
}

} // namespace quillar
