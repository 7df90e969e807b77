#include "base/Utf.h"

namespace qm {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

template <typename UnitAt>
std::string DecodeUtf16(size_t units, UnitAt unitAt) {
    std::string out;
    out.reserve(units);
    for (size_t i = 0; i < units; ++i) {
        char32_t u = unitAt(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
            char32_t low = unitAt(i + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        AppendUtf8(out, (u >= 0xD800 && u <= 0xDFFF) ? kReplacement : u);
    }
    return out;
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        unsigned char b = s[i];
        char32_t cp = kReplacement;
        size_t len = 1;
        if (b < 0x80) {
            cp = b;
        } else {
            size_t need = (b >= 0xC2 && b <= 0xDF) ? 2 : (b >= 0xE0 && b <= 0xEF) ? 3 : (b >= 0xF0 && b <= 0xF4) ? 4 : 0;
            if (need && i + need <= n) {
                char32_t v = b & (need == 2 ? 0x1F : need == 3 ? 0x0F : 0x07);
                bool ok = true;
                for (size_t k = 1; k < need; ++k) {
                    if ((s[i + k] & 0xC0) != 0x80) { ok = false; break; }
                    v = (v << 6) | (s[i + k] & 0x3F);
                }
                // Reject overlong forms, surrogates and values past U+10FFFF.
                if (ok && !((need == 3 && v < 0x800) || (need == 4 && (v < 0x10000 || v > 0x10FFFF)) ||
                            (v >= 0xD800 && v <= 0xDFFF))) {
                    cp = v;
                    len = need;
                }
            }
        }
        if (cp >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += len;
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    return DecodeUtf16(text.size(), [&](size_t i) { return static_cast<char32_t>(text[i]); });
}

std::string Utf16LeBytesToUtf8(const unsigned char* bytes, size_t units) {
    return DecodeUtf16(units, [&](size_t i) {
        return static_cast<char32_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    });
}

// Windows-1252 bytes 0x80..0x9F.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::string Windows1252ToUtf8(const unsigned char* bytes, size_t count) {
    bool ascii = true;
    for (size_t i = 0; i < count && ascii; ++i) ascii = bytes[i] < 0x80;
    if (ascii) return std::string(reinterpret_cast<const char*>(bytes), count);
    std::u16string wide(count, u'\0');
    for (size_t i = 0; i < count; ++i) {
        unsigned char b = bytes[i];
        wide[i] = (b >= 0x80 && b < 0xA0) ? kCp1252High[b - 0x80] : static_cast<char16_t>(b);
    }
    return Utf16ToUtf8(wide);
}

bool IsWellFormedUtf8(std::string_view text) {
    // Every ill-formed sequence decodes to U+FFFD, which encodes differently.
    return Utf16ToUtf8(Utf8ToUtf16(text)) == text;
}

}  // namespace qm
