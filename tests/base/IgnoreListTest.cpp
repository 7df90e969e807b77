// Which shortcuts an ignore list leaves out, with paths compared as Windows compares them.
#include "base/IgnoreList.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(IgnoreList, LeavesOutListedShortcutsAndEverythingInListedFolders) {
    IgnoreList list;
    EXPECT_TRUE(list.AddShortcut("C:\\Users\\\xC3\x84nn\\Desktop\\Old.lnk"));  // Änn
    EXPECT_TRUE(list.AddFolder("C:\\Users\\Ann\\Recent\\"));
    EXPECT_TRUE(list.AddFolder("E:\\"));
    EXPECT_TRUE(list.AddFolder("D:\\\xC5\x81\xC3\xB3" "d\xC5\xBA"));  // Łódź
    EXPECT_TRUE(list.AddFolder("\\\\server\\share\\\xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0"));  // Папка
    const struct {
        const char* path;
        bool ignored;
    } cases[] = {
        {"C:\\Users\\\xC3\x84nn\\Desktop\\Old.lnk", true},
        {"c:/users/\xC3\xA4NN/desktop/OLD.LNK", true},               // äNN: case and slashes
        {"C:\\Users\\Ann\\Desktop\\Old.lnk", false},                  // A is not Ä
        {"C:\\Users\\\xC3\x84nn\\Desktop\\Old.lnk.bak", false},
        {"C:\\Users\\Ann\\Recent\\a.lnk", true},
        {"C:\\Users\\ann\\RECENT\\deeper\\still\\b.url", true},
        {"C:\\Users\\Ann\\Recently\\a.lnk", false},                   // a name that only starts alike
        {"E:\\x.lnk", true},
        {"E:\\a\\b\\x.lnk", true},
        {"F:\\x.lnk", false},
        {"d:\\\xC5\x82\xC3\x93" "D\xC5\xB9\\x.lnk", true},  // łÓDŹ
        {"\\\\SERVER\\Share\\\xD0\xBF\xD0\x90\xD0\x9F\xD0\x9A\xD0\xB0\\x.lnk", true},  // пАПКа
        {"\\\\server\\share\\x.lnk", false},
    };
    for (const auto& c : cases) EXPECT_EQ(list.Ignores(c.path), c.ignored) << c.path;
}

TEST(IgnoreList, KeepsEachPathOnceInTheSpellingItWasAddedIn) {
    IgnoreList list;
    EXPECT_TRUE(list.Empty());
    EXPECT_TRUE(list.AddShortcut("C:\\A\\x.lnk"));
    EXPECT_FALSE(list.AddShortcut("c:/a/X.LNK"));
    EXPECT_FALSE(list.AddShortcut(""));
    EXPECT_TRUE(list.AddFolder("C:\\A"));  // a folder and a shortcut are separate lists
    EXPECT_FALSE(list.AddFolder("c:\\a\\"));
    EXPECT_EQ(list.Shortcuts(), std::vector<std::string>{"C:\\A\\x.lnk"});
    EXPECT_EQ(list.Folders(), std::vector<std::string>{"C:\\A"});

    EXPECT_FALSE(list.RemoveFolder("C:\\B"));
    EXPECT_TRUE(list.RemoveFolder("C:\\a\\"));
    EXPECT_TRUE(list.Ignores("C:\\A\\x.lnk"));
    EXPECT_FALSE(list.Ignores("C:\\A\\y.lnk"));
    EXPECT_TRUE(list.RemoveShortcut("C:/A/X.lnk"));
    EXPECT_FALSE(list.Ignores("C:\\A\\x.lnk"));
    EXPECT_TRUE(list.Empty());
}

}  // namespace
}  // namespace qm
