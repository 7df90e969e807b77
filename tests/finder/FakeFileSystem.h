// A file system made of tables, for the rule's tests: which paths exist, which drives and
// network locations answer, which variables are set. Counts every question it is asked.
#pragma once

#include "suite/finder/BrokenRule.h"

#include <map>
#include <set>
#include <string>

namespace qm::finder::testing {

inline std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

class FakeFileSystem : public FileSystem {
public:
    std::set<std::string> existing;  // lower case
    std::set<std::string> unknown;   // probes that fail with an error saying nothing
    std::map<char, DriveState> drives{{'C', {DriveKind::Fixed}}};
    std::map<std::string, bool> answers;  // lower case; absent means "does not answer"
    std::map<std::string, std::string> environment;
    int probes = 0, driveQueries = 0, answerQueries = 0;

    void Add(const std::string& path) { existing.insert(Lower(path)); }

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
    std::optional<std::string> EnvironmentVariable(const std::string& name) override {
        auto it = environment.find(Lower(name));
        if (it == environment.end()) return std::nullopt;
        return it->second;
    }
};

}  // namespace qm::finder::testing
