// FindFiles end to end under Wine: real trees of real shortcut files, the component created
// through registration-free COM and called with the scan's own arguments, and the console front
// end run as a separate process.
#include "base/Utf.h"
#include "base/win/Handle.h"
#include "suite/finder/FindOptions.h"
#include "suite/include/QuillSuite.h"
#include "tests/base/ReportParsers.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempFolder.h"
#include "tools/lnkwriter/LinkWriter.h"
#include "tools/lnkwriter/TreeGenerator.h"

#include <gtest/gtest.h>
#include <wrl/client.h>
#include <winioctl.h>
#include <shlobj.h>
#include <knownfolders.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace qm::finder {
namespace {

using test::TempFolder;

using Microsoft::WRL::ComPtr;
namespace fs = std::filesystem;

std::wstring Extended(const std::wstring& path) { return L"\\\\?\\" + path; }

// A tree of these many folders, files and links to generate in "tree" below `temp`.
lnkwriter::TreeShape TreeIn(const TempFolder& temp, uint32_t folders, uint32_t files, uint32_t links) {
    lnkwriter::TreeShape shape;
    shape.root = fs::path(temp.Wide()) / L"tree";
    shape.windowsRoot = temp.Path() + "\\tree";
    shape.folders = folders;
    shape.files = files;
    shape.links = links;
    return shape;
}

void WriteBytes(const std::wstring& path, const std::vector<unsigned char>& bytes) {
    FileHandle file(::CreateFileW(Extended(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file) << Narrow(path);
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
}

void MakeFolder(const std::wstring& path) {
    ASSERT_TRUE(::CreateDirectoryW(Extended(path).c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS) << Narrow(path);
}


char AbsentDriveLetter() {
    const DWORD drives = ::GetLogicalDrives();
    for (char letter = 'Y'; letter >= 'G'; --letter) {
        if (!(drives & (1u << (letter - 'A')))) return letter;
    }
    return 0;
}

struct Report {
    std::string path;
    std::string name;  // the find data's cFileName
    DWORD attributes = 0;
};

struct Recorder {
    std::vector<Report> files, folders;
    DWORD thread = ::GetCurrentThreadId();
    bool otherThread = false;
    int stopAtFile = -1;    // answer 0 to this file report (0-based)
    int stopAtFolder = -1;  // ... or to this folder report
    int callsAfterStop = 0;
    bool stopped = false;
};

// Records one report; answers 0 when it is the report the test stops at.
int Record(Recorder& r, std::vector<Report>& reports, int stopAt, const char* path, const WIN32_FIND_DATAA& data) {
    if (r.stopped) ++r.callsAfterStop;
    if (::GetCurrentThreadId() != r.thread) r.otherThread = true;
    reports.push_back({path, data.cFileName, data.dwFileAttributes});
    if (static_cast<int>(reports.size()) - 1 == stopAt) {
        r.stopped = true;
        return 0;
    }
    return 1;
}

int __cdecl OnFile(const char* path, const FinderReport*, WIN32_FIND_DATAA data, void* context) {
    auto& r = *static_cast<Recorder*>(context);
    return Record(r, r.files, r.stopAtFile, path, data);
}

int __cdecl OnFolder(const char* path, const FinderReport*, WIN32_FIND_DATAA data, void* context) {
    auto& r = *static_cast<Recorder*>(context);
    return Record(r, r.folders, r.stopAtFolder, path, data);
}

class FinderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(apartment_.Result()));
        ASSERT_EQ(::CoCreateInstance(CLSID_FileFinderComponent, nullptr, CLSCTX_ALL, __uuidof(IFileFinderComponent),
                                     reinterpret_cast<void**>(finder_.GetAddressOf())),
                  S_OK);
    }

    // FindFiles exactly as the scan page calls it.
    HRESULT Find(const std::string& root, Recorder& recorder, LONG followReparse = 0) {
        std::vector<char> buffer(root.begin(), root.end());
        buffer.resize(root.size() + 2, '\0');
        const char* include[2] = {"", ""};
        const char* exclude[1] = {""};
        return finder_->FindFiles(buffer.data(), include, 0, OnFile, &recorder, OnFolder, &recorder, exclude,
                                  followReparse, 1, 0, 0, 0, 0, 1, 0, 0);
    }

    static std::set<std::string> Paths(const std::vector<Report>& reports) {
        std::set<std::string> paths;
        for (const Report& r : reports) paths.insert(r.path);
        return paths;
    }

    ComApartment apartment_;
    ComPtr<IFileFinderComponent> finder_;
};

TEST_F(FinderTest, ReportsExactlyTheBrokenShortcutsOfAGeneratedTree) {
    TempFolder temp;
    lnkwriter::TreeShape shape = TreeIn(temp, 60, 300, 96);
    shape.absentDrive = AbsentDriveLetter();
    lnkwriter::TreeResult tree = lnkwriter::GenerateTree(shape);
    for (int k = 0; k < static_cast<int>(lnkwriter::LinkKind::Count); ++k) {
        if (static_cast<lnkwriter::LinkKind>(k) == lnkwriter::LinkKind::AbsentDrive && !shape.absentDrive) continue;
        EXPECT_GT(tree.perKind[k], 0u) << lnkwriter::KindName(static_cast<lnkwriter::LinkKind>(k));
    }

    Recorder first;
    EXPECT_EQ(Find(shape.windowsRoot, first), S_OK);
    EXPECT_EQ(Paths(first.files), std::set<std::string>(tree.broken.begin(), tree.broken.end()));
    EXPECT_EQ(first.files.size(), tree.broken.size()) << "a shortcut was reported twice";
    EXPECT_FALSE(first.otherThread);

    // Every folder entered once, the root first; never "." or "..".
    ASSERT_FALSE(first.folders.empty());
    EXPECT_EQ(first.folders[0].path, shape.windowsRoot);
    EXPECT_EQ(first.folders.size(), tree.folders);
    EXPECT_EQ(Paths(first.folders).size(), first.folders.size());
    for (const Report& folder : first.folders) {
        EXPECT_NE(folder.name, ".");
        EXPECT_NE(folder.name, "..");
        EXPECT_TRUE(folder.attributes & FILE_ATTRIBUTE_DIRECTORY) << folder.path;
    }
    // Each report carries its own entry: the name is the path's last part.
    for (const Report& file : first.files) {
        EXPECT_EQ(file.path.substr(file.path.size() - file.name.size()), file.name);
        EXPECT_FALSE(file.attributes & FILE_ATTRIBUTE_DIRECTORY);
    }

    Recorder second;  // the same order for an unchanged tree
    EXPECT_EQ(Find(shape.windowsRoot + "\\", second), S_OK);
    ASSERT_EQ(second.files.size(), first.files.size());
    for (size_t i = 0; i < first.files.size(); ++i) EXPECT_EQ(second.files[i].path, first.files[i].path);
    ASSERT_EQ(second.folders.size(), first.folders.size());
    for (size_t i = 0; i < first.folders.size(); ++i) EXPECT_EQ(second.folders[i].path, first.folders[i].path);
}

// Hand-made cases the generator does not cover: hidden and system folders, names that only
// look like shortcuts, paths longer than MAX_PATH, a folder target, Unicode everywhere.
TEST_F(FinderTest, SearchesHiddenFoldersAndLongPathsAndReadsOnlyShortcuts) {
    TempFolder temp;
    const std::wstring root = temp.Wide();
    const std::string root8 = temp.Path();
    auto link = [](const std::string& target) {
        lnkwriter::LinkFields shape;
        shape.localBasePath = target;
        return lnkwriter::BuildLink(shape);
    };
    const std::string gone = root8 + "\\gone.exe";
    std::set<std::string> expected;

    MakeFolder(root + L"\\hidden");
    ::SetFileAttributesW(Extended(root + L"\\hidden").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    WriteBytes(root + L"\\hidden\\in hidden.lnk", link(gone));
    expected.insert(root8 + "\\hidden\\in hidden.lnk");

    WriteBytes(root + L"\\shortcut.txt", link(gone));            // a link, but not named .lnk
    WriteBytes(root + L"\\empty.lnk", {});                         // nothing in it
    std::vector<unsigned char> truncated = link(gone);
    truncated.resize(90);
    WriteBytes(root + L"\\truncated.lnk", truncated);
    WriteBytes(root + L"\\folder target.lnk", link(root8 + "\\hidden\\"));
    WriteBytes(root + L"\\\x65E5\x672C \xD83D\xDCC1.lnk", link(root8 + "\\\xE6\x97\xA5-gone.exe"));
    expected.insert(root8 + "\\\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x93\x81.lnk");

    // A chain of folders well past MAX_PATH.
    std::wstring deep = root;
    std::string deep8 = root8;
    for (int i = 0; deep.size() < 400; ++i) {
        deep += L"\\a rather long folder name " + std::to_wstring(i);
        deep8 += "\\a rather long folder name " + std::to_string(i);
        MakeFolder(deep);
    }
    WriteBytes(deep + L"\\deep.lnk", link(deep8 + "\\gone too.exe"));
    expected.insert(deep8 + "\\deep.lnk");

    ComPtr<IFinderCoverage> coverage;
    ASSERT_EQ(finder_.As(&coverage), S_OK);
    FinderCoverage counts{sizeof(FinderCoverage), 99, 99};
    std::thread([&] { EXPECT_EQ(coverage->LastSearchCoverage(&counts), S_FALSE); }).join();  // no search there
    EXPECT_EQ(counts.foldersSearched + counts.shortcutsChecked, 0u);

    Recorder recorder;
    EXPECT_EQ(Find(root8, recorder), S_OK);
    EXPECT_EQ(Paths(recorder.files), expected);
    bool longSeen = false;
    for (const Report& file : recorder.files) longSeen |= file.path.size() > MAX_PATH;
    EXPECT_TRUE(longSeen);

    // What the search covered: every folder it entered, and the four files that read as shell
    // links (the folder target's works); neither the empty nor the truncated one, nor the .txt.
    ASSERT_EQ(coverage->LastSearchCoverage(&counts), S_OK);
    EXPECT_EQ(counts.foldersSearched, recorder.folders.size());
    EXPECT_EQ(counts.shortcutsChecked, 4u);
    FinderCoverage tooSmall{sizeof(DWORD), 0, 0};
    EXPECT_EQ(coverage->LastSearchCoverage(&tooSmall), E_INVALIDARG);
}

TEST_F(FinderTest, StopsWhenACallbackAnswersZero) {
    TempFolder temp;
    lnkwriter::TreeShape shape = TreeIn(temp, 40, 50, 64);
    lnkwriter::GenerateTree(shape);

    struct Case {
        const char* what;
        int stopAtFile, stopAtFolder;
        size_t files, folders;
    };
    const Case cases[] = {
        {"first broken shortcut", 0, -1, 1, 0},
        {"third broken shortcut", 2, -1, 3, 0},
        {"the root folder", -1, 0, 0, 1},
        {"the fifth folder", -1, 4, 0, 5},
    };
    for (const Case& c : cases) {
        Recorder recorder;
        recorder.stopAtFile = c.stopAtFile;
        recorder.stopAtFolder = c.stopAtFolder;
        HRESULT result = Find(shape.windowsRoot, recorder);
        EXPECT_EQ(result, kFindStopped) << c.what;
        EXPECT_TRUE(SUCCEEDED(result)) << c.what;
        EXPECT_EQ(recorder.callsAfterStop, 0) << c.what;
        EXPECT_EQ(recorder.files.size() == c.files || c.stopAtFile < 0, true) << c.what;
        if (c.stopAtFolder >= 0) EXPECT_EQ(recorder.folders.size(), c.folders) << c.what;
        else EXPECT_EQ(recorder.files.size(), c.files) << c.what;
    }
}

// A junction that points back up the tree would loop forever if it were followed.
TEST_F(FinderTest, NeverFollowsJunctionsOrSymbolicLinks) {
    TempFolder temp;
    const std::wstring loop = temp.Wide() + L"\\loop";
    MakeFolder(loop);
    MakeFolder(loop + L"\\inner");
    lnkwriter::LinkFields shape;
    shape.localBasePath = temp.Path() + "\\gone.exe";
    WriteBytes(loop + L"\\inner\\broken.lnk", lnkwriter::BuildLink(shape));

    const std::wstring back = loop + L"\\inner\\back";
    bool made = false;
    std::string how;
    // A mount point (junction) through FSCTL_SET_REPARSE_POINT.
    MakeFolder(back);
    {
        FileHandle dir(::CreateFileW(Extended(back).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (dir) {
            const std::wstring substitute = L"\\??\\" + loop;
            const size_t pathBytes = (substitute.size() + 1 + loop.size() + 1) * sizeof(wchar_t);
            std::vector<unsigned char> buffer(8 + 8 + pathBytes, 0);
            auto put16 = [&](size_t at, size_t v) { buffer[at] = uint8_t(v); buffer[at + 1] = uint8_t(v >> 8); };
            const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
            std::memcpy(buffer.data(), &tag, 4);
            put16(4, 8 + pathBytes);
            put16(8, 0);
            put16(10, substitute.size() * 2);
            put16(12, (substitute.size() + 1) * 2);
            put16(14, loop.size() * 2);
            std::memcpy(buffer.data() + 16, substitute.c_str(), (substitute.size() + 1) * 2);
            std::memcpy(buffer.data() + 16 + (substitute.size() + 1) * 2, loop.c_str(), (loop.size() + 1) * 2);
            DWORD returned = 0;
            made = ::DeviceIoControl(dir.Get(), FSCTL_SET_REPARSE_POINT, buffer.data(), static_cast<DWORD>(buffer.size()),
                                     nullptr, 0, &returned, nullptr);
            how = "junction";
        }
    }
    if (!made) {
        ::RemoveDirectoryW(Extended(back).c_str());
        made = ::CreateSymbolicLinkW(back.c_str(), loop.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY | 0x2 /* unprivileged */);
        how = "directory symbolic link";
    }
    if (!made) GTEST_SKIP() << "this system makes neither junctions nor directory symbolic links";

    WIN32_FIND_DATAW probe;
    FindHandle through(::FindFirstFileW(Extended(back + L"\\inner").c_str(), &probe));
    if (!through) GTEST_SKIP() << how << " reported as made, but it does not lead back (a stub)";
    through.Reset();

    Recorder recorder;
    EXPECT_EQ(Find(temp.Path(), recorder), S_OK) << how;
    EXPECT_EQ(recorder.files.size(), 1u) << how;
    EXPECT_EQ(recorder.folders.size(), 3u) << how;  // root, loop, inner; never back
    ::RemoveDirectoryW(Extended(back).c_str());
}

TEST_F(FinderTest, FailsClearlyOnARootItCannotSearchOrWrongArguments) {
    TempFolder temp;
    WriteBytes(temp.Wide() + L"\\file.txt", {'x'});
    struct Case {
        const char* what;
        std::string root;
    };
    const Case cases[] = {
        {"missing folder", temp.Path() + "\\no such folder"},
        {"a file", temp.Path() + "\\file.txt"},
        {"absent drive", std::string(1, AbsentDriveLetter() ? AbsentDriveLetter() : 'Y') + ":\\"},
    };
    for (const Case& c : cases) {
        Recorder recorder;
        HRESULT result = Find(c.root, recorder);
        EXPECT_TRUE(FAILED(result)) << c.what;
        EXPECT_TRUE(recorder.files.empty() && recorder.folders.empty()) << c.what;
        ComPtr<IErrorInfo> info;
        ASSERT_EQ(::GetErrorInfo(0, info.GetAddressOf()), S_OK) << c.what;
        Bstr description;
        info->GetDescription(description.Put());
        EXPECT_NE(Narrow(description.View()).find(c.root.substr(0, 2)), std::string::npos) << c.what;
    }

    Recorder recorder;
    EXPECT_EQ(Find(temp.Path(), recorder, /*followReparse=*/1), E_INVALIDARG);
    EXPECT_EQ(finder_->FindFiles(nullptr, nullptr, 0, OnFile, &recorder, OnFolder, &recorder, nullptr, 0, 1, 0, 0, 0, 0, 1, 0, 0),
              E_POINTER);
}

// ---- The console front end --------------------------------------------------------------

using ScanRun = test::ProcessRun;

std::wstring ScannerPath() {
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    path.resize(path.find_last_of(L'\\'));
    return path + L"\\..\\bin\\QuillMendScan.exe";
}

ScanRun RunScanner(const std::wstring& arguments) { return test::RunProcess(L"\"" + ScannerPath() + L"\" " + arguments); }

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

TEST_F(FinderTest, ConsoleFrontEndPrintsTheBrokenShortcutsAndReportsFailures) {
    TempFolder temp;
    lnkwriter::TreeShape shape = TreeIn(temp, 30, 60, 48);
    lnkwriter::TreeResult tree = lnkwriter::GenerateTree(shape);
    const std::wstring quotedRoot = L"\"" + Widen(shape.windowsRoot) + L"\"";

    ScanRun ok = RunScanner(L"--stats " + quotedRoot);
    EXPECT_EQ(ok.exitCode, 0u) << ok.err;
    std::vector<std::string> lines = Lines(ok.out);
    EXPECT_EQ(std::set<std::string>(lines.begin(), lines.end()), std::set<std::string>(tree.broken.begin(), tree.broken.end()));
    EXPECT_EQ(lines.size(), tree.broken.size());
    EXPECT_NE(ok.err.find(std::to_string(tree.folders) + " folders"), std::string::npos) << ok.err;

    // A folder that can't be searched: a message, exit code 2, the other folder still searched.
    ScanRun partly = RunScanner(L"\"" + temp.Wide() + L"\\missing\" " + quotedRoot);
    EXPECT_EQ(partly.exitCode, 2u);
    EXPECT_NE(partly.err.find("missing"), std::string::npos) << partly.err;
    EXPECT_EQ(Lines(partly.out).size(), tree.broken.size());

    struct Usage {
        const wchar_t* arguments;
        DWORD exitCode;
    };
    const Usage usages[] = {{L"", 1}, {L"--bogus " , 1}, {L"--stats", 1}};
    for (const Usage& u : usages) {
        ScanRun run = RunScanner(u.arguments);
        EXPECT_EQ(run.exitCode, u.exitCode) << Narrow(u.arguments);
        EXPECT_TRUE(run.out.empty()) << Narrow(u.arguments);
        EXPECT_FALSE(run.err.empty()) << Narrow(u.arguments);
    }
}

TEST_F(FinderTest, ConsoleFrontEndWritesReportsThatParseAndAgree) {
    TempFolder temp;
    lnkwriter::TreeShape shape = TreeIn(temp, 10, 20, 16);
    lnkwriter::TreeResult tree = lnkwriter::GenerateTree(shape);

    // A shortcut whose folder and name need quoting in CSV and hold non-ASCII letters, to a file
    // since moved one folder down, so that the suggestion columns are filled too.
    const std::wstring odd = temp.Wide() + L"\\tree\\B\u00fccher, alt";
    const std::wstring docs = temp.Wide() + L"\\docs";
    MakeFolder(odd);
    MakeFolder(docs);
    MakeFolder(docs + L"\\Archiv");
    const std::wstring moved = docs + L"\\Archiv\\Bericht \u65e5\u672c.txt";
    WriteBytes(moved, {'m', 'o', 'v', 'e', 'd'});
    WIN32_FILE_ATTRIBUTE_DATA movedData{};
    ASSERT_TRUE(::GetFileAttributesExW(moved.c_str(), GetFileExInfoStandard, &movedData));
    lnkwriter::LinkFields linkFields;
    linkFields.localBasePath = Narrow(docs + L"\\Bericht \u65e5\u672c.txt");
    linkFields.targetSize = 5;
    linkFields.targetWriteTime = (uint64_t{movedData.ftLastWriteTime.dwHighDateTime} << 32) | movedData.ftLastWriteTime.dwLowDateTime;
    const std::string oddLink = Narrow(odd + L"\\Bericht, 'neu' \u00e9.lnk");
    WriteBytes(Widen(oddLink), lnkwriter::BuildLink(linkFields));
    std::set<std::string> expected(tree.broken.begin(), tree.broken.end());
    expected.insert(oddLink);
    const std::wstring quotedRoot = L"\"" + Widen(shape.windowsRoot) + L"\"";

    ScanRun csv = RunScanner(L"--format=csv " + quotedRoot);
    EXPECT_EQ(csv.exitCode, 0u) << csv.err;
    ASSERT_EQ(csv.out.substr(0, 3), "\xEF\xBB\xBF");
    testing::CsvTable table;
    ASSERT_TRUE(testing::ParseCsv(std::string_view(csv.out).substr(3), table)) << csv.out;
    ASSERT_EQ(table.size(), expected.size() + 1) << csv.out;
    const std::vector<std::string> header = {"path", "folder", "name", "target", "reason", "suggestion", "confidence"};
    EXPECT_EQ(table[0], header);
    std::set<std::string> paths;
    for (size_t r = 1; r < table.size(); ++r) {
        const std::vector<std::string>& row = table[r];
        ASSERT_EQ(row.size(), header.size()) << r;
        paths.insert(row[0]);
        EXPECT_EQ(row[1] + "\\" + row[2], row[0]);
        EXPECT_FALSE(row[4].empty()) << row[0];
        if (row[0] == oddLink) {
            EXPECT_EQ(row[3], linkFields.localBasePath);
            EXPECT_EQ(row[5], Narrow(moved));
            EXPECT_EQ(row[6], "Certain");
        }
    }
    EXPECT_EQ(paths, expected);

    ScanRun jsonl = RunScanner(L"--format=jsonl " + quotedRoot);
    EXPECT_EQ(jsonl.exitCode, 0u) << jsonl.err;
    std::vector<testing::JsonObject> objects;
    ASSERT_TRUE(testing::ParseJsonLines(jsonl.out, objects)) << jsonl.out;
    std::set<std::vector<std::string>> fromJson, fromCsv(table.begin() + 1, table.end());
    for (const testing::JsonObject& object : objects) {
        std::vector<std::string> keys, values;
        for (const auto& [key, value] : object) {
            keys.push_back(key);
            values.push_back(value);
        }
        EXPECT_EQ(keys, header);
        fromJson.insert(values);
    }
    EXPECT_EQ(objects.size(), expected.size());
    EXPECT_EQ(fromJson, fromCsv);

    const wchar_t* const wrong[] = {L"--format=xml ", L"--details --format=csv ", L"--format= "};
    for (const wchar_t* arguments : wrong) {
        ScanRun run = RunScanner(arguments + quotedRoot);
        EXPECT_EQ(run.exitCode, 1u) << Narrow(arguments);
        EXPECT_TRUE(run.out.empty()) << Narrow(arguments);
    }
}

// Internet shortcuts beside shell links: a file: URL's or bare path's target is judged like a
// link's, anything else is left alone; the console front end reports them with a suggestion.
TEST_F(FinderTest, InternetShortcutsToFilesAreJudgedLikeShellLinks) {
    TempFolder temp;
    std::string root = temp.Path();
    std::string url = "file:///" + root;
    std::replace(url.begin(), url.end(), '\\', '/');
    temp.Folder("docs\\Archiv");
    temp.Write("docs\\kept.txt", "kept");
    const std::string moved = temp.Write("docs\\Archiv\\moved \xC3\xA9.txt", "moved");
    auto shortcut = [](const std::string& target) { return "[InternetShortcut]\r\nURL=" + target + "\r\nIconIndex=0\r\n"; };
    const char absent[] = {AbsentDriveLetter(), ':', '\0'};
    const std::set<std::string> broken = {
        temp.Write("gone.url", shortcut(url + "/docs/gone%20file.txt")),
        temp.Write("bare.URL", shortcut(root + "\\docs\\gone.txt")),
        temp.Write("moved.url", shortcut(url + "/docs/moved%20%C3%A9.txt")),
    };
    temp.Write("kept.url", shortcut(url + "/docs/kept.txt"));
    temp.Write("web.url", shortcut("http://example.com/gone.txt"));
    if (absent[0]) temp.Write("absent drive.url", shortcut(std::string("file:///") + absent + "/gone.txt"));
    std::string binary("\x4C\0\0\0", 4);
    temp.Write("binary.url", binary + "[InternetShortcut]\r\nURL=" + url + "/gone.txt\r\n");
    temp.Write("no section.url", "URL=" + url + "/gone.txt");

    Recorder recorder;
    EXPECT_EQ(Find(root, recorder), S_OK);
    EXPECT_EQ(Paths(recorder.files), broken);

    // Judged again before a change: broken, working, and not an internet shortcut at all.
    ComPtr<IShortcutJudge> judge;
    ASSERT_EQ(finder_.As(&judge), S_OK);
    const std::string again[] = {root + "\\gone.url", root + "\\kept.url", root + "\\binary.url"};
    const char* paths[] = {again[0].c_str(), again[1].c_str(), again[2].c_str()};
    std::vector<LONG> verdicts;
    auto collect = [](const ShortcutJudgementReport* report, void* context) -> int {
        static_cast<std::vector<LONG>*>(context)->push_back(report->verdict);
        return 1;
    };
    EXPECT_EQ(judge->JudgeShortcuts(paths, 3, collect, &verdicts), S_OK);
    EXPECT_EQ(verdicts, (std::vector<LONG>{1, 0, -1}));

    ScanRun jsonl = RunScanner(L"--format=jsonl \"" + temp.Wide() + L"\"");
    EXPECT_EQ(jsonl.exitCode, 0u) << jsonl.err;
    std::vector<testing::JsonObject> objects;
    ASSERT_TRUE(testing::ParseJsonLines(jsonl.out, objects)) << jsonl.out;
    std::set<std::string> reported;
    for (testing::JsonObject& object : objects) {
        std::map<std::string, std::string> row(object.begin(), object.end());
        reported.insert(row["path"]);
        if (row["name"] == "moved.url") {
            EXPECT_EQ(row["target"], root + "\\docs\\moved \xC3\xA9.txt");
            EXPECT_EQ(row["suggestion"], moved);
        }
    }
    EXPECT_EQ(reported, broken);
}

TEST_F(FinderTest, ConsoleFrontEndLeavesOutWhatTheIgnoreListNames) {
    TempFolder temp;
    const std::string root = temp.Path();
    temp.Folder("Recent\\deeper");
    temp.Folder("Recently");
    auto broken = [&](const std::string& name) {
        return temp.Write(name, "[InternetShortcut]\r\nURL=" + root + "\\gone\\" + name + "\r\n");
    };
    broken("Recent\\a.url");
    broken("Recent\\deeper\\b.url");
    broken("old.url");
    const std::set<std::string> kept = {broken("Recently\\c.url"), broken("new.url")};
    const std::string list = temp.Write("module.xml", "<config><select_folders/><ignore><shortcut name=\"" + root +
                                                          "\\OLD.url\"/><folder name=\"" + root + "\\recent\\\"/></ignore></config>");
    const std::wstring quotedRoot = L"\"" + temp.Wide() + L"\"";

    ScanRun all = RunScanner(quotedRoot);
    EXPECT_EQ(all.exitCode, 0u) << all.err;
    EXPECT_EQ(Lines(all.out).size(), 5u) << all.out;
    ScanRun ignoring = RunScanner(L"--ignore-list \"" + Widen(list) + L"\" " + quotedRoot);
    EXPECT_EQ(ignoring.exitCode, 0u) << ignoring.err;
    std::vector<std::string> lines = Lines(ignoring.out);
    EXPECT_EQ(std::set<std::string>(lines.begin(), lines.end()), kept) << ignoring.out;

    // A list that can't be read: nothing searched, code 2, the reason on standard error.
    for (const std::string& bad : {temp.Path("missing.xml"), temp.Write("bad.xml", "<config><ignore>")}) {
        ScanRun run = RunScanner(L"--format=jsonl --ignore-list=\"" + Widen(bad) + L"\" " + quotedRoot);
        EXPECT_EQ(run.exitCode, 2u) << bad;
        EXPECT_TRUE(run.out.empty()) << run.out;
        EXPECT_NE(run.err.find("ignore list"), std::string::npos) << run.err;
    }
}

// Profiles of the test's own in the machine's profile list, removed again when it ends.
class ListedProfiles {
public:
    ~ListedProfiles() {
        for (const std::wstring& sid : sids_) ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, (kList + sid).c_str());
    }
    void Add(const std::wstring& sid, DWORD type, const std::string& path) {
        RegistryKey key;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, (kList + sid).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.Put(), nullptr),
                  ERROR_SUCCESS);
        sids_.push_back(sid);
        const std::wstring value = Widen(path);
        ASSERT_EQ(::RegSetValueExW(key.Get(), L"ProfileImagePath", 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }

private:
    static inline const std::wstring kList = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\";
    std::vector<std::wstring> sids_;
};

TEST_F(FinderTest, ConsoleFrontEndSearchesTheUsualPlacesOfEveryProfile) {
    TempFolder temp;
    auto broken = [&](const std::string& folder, const std::string& name) {
        temp.Folder(folder);
        return temp.Write(folder + "\\" + name, "[InternetShortcut]\r\nURL=" + temp.Path() + "\\gone\\" + name + "\r\n");
    };
    const std::string roaming = "\\AppData\\Roaming\\Microsoft\\Windows";
    std::set<std::pair<std::string, std::string>> expected = {
        {broken("Users\\Ann\\Desktop", "a.url"), "Ann"},
        // Inside the Start menu: searched once, with it.
        {broken("Users\\Ann" + roaming + "\\Start Menu\\Programs\\Startup", "s.url"), "Ann"},
        {broken("Users\\Bob" + roaming + "\\SendTo", "t.url"), "Bob"},
    };
    broken("Users\\Ann" + roaming + "\\Recent", "r.url");  // Recent items are not searched,
    broken("Users\\Ann\\Documents", "d.url");               // nor other folders of a profile,
    broken("Users\\Service\\Desktop", "x.url");             // nor a service's profile,
    broken("Users\\Old\\Desktop", "o.url");                 // nor one Windows set aside.
    // A shortcut in a place all users share, on the public desktop.
    TaskMemoryText publicDesktop;
    ASSERT_EQ(::SHGetKnownFolderPath(FOLDERID_PublicDesktop, 0, nullptr, publicDesktop.Put()), S_OK);
    const std::string shared = Narrow(publicDesktop.Get()) + "\\qm-all-users-" + std::to_string(::GetCurrentProcessId()) + ".url";
    TempFolder gone;
    const std::string sharedText = "[InternetShortcut]\r\nURL=" + gone.Path() + "\\x.txt\r\n";
    WriteBytes(Widen(shared), std::vector<unsigned char>(sharedText.begin(), sharedText.end()));
    struct Remove {
        std::wstring path;
        ~Remove() { ::DeleteFileW(path.c_str()); }
    } removeShared{Widen(shared)};
    expected.insert({shared, "All Users"});

    ::SetEnvironmentVariableW(L"QM_TEST_PROFILES", Widen(temp.Path("Users")).c_str());  // the scanner inherits it
    ListedProfiles profiles;
    profiles.Add(L"S-1-5-21-7-7-7-9001", REG_EXPAND_SZ, "%QM_TEST_PROFILES%\\Ann");
    profiles.Add(L"S-1-5-21-7-7-7-9002", REG_SZ, temp.Path("Users\\Bob\\"));
    profiles.Add(L"S-1-5-80-7-7-7-9003", REG_SZ, temp.Path("Users\\Service"));
    profiles.Add(L"S-1-5-21-7-7-7-9004.bak", REG_SZ, temp.Path("Users\\Old"));

    ScanRun all = RunScanner(L"--all-users --format=jsonl");
    EXPECT_EQ(all.exitCode, 0u) << all.err;
    std::vector<testing::JsonObject> objects;
    ASSERT_TRUE(testing::ParseJsonLines(all.out, objects)) << all.out;
    std::set<std::pair<std::string, std::string>> found;
    size_t rows = 0;
    for (const testing::JsonObject& object : objects) {
        ASSERT_EQ(object.size(), 8u) << all.out;
        ASSERT_EQ(object.back().first, "profile");
        const std::string& path = object.front().second;
        // The other profiles of the machine (the user running the test) may hold anything.
        if (path.rfind(temp.Path(), 0) != 0 && path != shared) continue;
        found.insert({path, object.back().second});
        ++rows;
    }
    EXPECT_EQ(found, expected) << all.out;
    EXPECT_EQ(rows, expected.size()) << "a shortcut was reported twice: " << all.out;

    // The calling user's places alone: the shared shortcut, none of the other profiles', and the
    // report's columns as ever.
    ScanRun own = RunScanner(L"--usual-places --format=csv");
    EXPECT_EQ(own.exitCode, 0u) << own.err;
    testing::CsvTable table;
    ASSERT_TRUE(testing::ParseCsv(std::string_view(own.out).substr(3), table)) << own.out;
    ASSERT_FALSE(table.empty());
    EXPECT_EQ(table[0].size(), 7u);
    std::set<std::string> paths;
    for (size_t r = 1; r < table.size(); ++r) paths.insert(table[r][0]);
    EXPECT_TRUE(paths.count(shared)) << own.out;
    EXPECT_TRUE(std::none_of(paths.begin(), paths.end(), [&](const std::string& p) { return p.rfind(temp.Path(), 0) == 0; }));
    EXPECT_EQ(RunScanner(L"--usual-places --all-users").exitCode, 1u);
}

}  // namespace
}  // namespace qm::finder
