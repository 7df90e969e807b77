// Reading and re-targeting real shortcut files (shell links and internet shortcuts) under Wine:
// what the reader answers for missing, foreign and odd files, and that a re-target keeps
// everything of the shortcut (its DACL, streams, attributes and creation time included) or, when
// it fails, leaves the original byte for byte as it was.
#include "changes/ShortcutFile.h"

#include "suite/lnk/InternetShortcut.h"
#include "suite/lnk/ShellLink.h"
#include "tests/results/ScratchFolder.h"
#include "tools/lnkwriter/LinkBytes.h"
#include "tools/lnkwriter/LinkWriter.h"

#include <gtest/gtest.h>

#include <sddl.h>

#include <algorithm>
#include <cstdlib>

namespace qm::changes {
namespace {

using test::Bytes;
using test::ScratchFolder;

constexpr uint32_t kRunAsUser = 0x2000;

lnk::ShellLinkInfo ParseFile(const std::string& path) {
    Bytes bytes;
    if (!test::ReadBytes(path, bytes)) return {};
    return lnk::ParseShellLink(bytes.data(), bytes.size());
}

FILETIME CreationTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ::GetFileAttributesExW(FileApiPath(path).c_str(), GetFileExInfoStandard, &data);
    return data.ftCreationTime;
}

// A shortcut with everything a user may have set, to a target that is gone.
Bytes RichLink(const std::string& oldTarget) {
    lnkwriter::LinkFields linkFields;
    linkFields.localBasePath = oldTarget;
    linkFields.idListPath = oldTarget;
    linkFields.description = "Editor";
    linkFields.arguments = "--profile \"work, home\"";
    linkFields.iconLocation = "C:\\windows\\system32\\shell32.dll";
    linkFields.workingDir = "C:\\windows";
    linkFields.relativePath = "..\\gone\\editor.exe";
    linkFields.environmentTarget = "%SystemRoot%\\gone\\editor.exe";
    Bytes bytes = lnkwriter::BuildLink(linkFields);
    bytes[0x14 + 1] |= kRunAsUser >> 8;  // LinkFlags: run as administrator
    bytes[0x40] = 0x45;                  // hot key Ctrl+Alt+E
    bytes[0x41] = 0x06;
    bytes[0x3C] = 3;                     // SW_SHOWMAXIMIZED
    return bytes;
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// An internet shortcut as Windows writes it, with `lines` in its section.
Bytes UrlFile(const std::string& lines) {
    return Text("[{000214A0-0000-0000-C000-000000000046}]\r\nProp3=19,11\r\n[InternetShortcut]\r\nIDList=\r\n" + lines);
}

Bytes Truncated(Bytes bytes, size_t cut) {
    bytes.erase(bytes.end() - static_cast<std::ptrdiff_t>(cut), bytes.end());
    return bytes;
}

// Whether this system keeps a creation time that a program sets (Wine on a Unix file system
// does not: it reports one it derives itself).
bool CreationTimeIsKept(const ScratchFolder& folder) {
    const std::string probe = folder.File("probe", Bytes(1, 'x'));
    FILETIME set{0x12345678, 0x01C00000};
    {
        FileHandle file(::CreateFileW(FileApiPath(probe).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ::SetFileTime(file.Get(), &set, nullptr, nullptr);
    }
    const FILETIME got = CreationTime(probe);
    ::DeleteFileW(FileApiPath(probe).c_str());
    return got.dwLowDateTime == set.dwLowDateTime && got.dwHighDateTime == set.dwHighDateTime;
}

// The file's DACL in SDDL form (what Wine reads back is made from the Unix permission bits).
std::wstring DaclText(const std::string& path) {
    DWORD size = 0;
    ::GetFileSecurityW(FileApiPath(path).c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    std::vector<unsigned char> descriptor(size);
    wchar_t* text = nullptr;
    if (size == 0 || !::GetFileSecurityW(FileApiPath(path).c_str(), DACL_SECURITY_INFORMATION, descriptor.data(), size, &size) ||
        !::ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor.data(), SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr))
        return L"(none)";
    std::wstring dacl = text;
    ::LocalFree(text);
    return dacl;
}

bool SetDacl(const std::string& path, const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr)) return false;
    const bool set = ::SetFileSecurityW(FileApiPath(path).c_str(), DACL_SECURITY_INFORMATION, descriptor);
    ::LocalFree(descriptor);
    return set;
}

TEST(ReadShortcutTarget, AnswersForMissingForeignAndOddFiles) {
    ScratchFolder folder;
    lnkwriter::LinkFields stored;
    stored.localBasePath = "C:\\Program Files\\";
    stored.commonPathSuffix = "Gone\\app.exe";  // the suffix the shell's GetPath drops under Wine
    lnkwriter::LinkFields shellObject;
    shellObject.idListControlPanel = true;
    lnkwriter::LinkFields environment;
    environment.localBasePath = "C:\\windows\\gone.exe";
    environment.environmentTarget = "%SystemRoot%\\gone.exe";
    const std::string deep = folder.Folder(std::string(150, 'd') + "\\" + std::string(150, 'e'));
    const struct {
        const char* what;
        std::string path;
        bool ok;
        std::string target;
    } cases[] = {
        {"missing file", folder.Path("none.lnk"), false, "untouched"},
        {"text file", folder.File("text.lnk", Bytes(300, 'x')), false, "untouched"},
        {"empty file", folder.File("empty.lnk"), false, "untouched"},
        {"stored missing target", folder.File("stored.lnk", lnkwriter::BuildLink(stored)), true, "C:\\Program Files\\Gone\\app.exe"},
        {"shell object", folder.File("panel.lnk", lnkwriter::BuildLink(shellObject)), true, ""},
        {"environment target", folder.File("env.lnk", lnkwriter::BuildLink(environment)), true, "C:\\windows\\gone.exe"},
        {"path longer than MAX_PATH", folder.File(deep.substr(folder.Root().size() + 1) + "\\Ünï.lnk", lnkwriter::BuildLink(stored)),
         true, "C:\\Program Files\\Gone\\app.exe"},
        {"internet shortcut to a file", folder.File("file.url", UrlFile("URL=file:///C:/Gone/%C3%9C%20x.txt\r\n")), true,
         "C:\\Gone\\\u00DC x.txt"},
        {"internet shortcut to a bare path", folder.File("bare.URL", UrlFile("URL=\\\\server\\share\\a.txt\r\n")), true,
         "\\\\server\\share\\a.txt"},
        {"internet shortcut to a web page", folder.File("web.url", UrlFile("URL=https://example.com/\r\n")), true, ""},
        {"internet shortcut without a URL", folder.File("nourl.url", UrlFile("IconIndex=0\r\n")), false, "untouched"},
        {"internet shortcut without its section", folder.File("nosection.url", Text("[Other]\r\nURL=file:///C:/a\r\n")), false,
         "untouched"},
        {"binary .url", folder.File("binary.url", Bytes(64, '\0')), false, "untouched"},
        {"a shell link named .url", folder.File("link.url", lnkwriter::BuildLink(stored)), false, "untouched"},
        {"an internet shortcut named .lnk", folder.File("internet.lnk", UrlFile("URL=file:///C:/a\r\n")), false, "untouched"},
    };
    for (const auto& c : cases) {
        std::string target = "untouched";
        EXPECT_EQ(ReadShortcutTarget(c.path, target), c.ok) << c.what;
        EXPECT_EQ(target, c.target) << c.what;
    }
}

TEST(RetargetShortcut, KeepsEverythingTheShortcutHadAndItsAttributes) {
    ScratchFolder folder;
    folder.Folder("tools\u00A0new");
    const std::string target = folder.File("tools\u00A0new\\ed\u00EF.exe", Bytes(10, 'x'));
    const std::string link = folder.File("Editor.lnk", RichLink("C:\\gone\\editor.exe"));
    // A creation time from long ago, and read-only plus hidden.
    FILETIME old{0x12345678, 0x01C00000};
    {
        FileHandle file(::CreateFileW(FileApiPath(link).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(::SetFileTime(file.Get(), &old, nullptr, nullptr));
    }
    ASSERT_TRUE(::SetFileAttributesW(FileApiPath(link).c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));

    ASSERT_EQ(RetargetShortcut(link, target), RetargetFailure::None);
    const lnk::ShellLinkInfo info = ParseFile(link);
    ASSERT_EQ(info.status, lnk::ParseStatus::Ok) << info.error;
    EXPECT_EQ(info.LocalPath(), target);
    EXPECT_EQ(info.idListPath, target);
    EXPECT_EQ(info.environmentTarget, target);
    std::string read;
    EXPECT_TRUE(ReadShortcutTarget(link, read));
    EXPECT_EQ(read, target);
    EXPECT_EQ(info.name, "Editor");
    EXPECT_EQ(info.arguments, "--profile \"work, home\"");
    EXPECT_EQ(info.iconLocation, "C:\\windows\\system32\\shell32.dll");
    EXPECT_EQ(info.workingDir, "C:\\windows") << "a working folder that exists is kept";
    EXPECT_TRUE(info.linkFlags & kRunAsUser);
    Bytes after;
    ASSERT_TRUE(test::ReadBytes(link, after));
    EXPECT_EQ(after[0x40], 0x45);
    EXPECT_EQ(after[0x41], 0x06);
    EXPECT_EQ(after[0x3C], 3);
    EXPECT_EQ(test::Attributes(link) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    if (CreationTimeIsKept(folder)) {
        const FILETIME created = CreationTime(link);
        EXPECT_EQ(created.dwLowDateTime, old.dwLowDateTime);
        EXPECT_EQ(created.dwHighDateTime, old.dwHighDateTime);
    } else {
        std::printf("[ note ] this file system keeps no creation time a program sets: not checked\n");
    }
    EXPECT_EQ(ScratchFolder::Names(folder.Root()).size(), 2u) << "no temporary file is left";
}

// Wine keeps a file's DACL only as far as its Unix permission bits hold it (the read-only mark
// lives there too, hence a writable link here), and has no streams: it makes "Shared.lnk:qm.note"
// a file of its own beside the link, which this test then notes.
TEST(RetargetShortcut, KeepsTheSecurityDescriptorAndTheStreams) {
    ScratchFolder folder;
    const std::string target = folder.File("new.exe", Bytes(4, 'x'));
    const std::string link = folder.File("Shared.lnk", RichLink("C:\\gone\\editor.exe"));
    ASSERT_TRUE(SetDacl(link, L"D:(A;;FA;;;WD)"));  // everyone may change it
    const std::wstring dacl = DaclText(link);
    const std::string stream = link + ":qm.note";
    const Bytes note{'k', 'e', 'p', 't'};
    test::WriteBytes(stream, note);
    const std::vector<std::string> names = ScratchFolder::Names(folder.Root());
    const bool realStreams = std::find(names.begin(), names.end(), "Shared.lnk:qm.note") == names.end();

    ASSERT_EQ(RetargetShortcut(link, target), RetargetFailure::None);
    EXPECT_EQ(ParseFile(link).LocalPath(), target);
    EXPECT_EQ(DaclText(link), dacl);
    Bytes kept;
    EXPECT_TRUE(test::ReadBytes(stream, kept));
    EXPECT_EQ(kept, note);
    if (!realStreams) std::printf("[ note ] this system keeps no streams in a file: the stream was not really checked\n");
    EXPECT_EQ(ScratchFolder::Names(folder.Root()), names) << "no temporary file is left";
}

// An internet shortcut: only its URL and the icon file that named the old target change; the
// file is replaced as a shell link is, attributes and all.
TEST(RetargetShortcut, AnInternetShortcutKeepsEveryOtherByte) {
    ScratchFolder folder;
    const std::string target = folder.File("new.txt", Bytes(3, 'x'));
    const std::string newUrl = lnk::FileUrlFromPath(target);
    const std::string before = "URL=file:///C:/Gone/old.txt\r\nIconIndex=1\r\nHotKey=0\r\nIconFile=C:\\Gone\\old.txt\r\n"
                               "[Extra]\nkept=C:\\Gone\\old.txt\n";
    const std::string link = folder.File("Notes.url", UrlFile(before));
    ASSERT_TRUE(::SetFileAttributesW(FileApiPath(link).c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));

    ASSERT_EQ(RetargetShortcut(link, target), RetargetFailure::None);
    Bytes after;
    ASSERT_TRUE(test::ReadBytes(link, after));
    EXPECT_EQ(after,
              UrlFile("URL=" + newUrl + "\r\nIconIndex=1\r\nHotKey=0\r\nIconFile=" + target + "\r\n[Extra]\nkept=C:\\Gone\\old.txt\n"));
    std::string read;
    EXPECT_TRUE(ReadShortcutTarget(link, read));
    EXPECT_EQ(read, target);
    EXPECT_EQ(test::Attributes(link) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(ScratchFolder::Names(folder.Root()).size(), 2u) << "no temporary file is left";
}

TEST(RetargetShortcut, LongPathsBothWays) {
    ScratchFolder folder;
    const std::string deep = folder.Folder(std::string(140, 'a') + "\\" + std::string(140, 'b'));
    const std::string target = deep + "\\target.txt";
    test::WriteBytes(target, Bytes(3, 'x'));
    const std::string link = deep + "\\long.lnk";
    test::WriteBytes(link, RichLink("C:\\gone\\editor.exe"));
    ASSERT_GT(link.size(), 300u);
    ASSERT_EQ(RetargetShortcut(link, target), RetargetFailure::None);
    const lnk::ShellLinkInfo info = ParseFile(link);
    EXPECT_EQ(info.LocalPath(), target);
    EXPECT_EQ(info.relativePath, ".\\target.txt");
    EXPECT_TRUE(info.environmentTarget.empty()) << "too long for the environment block: dropped";
}

TEST(RetargetShortcut, AnyFailureLeavesTheOriginalByteForByte) {
    ScratchFolder folder;
    const std::string target = folder.File("new.exe", Bytes(4, 'x'));
    // A link without IsUnicode: its string data is in single bytes.
    using namespace lnkwriter;
    const Bytes ansi = Concat({Header(kFlagLinkInfo | kFlagWorkingDir), LinkInfo({.basePath = "C:\\gone.exe"}),
                               CountedString(false, u"C:\\gone"), Terminal()});
    const struct {
        const char* what;
        std::string link;
        Bytes bytes;
        std::string newTarget;
        RetargetFailure failure;
    } cases[] = {
        {"new target missing", "a.lnk", RichLink("C:\\gone\\editor.exe"), folder.Path("none.exe"), RetargetFailure::TargetUnusable},
        {"new target relative", "b.lnk", RichLink("C:\\gone\\editor.exe"), "new.exe", RetargetFailure::TargetUnusable},
        {"not a shortcut", "c.lnk", Bytes(100, 'x'), target, RetargetFailure::ShortcutUnreadable},
        {"malformed shortcut", "d.lnk", Truncated(RichLink("C:\\gone\\x.exe"), 300), target, RetargetFailure::ShortcutUnreadable},
        {"internet shortcut, new target missing", "e.url", UrlFile("URL=file:///C:/gone.txt\r\n"), folder.Path("none.exe"),
         RetargetFailure::TargetUnusable},
        {"internet shortcut to a web page", "f.url", UrlFile("URL=http://example.com/\r\n"), target, RetargetFailure::CannotEdit},
        {"internet shortcut without a URL", "g.url", UrlFile("IconIndex=0\r\n"), target, RetargetFailure::ShortcutUnreadable},
        {"a shell link named .url", "h.url", RichLink("C:\\gone\\editor.exe"), target, RetargetFailure::ShortcutUnreadable},
    };
    for (const auto& c : cases) {
        const std::string link = folder.File(c.link, c.bytes);
        ::SetFileAttributesW(FileApiPath(link).c_str(), FILE_ATTRIBUTE_READONLY);
        const DWORD attributes = test::Attributes(link);
        EXPECT_EQ(RetargetShortcut(link, c.newTarget), c.failure) << c.what;
        Bytes after;
        EXPECT_TRUE(test::ReadBytes(link, after)) << c.what;
        EXPECT_EQ(after, c.bytes) << c.what;
        EXPECT_EQ(test::Attributes(link), attributes) << c.what;
    }
    // A link whose ANSI string data cannot hold a non-ASCII working folder.
    const std::string ansiLink = folder.File("ansi.lnk", ansi);
    folder.Folder("d\u00E9j\u00E0");
    const std::string accented = folder.File("d\u00E9j\u00E0\\x.exe", Bytes(1, 'x'));
    EXPECT_EQ(RetargetShortcut(ansiLink, accented), RetargetFailure::CannotEdit);
    Bytes after;
    ASSERT_TRUE(test::ReadBytes(ansiLink, after));
    EXPECT_EQ(after, ansi);
    // Only the case files and the targets: no temporary file is left behind.
    EXPECT_EQ(ScratchFolder::Names(folder.Root()).size(), 11u);
}

// The folder that cannot be written is made by the test fixture (a Unix immutable folder, which
// even root cannot write into) with a shortcut in it; QM_LOCKED_FOLDER names it.
TEST(RetargetShortcut, AFolderThatCannotBeWrittenLeavesTheOldFile) {
    const char* locked = std::getenv("QM_LOCKED_FOLDER");
    if (!locked || !*locked) GTEST_SKIP() << "no locked folder fixture";
    const std::string link = std::string(locked) + "\\locked.lnk";
    Bytes before;
    ASSERT_TRUE(test::ReadBytes(link, before)) << link;
    if (test::ReadBytes(std::string(locked) + "\\unlocked", before))
        GTEST_SKIP() << "this system does not let the fixture make a folder unwritable (no chattr +i)";
    ASSERT_TRUE(test::ReadBytes(link, before));
    const std::vector<std::string> names = ScratchFolder::Names(locked);
    wchar_t system[MAX_PATH];
    ::GetSystemDirectoryW(system, MAX_PATH);
    const std::string target = Narrow(system) + "\\notepad.exe";
    EXPECT_EQ(RetargetShortcut(link, target), RetargetFailure::CannotWrite);
    Bytes after;
    ASSERT_TRUE(test::ReadBytes(link, after));
    EXPECT_EQ(after, before);
    EXPECT_EQ(ScratchFolder::Names(locked), names) << "no temporary file is left behind";
}

}  // namespace
}  // namespace qm::changes
