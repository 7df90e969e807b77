#include "base/PathSplit.h"

#include <gtest/gtest.h>

namespace {

using qm::PathFileName;
using qm::PathFolder;
using qm::SplitText;

TEST(PathSplit, WorkedExamples) {
    struct Case { const char* path; const char* fileName; const char* folder; };
    const Case cases[] = {
        {"C:\\Users\\a\\x.lnk", "x.lnk", "C:\\Users\\a"},
        {"C:\\x.lnk", "x.lnk", "C:"},
        {"C:x.lnk", "x.lnk", "C:"},
        {"\\\\server\\share\\x.lnk", "x.lnk", "\\\\server\\share"},
        {"\\x.lnk", "x.lnk", ""},
        {"x.lnk", "x.lnk", "x.lnk"},
        {"a\\b.lnk", "b.lnk", "a:"},  // a one-letter folder is taken for a drive
        {"C:\\dir\\", "", "C:\\dir"},
        {"C:", "", "C:"},
        {"C:\\", "", "C:"},
        {"x", "x", "x:"},
        {":", "", ""},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PathFileName(c.path), c.fileName) << c.path;
        EXPECT_EQ(PathFolder(c.path), c.folder) << c.path;
    }
}

TEST(PathSplit, MultiByteNamesSplitOnlyAtRealSeparators) {
    // UTF-8 names: Jürgen, 日本語, an emoji outside the BMP, and a name with a full-width
    // reverse solidus (U+FF3C) that must not count as a backslash.
    struct Case { const char* path; const char* fileName; const char* folder; };
    const Case cases[] = {
        {"C:\\Users\\J\xC3\xBCrgen\\\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.lnk",
         "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.lnk", "C:\\Users\\J\xC3\xBCrgen"},
        {"D:\\\xF0\x9F\x93\x81\\a.lnk", "a.lnk", "D:\\\xF0\x9F\x93\x81"},
        {"C:\\a\xEF\xBC\xBC" "b.lnk", "a\xEF\xBC\xBC" "b.lnk", "C:"},
        {"\xC3\xA9", "\xC3\xA9", "\xC3\xA9"},  // two bytes: not a drive letter, no colon added
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PathFileName(c.path), c.fileName) << c.path;
        EXPECT_EQ(PathFolder(c.path), c.folder) << c.path;
    }
}

TEST(PathSplit, SplitText) {
    using Pieces = std::vector<std::string>;
    struct Case { const char* text; std::vector<std::string> delimiters; bool dropEmpty; Pieces pieces; };
    const Case cases[] = {
        {"C:\\Windows\\System32", {"\\"}, true, {"C:", "Windows", "System32"}},
        {"C:\\", {"\\"}, true, {"C:"}},
        {"\\\\server\\share\\", {"\\"}, true, {"server", "share"}},
        {"", {"\\"}, true, {}},
        {"", {"\\"}, false, {""}},
        {"a\\\\b\\", {"\\"}, false, {"a", "", "b", ""}},
        {"no delimiter", {"\\"}, true, {"no delimiter"}},
        // The earliest occurrence of any delimiter cuts first, whatever the list order.
        {"a;b,c;d", {";", ","}, false, {"a", "b", "c", "d"}},
        {"a<>b<c", {"<", "<>"}, false, {"a", ">b", "c"}},
        {"a--b", {"--"}, false, {"a", "b"}},
        {"abc", {""}, false, {"abc"}},  // an empty delimiter cuts nothing (and never loops)
        {"J\xC3\xBCrgen\\\xE6\x97\xA5", {"\\"}, true, {"J\xC3\xBCrgen", "\xE6\x97\xA5"}},
    };
    for (const Case& c : cases) EXPECT_EQ(SplitText(c.text, c.delimiters, c.dropEmpty), c.pieces) << c.text;
}

}  // namespace

TEST(PathSplit, FullPathsTakenApartAndJoined) {
    using Kind = qm::PathParts::Kind;
    struct Case { const char* path; Kind kind; const char* root; std::vector<std::string> parts; const char* parent; };
    const Case cases[] = {
        {"C:\\Program Files\\\\App\\", Kind::Drive, "C:", {"Program Files", "App"}, "C:\\Program Files"},
        {"d:\\x.exe", Kind::Drive, "d:", {"x.exe"}, "d:\\"},  // the letter's case is kept; a root keeps its backslash
        {"C:\\", Kind::Drive, "C:", {}, "C:\\"},
        {"\\\\server\\share\\dir\\x.exe", Kind::Unc, "\\\\server\\share", {"dir", "x.exe"}, "\\\\server\\share\\dir"},
        {"\\\\server\\share", Kind::Unc, "\\\\server\\share", {}, "\\\\server\\share"},
        {"\\\\server", Kind::Other, "", {}, ""},
        {"\\\\server\\\\share", Kind::Other, "", {}, ""},
        {"\\\\?\\C:\\x.exe", Kind::Other, "", {}, ""},
        {"\\\\.\\pipe\\x", Kind::Other, "", {}, ""},
        {"C:x.exe", Kind::Other, "", {}, ""},
        {"C:", Kind::Other, "", {}, ""},
        {"x.exe", Kind::Other, "", {}, ""},
    };
    for (const Case& c : cases) {
        const qm::PathParts split = qm::SplitFullPath(c.path);
        EXPECT_EQ(split.kind, c.kind) << c.path;
        EXPECT_EQ(split.root, c.root) << c.path;
        EXPECT_EQ(split.parts, c.parts) << c.path;
        if (c.kind == Kind::Other) continue;
        EXPECT_EQ(split.Join(split.parts.empty() ? 0 : split.parts.size() - 1), c.parent) << c.path;
        EXPECT_EQ(qm::SplitFullPath(split.Full()).parts, c.parts) << c.path;
    }
}
