// Re-targeting a shell link: the new file names only the new target, under every name a reader
// looks at, and keeps everything else it had. Checked with our reader and, in the native build,
// with Debian's lnkinfo as an independent one.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>

#include "base/Utf.h"
#include "suite/lnk/PropertyStore.h"
#include "suite/lnk/ShellLink.h"
#include "suite/lnk/ShellLinkEditor.h"
#include "tools/lnkwriter/LinkBytes.h"
#ifndef _WIN32
#include "tests/lnk/Lnkinfo.h"
#include "tests/support/ScratchDirectory.h"
#endif

namespace qm::lnk {
namespace {

using namespace lnkwriter;

constexpr uint32_t kRunAsUser = 0x2000;
constexpr uint32_t kHasExpString = 0x200;
const std::string kOldTarget = "C:\\Program Files\\Old App\\old.exe";

// Runs the editor on a heap copy of exactly the given size, so that AddressSanitizer sees any
// read past the end.
RetargetResult Retarget(const ByteVector& bytes, const NewTarget& target, const RetargetContext& context) {
    std::unique_ptr<unsigned char[]> copy(new unsigned char[bytes.size() + 1]);
    std::copy(bytes.begin(), bytes.end(), copy.get());
    return RetargetShellLink(copy.get(), bytes.size(), target, context);
}

ShellLinkInfo Parse(const ByteVector& bytes) { return ParseShellLink(bytes.data(), bytes.size()); }

ByteVector Console() { return Block(0xA0000002, ByteVector(0xC4, 0x07)); }
ByteVector KnownFolder() { return Block(0xA000000B, ByteVector(20, 0x22)); }
ByteVector PropertyStore(const std::u16string& text) {
    ByteVector payload(16, 0x31);
    PutUtf16Z(payload, text);
    return Block(0xA0000009, payload);
}

// A link as the shell writes one for an installed program, with everything a user may have set.
ByteVector FullLink(uint32_t extraFlags = 0) {
    ByteVector header = Header(kFlagIdList | kFlagLinkInfo | kFlagName | kFlagRelativePath | kFlagWorkingDir |
                               kFlagArguments | kFlagIconLocation | kFlagUnicode | kHasExpString | extraFlags);
    SetU32(header, 0x38, 3);       // icon index
    SetU32(header, 0x3C, 7);       // SW_SHOWMINNOACTIVE
    header[0x40] = 0x41;           // hot key: Ctrl+Alt+A
    header[0x41] = 0x06;
    return Concat({header,
                   IdList({MyComputerItem(), DriveItem("C:\\"), FileEntryItem(true, "PROGRA~1", u"Program Files"),
                           FileEntryItem(true, "OLDAPP~1", u"Old App"), FileEntryItem(false, "old.exe", u"old.exe")}),
                   LinkInfo({.basePath = kOldTarget}), CountedString(true, u"The editor, portable"),
                   CountedString(true, u"..\\..\\Program Files\\Old App\\old.exe"), CountedString(true, u"C:\\Gone\\Work"),
                   CountedString(true, u"--profile \"x y\""), CountedString(true, u"%ProgramFiles%\\Old App\\old.exe"),
                   PathBlock(0xA0000001, "%ProgramFiles%\\Old App\\old.exe", u"%ProgramFiles%\\Old App\\old.exe"),
                   Console(), TrackerBlock("desktop-1"), KnownFolder(), PropertyStore(u"C:\\PROGRAM FILES\\OLD APP\\OLD.EXE"),
                   PropertyStore(u"unrelated"), Terminal()});
}

RetargetContext Context(bool workingDirExists = false) {
    RetargetContext context;
    context.linkFolder = "C:\\Users\\me\\Desktop";
    context.folderExists = [workingDirExists](const std::string&) { return workingDirExists; };
    context.expandVariables = [](const std::string& text) {
        std::string out = text;
        const std::string name = "%ProgramFiles%";
        if (out.rfind(name, 0) == 0) out.replace(0, name.size(), "C:\\Program Files");
        return out;
    };
    return context;
}

NewTarget Target(const std::string& path) {
    NewTarget target;
    target.path = path;
    target.attributes = 0x20;
    target.size = 0x123456789ull;
    target.creationTime = 0x01D5C03BB4E6C000ull;
    target.accessTime = 0x01D5C03BB4E6C001ull;
    target.writeTime = 0x01D5C03BB4E6C002ull;
    target.driveSerialNumber = 0xCAFE;
    target.volumeLabel = "DATA";
    return target;
}

bool Contains(const ByteVector& haystack, const ByteVector& needle) {
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

#ifndef _WIN32
std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

LnkinfoResult LnkinfoOf(const ByteVector& bytes) {
    static const test::ScratchDirectory scratch("qm-edit");
    const std::filesystem::path file = scratch.Path() / "edited.lnk";
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return RunLnkinfo(file.string());
}
#endif

TEST(ShellLinkEditor, NamesOnlyTheNewTargetAndKeepsEverythingElse) {
    const ByteVector old = FullLink(kRunAsUser);
    const std::string next = "C:\\Tools\\New App\\new.exe";
    const RetargetResult result = Retarget(old, Target(next), Context());
    ASSERT_TRUE(result.ok) << result.error;
    const ShellLinkInfo info = Parse(result.bytes);
    ASSERT_EQ(info.status, ParseStatus::Ok) << info.error;

    // Every name of the target.
    EXPECT_EQ(info.LocalPath(), next);
    EXPECT_EQ(info.idListPath, next);
    EXPECT_EQ(info.environmentTarget, next);
    EXPECT_EQ(info.relativePath, "..\\..\\..\\Tools\\New App\\new.exe");
    EXPECT_EQ(LinkTargetPath(info), next);
    // The working folder was gone: it is now the new target's; the icon followed the target.
    EXPECT_EQ(info.workingDir, "C:\\Tools\\New App");
    EXPECT_EQ(info.iconLocation, next);
    // Kept as they were, byte for byte.
    EXPECT_EQ(info.name, "The editor, portable");
    EXPECT_EQ(info.arguments, "--profile \"x y\"");
    EXPECT_TRUE(info.linkFlags & kRunAsUser);
    EXPECT_TRUE(std::equal(old.begin() + 0x38, old.begin() + 0x4C, result.bytes.begin() + 0x38)) << "icon index, show command, hot key";
    EXPECT_TRUE(Contains(result.bytes, CountedString(true, u"--profile \"x y\"")));
    EXPECT_TRUE(Contains(result.bytes, Console()));
    EXPECT_TRUE(Contains(result.bytes, PropertyStore(u"unrelated")));
    // What led to the old target by other means is gone.
    EXPECT_TRUE(info.trackerMachineId.empty());
    EXPECT_FALSE(info.hasKnownFolder);
    EXPECT_FALSE(Contains(result.bytes, PropertyStore(u"C:\\PROGRAM FILES\\OLD APP\\OLD.EXE")));
    // The header describes the new target.
    EXPECT_EQ(info.fileAttributes, 0x20u);
    EXPECT_EQ(result.bytes[0x34], 0x89);
    EXPECT_EQ(result.bytes[0x1C], 0x00);
    EXPECT_EQ(result.bytes[0x2C], 0x02);

#ifndef _WIN32
    const LnkinfoResult lnkinfo = LnkinfoOf(result.bytes);
    ASSERT_EQ(lnkinfo.exitCode, 0) << lnkinfo.text;
    EXPECT_EQ(lnkinfo.fields.at("Local path"), next);
    EXPECT_EQ(LnkinfoIdListPath(lnkinfo), next);
    EXPECT_EQ(lnkinfo.fields.at("Environment variables location"), next);
    EXPECT_EQ(lnkinfo.fields.at("Relative path"), "..\\..\\..\\Tools\\New App\\new.exe");
    EXPECT_EQ(lnkinfo.fields.at("Working directory"), "C:\\Tools\\New App");
    EXPECT_EQ(lnkinfo.fields.at("Icon location"), next);
    EXPECT_EQ(lnkinfo.fields.at("Command line arguments"), "--profile \"x y\"");
    EXPECT_EQ(lnkinfo.fields.at("Description"), "The editor, portable");
    EXPECT_EQ(lnkinfo.fields.at("Icon index"), "3");
    // (lnkinfo 20181227 prints the file size's bits as show command and hot key: those two are
    // checked byte for byte above instead.)
    EXPECT_EQ(lnkinfo.text.find("Distributed link tracking"), std::string::npos);
    EXPECT_EQ(Lower(lnkinfo.text).find("old app"), std::string::npos) << lnkinfo.text;
    EXPECT_EQ(Lower(lnkinfo.text).find("old.exe"), std::string::npos) << lnkinfo.text;
#endif
}

TEST(ShellLinkEditor, KeepsThePropertyStoreRewritingOnlyWhatNamesTheTarget) {
    // System.ParsingPath and System.Link.TargetParsingPath (the latter as a VT_BSTR).
    const unsigned char parsingPath[16] = {0xA6, 0x6A, 0x63, 0x28, 0x3D, 0x95, 0xD2, 0x11,
                                           0xB5, 0xD6, 0x00, 0xC0, 0x4F, 0xD9, 0x18, 0xD0};
    const unsigned char linkTarget[16] = {0xFC, 0xB3, 0xB4, 0xB9, 0x51, 0x2B, 0x42, 0x4A,
                                          0xB5, 0xD8, 0x32, 0x41, 0x46, 0xAF, 0xCF, 0x25};
    const auto store = [&](const std::u16string& path, const std::u16string& folder, const std::u16string& name) {
        return PropertyStoreBlock({
            {kAppUserModelFormat.data(), 5, u"Contoso.Editor.Portable"},  // the pinned item's identity
            {kAppUserModelFormat.data(), 15, u"C:\\Program Files\\Old App\\old.exe"},  // identity data: kept as it spells
            {kAppUserModelFormat.data(), 18, u"", 0x13, 1},
            {parsingPath, 30, path},
            {linkTarget, 2, path, 0x08},
            {kItemFolderFormat.data(), 6, folder},
            {kStorageFormat.data(), 10, name},
            {kStorageFormat.data(), 4, u"Application"},
            {kStorageFormat.data(), 12, u"", 0x13, 4242},
            {kStorageFormat.data(), 2, u"C:\\Program Files\\Old App\\old.exe.config"},  // another file: kept
        });
    };
    const ByteVector old = Concat({Header(kFlagLinkInfo), LinkInfo({.basePath = kOldTarget}),
                                   store(u"c:\\program files\\old app\\OLD.EXE", u"C:\\Program Files\\Old App", u"old.exe"),
                                   Terminal()});
    const RetargetResult result = Retarget(old, Target("C:\\Tools\\New App\\new.exe"), Context());
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_TRUE(Contains(result.bytes, store(u"C:\\Tools\\New App\\new.exe", u"C:\\Tools\\New App", u"new.exe")));
    EXPECT_TRUE(Parse(result.bytes).hasPropertyStore);
}

TEST(ShellLinkEditor, KeepsWhatDoesNotNameTheOldTarget) {
    // A working folder that still exists and an icon from elsewhere stay as they were; a link
    // without a relative path or environment target does not get one.
    const ByteVector old = Concat({Header(kFlagLinkInfo | kFlagWorkingDir | kFlagIconLocation | kFlagUnicode),
                                   LinkInfo({.basePath = kOldTarget}), CountedString(true, u"C:\\Work"),
                                   CountedString(true, u"C:\\Windows\\shell32.dll"), Terminal(),
                                   ByteVector{'t', 'a', 'i', 'l'}});
    const RetargetResult result = Retarget(old, Target("D:\\new.exe"), Context(/*workingDirExists=*/true));
    ASSERT_TRUE(result.ok) << result.error;
    const ShellLinkInfo info = Parse(result.bytes);
    EXPECT_EQ(info.LocalPath(), "D:\\new.exe");
    EXPECT_EQ(info.idListPath, "D:\\new.exe");  // a drive path always gets its IDList
    EXPECT_EQ(info.workingDir, "C:\\Work");
    EXPECT_EQ(info.iconLocation, "C:\\Windows\\shell32.dll");
    EXPECT_TRUE(info.relativePath.empty());
    EXPECT_TRUE(info.environmentTarget.empty());
    EXPECT_TRUE(std::equal(old.end() - 8, old.end(), result.bytes.end() - 8)) << "terminal block and what follows it";
}

TEST(ShellLinkEditor, UnicodeLongAndNetworkTargets) {
    const std::string longFolder = "C:\\" + std::string(120, 'a') + "\\" + std::string(120, 'b') + "\\Ünïcödé 目录";
    const struct {
        const char* what;
        std::string target;
        bool environmentKept;  // the path fits the environment block's 260 characters
    } cases[] = {
        {"Unicode names", "C:\\Données\\Ünïcödé 目录\\app.exe", true},
        {"longer than MAX_PATH", longFolder + "\\app.exe", false},
        {"UNC share", "\\\\server\\share\\tools\\app.exe", true},
        {"UNC share with Unicode", "\\\\server\\partagé\\outils\\app.exe", true},
        {"drive root folder", "E:\\", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        NewTarget target = Target(c.target);
        target.isFolder = c.target.back() == '\\';
        const RetargetResult result = Retarget(FullLink(), target, Context());
        ASSERT_TRUE(result.ok) << result.error;
        const ShellLinkInfo info = Parse(result.bytes);
        ASSERT_EQ(info.status, ParseStatus::Ok) << info.error;
        EXPECT_EQ(LinkTargetPath(info), c.target);
        const bool unc = c.target.rfind("\\\\", 0) == 0;
        EXPECT_EQ(unc ? info.NetworkPath() : info.LocalPath(), c.target);
        EXPECT_EQ(info.idListPath, unc ? "" : c.target) << "a UNC target keeps no IDList";
        EXPECT_EQ(info.environmentTarget, c.environmentKept ? c.target : "");
        EXPECT_EQ((info.linkFlags & kHasExpString) != 0, c.environmentKept);
        EXPECT_TRUE(info.relativePath.empty() == unc || c.target == "E:\\") << info.relativePath;
#ifndef _WIN32
        LnkinfoResult lnkinfo = LnkinfoOf(result.bytes);
        ASSERT_EQ(lnkinfo.exitCode, 0) << lnkinfo.text;
        EXPECT_EQ(lnkinfo.fields[unc ? "Network path" : "Local path"], c.target) << lnkinfo.text;
        if (!unc) EXPECT_EQ(LnkinfoIdListPath(lnkinfo), c.target);
        EXPECT_EQ(Lower(lnkinfo.text).find("old.exe"), std::string::npos) << lnkinfo.text;
#endif
    }
}

TEST(ShellLinkEditor, RefusesWhatItCannotEditFaithfully) {
    ByteVector truncated = FullLink();
    truncated.resize(truncated.size() - 900);  // inside the environment block
    const ByteVector ansi = Concat({Header(kFlagLinkInfo | kFlagWorkingDir), LinkInfo({.basePath = kOldTarget}),
                                    CountedString(false, u"C:\\Gone"), Terminal()});
    const struct {
        const char* what;
        ByteVector bytes;
        std::string target;
        bool ok;
    } cases[] = {
        {"text file", ByteVector(200, 'x'), "C:\\new.exe", false},
        {"empty file", {}, "C:\\new.exe", false},
        {"truncated link", truncated, "C:\\new.exe", false},
        {"relative target", FullLink(), "new.exe", false},
        {"target with ..", FullLink(), "C:\\a\\..\\new.exe", false},
        {"device path", FullLink(), "\\\\?\\C:\\new.exe", false},
        // An ANSI link holds its strings in an unnamed code page: only ASCII is certain.
        {"ANSI link, non-ASCII working folder", ansi, "C:\\Données\\new.exe", false},
        {"ANSI link, ASCII working folder", ansi, "C:\\Data\\new.exe", true},
    };
    for (const auto& c : cases) {
        const RetargetResult result = Retarget(c.bytes, Target(c.target), Context());
        EXPECT_EQ(result.ok, c.ok) << c.what << ": " << result.error;
        EXPECT_EQ(result.bytes.empty(), !c.ok) << c.what;
        EXPECT_EQ(result.error.empty(), c.ok) << c.what;
    }
}

TEST(ShellLinkEditor, TargetOfALinkIsPickedAsTheShellPicksIt) {
    const struct {
        const char* what;
        ByteVector bytes;
        std::string target;
    } cases[] = {
        {"environment target first", FullLink(), "C:\\Program Files\\Old App\\old.exe"},
        {"local path", Concat({Header(kFlagLinkInfo), LinkInfo({.basePath = "C:\\a\\", .suffix = "b.exe"}), Terminal()}),
         "C:\\a\\b.exe"},
        {"network path", Concat({Header(kFlagLinkInfo), LinkInfo({.netName = "\\\\srv\\s", .suffix = "b.exe"}), Terminal()}),
         "\\\\srv\\s\\b.exe"},
        {"IDList only", Concat({Header(kFlagIdList), IdList({MyComputerItem(), DriveItem("D:\\"), FileEntryItem(false, "X.EXE", u"x.exe")}), Terminal()}),
         "D:\\x.exe"},
        {"shell object", Concat({Header(kFlagIdList), IdList({MyComputerItem()}), Terminal()}), ""},
    };
    for (const auto& c : cases) EXPECT_EQ(LinkTargetPath(Parse(c.bytes), Context().expandVariables), c.target) << c.what;
}

}  // namespace
}  // namespace qm::lnk
