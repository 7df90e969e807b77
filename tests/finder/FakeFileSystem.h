// A file system made of tables, for the rule's tests: which paths exist, which drives and
// network locations answer, which variables are set. Counts every question it is asked.
#pragma once

#include "base/Text.h"
#include "suite/finder/BrokenRule.h"

#include <map>
#include <set>
#include <string>

namespace qm::finder::testing {

inline std::string Lower(std::string_view text) { return AsciiLower(text); }

class FakeFileSystem : public FileSystem {
public:
    std::set<std::string> existing;  // lower case
    std::set<std::string> unknown;   // probes that fail with an error saying nothing
    std::map<char, DriveState> drives{{'C', {DriveKind::Fixed}}};
    std::map<std::string, bool> answers;  // lower case; absent means "does not answer"
    std::map<std::string, std::string> environment;
    int probes = 0, driveQueries = 0, answerQueries = 0;

    // For the search for moved targets: listed items with their details, object identifiers.
    std::map<std::string, std::pair<std::string, ItemDetails>> items;  // lower case -> name, details
    std::map<std::string, std::set<std::string>> children;              // lower-case folder -> items
    std::set<std::string> unlistable;                                   // lower-case folders
    std::map<lnk::ShellLinkInfo::Guid, std::string> objects;
    int listings = 0;

    void Add(const std::string& path) { existing.insert(Lower(path)); }

    // The parent of a full path, or "" at a root ("C:\\", "\\\\server\\share").
    static std::string ParentOf(const std::string& path) {
        size_t slash = path.find_last_of('\\');
        if (slash == std::string::npos) return {};
        if (path.rfind("\\\\", 0) == 0) {
            size_t server = path.find('\\', 2);
            if (server == std::string::npos || path.find('\\', server + 1) == std::string::npos) return {};
            return path.substr(0, slash);
        }
        if (path.size() <= 3) return {};
        return slash == 2 ? path.substr(0, 3) : path.substr(0, slash);
    }

    // An item with its details; every folder above it is made too.
    void AddItem(const std::string& path, ItemDetails details) {
        std::string key = Lower(path);
        existing.insert(key);
        std::string parent = ParentOf(path);
        if (parent.empty()) return;
        items[key] = {path.substr(path.find_last_of('\\') + 1), details};
        children[Lower(parent)].insert(key);
        if (!items.count(Lower(parent)) && !ParentOf(parent).empty()) {
            ItemDetails folder;
            folder.folder = true;
            AddItem(parent, folder);
        } else {
            existing.insert(Lower(parent));
        }
    }
    void AddFile(const std::string& path, uint64_t size, uint64_t writeTime) {
        ItemDetails details;
        details.size = size;
        details.writeTime = writeTime;
        AddItem(path, details);
    }
    void AddFolder(const std::string& path) {
        ItemDetails details;
        details.folder = true;
        AddItem(path, details);
    }

    Presence Probe(const std::string& path) override {
        ++probes;
        std::string key = Lower(path);
        if (unknown.count(key)) return Presence::Unknown;
        return existing.count(key) ? Presence::Exists : Presence::Missing;
    }
    DriveState Drive(char letter) override {
        ++driveQueries;
        auto it = drives.find(letter);
        return it == drives.end() ? DriveState{} : it->second;
    }
    bool Answers(const std::string& location) override {
        ++answerQueries;
        auto it = answers.find(Lower(location));
        return it != answers.end() && it->second;
    }
    bool ListFolder(const std::string& path, std::vector<FolderEntry>& entries) override {
        ++listings;
        entries.clear();
        std::string key = Lower(path);
        if (unlistable.count(key) || !existing.count(key)) return false;
        auto it = children.find(key);
        if (it != children.end()) {
            for (const std::string& child : it->second) {
                const auto& item = items.at(child);
                entries.push_back({item.first, item.second});
            }
        }
        // Paths given by Add alone are in the folder too (as files, their names in lower case):
        // a listing must never miss what Probe finds.
        for (const std::string& path : existing) {
            if (items.count(path) || ParentOf(path) != key) continue;
            entries.push_back({path.substr(path.find_last_of('\\') + 1), ItemDetails{}});
        }
        return true;
    }
    std::optional<ItemDetails> Details(const std::string& path) override {
        auto it = items.find(Lower(path));
        if (it == items.end()) return std::nullopt;
        return it->second.second;
    }
    std::optional<std::string> PathOfObject(const lnk::ShellLinkInfo::Guid& objectId) override {
        auto it = objects.find(objectId);
        if (it == objects.end()) return std::nullopt;
        return it->second;
    }
    std::optional<std::string> EnvironmentVariable(const std::string& name) override {
        auto it = environment.find(Lower(name));
        if (it == environment.end()) return std::nullopt;
        return it->second;
    }
};

}  // namespace qm::finder::testing
