#include "base/Utf.h"
#include "suite/finder/BrokenRule.h"
#include "suite/finder/ScanCache.h"
#include "tests/finder/FakeFileSystem.h"
#include "tools/lnkwriter/LinkBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace qm::finder {
namespace {

using testing::FakeFileSystem;
using lnk::ShellLinkInfo;

constexpr uint32_t kFixed = 3, kRemovable = 2, kCdRom = 5;

ShellLinkInfo Local(const std::string& path, uint32_t driveType = kFixed, uint32_t serial = 0x1111) {
    ShellLinkInfo link;
    link.status = lnk::ParseStatus::Ok;
    link.linkFlags = 0x2;  // HasLinkInfo
    link.hasLinkInfo = link.hasVolumeId = true;
    link.localBasePath = path;
    link.driveType = driveType;
    link.driveSerialNumber = serial;
    return link;
}

ShellLinkInfo Network(const std::string& share, const std::string& suffix) {
    ShellLinkInfo link;
    link.status = lnk::ParseStatus::Ok;
    link.linkFlags = 0x2;
    link.hasLinkInfo = link.hasNetwork = true;
    link.netName = share;
    link.commonPathSuffix = suffix;
    return link;
}

ShellLinkInfo IdList(const std::string& path) {
    ShellLinkInfo link;
    link.status = lnk::ParseStatus::Ok;
    link.linkFlags = 0x1;
    link.hasIdList = true;
    link.idListPath = path;
    link.idListIsFileSystem = !path.empty();
    return link;
}

template <typename F>
ShellLinkInfo With(ShellLinkInfo link, F change) {
    change(link);
    return link;
}

// One world for every case: what exists, which drives and shares there are.
FakeFileSystem World() {
    FakeFileSystem fs;
    fs.Add("C:\\");
    fs.Add("C:\\Program Files\\App\\app.exe");
    fs.Add("C:\\Program Files\\App");
    fs.Add("C:\\Program Files");
    fs.Add("C:\\Users\\Ann\\Desktop\\notes.txt");
    fs.Add("C:\\Users\\Ann\\Documents\\report.doc");
    fs.Add("\\\\server\\share\\doc.txt");
    fs.Add("E:\\photos\\cat.jpg");
    fs.Add("F:\\film.mkv");
    fs.unknown.insert("c:\\locked\\odd.exe");
    fs.drives['D'] = {DriveKind::NotReady};
    fs.drives['E'] = {DriveKind::Removable, true, 0xE0E0};
    fs.drives['F'] = {DriveKind::Fixed};
    fs.drives['N'] = {DriveKind::Remote};
    fs.drives['M'] = {DriveKind::Remote};
    fs.answers["\\\\server\\share"] = true;
    fs.answers["m:"] = true;
    fs.environment["programfiles"] = "C:\\Program Files";
    fs.environment["userprofile"] = "C:\\Users\\Ann";
    return fs;
}

TEST(BrokenRule, JudgesEveryKindOfTarget) {
    struct Case {
        const char* what;
        ShellLinkInfo link;
        Verdict verdict;
        Reason reason;
    };
    const Case cases[] = {
        {"local file exists", Local("C:\\Program Files\\App\\app.exe"), Verdict::Working, Reason::TargetExists},
        {"letter case differs", Local("c:\\PROGRAM FILES\\app\\APP.EXE"), Verdict::Working, Reason::TargetExists},
        {"local file gone", Local("C:\\Program Files\\App\\old.exe"), Verdict::Broken, Reason::TargetMissing},
        {"folder target with trailing backslash", Local("C:\\Program Files\\"), Verdict::Working, Reason::TargetExists},
        {"drive root", Local("C:\\"), Verdict::Working, Reason::TargetExists},
        {"base path plus suffix", With(Local("C:\\Program Files\\"), [](auto& l) { l.commonPathSuffix = "App\\app.exe"; }),
         Verdict::Working, Reason::TargetExists},
        {"advertised, target gone", With(Local("C:\\gone\\setup.exe"), [](auto& l) { l.isDarwin = true; }),
         Verdict::Unjudged, Reason::Advertised},
        {"shell object without path", IdList(""), Verdict::Unjudged, Reason::NoFileSystemPath},
        {"no target at all", ShellLinkInfo{}, Verdict::Unjudged, Reason::NoFileSystemPath},
        {"IDList path gone", IdList("C:\\Users\\Ann\\gone.txt"), Verdict::Broken, Reason::TargetMissing},
        {"IDList path exists", IdList("C:\\Users\\Ann\\Desktop\\notes.txt"), Verdict::Working, Reason::TargetExists},
        {"environment target wins over LinkInfo",
         With(Local("C:\\old\\app.exe"), [](auto& l) { l.environmentTarget = "%ProgramFiles%\\App\\app.exe"; }),
         Verdict::Working, Reason::TargetExists},
        {"environment target gone", With(Local("C:\\Program Files\\App\\app.exe"),
                                         [](auto& l) { l.environmentTarget = "%USERPROFILE%\\gone.txt"; }),
         Verdict::Broken, Reason::TargetMissing},
        {"environment variable unset",
         With(ShellLinkInfo{}, [](auto& l) { l.status = lnk::ParseStatus::Ok; l.environmentTarget = "%NOPE%\\x.exe"; }),
         Verdict::Unjudged, Reason::UnsetVariable},
        {"environment target not a full path",
         With(ShellLinkInfo{}, [](auto& l) { l.environmentTarget = "app.exe"; }), Verdict::Unjudged, Reason::NotAbsolute},
        {"ForceNoLinkInfo uses the IDList",
         With(IdList("C:\\Users\\Ann\\Desktop\\notes.txt"),
              [](auto& l) { l.linkFlags |= 0x100 | 0x2; l.hasLinkInfo = l.hasVolumeId = true; l.localBasePath = "C:\\gone.txt"; }),
         Verdict::Working, Reason::TargetExists},
        {"drive letter absent", Local("Q:\\stick\\file.txt", kRemovable, 0x1234), Verdict::Unjudged, Reason::DriveAbsent},
        {"drive not ready", Local("D:\\setup.exe", kCdRom, 0x1234), Verdict::Unjudged, Reason::DriveNotReady},
        {"removable drive holds another volume", Local("E:\\photos\\gone.jpg", kRemovable, 0x1234), Verdict::Unjudged,
         Reason::OtherVolume},
        {"removable drive holds the same volume", Local("E:\\photos\\gone.jpg", kRemovable, 0xE0E0), Verdict::Broken,
         Reason::TargetMissing},
        {"was removable, now a fixed drive", Local("F:\\gone.mkv", kRemovable, 0x1234),
         Verdict::Unjudged, Reason::OtherVolume},
        {"fixed drive with a new serial is still judged", Local("F:\\gone.mkv", kFixed, 0x1234), Verdict::Broken,
         Reason::TargetMissing},
        {"no serial recorded", Local("E:\\photos\\gone.jpg", kRemovable, 0), Verdict::Broken, Reason::TargetMissing},
        {"share answers, file gone", Network("\\\\server\\share", "gone.txt"), Verdict::Broken, Reason::TargetMissing},
        {"share answers, file there", Network("\\\\SERVER\\share\\", "doc.txt"), Verdict::Working, Reason::TargetExists},
        {"share silent", Network("\\\\dead\\share", "doc.txt"), Verdict::Unjudged, Reason::NetworkSilent},
        {"mapped drive silent", Local("N:\\doc.txt", 4, 0), Verdict::Unjudged, Reason::NetworkSilent},
        {"mapped drive answers, file gone", Local("M:\\doc.txt", 4, 0), Verdict::Broken, Reason::TargetMissing},
        {"ANSI path from another code page, the IDList names the target",
         With(Local("C:\\Program Files\\\xC3\x96\x8F\\app.exe"), [](auto& l) {
             l.localBasePathIsLossy = true;
             l.hasIdList = l.idListIsFileSystem = true;
             l.idListPath = "C:\\Program Files\\App\\app.exe";
         }),
         Verdict::Working, Reason::TargetExists},
        {"ANSI path from another code page, no IDList: a miss proves nothing",
         With(Local("C:\\Program Files\\\xC3\x96\x8F\\app.exe"), [](auto& l) { l.localBasePathIsLossy = true; }),
         Verdict::Unjudged, Reason::TargetNameUncertain},
        {"ANSI path flagged lossy that still names an existing file",
         With(Local("C:\\Program Files\\App\\app.exe"), [](auto& l) { l.localBasePathIsLossy = true; }),
         Verdict::Working, Reason::TargetExists},
        {"check fails without saying why", Local("C:\\locked\\odd.exe"), Verdict::Unjudged, Reason::TargetUnknown},
        {"extended-length prefix", Local("\\\\?\\C:\\Program Files\\App\\app.exe"), Verdict::Working, Reason::TargetExists},
        {"relative path still leads to the file",
         With(Local("C:\\Users\\Bob\\Documents\\report.doc"),
              [](auto& l) { l.relativePath = "..\\Documents\\report.doc"; }),
         Verdict::Working, Reason::RelativePathExists},
        {"relative path leads nowhere either",
         With(Local("C:\\Users\\Bob\\gone.doc"), [](auto& l) { l.relativePath = ".\\gone.doc"; }), Verdict::Broken,
         Reason::TargetMissing},
    };
    for (const Case& c : cases) {
        FakeFileSystem fs = World();
        Judgement j = JudgeShortcut(c.link, "C:\\Users\\Ann\\Desktop", fs);
        EXPECT_EQ(j.verdict, c.verdict) << c.what << ": " << ReasonName(j.reason) << " " << j.target;
        EXPECT_EQ(j.reason, c.reason) << c.what << ": " << ReasonName(j.reason);
    }
}

// ---- Names written in an unknown code page ------------------------------------------------

// Text as a program using the Cyrillic ANSI code page (1251) stores it.
std::string Cp1251(std::u16string_view text) {
    std::string out;
    for (char16_t c : text) {
        if (c < 0x80) out += static_cast<char>(c);
        else if (c == u'\u0451') out += '\xB8';  // ё
        else out += static_cast<char>(0xC0 + (c - u'\u0410'));  // А..я
    }
    return out;
}

// A link written under that code page: LinkInfo's path only in ANSI; an IDList, a relative path
// and a working directory when given (Unicode string data unless said otherwise).
struct ForeignLink {
    std::u16string basePath{};  // stored in code page 1251 (or 65001, UTF-8, when utf8 is set)
    std::u16string netName{}, suffix{};  // a network part instead; the suffix stored in 1251 too
    std::vector<lnkwriter::ByteVector> idList{};
    std::u16string relativePath{}, workingDir{};
    bool unicodeStrings = true;
    bool utf8 = false;
};

ShellLinkInfo Parse(const ForeignLink& f) {
    using namespace lnkwriter;
    uint32_t flags = kFlagLinkInfo | (f.unicodeStrings ? uint32_t{kFlagUnicode} : 0u);
    if (!f.idList.empty()) flags |= kFlagIdList;
    if (!f.relativePath.empty()) flags |= kFlagRelativePath;
    if (!f.workingDir.empty()) flags |= kFlagWorkingDir;
    std::vector<ByteVector> parts{Header(flags)};
    if (!f.idList.empty()) parts.push_back(lnkwriter::IdList(f.idList));
    parts.push_back(LinkInfo({.basePath = f.utf8 ? Utf16ToUtf8(f.basePath) : Cp1251(f.basePath), .netName = Cp1251(f.netName), .suffix = Cp1251(f.suffix)}));
    if (!f.relativePath.empty()) parts.push_back(CountedString(f.unicodeStrings, f.relativePath));
    if (!f.workingDir.empty()) parts.push_back(CountedString(f.unicodeStrings, f.workingDir));
    parts.push_back(Terminal());
    ByteVector bytes = Concat(parts);
    ShellLinkInfo link = lnk::ParseShellLink(bytes.data(), bytes.size());
    EXPECT_EQ(link.status, lnk::ParseStatus::Ok) << link.error;
    return link;
}

TEST(BrokenRule, NamesFromAnotherCodePage) {
    using lnkwriter::FileEntryItem;
    auto idList = [](std::vector<lnkwriter::ByteVector> files) {
        files.insert(files.begin(), {lnkwriter::MyComputerItem(), lnkwriter::DriveItem("C:\\")});
        return files;
    };
    struct Case {
        const char* what;
        ForeignLink link;
        Verdict verdict;
        Reason reason;
        std::u16string target = {};  // the path judged, when it matters
    };
    const Case cases[] = {
        {"the folder above the uncertain name is gone", {.basePath = u"C:\\Old App\\план.exe"}, Verdict::Broken,
         Reason::TargetMissing},
        {"the folder above the uncertain name exists", {.basePath = u"C:\\Program Files\\старый.exe"}, Verdict::Unjudged,
         Reason::TargetNameUncertain},
        {"an uncertain folder inside one that is gone", {.basePath = u"C:\\Gone\\Отчёты\\plan.txt"}, Verdict::Broken,
         Reason::TargetMissing},
        {"the relative path restores the names: the target exists",
         {.basePath = u"C:\\Users\\Ann\\Documents\\Отчёты\\план.txt", .relativePath = u".\\Отчёты\\план.txt"},
         Verdict::Working, Reason::TargetExists, u"C:\\Users\\Ann\\Documents\\Отчёты\\план.txt"},
        {"the relative path restores the names: the target is gone",
         {.basePath = u"C:\\Users\\Ann\\Documents\\Отчёты\\старый.txt", .relativePath = u".\\Отчёты\\старый.txt"},
         Verdict::Broken, Reason::TargetMissing, u"C:\\Users\\Ann\\Documents\\Отчёты\\старый.txt"},
        {"a name written under the UTF-8 code page, restored by the relative path",
         {.basePath = u"C:\\Users\\Ann\\Documents\\日本.txt", .relativePath = u".\\日本.txt", .utf8 = true},
         Verdict::Broken, Reason::TargetMissing, u"C:\\Users\\Ann\\Documents\\日本.txt"},
        {"a relative path naming another file is not used",
         {.basePath = u"C:\\Users\\Ann\\Documents\\Отчёты\\старый.txt", .relativePath = u".\\other.txt"},
         Verdict::Unjudged, Reason::TargetNameUncertain},
        {"an ANSI relative path is no surer than the base path",
         {.basePath = u"C:\\Users\\Ann\\Documents\\Отчёты\\старый.txt", .relativePath = u".\\Отчёты\\старый.txt",
          .unicodeStrings = false},
         Verdict::Unjudged, Reason::TargetNameUncertain},
        {"the working directory restores the folder, which is gone",
         {.basePath = u"C:\\Users\\Ann\\Documents\\Архив\\план.txt", .workingDir = u"%USERPROFILE%\\Documents\\Архив"},
         Verdict::Broken, Reason::TargetMissing, u"C:\\Users\\Ann\\Documents\\Архив\\ïëàí.txt"},
        {"a working directory elsewhere is not used",
         {.basePath = u"C:\\Users\\Ann\\Documents\\Архив\\план.txt", .workingDir = u"C:\\Users\\Ann"},
         Verdict::Unjudged, Reason::TargetNameUncertain},
        {"the IDList's long name gives the exact name",
         {.basePath = u"C:\\Program Files\\план.exe",
          .idList = idList({FileEntryItem(true, "PROGRA~1", u"Program Files"), FileEntryItem(false, "D0D9~1.EXE", u"план.exe")})},
         Verdict::Working, Reason::TargetExists, u"C:\\Program Files\\план.exe"},
        {"an IDList of ANSI names is as uncertain as the base path",
         {.basePath = u"C:\\Program Files\\старый.exe",
          .idList = idList({FileEntryItem(true, "PROGRA~1", u"Program Files"), FileEntryItem(false, Cp1251(u"старый.exe"), u"")})},
         Verdict::Unjudged, Reason::TargetNameUncertain},
        {"a network path with an ANSI suffix", {.netName = u"\\\\server\\share", .suffix = u"Отчёты\\plan.txt"},
         Verdict::Unjudged, Reason::TargetNameUncertain},
        {"a network path with an ANSI suffix below a folder that is gone",
         {.netName = u"\\\\server\\share", .suffix = u"old\\Отчёты\\plan.txt"}, Verdict::Broken, Reason::TargetMissing},
    };
    for (const Case& c : cases) {
        FakeFileSystem fs = World();
        fs.Add(Utf16ToUtf8(u"C:\\Users\\Ann\\Documents\\Отчёты\\план.txt"));
        fs.Add(Utf16ToUtf8(u"C:\\Users\\Ann\\Documents\\Отчёты"));
        fs.Add("C:\\Users\\Ann\\Documents");
        fs.Add(Utf16ToUtf8(u"C:\\Program Files\\план.exe"));
        Judgement j = JudgeShortcut(Parse(c.link), "C:\\Users\\Ann\\Desktop", fs);
        EXPECT_EQ(j.verdict, c.verdict) << c.what << ": " << ReasonName(j.reason) << " " << j.target;
        EXPECT_EQ(j.reason, c.reason) << c.what << ": " << ReasonName(j.reason);
        if (!c.target.empty()) {
            EXPECT_EQ(j.target, Utf16ToUtf8(c.target)) << c.what;
        }
    }
}

TEST(BrokenRule, ExpandsVariables) {
    struct Case {
        const char* in;
        std::optional<std::string> out;
    };
    const Case cases[] = {
        {"%ProgramFiles%\\App\\app.exe", "C:\\Program Files\\App\\app.exe"},
        {"%USERPROFILE%%USERPROFILE%", "C:\\Users\\AnnC:\\Users\\Ann"},
        {"C:\\100%\\x.txt", "C:\\100%\\x.txt"},        // a lone percent sign
        {"C:\\a%b\\c%d.txt", "C:\\a%b\\c%d.txt"},      // percent signs around a backslash
        {"%%", "%%"},
        {"%", "%"},
        {"%unset%\\x", std::nullopt},
        {"plain", "plain"},
    };
    FakeFileSystem fs = World();
    for (const Case& c : cases) EXPECT_EQ(ExpandVariables(c.in, fs), c.out) << c.in;
}

TEST(BrokenRule, ClassifiesAndResolvesPaths) {
    struct Classified {
        const char* in;
        PathRoot::Kind kind;
        char drive;
        const char* share;
        const char* path;
    };
    using K = PathRoot::Kind;
    const Classified classified[] = {
        {"c:\\a\\b\\", K::Drive, 'C', "", "c:\\a\\b"},
        {"C:", K::Drive, 'C', "", "C:\\"},
        {"C:\\", K::Drive, 'C', "", "C:\\"},
        {"C:/a/b", K::Drive, 'C', "", "C:\\a\\b"},
        {"C:relative", K::Other, 0, "", "C:relative"},
        {"\\\\?\\D:\\x", K::Drive, 'D', "", "D:\\x"},
        {"\\\\server\\share\\dir\\", K::Unc, 0, "\\\\server\\share", "\\\\server\\share\\dir"},
        {"\\\\?\\UNC\\server\\share\\f", K::Unc, 0, "\\\\server\\share", "\\\\server\\share\\f"},
        {"\\\\server", K::Other, 0, "", "\\\\server"},
        {"\\\\server\\", K::Other, 0, "", "\\\\server\\"},
        {"\\\\.\\PhysicalDrive0", K::Other, 0, "", "\\\\.\\PhysicalDrive0"},
        {"relative\\x", K::Other, 0, "", "relative\\x"},
        {"", K::Other, 0, "", ""},
    };
    for (const Classified& c : classified) {
        PathRoot root = ClassifyPath(c.in);
        EXPECT_EQ(root.kind, c.kind) << c.in;
        EXPECT_EQ(root.drive, c.drive) << c.in;
        EXPECT_EQ(root.share, c.share) << c.in;
        EXPECT_EQ(root.path, c.path) << c.in;
    }

    struct Resolved {
        const char* folder;
        const char* relative;
        const char* out;
    };
    const Resolved resolved[] = {
        {"C:\\a\\b", "..\\c\\d.txt", "C:\\a\\c\\d.txt"},
        {"C:\\a\\b", ".\\x.txt", "C:\\a\\b\\x.txt"},
        {"C:\\a", "..\\..\\..\\x.txt", "C:\\x.txt"},  // never above the root
        {"C:\\a\\b", "\\x.txt", "C:\\x.txt"},
        {"C:\\", "x.txt", "C:\\x.txt"},
        {"C:\\a", "..", "C:\\"},
        {"\\\\srv\\sh\\a", "..\\..\\x", "\\\\srv\\sh\\x"},
        {"C:\\a", "D:\\abs.txt", "D:\\abs.txt"},
        {"C:\\a", "b/c.txt", "C:\\a\\b\\c.txt"},
        {"relative", "x", ""},
    };
    for (const Resolved& r : resolved) EXPECT_EQ(ResolveRelative(r.folder, r.relative), r.out) << r.folder << " + " << r.relative;
}

TEST(ScanCache, AsksTheSystemOncePerQuestion) {
    FakeFileSystem fs = World();
    ScanCache cache(fs);
    // Twenty links into one vanished folder: the first costs the target and its missing
    // ancestors, the rest nothing.
    for (int i = 0; i < 20; ++i) {
        Judgement j = JudgeShortcut(Local("C:\\Old App\\bin\\tool" + std::to_string(i) + ".exe"), "C:\\", cache);
        EXPECT_EQ(j.verdict, Verdict::Broken);
    }
    EXPECT_EQ(fs.probes, 4);  // tool0.exe, its folder, the folder above, the drive root
    EXPECT_EQ(fs.driveQueries, 1);

    // A share that does not answer is probed once for the whole scan.
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(JudgeShortcut(Network("\\\\dead\\share", "f" + std::to_string(i)), "C:\\", cache).reason, Reason::NetworkSilent);
        EXPECT_EQ(JudgeShortcut(Network("\\\\DEAD\\Share", "g"), "C:\\", cache).reason, Reason::NetworkSilent);
    }
    EXPECT_EQ(fs.answerQueries, 1);

