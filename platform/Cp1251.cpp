#include "platform/Cp1251.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace platform {
namespace {

constexpr char16_t kUnmapped = 0xFFFD;

// Bytes 0x80..0xFF.
constexpr std::array<char16_t, 128> kHigh = {
    // 0x80
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    // 0x90
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    kUnmapped, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    // 0xA0
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    // 0xB0
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    // 0xC0..0xFF: А..я, contiguous
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

// The reverse direction as two dense windows over the only code point ranges
// the table uses, built at compile time; 0 means "not in the code page".
constexpr char16_t kLowFirst = 0x00A0, kLowLast = 0x0491;
constexpr char16_t kPunctFirst = 0x2013, kPunctLast = 0x2122;

struct Reverse {
    std::array<std::uint8_t, kLowLast - kLowFirst + 1> low{};
    std::array<std::uint8_t, kPunctLast - kPunctFirst + 1> punct{};
};

constexpr Reverse buildReverse()
{
    Reverse r;
    for (int i = 0; i < 128; ++i) {
        const char16_t u = kHigh[std::size_t(i)];
        const auto byte = std::uint8_t(0x80 + i);
        if (u >= kLowFirst && u <= kLowLast)
            r.low[u - kLowFirst] = byte;
        else if (u >= kPunctFirst && u <= kPunctLast)
            r.punct[u - kPunctFirst] = byte;
    }
    return r;
}

constexpr Reverse kReverse = buildReverse();

constexpr std::uint8_t encodeHigh(char16_t u)
{
    if (u >= kLowFirst && u <= kLowLast)
        return kReverse.low[u - kLowFirst];
    if (u >= kPunctFirst && u <= kPunctLast)
        return kReverse.punct[u - kPunctFirst];
    return 0;
}

} // namespace

QString fromCp1251(const char* data, qsizetype len)
{
    if (!data)
        return {};
    if (len < 0)
        len = qsizetype(std::strlen(data));
    QString out(len, Qt::Uninitialized);
    QChar* dst = out.data();
    const auto* src = reinterpret_cast<const unsigned char*>(data);
    for (qsizetype i = 0; i < len; ++i) {
        const unsigned char b = src[i];
        dst[i] = QChar(b < 0x80 ? char16_t(b) : kHigh[b - 0x80u]);
    }
    return out;
}

QString fromCp1251(const QByteArray& bytes)
{
    return fromCp1251(bytes.constData(), bytes.size());
}

QByteArray toCp1251(const QString& text, bool* ok)
{
    bool allMapped = true;
    const qsizetype n = text.size();
    QByteArray out(n, Qt::Uninitialized);
    char* dst = out.data();
    qsizetype w = 0;
    const QChar* src = text.constData();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = src[i].unicode();
        if (u < 0x80) {
            dst[w++] = char(u);
            continue;
        }
        if (const std::uint8_t b = encodeHigh(u)) {
            dst[w++] = char(b);
            continue;
        }
        // A surrogate pair is one character and gets one '?'.
        if (src[i].isHighSurrogate() && i + 1 < n && src[i + 1].isLowSurrogate())
            ++i;
        dst[w++] = '?';
        allMapped = false;
    }
    out.truncate(w);
    if (ok)
        *ok = allMapped;
    return out;
}

} // namespace platform
