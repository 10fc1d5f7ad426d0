#include "rtf_picture.h"

#include "rtf_tokenizer.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>

namespace quillar {

namespace {
constexpr double MaxSidePixels = 4096;
constexpr QRgb PlaceholderGrey = qRgb(224, 224, 224);
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

bool RtfPictureBudget::take(qint64 pixels)
{
    if (pixels > MaxPicturePixels || pixels > m_left)
        return false;
    m_left -= pixels;
    return true;
}

std::optional<RtfRun> RtfPicture::toRun(double dpi, RtfPictureBudget &budget) const
{
    if ((m_type != Type::Png && m_type != Type::Jpeg) || m_data.isEmpty())
        return std::nullopt;
    QByteArray data = m_data; // shared, not copied
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, m_type == Type::Png ? "PNG" : "JPEG");
    // Only the format the picture declares: a document may not send its bytes
    // to whichever other image decoder happens to be installed.
    reader.setAutoDetectImageFormat(false);
    const QSize declared = reader.size();
    if (declared.isEmpty())
        return std::nullopt;
    RtfRun run;
    if (budget.take(qint64(declared.width()) * declared.height())) {
        if (!reader.read(&run.image) || run.image.isNull())
            return std::nullopt;
    } else {
        run.image = QImage(1, 1, QImage::Format_RGB32);
        run.image.fill(PlaceholderGrey);
    }

    const auto side = [dpi](std::int32_t goal, std::int32_t own, int pixels, std::int32_t scale) {
        // Goal sizes are twips; \picw of a bitmap is its width in pixels.
        double twips = goal > 0 ? goal : (own > 0 ? own * 15.0 : pixels * 15.0);
        twips *= std::clamp(scale, 1, 1000) / 100.0;
        return std::clamp(twips * dpi / 1440.0, 1.0, MaxSidePixels);
    };
    run.imageSize =
        QSizeF(side(goalWidth, width, declared.width(), scaleX), side(goalHeight, height, declared.height(), scaleY));
    return run;
}

} // namespace quillar
