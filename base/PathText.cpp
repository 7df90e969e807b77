#include "base/PathText.h"

#include "base/Text.h"

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

}  // namespace qm
