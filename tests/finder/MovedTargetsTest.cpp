// The search for moved targets against the fake file system: each search with the decoys that
// must not make a suggestion certain, the explanations, the budget and the one-walk-per-folder
// promise.
#include "suite/finder/MovedTargets.h"
#include "tests/finder/FakeFileSystem.h"

#include <gtest/gtest.h>

namespace qm::finder {
namespace {

using testing::FakeFileSystem;
using lnk::ShellLinkInfo;

constexpr uint64_t kTime = 0x01D9A0B1C2D3E4F0ull;  // the target's recorded last write
constexpr uint64_t kSecond = 10'000'000ull;
constexpr uint32_t kSize = 4096;

// A broken link to `target` whose header recorded kSize and kTime.
BrokenLink Broken(const std::string& target, uint32_t size = kSize, uint64_t time = kTime) {
    BrokenLink broken;
    broken.link.status = lnk::ParseStatus::Ok;
    broken.link.fileAttributes = 0x20;
    broken.link.fileSize = size;
    broken.link.writeTime = time;
    broken.judgement = {Verdict::Broken, Reason::TargetMissing, target};
    return broken;
}

TargetSuggestion SuggestOne(const BrokenLink& link, FakeFileSystem& fs, SuggestStats* stats = nullptr) {
    return SuggestMovedTargets({link}, fs, {}, stats).front();
}

FakeFileSystem World() {
    FakeFileSystem fs;
    fs.Add("C:\\");
    fs.drives['D'] = {DriveKind::Fixed};
    fs.drives['E'] = {DriveKind::Removable, true, 0xE0E0};
    fs.drives['M'] = {DriveKind::Remote};
    fs.environment["programfiles"] = "C:\\Program Files";
    fs.environment["programfiles(x86)"] = "C:\\Program Files (x86)";
    fs.environment["userprofile"] = "C:\\Users\\Ann";
    fs.AddFolder("C:\\Users\\Ann\\Documents");
    fs.AddFolder("C:\\Users\\Bob\\Documents");
    fs.AddFolder("C:\\Program Files");
    fs.AddFolder("C:\\Program Files (x86)");
    return fs;
}

TEST(MovedTargets, VersionStemsAgreeOnlyForVersionsOfOneName) {
    const struct {
        const char* name;
        const char* stem;
    } cases[] = {
        {"App 1.2", "app"},         {"app-1.3", "app"},       {"App v2.0.1", "app"},   {"App 1.2 beta", "app"},
        {"App-2.0-rc1", "app"},     {"App_3", "app"},         {"App", "app"},          {"Vivaldi 5", "vivaldi"},
        {"2019", ""},               {"1.2.3", ""},            {"Apple 1.0", "apple"},  {"App Suite 7", "app suite"},
        {"Beta 2", "beta"},         {"v2", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(VersionStem(c.name), c.stem) << c.name;
}

TEST(MovedTargets, HeaderMatchNeedsTheRecordedTimeAndSize) {
    ShellLinkInfo link = Broken("C:\\x").link;
    ItemDetails same{false, false, kSize, kTime};
    EXPECT_TRUE(MatchesHeader(link, same));
    EXPECT_TRUE(MatchesHeader(link, {false, false, kSize, kTime + 2 * kSecond}));  // FAT's even seconds
    EXPECT_FALSE(MatchesHeader(link, {false, false, kSize, kTime + 3 * kSecond}));
    EXPECT_FALSE(MatchesHeader(link, {false, false, kSize, kTime - 3 * kSecond}));
    EXPECT_FALSE(MatchesHeader(link, {false, false, kSize + 1, kTime}));
    EXPECT_TRUE(MatchesHeader(link, {false, false, (uint64_t{1} << 32) + kSize, kTime}));  // header keeps 32 bits
    EXPECT_TRUE(MatchesHeader(link, {true, false, 0, kTime}));  // a folder's size means nothing
    link.writeTime = 0;  // not recorded: nothing can match
    EXPECT_FALSE(MatchesHeader(link, same));
}

TEST(MovedTargets, ExplainsWhichPartOfThePathIsGone) {
    FakeFileSystem fs = World();
    fs.AddFolder("C:\\Tools\\App 1.2");
    fs.drives['N'] = {DriveKind::Remote};
    const struct {
        const char* target;
        GoneKind kind;
        const char* name;
        const char* folder;
    } cases[] = {
        {"C:\\Tools\\App 1.2\\app.exe", GoneKind::ItemNotInFolder, "app.exe", "C:\\Tools\\App 1.2"},
        {"C:\\Old\\Deeper\\tool.exe", GoneKind::FolderGone, "tool.exe", "C:\\Old"},
        {"C:\\Tools\\Gone\\More\\x.txt", GoneKind::FolderGone, "x.txt", "C:\\Tools\\Gone"},
        {"C:\\top.txt", GoneKind::ItemNotInFolder, "top.txt", "C:\\"},
        {"\\\\server\\share\\docs\\plan.txt", GoneKind::MissingOnShare, "plan.txt", "\\\\server\\share"},
        {"N:\\docs\\plan.txt", GoneKind::MissingOnShare, "plan.txt", "N:"},
    };
    for (const auto& c : cases) {
        TargetSuggestion out = SuggestOne(Broken(c.target), fs);
        EXPECT_EQ(out.gone.kind, c.kind) << c.target;
        EXPECT_EQ(out.gone.name, c.name) << c.target;
        EXPECT_EQ(out.gone.folder, c.folder) << c.target;
    }
    BrokenLink working = Broken("C:\\Tools\\App 1.2");
    working.judgement.verdict = Verdict::Working;
    TargetSuggestion none = SuggestOne(working, fs);
    EXPECT_EQ(none.gone.kind, GoneKind::NotBroken);
    EXPECT_EQ(none.confidence, Confidence::None);
}

TEST(MovedTargets, ProgramFilesSwappedByNameAndByVariable) {
    FakeFileSystem fs = World();
    fs.AddFile("C:\\Program Files (x86)\\Vendor\\App\\app.exe", kSize, kTime);
    TargetSuggestion out = SuggestOne(Broken("C:\\Program Files\\Vendor\\App\\app.exe"), fs);
    EXPECT_EQ(out.target, "C:\\Program Files (x86)\\Vendor\\App\\app.exe");
    EXPECT_EQ(out.confidence, Confidence::Certain);
    EXPECT_EQ(out.strategy, Strategy::KnownRelocation);

    // The variable names another drive: the swap follows it.
    fs.environment["programfiles"] = "D:\\Apps";
    fs.AddFile("D:\\Apps\\Tool\\tool.exe", kSize, kTime);
    out = SuggestOne(Broken("C:\\Program Files (x86)\\Tool\\tool.exe"), fs);
    EXPECT_EQ(out.target, "D:\\Apps\\Tool\\tool.exe");
    EXPECT_EQ(out.confidence, Confidence::Certain);

    // An updated file (other time) in the swapped place: a possibility only.
    fs.AddFile("C:\\Program Files\\Other\\other.exe", kSize, kTime + 3600 * kSecond);
    out = SuggestOne(Broken("C:\\Program Files (x86)\\Other\\other.exe"), fs);
    EXPECT_EQ(out.target, "C:\\Program Files\\Other\\other.exe");
    EXPECT_EQ(out.confidence, Confidence::Possible);
}

TEST(MovedTargets, ProfilePartReplacedByEachExistingProfile) {
    FakeFileSystem fs = World();
    fs.AddFile("C:\\Users\\Bob\\Documents\\report.doc", kSize, kTime);
    TargetSuggestion out = SuggestOne(Broken("C:\\Users\\Robert\\Documents\\report.doc"), fs);
    EXPECT_EQ(out.target, "C:\\Users\\Bob\\Documents\\report.doc");
    EXPECT_EQ(out.confidence, Confidence::Certain);
    EXPECT_EQ(out.strategy, Strategy::KnownRelocation);

    // The old form of the path, migrated to the new one.
    fs.AddFile("C:\\Users\\Ann\\Documents\\Taxes\\2009.xls", kSize, kTime);
    out = SuggestOne(Broken("C:\\Documents and Settings\\Ann\\My Documents\\Taxes\\2009.xls"), fs);
    EXPECT_EQ(out.target, "C:\\Users\\Ann\\Documents\\Taxes\\2009.xls");
    EXPECT_EQ(out.confidence, Confidence::Certain);

    // The same file in two profiles: neither is certain.
    fs.AddFile("C:\\Users\\Ann\\Documents\\shared.pdf", kSize, kTime);
    fs.AddFile("C:\\Users\\Bob\\Documents\\shared.pdf", kSize, kTime);
    out = SuggestOne(Broken("C:\\Users\\Carl\\Documents\\shared.pdf"), fs);
    EXPECT_EQ(out.confidence, Confidence::Possible);
    EXPECT_EQ(out.candidates, 2u);

    // One file seen under two paths (a junction such as "Documents and Settings" on a newer
    // system) is one candidate, still certain.
    ItemDetails file{false, false, kSize, kTime, 0x1234, 77};
    fs.AddItem("C:\\Users\\Bob\\Documents\\Taxes\\2010.xls", file);
    fs.AddItem("C:\\Documents and Settings\\Bob\\My Documents\\Taxes\\2010.xls", file);
    out = SuggestOne(Broken("C:\\Users\\Robert\\Documents\\Taxes\\2010.xls"), fs);
    EXPECT_EQ(out.candidates, 2u);
    EXPECT_EQ(out.confidence, Confidence::Certain);
    EXPECT_EQ(out.target, "C:\\Users\\Bob\\Documents\\Taxes\\2010.xls");

    // A junction among the profiles ("All Users") is not a profile.
    ItemDetails junction;
    junction.folder = junction.reparsePoint = true;
    fs.AddItem("C:\\Users\\All Users", junction);
    fs.AddFile("C:\\Users\\All Users\\Documents\\only.txt", kSize, kTime);
    out = SuggestOne(Broken("C:\\Users\\Carl\\Documents\\only.txt"), fs);
    EXPECT_EQ(out.confidence, Confidence::None);
}

TEST(MovedTargets, SamePathOnAnotherFixedDriveButNeverARemovableOne) {
    FakeFileSystem fs = World();
    fs.AddFile("D:\\Photos\\cat.jpg", kSize, kTime);
    TargetSuggestion out = SuggestOne(Broken("C:\\Photos\\cat.jpg"), fs);
    EXPECT_EQ(out.target, "D:\\Photos\\cat.jpg");
    EXPECT_EQ(out.confidence, Confidence::Certain);

    fs.AddFile("E:\\Music\\song.mp3", kSize, kTime);  // removable: never a candidate
    fs.AddFile("M:\\Music\\song.mp3", kSize, kTime);  // mapped network drive: neither
    out = SuggestOne(Broken("C:\\Music\\song.mp3"), fs);
    EXPECT_EQ(out.confidence, Confidence::None);
    EXPECT_EQ(out.candidates, 0u);

    // A target that was on the removable drive is not searched for there either, nor is a file
    // an object identifier names there taken.
    fs.AddFile("E:\\Stick\\Sorted\\list.txt", kSize, kTime);
    EXPECT_EQ(SuggestOne(Broken("E:\\Stick\\list.txt"), fs).candidates, 0u);
    BrokenLink tracked = Broken("C:\\Stick\\list.txt");
    tracked.link.hasTracker = true;
    tracked.link.trackerObjectId[0] = 7;
    fs.objects[tracked.link.trackerObjectId] = "E:\\Stick\\Sorted\\list.txt";
    EXPECT_EQ(SuggestOne(tracked, fs).candidates, 0u);
}

TEST(MovedTargets, RenamedVersionFolder) {
    FakeFileSystem fs = World();
    fs.AddFile("C:\\Tools\\App 1.3\\bin\\app.exe", kSize, kTime);
    fs.AddFile("C:\\Tools\\Apple 1.2\\bin\\app.exe", kSize, kTime + 7200 * kSecond);  // another program
    TargetSuggestion out = SuggestOne(Broken("C:\\Tools\\App 1.2\\bin\\app.exe"), fs);
    EXPECT_EQ(out.target, "C:\\Tools\\App 1.3\\bin\\app.exe");
    EXPECT_EQ(out.confidence, Confidence::Certain);
    EXPECT_EQ(out.strategy, Strategy::VersionFolder);

    // Updated in two newer versions: the newest is the possibility.
    fs.AddFile("C:\\Games\\Game 1.9\\game.exe", kSize + 10, kTime + 3600 * kSecond);
    fs.AddFile("C:\\Games\\Game 1.10\\game.exe", kSize + 20, kTime + 7200 * kSecond);
    out = SuggestOne(Broken("C:\\Games\\Game 1.8\\game.exe"), fs);
    EXPECT_EQ(out.target, "C:\\Games\\Game 1.10\\game.exe");
    EXPECT_EQ(out.confidence, Confidence::Possible);
    EXPECT_EQ(out.strategy, Strategy::VersionFolder);
}

TEST(MovedTargets, NameInTheSubtreeOfTheNearestExistingFolder) {
    FakeFileSystem fs = World();
    fs.AddFile("C:\\Users\\Ann\\Documents\\Archive\\2020\\letter.doc", kSize, kTime);
    fs.AddFile("C:\\Users\\Ann\\Documents\\Archive\\2021\\letter.doc", kSize + 1, kTime);  // another size
    fs.AddFile("C:\\Users\\Ann\\Documents\\Old\\letter.doc", kSize, kTime + 60 * kSecond);  // another time
    TargetSuggestion out = SuggestOne(Broken("C:\\Users\\Ann\\Documents\\letter.doc"), fs);
    EXPECT_EQ(out.target, "C:\\Users\\Ann\\Documents\\Archive\\2020\\letter.doc");
    EXPECT_EQ(out.confidence, Confidence::Certain);
    EXPECT_EQ(out.strategy, Strategy::SubtreeSearch);
    EXPECT_EQ(out.candidates, 3u);

    // Two equally good copies: a possibility only.
    fs.AddFile("C:\\Users\\Ann\\Documents\\Copy\\letter.doc", kSize, kTime);
    out = SuggestOne(Broken("C:\\Users\\Ann\\Documents\\letter.doc"), fs);
    EXPECT_EQ(out.confidence, Confidence::Possible);

    // Deleted items are no place a target moved to.
    fs.AddFile("C:\\$Recycle.Bin\\S-1-5-21\\memo.txt", kSize, kTime);
    out = SuggestOne(Broken("C:\\memo.txt"), fs);
    EXPECT_EQ(out.confidence, Confidence::None);

    // The header recorded no time: found, but never certain.
    fs.AddFile("C:\\Users\\Bob\\Documents\\Sub\\plan.txt", kSize, kTime);
    out = SuggestOne(Broken("C:\\Users\\Bob\\Documents\\plan.txt", kSize, 0), fs);
    EXPECT_EQ(out.target, "C:\\Users\\Bob\\Documents\\Sub\\plan.txt");
    EXPECT_EQ(out.confidence, Confidence::Possible);
}

TEST(MovedTargets, OneWalkServesEveryShortcutOfAFolderWithinTheBudget) {
    FakeFileSystem fs = World();
    for (int i = 0; i < 30; ++i) fs.AddFolder("C:\\Data\\f" + std::to_string(i) + "\\deeper");
    fs.AddFile("C:\\Data\\f3\\a.txt", kSize, kTime);
    fs.AddFile("C:\\Data\\f7\\deeper\\b.txt", kSize, kTime);
    std::vector<BrokenLink> links = {Broken("C:\\Data\\a.txt"), Broken("C:\\Data\\b.txt"), Broken("C:\\Data\\gone\\c.txt")};
    SuggestStats stats;
    std::vector<TargetSuggestion> out = SuggestMovedTargets(links, fs, {}, &stats);
    EXPECT_EQ(out[0].target, "C:\\Data\\f3\\a.txt");
    EXPECT_EQ(out[1].target, "C:\\Data\\f7\\deeper\\b.txt");
    EXPECT_EQ(out[2].confidence, Confidence::None);
    EXPECT_EQ(stats.subtreeWalks, 1u);
    EXPECT_EQ(stats.found[static_cast<int>(Strategy::SubtreeSearch)], 2u);
    EXPECT_EQ(stats.certain[static_cast<int>(Strategy::SubtreeSearch)], 2u);
    const int listingsForAll = fs.listings;
    EXPECT_LE(listingsForAll, 1 + 30 + 30 + 2);  // the walk, plus the version folder's one listing

    // A budget too small to reach f7\deeper: b.txt is not found, and the walk says it was cut.
    SuggestOptions small;
    small.foldersPerSubtree = 30;
    SuggestStats cut;
    out = SuggestMovedTargets(links, fs, small, &cut);
    EXPECT_EQ(out[0].confidence, Confidence::Certain);
    EXPECT_EQ(out[1].confidence, Confidence::None);
    EXPECT_EQ(cut.subtreeWalksCut, 1u);
    EXPECT_LE(cut.foldersListed, 32u);
}

TEST(MovedTargets, ShareTargetsAreSearchedOnTheirOwnShareOnly) {
    FakeFileSystem fs = World();
    fs.AddFile("\\\\server\\share\\docs\\2024\\plan.txt", kSize, kTime);
    fs.AddFile("C:\\docs\\plan.txt", kSize, kTime);
    TargetSuggestion out = SuggestOne(Broken("\\\\server\\share\\docs\\plan.txt"), fs);
    EXPECT_EQ(out.gone.kind, GoneKind::MissingOnShare);
    EXPECT_EQ(out.target, "\\\\server\\share\\docs\\2024\\plan.txt");
    EXPECT_EQ(out.confidence, Confidence::Certain);

    // A local target is never suggested on a share.
    fs.AddFile("\\\\server\\share\\only-there.txt", kSize, kTime);
    EXPECT_EQ(SuggestOne(Broken("C:\\only-there.txt"), fs).confidence, Confidence::None);
}

TEST(MovedTargets, ObjectIdentifierLeadsToARenamedFileAsAPossibility) {
    FakeFileSystem fs = World();
    BrokenLink link = Broken("C:\\Work\\draft.txt");
    link.link.hasTracker = true;
    link.link.trackerMachineId = "ws-ann";
    link.link.trackerObjectId[0] = 0x42;
    link.link.trackerBirthObjectId = link.link.trackerObjectId;
    fs.AddFile("C:\\Work\\final.txt", kSize, kTime);
    fs.objects[link.link.trackerObjectId] = "C:\\Work\\final.txt";
    TargetSuggestion out = SuggestOne(link, fs);
    EXPECT_EQ(out.target, "C:\\Work\\final.txt");
    EXPECT_EQ(out.strategy, Strategy::ObjectId);
    EXPECT_EQ(out.confidence, Confidence::Possible);  // the name differs
    EXPECT_TRUE(out.tracker.present);
    EXPECT_EQ(out.tracker.machine, "ws-ann");
    EXPECT_EQ(out.tracker.objectId[0], 0x42);
}

TEST(MovedTargets, StopEndsThePhaseAndProgressCounts) {
    FakeFileSystem fs = World();
    fs.AddFile("D:\\a\\x.txt", kSize, kTime);
    std::vector<BrokenLink> links = {Broken("C:\\a\\x.txt"), Broken("C:\\a\\x.txt"), Broken("C:\\a\\x.txt")};
    SuggestOptions options;
    std::vector<size_t> seen;
    options.progress = [&](size_t done, size_t total) {
        seen.push_back(done);
        EXPECT_EQ(total, 3u);
    };
    options.stopRequested = [&] { return seen.size() >= 2; };
    SuggestStats stats;
    std::vector<TargetSuggestion> out = SuggestMovedTargets(links, fs, options, &stats);
    EXPECT_TRUE(stats.stopped);
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_EQ(out[0].confidence, Confidence::Certain);
    EXPECT_EQ(out[2].confidence, Confidence::None);
    EXPECT_EQ(stats.subtreeWalks, 0u);
}

// A listing may take long on a slow drive: once a stop is asked for, not one more folder is
// listed, in whichever search the stop comes (profiles, version folders, subtree walks).
TEST(MovedTargets, NoFolderIsListedAfterAStop) {
    FakeFileSystem fs = World();
    fs.AddFile("C:\\Tools\\App 1.3\\bin\\app.exe", kSize, kTime);
    fs.AddFile("C:\\Users\\Bob\\Documents\\report.doc", kSize, kTime);
    for (int i = 0; i < 5; ++i) fs.AddFolder("C:\\Data\\box" + std::to_string(i));
    fs.AddFile("C:\\Data\\box4\\notes.txt", kSize, kTime);
    const std::vector<BrokenLink> links = {Broken("C:\\Tools\\App 1.2\\bin\\app.exe"),
                                           Broken("C:\\Users\\Robert\\Documents\\report.doc"),
                                           Broken("C:\\Data\\notes.txt"), Broken("C:\\Users\\Carl\\Tools\\App 0.9\\x.exe")};
    const int all = [&] {
        FakeFileSystem whole = fs;
        SuggestMovedTargets(links, whole);
        return whole.listings;
    }();
    ASSERT_GE(all, 8) << "the world is too small to stop in each search";
    for (int stopAt = 0; stopAt < all; ++stopAt) {
        FakeFileSystem world = fs;
        SuggestOptions options;
        options.stopRequested = [&] { return world.listings >= stopAt; };
        SuggestStats stats;
        SuggestMovedTargets(links, world, options, &stats);
        EXPECT_EQ(world.listings, stopAt) << "listings after a stop asked for at the listing " << stopAt;
        EXPECT_TRUE(stats.stopped) << stopAt;
    }
}

}  // namespace
}  // namespace qm::finder
