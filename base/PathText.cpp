#include "base/PathText.h"

#include "base/Text.h"
#include "base/Utf.h"

namespace qm {

std::string ExpandMacros(std::string_view text, const MacroTable& macros) {
    std::string result(text);
    for (const auto& [name, folder] : macros) {
        if (name.empty()) continue;
        // ASCII folding keeps the length and the positions, and UTF-8 continuation bytes can
        // never match the ASCII macro names.
        const size_t at = AsciiLower(result).find(AsciiLower(name));
        if (at != std::string::npos) result.replace(at, name.size(), folder);
    }
    return result;
}

std::string WithoutTrailingBackslash(std::string folder) {
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    return folder;
}

std::string ModuleFolderOf(std::string_view modulePath) {
    const size_t at = modulePath.find_last_of("\\:");
    if (at == std::string_view::npos) return {};
    if (modulePath[at] == ':') return std::string(modulePath.substr(0, at + 1));
    return std::string(modulePath.substr(0, at));
}

bool IsSameOrInside(std::string_view path, std::string_view folder) noexcept {
    const auto trimmed = [](std::string_view text) {
        if (!text.empty() && text.back() == '\\') text.remove_suffix(1);
        return text;
    };
    path = trimmed(path);
    folder = trimmed(folder);
    if (folder.empty() || path.size() < folder.size()) return false;
    if (!EqualsIgnoringAsciiCase(path.substr(0, folder.size()), folder)) return false;
    return path.size() == folder.size() || path[folder.size()] == '\\';
}

std::vector<std::string> WithoutNestedRoots(const std::vector<std::string>& roots) {
    std::vector<std::string> kept;
    for (std::size_t i = 0; i < roots.size(); ++i) {
        bool covered = false;
        for (std::size_t j = 0; j < roots.size() && !covered; ++j) {
            if (i == j || !IsSameOrInside(roots[i], roots[j])) continue;
            // Of two equal roots the first stays.
            covered = !IsSameOrInside(roots[j], roots[i]) || j < i;
        }
        if (!covered) kept.push_back(roots[i]);
    }
    return kept;
}

namespace {

char16_t SimpleUpper(char16_t c) {
    if (c < 0x80) return static_cast<char16_t>(AsciiUpper(static_cast<char>(c)));
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return static_cast<char16_t>(c - 0x20);
    if (c == 0xFF) return 0x178;
    // Latin Extended-A: pairs of capital and small letter (ı, ĸ and ŉ have no simple capital, Ÿ
    // is a capital).
    if (c >= 0x100 && c <= 0x17F && c != 0x131 && c != 0x138 && c != 0x149 && c != 0x178 && c != 0x17F) {
        const bool oddIsSmall = (c <= 0x137) || (c >= 0x14A && c <= 0x177);
        if (oddIsSmall ? (c & 1) : !(c & 1)) return static_cast<char16_t>(c - 1);
        return c;
    }
    if (c == 0x3C2) return 0x3A3;  // final sigma
    if ((c >= 0x3B1 && c <= 0x3C1) || (c >= 0x3C3 && c <= 0x3CB)) return static_cast<char16_t>(c - 0x20);
    if (c == 0x3AC) return 0x386;
    if (c >= 0x3AD && c <= 0x3AF) return static_cast<char16_t>(c - 0x25);
    if (c == 0x3CC) return 0x38C;
    if (c == 0x3CD || c == 0x3CE) return static_cast<char16_t>(c - 0x3F);
    if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);
    if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
    return c;
}

}  // namespace

std::string PathCompareKey(std::string_view path) {
    std::u16string wide = Utf8ToUtf16(path);
    for (char16_t& c : wide) c = c == u'/' ? u'\\' : SimpleUpper(c);
    while (wide.size() > 1 && wide.back() == u'\\') wide.pop_back();
    return Utf16ToUtf8(wide);
}

}  // namespace qm
