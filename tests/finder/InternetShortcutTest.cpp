// Internet shortcuts from their bytes to the rule's verdict, and their re-target.
#include "suite/finder/BrokenRule.h"
#include "suite/lnk/InternetShortcut.h"
#include "tests/finder/FakeFileSystem.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qm::finder {
namespace {

using lnk::UrlFileStatus;
using testing::FakeFileSystem;

std::vector<unsigned char> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

std::vector<unsigned char> Utf16File(std::string_view ascii) {
    std::vector<unsigned char> bytes{0xFF, 0xFE};
    for (char c : ascii) {
        bytes.push_back(static_cast<unsigned char>(c));
        bytes.push_back(0);
    }
    return bytes;
}

// A shell link's first bytes, then what looks like an internet shortcut.
constexpr char kBinary[] = "\x4C\0\0\0\x01\x14\x02\0[InternetShortcut]\nURL=file:///C:/gone";

std::string Shortcut(std::string_view url) { return "[InternetShortcut]\r\nURL=" + std::string(url) + "\r\n"; }

FakeFileSystem World() {
    FakeFileSystem fs;
    fs.Add("C:\\");
    fs.Add("C:\\Data");
    fs.Add("C:\\Data\\a b");
    fs.Add("C:\\Data\\a b\\plan.txt");
    fs.Add("C:\\Data\\C# notes.txt");
    fs.Add("C:\\Data\\M\xC3\xBCller\\\xC3\x9C" "bersicht.txt");
    fs.Add("C:\\Users\\Ann\\Desktop\\notes.txt");
    fs.Add("\\\\server\\share\\doc.txt");
    fs.drives['E'] = {DriveKind::Removable, true, 0xE0E0};
    fs.answers["\\\\server\\share"] = true;
    return fs;
}

TEST(InternetShortcut, JudgedByTheFileItsUrlNames) {
    struct Case {
        const char* what;
        std::vector<unsigned char> file;
        UrlFileStatus status;
        Verdict verdict;
        Reason reason;
        const char* target;  // the path judged; nullptr: not checked
    };
    const Case cases[] = {
        {"missing file", Bytes(Shortcut("file:///C:/Data/gone.txt")), UrlFileStatus::Ok, Verdict::Broken,
         Reason::TargetMissing, "C:\\Data\\gone.txt"},
        {"existing file", Bytes(Shortcut("file:///C:/Users/Ann/Desktop/notes.txt")), UrlFileStatus::Ok, Verdict::Working,
         Reason::TargetExists, nullptr},
        {"web page", Bytes(Shortcut("http://example.com/gone.txt")), UrlFileStatus::Ok, Verdict::Unjudged,
         Reason::NoFileSystemPath, nullptr},
        {"another scheme", Bytes(Shortcut("mailto:ann@example.com")), UrlFileStatus::Ok, Verdict::Unjudged,
         Reason::NoFileSystemPath, nullptr},
        {"absent drive", Bytes(Shortcut("file:///Q:/stick/x.txt")), UrlFileStatus::Ok, Verdict::Unjudged,
         Reason::DriveAbsent, nullptr},
        {"dead share", Bytes(Shortcut("file://dead/share/x.txt")), UrlFileStatus::Ok, Verdict::Unjudged,
         Reason::NetworkSilent, nullptr},
        {"share answers, file gone", Bytes(Shortcut("file://server/share/gone.txt")), UrlFileStatus::Ok, Verdict::Broken,
         Reason::TargetMissing, "\\\\server\\share\\gone.txt"},
        {"share after an empty host", Bytes(Shortcut("file:////server/share/doc.txt")), UrlFileStatus::Ok,
         Verdict::Working, Reason::TargetExists, nullptr},
        {"localhost and the old drive bar", Bytes(Shortcut("file://localhost/C|/Data/gone.txt")), UrlFileStatus::Ok,
         Verdict::Broken, Reason::TargetMissing, "C:\\Data\\gone.txt"},
        {"escaped space", Bytes(Shortcut("file:///C:/Data/a%20b/plan.txt")), UrlFileStatus::Ok, Verdict::Working,
         Reason::TargetExists, nullptr},
        {"escaped space, file gone", Bytes(Shortcut("file:///C:/Data/a%20b/gone.txt")), UrlFileStatus::Ok,
         Verdict::Broken, Reason::TargetMissing, "C:\\Data\\a b\\gone.txt"},
        {"UTF-8 escapes", Bytes(Shortcut("file:///C:/Data/M%C3%BCller/%C3%9Cbersicht.txt")), UrlFileStatus::Ok,
         Verdict::Working, Reason::TargetExists, nullptr},
        {"UTF-8 text", Bytes(Shortcut("file:///C:/Data/M\xC3\xBCller/gone.txt")), UrlFileStatus::Ok, Verdict::Broken,
         Reason::TargetMissing, "C:\\Data\\M\xC3\xBCller\\gone.txt"},
        {"UTF-7 in the Unicode section wins",
         Bytes("[InternetShortcut]\r\nURL=file:///C:/Data/M?ller/?bersicht.txt\r\n[InternetShortcut.W]\r\n"
               "URL=file:///C:/Data/M+APw-ller/+ANw-bersicht.txt\r\n"),
         UrlFileStatus::Ok, Verdict::Working, Reason::TargetExists, nullptr},
        {"ANSI name under a folder that exists proves nothing", Bytes(Shortcut("file:///C:/Data/M\xFCller/gone.txt")),
         UrlFileStatus::Ok, Verdict::Unjudged, Reason::TargetNameUncertain, nullptr},
        {"ANSI name under a folder that is gone", Bytes(Shortcut("file:///C:/Gone/M\xFCller/x.txt")), UrlFileStatus::Ok,
         Verdict::Broken, Reason::TargetMissing, nullptr},
        {"escapes that are not UTF-8", Bytes(Shortcut("file:///C:/Data/M%FCller/gone.txt")), UrlFileStatus::Ok,
         Verdict::Unjudged, Reason::TargetNameUncertain, nullptr},
        {"bare local path", Bytes(Shortcut("C:\\Users\\Ann\\Desktop\\notes.txt")), UrlFileStatus::Ok, Verdict::Working,
         Reason::TargetExists, nullptr},
        {"bare network path", Bytes(Shortcut("\\\\server\\share\\gone.txt")), UrlFileStatus::Ok, Verdict::Broken,
         Reason::TargetMissing, "\\\\server\\share\\gone.txt"},
        {"fragment of an existing page", Bytes(Shortcut("file:///C:/Data/a%20b/plan.txt#part")), UrlFileStatus::Ok,
         Verdict::Working, Reason::TargetExists, nullptr},
        {"fragment of a page that is gone", Bytes(Shortcut("file:///C:/Data/gone.htm#part")), UrlFileStatus::Ok,
         Verdict::Broken, Reason::TargetMissing, "C:\\Data\\gone.htm"},
        {"'#' in a name", Bytes(Shortcut("file:///C:/Data/C#%20notes.txt")), UrlFileStatus::Ok, Verdict::Working,
         Reason::TargetExists, "C:\\Data\\C# notes.txt"},
        {"UTF-16 file", Utf16File(Shortcut("file:///C:/Data/gone.txt")), UrlFileStatus::Ok, Verdict::Broken,
         Reason::TargetMissing, "C:\\Data\\gone.txt"},
        {"letter case, blanks, quotes, comments, LF",
         Bytes("\xEF\xBB\xBF; made by hand\n[ internetshortcut ]\nurl = \"file:///C:/Data/gone.txt\"\nURL=file:///C:/x\n"),
         UrlFileStatus::Ok, Verdict::Broken, Reason::TargetMissing, "C:\\Data\\gone.txt"},
        {"no section", Bytes("[Other]\r\nURL=file:///C:/Data/gone.txt\r\n"), UrlFileStatus::NoSection, Verdict::Unjudged,
         Reason::NoFileSystemPath, nullptr},
        {"no URL", Bytes("[InternetShortcut]\r\nIconIndex=0\r\n[Other]\r\nURL=file:///C:/Data/gone.txt\r\n"),
         UrlFileStatus::NoUrl, Verdict::Unjudged, Reason::NoFileSystemPath, nullptr},
        {"empty URL", Bytes(Shortcut("")), UrlFileStatus::NoUrl, Verdict::Unjudged, Reason::NoFileSystemPath, nullptr},
        {"binary", Bytes(std::string(kBinary, sizeof kBinary - 1)),
         UrlFileStatus::NotText, Verdict::Unjudged, Reason::NoFileSystemPath, nullptr},
        {"empty file", {}, UrlFileStatus::NotText, Verdict::Unjudged, Reason::NoFileSystemPath, nullptr},
        {"odd-sized UTF-16", {0xFF, 0xFE, 0x5B}, UrlFileStatus::NotText, Verdict::Unjudged, Reason::NoFileSystemPath,
         nullptr},
        {"escaped NUL", Bytes(Shortcut("file:///C:/Data/a%00b")), UrlFileStatus::Ok, Verdict::Unjudged,
         Reason::NoFileSystemPath, nullptr},
        {"file URL without a full path", Bytes(Shortcut("file:Data/gone.txt")), UrlFileStatus::Ok, Verdict::Unjudged,
         Reason::NoFileSystemPath, nullptr},
        {"host without a share", Bytes(Shortcut("file://server")), UrlFileStatus::Ok, Verdict::Unjudged,
         Reason::NotAbsolute, nullptr},
    };
    for (const Case& c : cases) {
        const lnk::InternetShortcutInfo info = lnk::ParseInternetShortcut(c.file.data(), c.file.size());
        EXPECT_EQ(info.status, c.status) << c.what;
        FakeFileSystem fs = World();
        const Judgement j = JudgeInternetShortcut(info, fs);
        EXPECT_EQ(j.verdict, c.verdict) << c.what << ": " << ReasonName(j.reason) << " " << j.target;
        EXPECT_EQ(j.reason, c.reason) << c.what << ": " << ReasonName(j.reason);
        if (c.target) {
            EXPECT_EQ(j.target, c.target) << c.what;
        }
    }
}

TEST(InternetShortcut, CutOrGarbledFilesAreJudgedWithoutFault) {
    const std::string whole = "[InternetShortcut.W]\r\nURL=+AFs-\r\n[InternetShortcut]\r\nURL=file://%/\xFF%C3/\r\n";
    for (size_t size = 0; size <= whole.size(); ++size) {
        for (size_t flip = 0; flip < size; flip += 3) {
            std::vector<unsigned char> file = Bytes(whole.substr(0, size));
            file[flip] ^= 0xA5;
            FakeFileSystem fs = World();
            JudgeInternetShortcut(lnk::ParseInternetShortcut(file.data(), file.size()), fs);
            lnk::RetargetInternetShortcut(file.data(), file.size(), "C:\\x");
        }
    }
}

TEST(InternetShortcut, RetargetChangesOnlyWhatNamesTheTarget) {
    const std::string windowsFile =
        "[{000214A0-0000-0000-C000-000000000046}]\r\nProp3=19,11\r\n[InternetShortcut]\r\nIDList=\r\n"
        "URL=file:///C:/Data/old%20name.txt\r\nIconIndex=0\r\nHotKey=0\r\nIconFile=C:\\Data\\Old Name.txt\r\n"
        "[InternetShortcut.W]\r\nURL=file:///C:/Data/old%20name.txt\r\n";
    const std::string handMade =
        ";\xE9t\xE9 (ANSI)\n[InternetShortcut]\nurl = \"\\\\old\\share\\a.txt\"\nIconFile=http://example.com/a.ico\n";
    struct Case {
        const char* what;
        std::vector<unsigned char> file;
        const char* newTarget;
        std::vector<unsigned char> expected;  // empty: refused
    };
    const std::string newUrl = "file:///C:/Neu/%C3%9Cbersicht%2B1.txt";
    const std::string ascii = "URL=file:///C:/New/x.txt";
    auto replaced = [](std::string text, const std::string& from, const std::string& to) {
        for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) text.replace(at, from.size(), to);
        return text;
    };
    const Case cases[] = {
        {"as Windows writes it; a name outside ASCII", Bytes(windowsFile), "C:\\Neu\\\xC3\x9C" "bersicht+1.txt",
         Bytes(replaced(replaced(windowsFile, "file:///C:/Data/old%20name.txt", newUrl), "C:\\Data\\Old Name.txt", newUrl))},
        {"the icon's path in its own form", Bytes(windowsFile), "C:\\New\\x.txt",
         Bytes(replaced(replaced(windowsFile, "URL=file:///C:/Data/old%20name.txt", ascii), "C:\\Data\\Old Name.txt",
                        "C:\\New\\x.txt"))},
        {"bare path, quotes, LF, ANSI bytes, a web icon", Bytes(handMade), "\\\\new\\pub\\b c.txt",
         Bytes(replaced(handMade, "\\\\old\\share\\a.txt", "\\\\new\\pub\\b c.txt"))},
        {"UTF-16 file", Utf16File(Shortcut("file:///C:/Data/gone.txt") + "IconIndex=3\r\n"), "C:\\New\\x.txt",
         Utf16File(Shortcut("file:///C:/New/x.txt") + "IconIndex=3\r\n")},
        {"a web page is not re-targeted", Bytes(Shortcut("http://example.com/")), "C:\\New\\x.txt", {}},
        {"no section", Bytes("[Other]\r\nURL=file:///C:/a\r\n"), "C:\\New\\x.txt", {}},
        {"not a full path", Bytes(Shortcut("file:///C:/a")), "New\\x.txt", {}},
    };
    for (const Case& c : cases) {
        const lnk::UrlRetargetResult result = lnk::RetargetInternetShortcut(c.file.data(), c.file.size(), c.newTarget);
        EXPECT_EQ(result.ok, !c.expected.empty()) << c.what << ": " << result.error;
        EXPECT_EQ(std::string(result.bytes.begin(), result.bytes.end()), std::string(c.expected.begin(), c.expected.end()))
            << c.what;
    }
}

}  // namespace
}  // namespace qm::finder
