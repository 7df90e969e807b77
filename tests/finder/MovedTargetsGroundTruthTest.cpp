// Ground truth for the search for moved targets: a generated world of moved targets with decoys
// (tools/lnkwriter/MovedWorld.h), its shortcuts written as real .lnk bytes and read back by the
// suite's reader, judged by the rule and searched, all against the fake file system. No certain
// suggestion may be wrong; the counts per kind of move are printed for the record.
#include "suite/finder/MovedTargets.h"
#include "tests/finder/FakeFileSystem.h"
#include "tools/lnkwriter/MovedWorld.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace qm::finder {
namespace {

using lnkwriter::Decoy;
using lnkwriter::MoveKind;

struct Tally {
    int links = 0, expected = 0, found = 0, certain = 0, wrongCertain = 0, wrongPlace = 0, bySearch = 0;
};

Strategy SearchFor(MoveKind kind) {
    switch (kind) {
        case MoveKind::ProgramFiles:
        case MoveKind::Profile:
        case MoveKind::OtherDrive: return Strategy::KnownRelocation;
        case MoveKind::VersionFolder: return Strategy::VersionFolder;
        default: return Strategy::SubtreeSearch;
    }
}

testing::FakeFileSystem Load(const lnkwriter::MovedWorld& world) {
    testing::FakeFileSystem fs;
    fs.Add("C:\\");
    fs.drives[lnkwriter::kOtherFixedDrive] = {DriveKind::Fixed};
    fs.drives[lnkwriter::kRemovableDrive] = {DriveKind::Removable, true, 0x5EED};
    fs.environment = world.environment;
    for (const lnkwriter::WorldItem& item : world.items) {
        if (item.path.size() <= 3) {
            fs.Add(item.path);
            continue;
        }
        ItemDetails details;
        details.folder = item.folder;
        details.size = item.size;
        details.writeTime = item.writeTime;
        fs.AddItem(item.path, details);
    }
    return fs;
}

TEST(MovedTargetsGroundTruth, NoCertainSuggestionIsWrong) {
    lnkwriter::MovedWorld world = lnkwriter::GenerateMovedWorld({});
    testing::FakeFileSystem fs = Load(world);

    std::vector<BrokenLink> links;
    for (const lnkwriter::MovedLink& moved : world.links) {
        std::vector<unsigned char> bytes = lnkwriter::BuildLink(moved.link);
        BrokenLink link;
        link.link = lnk::ParseShellLink(bytes.data(), bytes.size());
        ASSERT_EQ(link.link.status, lnk::ParseStatus::Ok) << moved.link.localBasePath;
        link.judgement = JudgeShortcut(link.link, "C:\\Users\\Ann\\Desktop", fs);
        ASSERT_EQ(link.judgement.verdict, Verdict::Broken) << moved.link.localBasePath;
        links.push_back(std::move(link));
    }
    SuggestStats stats;
    std::vector<TargetSuggestion> out = SuggestMovedTargets(links, fs, {}, &stats);

    Tally tally[static_cast<int>(MoveKind::Count)];
    for (size_t i = 0; i < out.size(); ++i) {
        const lnkwriter::MovedLink& moved = world.links[i];
        const TargetSuggestion& s = out[i];
        Tally& t = tally[static_cast<int>(moved.kind)];
        ++t.links;
        const bool right = !moved.truth.empty() && s.target == moved.truth;
        t.expected += !moved.truth.empty();
        t.found += right;
        t.certain += right && s.confidence == Confidence::Certain;
        t.bySearch += right && s.strategy == SearchFor(moved.kind);
        if (s.confidence == Confidence::Certain && (!right || !moved.certainAllowed)) {
            ++t.wrongCertain;
            ADD_FAILURE() << "wrong certain suggestion " << s.target << " for " << moved.link.localBasePath << " ("
                          << lnkwriter::DecoyName(moved.decoy) << ")";
        }
        if (s.confidence != Confidence::None && s.target.rfind(std::string(1, lnkwriter::kRemovableDrive) + ":", 0) == 0) {
            ++t.wrongPlace;
            ADD_FAILURE() << "suggestion on a removable drive: " << s.target;
        }
        // Where a certain answer was possible, the search must give it.
        if (moved.certainAllowed) {
            EXPECT_EQ(s.target, moved.truth) << moved.link.localBasePath << " (" << lnkwriter::DecoyName(moved.decoy) << ")";
            EXPECT_EQ(s.confidence, Confidence::Certain) << moved.link.localBasePath << " (" << lnkwriter::DecoyName(moved.decoy) << ")";
        }
    }

    std::printf("%-24s %6s %9s %6s %8s %14s %14s %12s\n", "moved", "links", "expected", "found", "certain", "wrong certain",
                "wrong place", "by its search");
    for (int k = 0; k < static_cast<int>(MoveKind::Count); ++k) {
        const Tally& t = tally[k];
        std::printf("%-24s %6d %9d %6d %8d %14d %14d %12d\n", lnkwriter::MoveKindName(static_cast<MoveKind>(k)), t.links, t.expected,
                    t.found, t.certain, t.wrongCertain, t.wrongPlace, t.bySearch);
    }
    std::printf("folders listed %llu, subtree walks %llu (%llu cut by the budget)\n", (unsigned long long)stats.foldersListed,
                (unsigned long long)stats.subtreeWalks, (unsigned long long)stats.subtreeWalksCut);
}

}  // namespace
}  // namespace qm::finder
