#include "base/IgnoreList.h"

#include "base/PathText.h"

#include <algorithm>

namespace qm {

namespace {

bool Listed(const std::vector<std::string>& paths, const std::string& key) {
    return std::any_of(paths.begin(), paths.end(), [&](const std::string& p) { return PathCompareKey(p) == key; });
}

}  // namespace

bool IgnoreList::Add(std::vector<std::string>& paths, std::string_view path) {
    if (path.empty() || Listed(paths, PathCompareKey(path))) return false;
    paths.emplace_back(path);
    return true;
}

bool IgnoreList::Remove(std::vector<std::string>& paths, std::string_view path) {
    const std::string key = PathCompareKey(path);
    const auto it = std::find_if(paths.begin(), paths.end(), [&](const std::string& p) { return PathCompareKey(p) == key; });
    if (it == paths.end()) return false;
    paths.erase(it);
    return true;
}

bool IgnoreList::Ignores(std::string_view shortcutPath) const {
    const std::string key = PathCompareKey(shortcutPath);
    if (Listed(shortcuts_, key)) return true;
    return std::any_of(folders_.begin(), folders_.end(),
                       [&](const std::string& folder) { return IsSameOrInside(key, PathCompareKey(folder)); });
}

}  // namespace qm
