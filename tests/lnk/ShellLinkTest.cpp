// The shell-link reader against hand-built files: each structure, its Unicode and ANSI forms,
// and every way a file can be cut short or lie about its sizes and offsets.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "suite/lnk/ShellLink.h"
#include "tools/lnkwriter/LinkBytes.h"

namespace qm::lnk {
namespace {

using namespace lnkwriter;

// Parses from a heap copy of exactly the given size, so that AddressSanitizer sees any read
// past the end.
ShellLinkInfo Parse(const ByteVector& bytes) {
    std::unique_ptr<unsigned char[]> copy(new unsigned char[bytes.size() + (bytes.empty() ? 1 : 0)]);
    std::copy(bytes.begin(), bytes.end(), copy.get());
    return ParseShellLink(copy.get(), bytes.size());
}

ByteVector FullLink() {
    return Concat({Header(kFlagIdList | kFlagLinkInfo | kFlagRelativePath | kFlagWorkingDir | kFlagArguments |
                          kFlagIconLocation | kFlagUnicode),
                   IdList({MyComputerItem(), DriveItem("C:\\"), FileEntryItem(true, "PROGRA~1", u"Program Files"),
                           FileEntryItem(false, "APP.EXE", u"App.exe")}),
                   LinkInfo({.basePath = "C:\\Program Files\\App.exe"}),
                   CountedString(true, u"..\\Program Files\\App.exe"), CountedString(true, u"C:\\Program Files"),
                   CountedString(true, u"--quiet"), CountedString(true, u"C:\\Program Files\\App.exe"),
                   PathBlock(0xA0000001, "%ProgramFiles%\\App.exe", u"%ProgramFiles%\\App.exe"),
                   TrackerBlock("desktop-1"), Terminal()});
}

TEST(ShellLinkHeader, TellsShellLinksFromOtherFiles) {
    ByteVector wrongClsid = Header(0);
    wrongClsid[8] ^= 1;
    ByteVector wrongSize = Header(0);
    wrongSize[0] = 0x4D;
    ByteVector cut = Header(0);
    cut.resize(0x30);
    ByteVector recycleBinRecord = {2, 0, 0, 0, 0, 0, 0, 0, 0x10, 0x27, 0, 0, 0, 0, 0, 0};
    const struct {
        const char* what;
        ByteVector bytes;
        ParseStatus status;
    } cases[] = {
        {"empty file", {}, ParseStatus::NotShellLink},
        {"three bytes", {0x4C, 0, 0}, ParseStatus::NotShellLink},
        {"other class id", wrongClsid, ParseStatus::NotShellLink},
        {"other header size", wrongSize, ParseStatus::NotShellLink},
        {"recycle bin record", recycleBinRecord, ParseStatus::NotShellLink},
        {"text file", ByteVector(100, 'a'), ParseStatus::NotShellLink},
        {"header cut short", cut, ParseStatus::Malformed},
        {"bare header", Header(0), ParseStatus::Ok},
        {"bare header and terminal block", Concat({Header(0), Terminal()}), ParseStatus::Ok},
    };
    for (const auto& c : cases) {
        ShellLinkInfo info = Parse(c.bytes);
        EXPECT_EQ(info.status, c.status) << c.what;
        EXPECT_EQ(info.status == ParseStatus::Malformed, !info.error.empty()) << c.what;
    }
    EXPECT_EQ(ParseShellLink(nullptr, 100).status, ParseStatus::NotShellLink);
    EXPECT_EQ(Parse(Header(0x12345678 & ~0xFFu)).linkFlags, 0x12345600u);
}

TEST(ShellLinkHeader, ReadsTheTargetsTimesAndSize) {
    ByteVector bytes = Header(0);
    for (size_t i = 0; i < 8; ++i) {
        bytes[0x1C + i] = static_cast<unsigned char>(0x10 + i);
        bytes[0x24 + i] = static_cast<unsigned char>(0x20 + i);
        bytes[0x2C + i] = static_cast<unsigned char>(0x30 + i);
    }
    SetU32(bytes, 0x34, 0x89ABCDEF);
    ShellLinkInfo info = Parse(bytes);
    ASSERT_EQ(info.status, ParseStatus::Ok) << info.error;
    EXPECT_EQ(info.creationTime, 0x1716151413121110ull);
    EXPECT_EQ(info.accessTime, 0x2726252423222120ull);
    EXPECT_EQ(info.writeTime, 0x3736353433323130ull);
    EXPECT_EQ(info.fileSize, 0x89ABCDEFu);
}

TEST(ShellLinkLinkInfo, ReadsLocalNetworkAndUnicodeForms) {
    const struct {
        const char* what;
        LinkInfoFields fields;
        const char* localPath;
        const char* networkPath;
        const char* deviceName;
    } cases[] = {
        {"local file", {.basePath = "C:\\Windows\\notepad.exe"}, "C:\\Windows\\notepad.exe", "", ""},
        {"local base with suffix", {.basePath = "C:\\Users\\", .suffix = "Public"}, "C:\\Users\\Public", "", ""},
        {"network with suffix", {.netName = "\\\\server\\share", .suffix = "docs\\a.txt"}, "",
         "\\\\server\\share\\docs\\a.txt", ""},
        {"network share itself", {.netName = "\\\\server\\share"}, "", "\\\\server\\share", ""},
        {"mapped drive", {.netName = "\\\\nas\\home", .deviceName = "Z:", .suffix = "a.txt"}, "",
         "\\\\nas\\home\\a.txt", "Z:"},
        {"Unicode base path wins",
         {.basePath = "C:\\caf?.txt", .basePathUnicode = u"C:\\caf\u00e9.txt"}, "C:\\caf\xC3\xA9.txt", "", ""},
        {"Unicode suffix wins",
         {.netName = "\\\\s\\x", .suffix = "?", .suffixUnicode = u"\u00e9"}, "", "\\\\s\\x\\\xC3\xA9", ""},
    };
    for (const auto& c : cases) {
        ShellLinkInfo info = Parse(Concat({Header(kFlagLinkInfo), LinkInfo(c.fields), Terminal()}));
        ASSERT_EQ(info.status, ParseStatus::Ok) << c.what << ": " << info.error;
        EXPECT_TRUE(info.hasLinkInfo);
        EXPECT_EQ(info.LocalPath(), c.localPath) << c.what;
        EXPECT_EQ(info.NetworkPath(), c.networkPath) << c.what;
        EXPECT_EQ(info.deviceName, c.deviceName) << c.what;
        EXPECT_EQ(info.hasVolumeId, !c.fields.basePath.empty()) << c.what;
        EXPECT_EQ(info.hasNetwork, !c.fields.netName.empty()) << c.what;
    }
    ShellLinkInfo local = Parse(Concat({Header(kFlagLinkInfo), LinkInfo({.basePath = "C:\\x"}), Terminal()}));
    EXPECT_EQ(local.driveType, 3u);
    EXPECT_EQ(local.driveSerialNumber, 0x1234ABCDu);
    EXPECT_EQ(local.volumeLabel, "SYSTEM");

    ShellLinkInfo unicodeNames = Parse(Concat(
        {Header(kFlagLinkInfo),
         LinkInfo({.basePath = "C:\\x", .volumeLabelUnicode = u"D\u00e9p\u00f4t", .netName = "\\\\s?rv\\x",
                   .netNameUnicode = u"\\\\s\u00e9rv\\x", .suffix = "a.txt"}),
         Terminal()}));
    ASSERT_EQ(unicodeNames.status, ParseStatus::Ok) << unicodeNames.error;
    EXPECT_EQ(unicodeNames.volumeLabel, "D\xC3\xA9p\xC3\xB4t");
    EXPECT_EQ(unicodeNames.NetworkPath(), "\\\\s\xC3\xA9rv\\x\\a.txt");
    EXPECT_EQ(unicodeNames.LocalPath(), "C:\\xa.txt");
}

TEST(ShellLinkStrings, DecodesAnsiAsWindows1252AndUnicodeAsUtf16) {
    const std::u16string ansiText = {u'c', u'a', u'f', 0xE9, u' ', 0x80, u' ', 0x9F};
    ShellLinkInfo ansi = Parse(Concat({Header(kFlagName | kFlagArguments), CountedString(false, ansiText),
                                       CountedString(false, u"a\0b"), Terminal()}));
    ASSERT_EQ(ansi.status, ParseStatus::Ok) << ansi.error;
    EXPECT_EQ(ansi.name, "caf\xC3\xA9 \xE2\x82\xAC \xC5\xB8");  // é, €, Ÿ
    EXPECT_EQ(ansi.arguments, "a");                             // text ends at an embedded NUL

    ShellLinkInfo unicode =
        Parse(Concat({Header(kFlagRelativePath | kFlagWorkingDir | kFlagIconLocation | kFlagUnicode),
                      CountedString(true, u".\\\u65e5\u672c.txt"), CountedString(true, u""),
                      CountedString(true, u"%SystemRoot%\\a.dll")}));
    ASSERT_EQ(unicode.status, ParseStatus::Ok) << unicode.error;
    EXPECT_EQ(unicode.relativePath, ".\\\xE6\x97\xA5\xE6\x9C\xAC.txt");
    EXPECT_EQ(unicode.workingDir, "");
    EXPECT_EQ(unicode.iconLocation, "%SystemRoot%\\a.dll");

    ShellLinkInfo lossy =
        Parse(Concat({Header(kFlagLinkInfo), LinkInfo({.basePath = "C:\\\xB2\xA5.exe"}), Terminal()}));
    EXPECT_TRUE(lossy.localBasePathIsLossy);
    EXPECT_EQ(lossy.localBasePath, "C:\\\xC2\xB2\xC2\xA5.exe");
    EXPECT_FALSE(Parse(FullLink()).localBasePathIsLossy);
}

// Every ANSI part of a target's path says whether it holds bytes above 0x7F (then it is right
// only under Windows-1252); its Unicode form, where the file has one, clears that.
TEST(ShellLinkStrings, MarksAnsiPathTextThatMayBeWrong) {
    ShellLinkInfo ansi = Parse(Concat({Header(kFlagLinkInfo), LinkInfo({.netName = "\\\\s\xE9rv\\x", .suffix = "\xB2.txt"}), Terminal()}));
    ASSERT_EQ(ansi.status, ParseStatus::Ok) << ansi.error;
    EXPECT_TRUE(ansi.netNameIsLossy);
    EXPECT_TRUE(ansi.commonPathSuffixIsLossy);
    ShellLinkInfo unicode = Parse(Concat({Header(kFlagLinkInfo),
                                          LinkInfo({.netName = "\\\\s?rv\\x", .netNameUnicode = u"\\\\s\u00e9rv\\x",
                                                    .suffix = "?.txt", .suffixUnicode = u"\u00b2.txt"}),
                                          Terminal()}));
    ASSERT_EQ(unicode.status, ParseStatus::Ok) << unicode.error;
    EXPECT_FALSE(unicode.netNameIsLossy);
    EXPECT_FALSE(unicode.commonPathSuffixIsLossy);
    EXPECT_FALSE(Parse(Concat({Header(kFlagLinkInfo), LinkInfo({.netName = "\\\\s\\x", .suffix = "a.txt"}), Terminal()}))
                     .commonPathSuffixIsLossy);

    const auto idList = [](const std::vector<ByteVector>& items) {
        return Parse(Concat({Header(kFlagIdList), IdList(items), Terminal()}));
    };
    EXPECT_TRUE(idList({DriveItem("C:\\"), FileEntryItem(false, "\xEF\xEB.TXT", u"")}).idListPathIsLossy);
    EXPECT_FALSE(idList({DriveItem("C:\\"), FileEntryItem(false, "\xEF\xEB.TXT", u"\u043f\u043b.txt")}).idListPathIsLossy);
    EXPECT_FALSE(idList({DriveItem("C:\\"), FileEntryItem(false, "A.TXT", u"")}).idListPathIsLossy);
    EXPECT_TRUE(idList({NetworkItem(0xC3, "\\\\s\xE9rv\\pub"), FileEntryItem(false, "A.TXT", u"a.txt")}).idListPathIsLossy);
}

TEST(ShellLinkIdList, DerivesFileSystemPaths) {
    const struct {
        const char* what;
        std::vector<ByteVector> items;
        bool fileSystem;
        const char* path;
    } cases[] = {
        {"My Computer, drive, long names",
         {MyComputerItem(), DriveItem("C:\\"), FileEntryItem(true, "PROGRA~1", u"Program Files"),
          FileEntryItem(false, "APP.EXE", u"App.exe")},
         true, "C:\\Program Files\\App.exe"},
        {"drive root only", {MyComputerItem(), DriveItem("D:\\")}, true, "D:\\"},
        {"drive without My Computer", {DriveItem("E:\\"), FileEntryItem(false, "A.TXT", u"")}, true, "E:\\A.TXT"},
        {"8.3 names without extension block",
         {MyComputerItem(), DriveItem("C:\\"), FileEntryItem(true, "WINDOWS", u""), FileEntryItem(false, "WIN.INI", u"")},
         true, "C:\\WINDOWS\\WIN.INI"},
        {"older extension versions",
         {DriveItem("C:\\"), FileEntryItem(true, "DOCUME~1", u"Documents and Settings", 3),
          FileEntryItem(true, "X", u"Vista folder", 7), FileEntryItem(false, "Y", u"seven.txt", 8)},
         true, "C:\\Documents and Settings\\Vista folder\\seven.txt"},
        {"non-ASCII long name", {DriveItem("C:\\"), FileEntryItem(false, "CAF~1.TXT", u"caf\u00e9.txt")}, true,
         "C:\\caf\xC3\xA9.txt"},
        {"UNC share and file", {NetworkItem(0xC3, "\\\\srv\\pub"), FileEntryItem(false, "R.DOC", u"report.doc")},
         true, "\\\\srv\\pub\\report.doc"},
        {"network places: domain, server, share",
         {NetworkItem(0x41, "Entire Network"), NetworkItem(0x42, "\\\\srv"), NetworkItem(0x43, "\\\\srv\\pub")}, true,
         "\\\\srv\\pub"},
        {"control panel root",
         {Item({0x1F, 0x50, 0x20, 0x20, 0xEC, 0x21, 0xEA, 0x3A, 0x69, 0x10, 0xA2, 0xDD, 0x08, 0x00, 0x2B, 0x30, 0x30,
                0x9D})},
         false, ""},
        {"volume item without a drive letter", {MyComputerItem(), DriveItem("\\"), FileEntryItem(false, "A", u"")},
         false, ""},
        {"file entry without a drive", {FileEntryItem(false, "A.TXT", u"")}, false, ""},
        {"URI item", {Item({0x61, 0, 0, 0})}, false, ""},
        {"empty list", {}, false, ""},
    };
    for (const auto& c : cases) {
        for (bool terminated : {true, false}) {
            ShellLinkInfo info = Parse(Concat({Header(kFlagIdList), IdList(c.items, terminated), Terminal()}));
            ASSERT_EQ(info.status, ParseStatus::Ok) << c.what << ": " << info.error;
            EXPECT_TRUE(info.hasIdList);
            EXPECT_EQ(info.idListIsFileSystem, c.fileSystem) << c.what;
            EXPECT_EQ(info.idListPath, c.path) << c.what;
        }
    }
}

// Windows cuts a long Unicode primary name without a terminator; the trailing offset still
// finds the extension block with the full name.
TEST(ShellLinkIdList, FindsLongNameAfterUnterminatedUnicodeName) {
    ByteVector body = {0x36, 0};
    PutU32(body, 0);
    PutU32(body, 0);
    PutU16(body, 0x20);
    PutUtf16(body, u"\u64ad\u653e");  // no terminator
    const size_t blockAt = body.size() + 2;
    ByteVector block;
    PutU16(block, 0);
    PutU16(block, 9);
    PutU32(block, 0xBEEF0004);
    block.resize(46, 0);
    PutUtf16Z(block, u"\u64ad\u653e\u5668.exe");
    PutU16(block, static_cast<uint32_t>(blockAt));
    block[0] = static_cast<unsigned char>(block.size());
    body.insert(body.end(), block.begin(), block.end());
    ShellLinkInfo info = Parse(Concat({Header(kFlagIdList), IdList({DriveItem("C:\\"), Item(body)})}));
    ASSERT_EQ(info.status, ParseStatus::Ok) << info.error;
    EXPECT_EQ(info.idListPath, "C:\\\xE6\x92\xAD\xE6\x94\xBE\xE5\x99\xA8.exe");
}

TEST(ShellLinkExtraData, ReadsEachBlockKind) {
    ByteVector special;
    PutU32(special, 0x24);  // CSIDL_WINDOWS
    PutU32(special, 0x20);
    ByteVector known(20, 0xAB);
    ByteVector store;
    PutU32(store, 0);
    ShellLinkInfo info = Parse(Concat(
        {Header(0), PathBlock(0xA0000001, "%windir%\\ansi.exe", u"%windir%\\unicode.exe"),
         PathBlock(0xA0000006, "ansi-darwin", u""), TrackerBlock("machine-name-16c"), Block(0xA0000005, special),
         Block(0xA000000B, known), Block(0xA0000009, store), Block(0xA0000002, ByteVector(0xC4, 0)), Terminal()}));
    ASSERT_EQ(info.status, ParseStatus::Ok) << info.error;
    EXPECT_EQ(info.environmentTarget, "%windir%\\unicode.exe");
    EXPECT_TRUE(info.isDarwin);
    EXPECT_EQ(info.darwinData, "ansi-darwin");  // the Unicode field is empty: ANSI is taken
    EXPECT_EQ(info.trackerMachineId, "machine-name-16c");
    EXPECT_TRUE(info.hasSpecialFolder);
    EXPECT_EQ(info.specialFolderId, 0x24u);
    EXPECT_TRUE(info.hasKnownFolder);
    EXPECT_TRUE(info.hasPropertyStore);

    ShellLinkInfo full = Parse(FullLink());
    ASSERT_EQ(full.status, ParseStatus::Ok) << full.error;
    EXPECT_EQ(full.environmentTarget, "%ProgramFiles%\\App.exe");
    EXPECT_EQ(full.idListPath, "C:\\Program Files\\App.exe");
    EXPECT_EQ(full.LocalPath(), "C:\\Program Files\\App.exe");
    EXPECT_EQ(full.arguments, "--quiet");
    EXPECT_FALSE(full.isDarwin);
}

TEST(ShellLinkExtraData, ReadsTheTrackersIdentifiers) {
    ByteVector payload;
    PutU32(payload, 0x58);
    PutU32(payload, 0);
    PutBytes(payload, std::string("ws-ann\0\0\0\0\0\0\0\0\0\0", 16));
    for (int i = 0; i < 64; ++i) payload.push_back(static_cast<unsigned char>(i));
    ShellLinkInfo info = Parse(Concat({Header(0), Block(0xA0000003, payload), Terminal()}));
    ASSERT_EQ(info.status, ParseStatus::Ok) << info.error;
    EXPECT_TRUE(info.hasTracker);
    EXPECT_EQ(info.trackerMachineId, "ws-ann");
    EXPECT_EQ(info.trackerVolumeId[0], 0);
    EXPECT_EQ(info.trackerVolumeId[15], 15);
    EXPECT_EQ(info.trackerObjectId[0], 16);
    EXPECT_EQ(info.trackerBirthVolumeId[0], 32);
    EXPECT_EQ(info.trackerBirthObjectId[15], 63);
    EXPECT_FALSE(Parse(Concat({Header(0), Terminal()})).hasTracker);
}

TEST(ShellLinkHostile, RejectsInconsistentSizesAndOffsets) {
    auto linkInfoWith = [](size_t field, uint32_t value) {
        ByteVector li = LinkInfo({.basePath = "C:\\a", .netName = "\\\\s\\x"});
        SetU32(li, field, value);
        return Concat({Header(kFlagLinkInfo), li, Terminal()});
    };
    auto volumeWith = [](size_t field, uint32_t value) {
        ByteVector li = LinkInfo({.basePath = "C:\\a"});
        SetU32(li, 0x1C + field, value);
        return Concat({Header(kFlagLinkInfo), li, Terminal()});
    };
    auto networkWith = [](size_t field, uint32_t value) {
        ByteVector li = LinkInfo({.netName = "\\\\s\\x"});
        const size_t net = li[20] | (li[21] << 8);
        SetU32(li, net + field, value);
        return Concat({Header(kFlagLinkInfo), li, Terminal()});
    };
    ByteVector unterminatedPath = LinkInfo({.basePath = "C:\\a"});
    unterminatedPath.back() = 'x';  // the suffix's NUL, the last byte
    ByteVector hugeIdList = Header(kFlagIdList);
    PutU16(hugeIdList, 0xFFFF);
    ByteVector itemPastList = Concat({Header(kFlagIdList), IdList({DriveItem("C:\\")})});
    itemPastList[0x4C + 2] = 0x40;  // the drive item claims more than the list holds
    ByteVector oddItem = Concat({Header(kFlagIdList), IdList({DriveItem("C:\\")})});
    oddItem[0x4C + 2] = 1;
    oddItem[0x4C + 3] = 0;
    ByteVector shortSpecial;
    PutU32(shortSpecial, 0x24);

    const struct {
        const char* what;
        ByteVector bytes;
    } cases[] = {
        {"IDList larger than the file", hugeIdList},
        {"IDList item past the list", itemPastList},
        {"IDList item of size one", oddItem},
        {"LinkInfo size past the file", linkInfoWith(0, 0xFFFFFFFF)},
        {"LinkInfo size below its header", linkInfoWith(0, 0x10)},
        {"LinkInfo header size past LinkInfo", linkInfoWith(4, 0x7FFFFFFF)},
        {"LinkInfo header size too small", linkInfoWith(4, 4)},
        {"VolumeID offset past LinkInfo", linkInfoWith(12, 0xFFFFFFF0)},
        {"base path offset past LinkInfo", linkInfoWith(16, 0x10000)},
        {"network offset past LinkInfo", linkInfoWith(20, 0xFFFFFFFF)},
        {"suffix offset past LinkInfo", linkInfoWith(24, 0x80000000)},
        {"network link size past LinkInfo", networkWith(0, 0x1000)},
        {"network link size too small", networkWith(0, 0x10)},
        {"network name offset past the network link", networkWith(8, 0x40)},
        {"Unicode offsets cut off by the network link's size", networkWith(8, 0x15)},
        {"VolumeID size past LinkInfo", volumeWith(0, 0x1000)},
        {"VolumeID size too small", volumeWith(0, 4)},
        {"volume label offset past VolumeID", volumeWith(12, 0x400)},
        {"Unicode volume label offset past VolumeID", volumeWith(12, 0x14)},
        {"string without NUL inside LinkInfo", Concat({Header(kFlagLinkInfo), unterminatedPath, Terminal()})},
        {"ANSI string past the end", Concat({Header(kFlagName), {3, 0, 'a', 'b'}})},
        {"Unicode string count past the end", Concat({Header(kFlagUnicode | kFlagArguments), {0xFF, 0xFF, 'a', 0}})},
        {"string count cut in half", Concat({Header(kFlagIconLocation), {0x05}})},
        {"extra block past the end", Concat({Header(0), {0x00, 0x01, 0, 0, 0x01, 0, 0, 0xA0}})},
        {"extra block of size four", Concat({Header(0), {4, 0, 0, 0, 0, 0, 0, 0}})},
        {"huge extra block", Concat({Header(0), {0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0, 0, 0xA0}})},
        {"special folder block too small", Concat({Header(0), Block(0xA0000005, shortSpecial), Terminal()})},
        {"tracker block too small", Concat({Header(0), Block(0xA0000003, ByteVector(8, 0)), Terminal()})},
        {"environment block too small", Concat({Header(0), Block(0xA0000001, ByteVector(260, 'a')), Terminal()})},
        {"Darwin block too small", Concat({Header(0), Block(0xA0000006, ByteVector(100, 'a')), Terminal()})},
        {"known folder block too small", Concat({Header(0), Block(0xA000000B, ByteVector(16, 0)), Terminal()})},
    };
    for (const auto& c : cases) {
        ShellLinkInfo info = Parse(c.bytes);
        EXPECT_EQ(info.status, ParseStatus::Malformed) << c.what;
        EXPECT_FALSE(info.error.empty()) << c.what;
    }
}

// Every cut of a complete link must parse without reading past the cut. A cut inside the
// header, the IDList, LinkInfo or StringData is malformed; in the extra data a cut that leaves
// fewer than four bytes after a block boundary reads as the end of the list (some writers end
// it so), any other cut inside a block is malformed.
TEST(ShellLinkHostile, EveryTruncationGivesAClearResult) {
    const ByteVector full = FullLink();
    ASSERT_EQ(Parse(full).status, ParseStatus::Ok);
    const size_t blocksStart = full.size() - 4 - 0x60 - 0x314;
    const size_t boundaries[] = {blocksStart, blocksStart + 0x314, blocksStart + 0x314 + 0x60};
    for (size_t cut = 0; cut < full.size(); ++cut) {
        ShellLinkInfo info = Parse(ByteVector(full.begin(), full.begin() + cut));
        ParseStatus expected = ParseStatus::Malformed;
        if (cut < 20)
            expected = ParseStatus::NotShellLink;
        else if (std::any_of(std::begin(boundaries), std::end(boundaries),
                             [cut](size_t boundary) { return cut >= boundary && cut - boundary < 4; }))
            expected = ParseStatus::Ok;
        EXPECT_EQ(info.status, expected) << "cut at " << cut << ": " << info.error;
    }
}

TEST(ShellLinkHostile, LooksAtMostOneMebibyte) {
    // Data after the terminal block is never read, however much there is.
    ByteVector padded = Concat({FullLink(), ByteVector(kMaxLinkFileSize, 0xEE)});
    EXPECT_EQ(Parse(padded).status, ParseStatus::Ok);
    // A block that would end past the first mebibyte is cut there, hence malformed.
    ByteVector big = Concat({Header(0), Block(0xA0000009, ByteVector(kMaxLinkFileSize, 0)), Terminal()});
    ShellLinkInfo info = Parse(big);
    EXPECT_EQ(info.status, ParseStatus::Malformed);
}

}  // namespace
}  // namespace qm::lnk
