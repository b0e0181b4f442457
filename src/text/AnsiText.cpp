#include "text/AnsiText.h"

#include <array>

namespace {

// Unicode code points of the bytes 0x80 to 0x9F; the rest of Windows-1252 equals Latin-1.
// Undefined bytes (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same value, as
// Windows itself does, so every byte survives a decode-encode round trip.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC,
    0x0081,
    0x201A,
    0x0192,
    0x201E,
    0x2026,
    0x2020,
    0x2021,
    0x02C6,
    0x2030,
    0x0160,
    0x2039,
    0x0152,
    0x008D,
    0x017D,
    0x008F,
    0x0090,
    0x2018,
    0x2019,
    0x201C,
    0x201D,
    0x2022,
    0x2013,
    0x2014,
    0x02DC,
    0x2122,
    0x0161,
    0x203A,
    0x0153,
    0x009D,
    0x017E,
    0x0178,
};

char encodeOne(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == c)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

} // namespace

namespace AnsiText {

QByteArray encode(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (QChar c : text)
        bytes.append(encodeOne(c.unicode()));
    return bytes;
}

QString decode(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        text.append(u >= 0x80 && u <= 0x9F ? QChar(kHighControls[u - 0x80]) : QChar(char16_t(u)));
    }
    return text;
}

} // namespace AnsiText
