// The shortcuts the user no longer wants to hear about: single shortcut files, and folders
// whose shortcuts (at any depth) are all left out. Paths are full UTF-8 paths, compared as
// Windows compares them (base/PathText.h: letter case and a trailing backslash ignored), and
// kept in the spelling they were added in, in the order they were added.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qm {

class IgnoreList {
public:
    // False when the path is already on the list (in any spelling) or empty.
    bool AddShortcut(std::string_view path) { return Add(shortcuts_, path); }
    bool AddFolder(std::string_view path) { return Add(folders_, path); }
    // False when the path was not on the list.
    bool RemoveShortcut(std::string_view path) { return Remove(shortcuts_, path); }
    bool RemoveFolder(std::string_view path) { return Remove(folders_, path); }

    // Whether a shortcut at this path is left out: it is listed, or lies in a listed folder or below.
    bool Ignores(std::string_view shortcutPath) const;

    const std::vector<std::string>& Shortcuts() const { return shortcuts_; }
    const std::vector<std::string>& Folders() const { return folders_; }
    bool Empty() const { return shortcuts_.empty() && folders_.empty(); }

private:
    static bool Add(std::vector<std::string>& paths, std::string_view path);
    static bool Remove(std::vector<std::string>& paths, std::string_view path);

    std::vector<std::string> shortcuts_;
    std::vector<std::string> folders_;
};

}  // namespace qm