    // Repeated targets and targets next to a known file: one probe each, the folder is known.
    const int before = fs.probes;
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(JudgeShortcut(Local("C:\\Program Files\\App\\app.exe"), "C:\\", cache).verdict, Verdict::Working);
        EXPECT_EQ(JudgeShortcut(Local("c:\\program files\\app\\APP.exe"), "C:\\", cache).verdict, Verdict::Working);
    }
    EXPECT_EQ(JudgeShortcut(Local("C:\\Program Files\\App\\gone.exe"), "C:\\", cache).verdict, Verdict::Broken);
    EXPECT_EQ(fs.probes - before, 2);
    EXPECT_EQ(cache.SystemCalls().probes, uint64_t(fs.probes));
}

// Many targets in one local folder: after two single checks the folder is listed once, and the
// listing answers for the rest, and for targets below folders it shows to be gone.
TEST(ScanCache, OneListingAnswersForEveryTargetInAFolder) {
    FakeFileSystem fs = World();
    fs.Add("C:\\Program Files\\App\\\xC5\xBF" "etup.exe");  // "setup.exe" to the file system: U+017F is a lower-case s
    ScanCache cache(fs);
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(JudgeShortcut(Local("C:\\Program Files\\App\\gone" + std::to_string(i) + ".exe"), "C:\\", cache).verdict,
                  Verdict::Broken) << i;
    }
    EXPECT_EQ(JudgeShortcut(Local("C:\\PROGRAM FILES\\APP\\App.exe"), "C:\\", cache).verdict, Verdict::Working);
    EXPECT_EQ(JudgeShortcut(Local("C:\\Program Files\\App\\SETUP.EXE"), "C:\\", cache).verdict, Verdict::Working);
    EXPECT_EQ(fs.listings, 1);
    EXPECT_EQ(fs.probes, 3);  // gone0.exe, its folder, gone1.exe
    // Nothing below a folder the listing does not show: no call at all.
    const int before = fs.probes;
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(JudgeShortcut(Local("C:\\Program Files\\App\\old" + std::to_string(i) + "\\x.exe"), "C:\\", cache).verdict,
                  Verdict::Broken) << i;
    }
    EXPECT_EQ(fs.probes, before);

    // Names a listing can't deny are still asked one by one: a short name, a non-ASCII name
    // (the listing's letter case is folded for ASCII only), a trailing dot.
    fs.Add("C:\\Program Files\\App\\APP~1.EXE");
    fs.Add("C:\\Program Files\\App\\\xC3\x89t\xC3\xA9.txt");
    fs.Add("C:\\Program Files\\App\\dot.");
    EXPECT_EQ(JudgeShortcut(Local("C:\\Program Files\\App\\APP~1.EXE"), "C:\\", cache).verdict, Verdict::Working);
    EXPECT_EQ(JudgeShortcut(Local("C:\\Program Files\\App\\\xC3\x89t\xC3\xA9.txt"), "C:\\", cache).verdict, Verdict::Working);
    EXPECT_EQ(JudgeShortcut(Local("C:\\Program Files\\App\\dot."), "C:\\", cache).verdict, Verdict::Working);
    EXPECT_EQ(fs.probes, before + 3);
    EXPECT_EQ(cache.SystemCalls().listings, uint64_t(fs.listings));
    EXPECT_EQ(cache.SystemCalls().probes, uint64_t(fs.probes));
}

