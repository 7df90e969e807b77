#include "base/PathSplit.h"

#include <algorithm>

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

std::string PathParts::Join(size_t count) const {
    std::string path = root;
    if (count == 0 && kind == Kind::Drive) path += '\\';
    for (size_t i = 0; i < count && i < parts.size(); ++i) {
        path += '\\';
        path += parts[i];
    }
    return path;
}

PathParts SplitFullPath(std::string_view path) {
    PathParts out;
    std::string_view rest;
    const bool letter = !path.empty() && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    if (path.size() >= 3 && letter && path[1] == ':' && path[2] == '\\') {
        out.kind = PathParts::Kind::Drive;
        out.root = std::string(path.substr(0, 2));
        rest = path.substr(3);
    } else if (path.size() > 2 && path[0] == '\\' && path[1] == '\\' && path[2] != '\\' && path[2] != '?' && path[2] != '.') {
        const size_t serverEnd = path.find('\\', 2);
        if (serverEnd == std::string_view::npos || serverEnd + 1 >= path.size() || path[serverEnd + 1] == '\\') return out;
        const size_t shareEnd = std::min(path.find('\\', serverEnd + 1), path.size());
        out.kind = PathParts::Kind::Unc;
        out.root = std::string(path.substr(0, shareEnd));
        rest = path.substr(shareEnd);
    } else {
        return out;
    }
    out.parts = SplitText(rest, {"\\"}, true);
    return out;
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
