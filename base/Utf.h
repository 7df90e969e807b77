// UTF-8 <-> UTF-16 conversion, portable (no <windows.h>): the program keeps UTF-8 inside and
// converts only where text crosses a wide interface. Ill-formed input never fails: each bad
// sequence becomes U+FFFD, so a hostile file name or shortcut can't stop a conversion.
#pragma once

#include <string>
#include <string_view>

namespace qm {

std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// Decodes little-endian UTF-16 bytes (as stored in files) of the given unit count.
std::string Utf16LeBytesToUtf8(const unsigned char* bytes, size_t units);

// ANSI text of an unknown code page, read as Windows-1252 (the code page of nearly every real
// file): every byte becomes one character; the five holes of 0x80..0x9F map to the C1 controls,
// as Windows' own conversion does.
std::string Windows1252ToUtf8(const unsigned char* bytes, size_t count);

// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool IsWellFormedUtf8(std::string_view text);

#ifdef _WIN32
// On Windows wchar_t is a UTF-16 unit: the forms the Win32 wide API takes.
inline std::wstring Widen(std::string_view text) {
    std::u16string wide = Utf8ToUtf16(text);
    return std::wstring(wide.begin(), wide.end());
}
inline std::string Narrow(std::wstring_view text) {
    return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}
#endif

}  // namespace qm
