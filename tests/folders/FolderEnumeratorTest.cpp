#include "folders/FolderEnumerator.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

namespace {

using qm::folders::FolderWalk;
using qm::folders::WalkFolders;
using qm::test::TempFolder;

struct Report {
    std::string path;
    std::string name;
    std::string tag;  // "-" for the entry visitor
    DWORD attributes;
};
using Reports = std::vector<Report>;

int Record(const std::string& path, const std::string& name, const std::string* tag, const WIN32_FIND_DATAW& record,
           void* context) {
    static_cast<Reports*>(context)->push_back({path, name, tag ? *tag : "-", record.dwFileAttributes});
    return 0;
}

// The reports as "relative path=tag", sorted: the file system's order is not ours to test.
std::set<std::string> Relative(const TempFolder& tree, const Reports& reports) {
    std::set<std::string> out;
    for (const Report& r : reports) {
        EXPECT_EQ(r.path.rfind(tree.Path(), 0), 0u) << r.path;
        out.insert(r.path.substr(tree.Path().size() + 1) + "=" + r.tag);
    }
    return out;
}

FolderWalk AllFolders(Reports& reports) {
    FolderWalk walk;
    walk.masks.emplace("*", "");
    walk.visitor = Record;
    walk.visitorContext = &reports;
    return walk;
}

TEST(FolderEnumerator, MasksChooseTagsInByteOrder) {
    TempFolder tree;
    for (const char* name : {"Bin", "bar", "Apple", "x.y", "J\xC3\xBCrgen"}) tree.Folder(name);
    tree.Write("blob.txt");

    struct Case { qm::folders::MaskTable masks; std::set<std::string> expected; };
    const Case cases[] = {
        // "*" sorts before "b*", so it is tried first and wins for every folder.
        {{{"b*", "x"}, {"*", "y"}}, {"Bin=y", "bar=y", "Apple=y", "x.y=y", "J\xC3\xBCrgen=y"}},
        // Masks are lowered for matching only; an unmatched folder is not reported.
        {{{"B*", "x"}, {"a*", "z"}}, {"Bin=x", "bar=x", "Apple=z"}},
        {{{"?.?", "dot"}}, {"x.y=dot"}},
        {{{"j\xC3\xBC*", "u"}}, {"J\xC3\xBCrgen=u"}},
        {{}, {}},
    };
    for (const Case& c : cases) {
        Reports reports;
        FolderWalk walk = AllFolders(reports);
        walk.masks = c.masks;
        WalkFolders(walk, tree.Path());
        EXPECT_EQ(Relative(tree, reports), c.expected);
    }
}

TEST(FolderEnumerator, ExclusionsAndAttributeFilters) {
    TempFolder tree;
    tree.Folder("Data\\Scratch\\Inner");
    tree.Folder("Noscratchpad");
    tree.Folder("Plain\\Below");
    tree.Folder("Hidden", FILE_ATTRIBUTE_HIDDEN);
    tree.Folder("System", FILE_ATTRIBUTE_SYSTEM);
    tree.Folder("ReadOnly", FILE_ATTRIBUTE_READONLY);
    tree.Write("Plain\\ReadOnlyFile.txt");
    ::SetFileAttributesW(qm::Widen(tree.Path("Plain\\ReadOnlyFile.txt")).c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(::GetFileAttributesW(qm::Widen(tree.Path("Hidden")).c_str()) & FILE_ATTRIBUTE_HIDDEN);
    ASSERT_TRUE(::GetFileAttributesW(qm::Widen(tree.Path("System")).c_str()) & FILE_ATTRIBUTE_SYSTEM);
    // Wine keeps no read-only mark on folders; the filter can only skip what the system reports.
    const bool readOnlyHolds = ::GetFileAttributesW(qm::Widen(tree.Path("ReadOnly")).c_str()) & FILE_ATTRIBUTE_READONLY;

    const std::set<std::string> everything = {"Data=", "Data\\Scratch=", "Data\\Scratch\\Inner=", "Noscratchpad=",
                                              "Plain=", "Plain\\Below=", "Hidden=", "System=", "ReadOnly="};
    auto without = [&](std::initializer_list<const char*> gone) {
        std::set<std::string> s = everything;
        for (const char* g : gone) s.erase(std::string(g) + "=");
        return s;
    };
    struct Case { const char* what; std::vector<std::string> exclusions; bool ro, sys, hid; std::set<std::string> expected; };
    const Case cases[] = {
        {"no filter", {}, false, false, false, everything},
        // "scratch" also hits "Noscratchpad", and nothing under Scratch is walked. (Not "temp":
        // the tree itself lies in the temporary folder.)
        {"exclusion, case ignored", {"SCRATCH"}, false, false, false, without({"Data\\Scratch", "Data\\Scratch\\Inner", "Noscratchpad"})},
        {"exclusion on the middle of a path", {"a\\scr"}, false, false, false, without({"Data\\Scratch", "Data\\Scratch\\Inner"})},
        {"hidden", {}, false, false, true, without({"Hidden"})},
        {"system", {}, false, true, false, without({"System"})},
        {"read-only", {}, true, false, false, readOnlyHolds ? without({"ReadOnly"}) : everything},
        {"all three", {}, true, true, true,
         readOnlyHolds ? without({"Hidden", "System", "ReadOnly"}) : without({"Hidden", "System"})},
    };
    for (const Case& c : cases) {
        Reports reports;
        FolderWalk walk = AllFolders(reports);
        walk.exclusions = c.exclusions;
        walk.recurse = true;
        walk.maxDepth = 10;
        walk.skipReadOnly = c.ro;
        walk.skipSystem = c.sys;
        walk.skipHidden = c.hid;
        WalkFolders(walk, tree.Path() + "\\");
        EXPECT_EQ(Relative(tree, reports), c.expected) << c.what;
    }
}

TEST(FolderEnumerator, DepthLimits) {
    TempFolder tree;
    tree.Folder("a\\b\\c\\d");
    tree.Write("a\\file.txt");
    struct Case { bool recurse; std::uint32_t maxDepth, depth; std::set<std::string> expected; };
    const Case cases[] = {
        {true, 1, 0, {"a="}},
        {false, 5, 0, {"a="}},
        {true, 3, 0, {"a=", "a\\b=", "a\\b\\c="}},
        {true, 3, 1, {"a=", "a\\b="}},
        {true, 3, 3, {}},
        {true, 3, 7, {}},
        {true, 0xFFFFFFFFu, 0, {"a=", "a\\b=", "a\\b\\c=", "a\\b\\c\\d="}},
    };
    for (const Case& c : cases) {
        Reports reports;
        FolderWalk walk = AllFolders(reports);
        walk.recurse = c.recurse;
        walk.maxDepth = c.maxDepth;
        WalkFolders(walk, tree.Path(), c.depth);
        EXPECT_EQ(Relative(tree, reports), c.expected) << c.maxDepth << "/" << c.depth;
    }
}

TEST(FolderEnumerator, EntryVisitorSeesDotsAndFilteredFoldersButNoFiles) {
    TempFolder tree;
    tree.Folder("Shown\\Inner");
    tree.Folder("Hidden", FILE_ATTRIBUTE_HIDDEN);
    tree.Write("file.txt");
    tree.Write("Shown\\inner.txt");

    Reports reports, entries;
    FolderWalk walk = AllFolders(reports);
    walk.recurse = true;
    walk.maxDepth = 2;
    walk.skipHidden = true;
    walk.entryVisitor = Record;
    walk.entryContext = &entries;
    WalkFolders(walk, tree.Path());

    EXPECT_EQ(Relative(tree, reports), (std::set<std::string>{"Shown=", "Shown\\Inner="}));
    EXPECT_EQ(Relative(tree, entries), (std::set<std::string>{".=-", "..=-", "Shown=-", "Hidden=-", "Shown\\.=-",
                                                              "Shown\\..=-", "Shown\\Inner=-"}));
    for (const Report& r : entries) EXPECT_TRUE(r.attributes & FILE_ATTRIBUTE_DIRECTORY) << r.path;
}

TEST(FolderEnumerator, DriveRootAndUnlistableFolders) {
    Reports reports;
    WalkFolders(AllFolders(reports), "C:\\");
    ASSERT_FALSE(reports.empty());
    for (const Report& r : reports) {
        EXPECT_EQ(r.path, "C:\\" + r.name);  // never "C:\\\\name"
        EXPECT_NE(r.name, ".");
        EXPECT_NE(r.name, "..");
    }
    EXPECT_TRUE(std::any_of(reports.begin(), reports.end(), [](const Report& r) { return _stricmp(r.name.c_str(), "windows") == 0; }));

    TempFolder tree;
    const std::string file = tree.Write("not-a-folder");
    for (const std::string& start : {tree.Path("missing"), file, std::string(), std::string("Q:\\")}) {
        Reports none;
        WalkFolders(AllFolders(none), start);
        EXPECT_TRUE(none.empty()) << start;
    }
    std::vector<std::string> listed;
    qm::folders::ListSubfolders(tree.Path("missing"), listed);
    EXPECT_TRUE(listed.empty());
}

TEST(FolderEnumerator, ListSubfoldersGivesFullPathsIncludingHiddenAndSystem) {
    TempFolder tree;
    tree.Folder("one\\deeper");
    tree.Folder("two", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    tree.Write("three");
    std::vector<std::string> listed;
    qm::folders::ListSubfolders(tree.Path() + "\\", listed);
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, (std::vector<std::string>{tree.Path("one"), tree.Path("two")}));
}

// A folder that holds a link back to its own parent. Made with a symbolic link where the system
// allows it; under Wine a Unix link made by the test fixture (see CMakeLists.txt) stands in.
std::string FindOrMakeCycle(const TempFolder& tree) {
    const std::string made = tree.Folder("top\\mid");
    const std::wstring link = qm::Widen(made + "\\up");
    if (::CreateSymbolicLinkW(link.c_str(), qm::Widen(tree.Path("top")).c_str(),
                              SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) &&
        (::GetFileAttributesW(link.c_str()) & FILE_ATTRIBUTE_DIRECTORY) &&
        ::GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES)
        return tree.Path("top");
    char fixture[MAX_PATH] = {};
    if (::GetEnvironmentVariableA("QM_CYCLE_FIXTURE", fixture, MAX_PATH) &&
        ::GetFileAttributesA((std::string(fixture) + "\\mid\\up\\mid").c_str()) != INVALID_FILE_ATTRIBUTES)
        return fixture;
    return {};
}

TEST(FolderEnumerator, AFolderCycleIsReportedButNotEnteredAgain) {
    TempFolder tree;
    const std::string top = FindOrMakeCycle(tree);
    if (top.empty()) GTEST_SKIP() << "no way to make a folder link here";

    Reports reports;
    FolderWalk walk = AllFolders(reports);
    walk.recurse = true;
    walk.maxDepth = 0xFFFFFFFFu;
    WalkFolders(walk, top);
    std::set<std::string> paths;
    for (const Report& r : reports) paths.insert(r.path.substr(top.size()));
    EXPECT_EQ(paths, (std::set<std::string>{"\\mid", "\\mid\\up"}));

    // Opened level by level with the lister (as the folder page does), the cycle just goes on.
    std::string folder = top;
    for (int level = 0; level < 20; ++level) {
        std::vector<std::string> listed;
        qm::folders::ListSubfolders(folder, listed);
        ASSERT_EQ(listed.size(), 1u) << folder;
        folder = listed[0];
    }
}

TEST(FolderEnumerator, OnlyPathsPastTheClassicLimitGetTheExtendedLengthPrefix) {
    const std::wstring deep(300, L'x');
    struct Case { std::wstring path, expected; };
    const Case cases[] = {
        {L"C:\\Data", L"C:\\Data"},
        {L"C:\\" + std::wstring(243, L'x'), L"C:\\" + std::wstring(243, L'x')},  // 246: room for "\*" and an 8.3 name
        {L"C:\\" + std::wstring(245, L'x'), L"\\\\?\\C:\\" + std::wstring(245, L'x')},
        {L"C:\\" + deep, L"\\\\?\\C:\\" + deep},
        {L"\\\\server\\share\\" + deep, L"\\\\?\\UNC\\server\\share\\" + deep},
        {L"\\\\?\\C:\\" + deep, L"\\\\?\\C:\\" + deep},  // prefixed already
        {L"relative\\" + deep, L"relative\\" + deep},    // the prefix would take it literally
    };
    for (const Case& c : cases) EXPECT_EQ(qm::folders::ForSystemCall(c.path), c.expected) << qm::Narrow(c.path.substr(0, 20));
}
}  // namespace
