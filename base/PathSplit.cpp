#include "base/PathSplit.h"

namespace qm {
namespace {

constexpr std::string_view kSeparators = "\\:";

}  // namespace

std::string PathFileName(std::string_view path) {
    const size_t last = path.find_last_of(kSeparators);
    if (last == std::string_view::npos) return std::string(path);
    return std::string(path.substr(last + 1));
}

std::string PathFolder(std::string_view path) {
    const size_t last = path.find_last_of(kSeparators);
    std::string folder(last == std::string_view::npos ? path : path.substr(0, last));
    if (folder.size() == 1 && folder[0] != ':') folder += ':';
    return folder;
}

std::vector<std::string> SplitText(std::string_view text, const std::vector<std::string>& delimiters,
                                   bool dropEmpty) {
    std::vector<std::string> pieces;
    auto append = [&](std::string_view piece) {
        if (!piece.empty() || !dropEmpty) pieces.emplace_back(piece);
    };
    for (;;) {
        size_t earliest = std::string_view::npos;
        size_t delimiterLength = 0;
        for (const std::string& delimiter : delimiters) {
            // An empty delimiter would match everywhere and never consume anything.
            if (delimiter.empty()) continue;
            const size_t at = text.find(delimiter);
            if (at < earliest) {
                earliest = at;
                delimiterLength = delimiter.size();
            }
        }
        if (earliest == std::string_view::npos) break;
        append(text.substr(0, earliest));
        text.remove_prefix(earliest + delimiterLength);
    }
    append(text);
    return pieces;
}

}  // namespace qm
