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

}  // namespace qm
