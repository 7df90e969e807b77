// What the rule learns during one scan, remembered so that each question reaches the system
// once: every drive's state, every network location's answer (so a share that does not answer
// costs one time-bounded probe per scan, not one per link), every target's presence, and the
// folders known to be missing, so that the targets in a missing folder cost no call at all.
// A local folder asked about a third time is listed once, and its listing answers for every
// further target in it (and for the folders in it that targets lie below).
#pragma once

#include "suite/finder/BrokenRule.h"

#include <cstdint>
#include <unordered_map>
#include <unordered_set>

namespace qm::finder {

class ScanCache final : public FileSystem {
public:
    explicit ScanCache(FileSystem& system) : system_(system) {}

    Presence Probe(const std::string& path) override;
    DriveState Drive(char letter) override;
    bool Answers(const std::string& location) override;
    std::optional<std::string> EnvironmentVariable(const std::string& name) override;
    // Passed through: the search for moved targets keeps what it lists itself. (The cache's
    // own listings, see kListAfter, answer only Probe.)
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
    // A local folder is listed on the third question about an entry of it; one with more entries
    // than kMaxListed is left to single checks, and listings keep kMaxRemembered names at most.
    static constexpr uint32_t kListAfter = 3;
    static constexpr size_t kMaxListed = 4096;

private:
    struct Listing {
        uint32_t asked = 0;
        bool listed = false;   // `names` holds every entry, letter case folded
        bool refused = false;  // not listable (or too big): its entries are checked one by one
        std::unordered_set<std::string> names;
    };

    Presence ProbeFolded(const std::string& path, const std::string& key);
    // The answer of the folder's listing for an entry of it, if there is one; `mayList` lets it
    // list the folder when it has been asked about often enough.
    std::optional<Presence> FromListing(std::string_view path, std::string_view key, bool mayList);

    FileSystem& system_;
    Counters calls_;
    std::unordered_map<std::string, Presence> presence_;  // key: path with ASCII letters lowered
    std::unordered_map<char, DriveState> drives_;
    std::unordered_map<std::string, bool> answers_;
    std::unordered_map<std::string, std::optional<std::string>> environment_;
    std::unordered_map<std::string, Listing> listings_;  // key: folder path with ASCII letters lowered
    size_t listedNames_ = 0;
};

}  // namespace qm::finder
