#include "suite/finder/FindOptions.h"

#include <gtest/gtest.h>

namespace qm::finder {
namespace {

TEST(FindOptions, TheScansArgumentsAskForTheFullBrokenShortcutSearch) {
    const char* twoEmpty[] = {"", ""};
    const char* oneEmpty[] = {""};
    FindArguments scan;
    scan.includeMasks = twoEmpty;
    scan.maxDepth = 0;
    scan.excludeMasks = oneEmpty;
    scan.followReparse = 0;
    scan.recurse = 1;
    scan.skipHidden = scan.skipSystem = scan.maxReports = scan.reportProblems = 0;
    scan.checkTargets = 1;
    scan.probeTimeoutMs = scan.reserved17 = 0;

    std::string error;
    std::optional<FindOptions> options = ParseFindArguments(scan, error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->includeMasks, (std::vector<std::string>{"*.lnk", "*.url"}));
    EXPECT_TRUE(options->excludeMasks.empty());
    EXPECT_EQ(options->maxDepth, 0u);
    EXPECT_TRUE(options->recurse);
    EXPECT_FALSE(options->skipHidden);
    EXPECT_FALSE(options->skipSystem);
    EXPECT_EQ(options->maxReports, 0u);
    EXPECT_FALSE(options->reportProblems);
    EXPECT_TRUE(options->checkTargets);
    EXPECT_EQ(options->probeTimeoutMs, kDefaultProbeTimeoutMs);
}

TEST(FindOptions, ReadsListsAndRejectsWhatTheEngineCannotDo) {
    const char* masks[] = {"*.url", "*.LNK", "", "ignored after the end"};
    const char* folders[] = {"$Recycle.Bin", nullptr};
    FindArguments custom;
    custom.includeMasks = masks;
    custom.excludeMasks = folders;
    custom.maxDepth = 2;
    custom.probeTimeoutMs = 500;
    std::string error;
    std::optional<FindOptions> options = ParseFindArguments(custom, error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->includeMasks, (std::vector<std::string>{"*.url", "*.LNK"}));
    EXPECT_EQ(options->excludeMasks, std::vector<std::string>{"$Recycle.Bin"});
    EXPECT_EQ(options->maxDepth, 2u);
    EXPECT_EQ(options->probeTimeoutMs, 500u);

    FindArguments nulls;  // null arrays are empty lists
    ASSERT_TRUE(ParseFindArguments(nulls, error));

    struct Bad {
        const char* what;
        void (*spoil)(FindArguments&);
    };
    const Bad bad[] = {
        {"follow reparse points", [](FindArguments& a) { a.followReparse = 1; }},
        {"recurse 2", [](FindArguments& a) { a.recurse = 2; }},
        {"negative depth", [](FindArguments& a) { a.maxDepth = -1; }},
        {"skipHidden -1", [](FindArguments& a) { a.skipHidden = -1; }},
        {"skipSystem 7", [](FindArguments& a) { a.skipSystem = 7; }},
        {"negative maxReports", [](FindArguments& a) { a.maxReports = -5; }},
        {"reportProblems 2", [](FindArguments& a) { a.reportProblems = 2; }},
        {"checkTargets 3", [](FindArguments& a) { a.checkTargets = 3; }},
        {"negative timeout", [](FindArguments& a) { a.probeTimeoutMs = -1; }},
        {"reserved 17", [](FindArguments& a) { a.reserved17 = 1; }},
    };
    for (const Bad& b : bad) {
        FindArguments arguments;
        b.spoil(arguments);
        error.clear();
        EXPECT_FALSE(ParseFindArguments(arguments, error)) << b.what;
        EXPECT_FALSE(error.empty()) << b.what;
    }
}

TEST(FindOptions, MatchesMasks) {
    struct Case {
        const char* name;
        const char* mask;
        bool match;
    };
    const Case cases[] = {
        {"a.lnk", "*.lnk", true},
        {"A.LNK", "*.lnk", true},
        {"a.lnk.txt", "*.lnk", false},
        {".lnk", "*.lnk", true},
        {"lnk", "*.lnk", false},
        {"x.lnk", "?.lnk", true},
        {"\xC3\xA9.lnk", "?.lnk", true},  // one character, two bytes
        {"xy.lnk", "?.lnk", false},
        {"abc", "a*b*c", true},
        {"abxbc", "a*b*c", true},
        {"abxbd", "a*b*c", false},
        {"", "*", true},
        {"", "", true},
        {"a", "", false},
        {"\xC3", "?", true},  // a cut sequence is still one character, never a read past the end
        {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*a*a*a*c", false},  // no blow-up
        {"\xC3\x89.lnk", "\xC3\xA9.lnk", false},  // only ASCII letters fold
    };
    for (const Case& c : cases) EXPECT_EQ(MatchesMask(c.name, c.mask), c.match) << c.name << " ~ " << c.mask;
    EXPECT_TRUE(MatchesAnyMask("Thumbs.db", {"*.lnk", "thumbs.*"}));
    EXPECT_FALSE(MatchesAnyMask("x", {}));
}

}  // namespace
}  // namespace qm::finder
