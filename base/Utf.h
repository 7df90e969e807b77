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