TEST(ScanCache, ListsOnlyLocalFoldersThatCanBeListed) {
    FakeFileSystem fs = World();
    fs.unlistable.insert("c:\\users\\ann\\documents");
    fs.Add("C:\\Users\\Ann\\Documents");
    fs.Add("M:\\share");
    ScanCache cache(fs);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(JudgeShortcut(Local("C:\\Users\\Ann\\Documents\\f" + std::to_string(i)), "C:\\", cache).verdict, Verdict::Broken);
        EXPECT_EQ(JudgeShortcut(Local("M:\\share\\f" + std::to_string(i), 4, 0), "C:\\", cache).verdict, Verdict::Broken);
    }
    EXPECT_EQ(JudgeShortcut(Local("C:\\Users\\Ann\\Documents\\report.doc"), "C:\\", cache).verdict, Verdict::Working);
    EXPECT_EQ(fs.listings, 1);  // the unlistable folder, once; never the mapped network drive
    EXPECT_EQ(fs.probes, 10 + 1 + 1 + 10 + 1);  // each target, each folder once
}

TEST(ScanCache, UnknownIsNeverTurnedIntoMissing) {
    FakeFileSystem fs = World();
    fs.unknown.insert("c:\\flaky");
    ScanCache cache(fs);
    // The folder's check fails without an answer: its files are still checked one by one.
    EXPECT_EQ(JudgeShortcut(Local("C:\\flaky\\a.exe"), "C:\\", cache).verdict, Verdict::Broken);
    fs.Add("C:\\flaky\\b.exe");
    EXPECT_EQ(JudgeShortcut(Local("C:\\flaky\\b.exe"), "C:\\", cache).verdict, Verdict::Working);
}

TEST(ScanCache, MemoryStaysBounded) {
    FakeFileSystem fs = World();
    fs.Add("C:\\many");
    fs.unlistable.insert("c:\\many");  // every question reaches the presence map, none a listing
    ScanCache cache(fs);
    size_t most = 0;
    for (size_t i = 0; i < ScanCache::kMaxRemembered + 10; ++i) {
        cache.Probe("C:\\many\\f" + std::to_string(i));
        most = std::max(most, cache.Remembered());
    }
    // A found target's folder is remembered with it, one entry past the limit at most.
    EXPECT_LE(most, ScanCache::kMaxRemembered + 1);
    EXPECT_LT(cache.Remembered(), 100u) << "the map started over";
    // Starting over costs probes again but never a wrong answer.
    EXPECT_EQ(cache.Probe("C:\\Program Files\\App\\app.exe"), Presence::Exists);
    const int before = fs.probes;
    EXPECT_EQ(cache.Probe("C:\\many\\f1"), Presence::Missing);
    EXPECT_EQ(fs.probes - before, 1) << "f1 was forgotten, so the system is asked again";
}

}  // namespace
}  // namespace qm::finder
