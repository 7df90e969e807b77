#include "base/PathText.h"

namespace qm {
namespace {

// Lower-cases ASCII letters only. Keeping every other byte as it is keeps the length and the
// positions, and UTF-8 continuation bytes can never match the ASCII macro names.
std::string AsciiLower(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lowered;
}

}  // namespace

std::string ExpandMacros(std::string_view text, const MacroTable& macros) {
    std::string result(text);
    for (const auto& [name, folder] : macros) {
        if (name.empty()) continue;
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
