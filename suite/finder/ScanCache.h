// What the rule learns during one scan, remembered so that each question reaches the system
// once: every drive's state, every network location's answer (so a share that does not answer
// costs one time-bounded probe per scan, not one per link), every target's presence, and the
// folders known to be missing, so that the targets in a missing folder cost no call at all.
#pragma once

#include "suite/finder/BrokenRule.h"

#include <cstdint>
#include <unordered_map>

namespace qm::finder {

class ScanCache final : public FileSystem {
public:
    explicit ScanCache(FileSystem& system) : system_(system) {}

    Presence Probe(const std::string& path) override;
    DriveState Drive(char letter) override;
    bool Answers(const std::string& location) override;
    std::optional<std::string> EnvironmentVariable(const std::string& name) override;
    // Passed through: the search for moved targets keeps what it lists itself.
    bool ListFolder(const std::string& path, std::vector<FolderEntry>& entries) override {
        ++calls_.listings;
        return system_.ListFolder(path, entries);
    }
    std::optional<ItemDetails> Details(const std::string& path) override { return system_.Details(path); }
    std::optional<std::string> PathOfObject(const lnk::ShellLinkInfo::Guid& objectId) override {
        return system_.PathOfObject(objectId);
    }

    // Questions that reached the system, for the benchmark's figures and the tests.
    struct Counters {
        uint64_t probes = 0, drives = 0, answers = 0, listings = 0;
    };
    const Counters& SystemCalls() const { return calls_; }
    // Presence entries held now (targets and folders).
    size_t Remembered() const { return presence_.size(); }

    // Presence entries kept at most; past that the map starts over, so the memory stays bounded
    // on a drive with very many distinct targets.
    static constexpr size_t kMaxRemembered = 1u << 16;

private:
    Presence ProbeFolded(const std::string& path, const std::string& key);

    FileSystem& system_;
    Counters calls_;
    std::unordered_map<std::string, Presence> presence_;  // key: path with ASCII letters lowered
    std::unordered_map<char, DriveState> drives_;
    std::unordered_map<std::string, bool> answers_;
    std::unordered_map<std::string, std::optional<std::string>> environment_;
};

}  // namespace qm::finder
