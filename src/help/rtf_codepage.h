#pragma once

#include <QByteArrayView>
#include <QString>

#include <map>

namespace quillar {

// Turns the bytes of \'hh escapes and raw 8-bit text into characters in a
// document's code page. Windows-1252 (the default) uses the program's own exact
// table; the other pages go through the system's converters (iconv), and a page
// the system does not know falls back to 1252. Undecodable bytes become U+FFFD.
class RtfCodePageDecoder
{
public:
    RtfCodePageDecoder() = default;
    ~RtfCodePageDecoder();
    RtfCodePageDecoder(const RtfCodePageDecoder &) = delete;
    RtfCodePageDecoder &operator=(const RtfCodePageDecoder &) = delete;

    [[nodiscard]] QString decode(QByteArrayView bytes, int codePage);

    // The code page a font's \fcharset stands for, or 0 when it names none.
    [[nodiscard]] static int codePageForCharset(int charset);

private:
    void *converterFor(int codePage);

    std::map<int, void *> m_converters; // iconv_t, or nullptr when unknown
};

} // namespace quillar
