#include "rtf_codepage.h"

#include "platform/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace quillar {

namespace {
const iconv_t NoConverter = reinterpret_cast<iconv_t>(-1);

QByteArray iconvName(int codePage)
{
    switch (codePage) {
    case 10000:
        return "MACINTOSH";
    case 437:
        return "IBM437";
    case 850:
        return "IBM850";
    case 932:
        return "CP932";
    case 936:
        return "GBK";
    case 949:
        return "CP949";
    case 950:
        return "BIG5";
    default:
        return "CP" + QByteArray::number(codePage);
    }
}
} // namespace

RtfCodePageDecoder::~RtfCodePageDecoder()
{
    for (const auto &[page, converter] : m_converters) {
        if (converter)
            iconv_close(static_cast<iconv_t>(converter));
    }
}

void *RtfCodePageDecoder::converterFor(int codePage)
{
    const auto found = m_converters.find(codePage);
    if (found != m_converters.end())
        return found->second;
    iconv_t cd = iconv_open("UTF-16LE", iconvName(codePage).constData());
    void *converter = cd == NoConverter ? nullptr : static_cast<void *>(cd);
    m_converters.emplace(codePage, converter);
    return converter;
}

QString RtfCodePageDecoder::decode(QByteArrayView bytes, int codePage)
{
    void *converter = (codePage == 1252 || codePage <= 0) ? nullptr : converterFor(codePage);
    if (!converter)
        return decodeBytes(bytes.toByteArray());

    iconv_t cd = static_cast<iconv_t>(converter);
    iconv(cd, nullptr, nullptr, nullptr, nullptr); // fresh shift state
    QString out;
    std::vector<char> buffer(static_cast<std::size_t>(bytes.size()) * 4 + 16);
    char *in = const_cast<char *>(bytes.data());
    std::size_t inLeft = static_cast<std::size_t>(bytes.size());
    while (inLeft > 0) {
        char *outPtr = buffer.data();
        std::size_t outLeft = buffer.size();
        const std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        const auto produced = static_cast<qsizetype>(buffer.size() - outLeft) / 2;
        out.append(QStringView(reinterpret_cast<const char16_t *>(buffer.data()), produced));
        if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
            // An invalid or cut-off sequence: one replacement per bad byte.
            out.append(QChar::ReplacementCharacter);
            ++in;
            --inLeft;
        }
    }
    return out;
}

int RtfCodePageDecoder::codePageForCharset(int charset)
{
    switch (charset) {
    case 0:
        return 1252;
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 255:
        return 437;
    default:
        return 0; // 1 (default), 2 (symbol) and unknown: the document's page
    }
}

} // namespace quillar
