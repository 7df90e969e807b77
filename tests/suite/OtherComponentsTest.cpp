// The backup, skin and file-finder components: the least their callers rely on.
#include "tests/suite/TestSupport.h"
#include "tools/lnkwriter/LinkWriter.h"

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

namespace qm::test {
namespace {

std::string BackupDir(const host::BackupComponent& backup) {
    Bstr directory;
    EXPECT_EQ(backup.Get()->GetBackupDir(directory.Put()), S_OK);
    return Narrow(directory.View());
}

TEST_F(ComponentTest, BackupKeepsANamedFolderAndRefusesAnEmptyOne) {
    host::BackupComponent backup;
    ASSERT_EQ(host::BackupComponent::Create(backup), S_OK);
    EXPECT_EQ(BackupDir(backup), "");
    const std::string folder = folder_.Path("backups \xC3\xA9 \xF0\x9F\x94\x97");
    EXPECT_NO_THROW(backup.SetBackupDir(folder));
    EXPECT_EQ(BackupDir(backup), folder) << "kept exactly as given, outside the BMP too";

    const host::ComponentError error = ExpectComponentError([&] { backup.SetBackupDir(""); });
    EXPECT_EQ(error.Code(), E_INVALIDARG);
    EXPECT_TRUE(Contains(error.Message(), "empty")) << error.Message();
    EXPECT_EQ(BackupDir(backup), folder) << "a refused folder leaves the one before";
    EXPECT_EQ(backup.Get()->GetBackupDir(nullptr), E_POINTER);
}

TEST_F(ComponentTest, SkinAcceptsTheWizardsCallsInOrder) {
    host::SkinComponent skin;
    ASSERT_EQ(host::SkinComponent::Create(skin), S_OK);
    const std::string description = folder_.Write("Default.uis", "skin");

    EXPECT_EQ(ExpectComponentError([&] { skin.ApplySkin(folder_.Path(), description); }).Code(), E_UNEXPECTED)
        << "a skin before any window";
    EXPECT_EQ(ExpectComponentError([&] { skin.AttachWindow(nullptr); }).Code(), E_INVALIDARG);

    WindowHandle sheet(::CreateWindowExW(0, L"STATIC", L"sheet", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                         nullptr, nullptr));
    ASSERT_TRUE(sheet);
    skin.AttachWindow(sheet.Get());
    EXPECT_NO_THROW(skin.ApplySkin(folder_.Path(), description));
    EXPECT_NO_THROW(skin.UseNoSkin());

    const std::string missing = folder_.Path("Missing.uis");
    const host::ComponentError error = ExpectComponentError([&] { skin.ApplySkin(folder_.Path(), missing); });
    EXPECT_TRUE(Contains(error.Message(), missing)) << error.Message();
    EXPECT_TRUE(FAILED(ExpectComponentError([&] { skin.ApplySkin("", ""); }).Code()));
}

// What the finder reported, by callback.
struct FinderRecord {
    std::vector<std::string> files, folders;
};

int __cdecl RecordFile(const char* path, const FinderReport*, WIN32_FIND_DATAA, void* context) {
    static_cast<FinderRecord*>(context)->files.emplace_back(path);
    return 1;
}

int __cdecl RecordFolder(const char* path, const FinderReport*, WIN32_FIND_DATAA, void* context) {
    static_cast<FinderRecord*>(context)->folders.emplace_back(path);
    return 1;
}

void WriteLink(const std::string& file, const std::string& target) {
    lnkwriter::LinkFields shape;
    shape.localBasePath = target;
    shape.idListPath = target;
    const std::vector<unsigned char> bytes = lnkwriter::BuildLink(shape);
    FileHandle handle(::CreateFileW(Widen(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(handle) << file;
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(handle.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
}

TEST_F(ComponentTest, FileFinderTakesTheScansArgumentsAndChecksThem) {
    host::FileFinderComponent finder;
    ASSERT_EQ(host::FileFinderComponent::Create(finder), S_OK);
    // One broken shortcut and one working one, a folder down.
    ASSERT_TRUE(::CreateDirectoryW(Widen(folder_.Path("sub")).c_str(), nullptr));
    const std::string present = folder_.Write("present.exe", "MZ");
    WriteLink(folder_.Path("sub\\gone.lnk"), folder_.Path("gone.exe"));
    WriteLink(folder_.Path("sub\\working.lnk"), present);

    FinderRecord record;
    EXPECT_EQ(finder.FindBrokenShortcuts(folder_.Path(), RecordFile, RecordFolder, &record), S_OK);
    EXPECT_EQ(record.files, std::vector<std::string>{folder_.Path("sub\\gone.lnk")});
    EXPECT_NE(std::find(record.folders.begin(), record.folders.end(), folder_.Path("sub")), record.folders.end())
        << "the folder callback hears of the folder it enters";

    // Refused arguments reach no callback.
    FinderRecord untouched;
    const char* masks[2] = {"", ""};
    EXPECT_EQ(finder.Get()->FindFiles(nullptr, masks, 0, RecordFile, &untouched, RecordFolder, &untouched, masks, 0, 1, 0,
                                      0, 0, 0, 1, 0, 0),
              E_POINTER);
    const host::ComponentError error = host::ComponentError::FromCall(E_POINTER, finder.Get(), __uuidof(IFileFinderComponent));
    EXPECT_TRUE(Contains(error.Message(), "root")) << error.Message();
    EXPECT_EQ(ExpectComponentError([&] { finder.FindBrokenShortcuts("", RecordFile, RecordFolder, &untouched); }).Code(),
              E_INVALIDARG);
    EXPECT_TRUE(untouched.files.empty());
    EXPECT_TRUE(untouched.folders.empty());
}

// The scan page hands the main thread's finder to its worker's apartment this way: the worker
// must get the object itself, so that its search and callbacks run on the worker at full speed
// (a proxy would carry every call back to the main thread, and cannot carry callback pointers).
TEST_F(ComponentTest, FileFinderMarshalledToAnotherApartmentIsTheObjectItself) {
    host::FileFinderComponent finder;
    ASSERT_EQ(host::FileFinderComponent::Create(finder), S_OK);
    WriteLink(folder_.Path("gone.lnk"), folder_.Path("gone.exe"));
    IStream* stream = nullptr;
    ASSERT_EQ(::CoMarshalInterThreadInterfaceInStream(__uuidof(IFileFinderComponent), finder.Get(), &stream), S_OK);
    IFileFinderComponent* seen = nullptr;
    struct Reports {
        FinderRecord record;
        DWORD thread = 0;
    } reports;
    DWORD workerThread = 0;
    std::thread worker([&] {
        ComApartment apartment(COINIT_APARTMENTTHREADED);
        workerThread = ::GetCurrentThreadId();
        host::ComPtr<IFileFinderComponent> unmarshalled;
        if (FAILED(::CoGetInterfaceAndReleaseStream(stream, __uuidof(IFileFinderComponent),
                                                    reinterpret_cast<void**>(unmarshalled.GetAddressOf()))))
            return;
        seen = unmarshalled.Get();
        // No message pump runs on the main thread meanwhile: a proxy would hang here.
        const host::FileFinderComponent own(std::move(unmarshalled));
        const FinderCallback onFile = [](const char* path, const FinderReport* report, WIN32_FIND_DATAA data, void* context) {
            auto& seenReports = *static_cast<Reports*>(context);
            seenReports.thread = ::GetCurrentThreadId();
            return RecordFile(path, report, data, &seenReports.record);
        };
        own.FindBrokenShortcuts(folder_.Path(), onFile, nullptr, &reports);
    });
    worker.join();
    EXPECT_EQ(seen, finder.Get());
    EXPECT_EQ(reports.record.files, std::vector<std::string>{folder_.Path("gone.lnk")});
    EXPECT_EQ(reports.thread, workerThread) << "the callbacks run on the caller's thread";
}

int __cdecl StopAtOnce(LONG, LONG, void*) { return 0; }

TEST_F(ComponentTest, FileFinderSaysWhereTargetsWent) {
    host::FileFinderComponent finder;
    ASSERT_EQ(host::FileFinderComponent::Create(finder), S_OK);
    lnkwriter::LinkFields linkFields;
    linkFields.localBasePath = folder_.Path("Gone\\tool.exe");
    const std::vector<unsigned char> bytes = lnkwriter::BuildLink(linkFields);
    const std::string link = folder_.Write("tool.lnk", std::string(bytes.begin(), bytes.end()));
    const std::vector<std::string> paths = {folder_.Path("no such.lnk"), link};

    std::vector<host::MovedTarget> found;
    EXPECT_EQ(finder.SuggestTargets(paths, found, nullptr, nullptr), S_OK);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].goneKind, "");
    EXPECT_EQ(found[1].goneKind, "FolderGone");
    EXPECT_EQ(found[1].goneName, "tool.exe");
    EXPECT_EQ(found[1].goneFolder, folder_.Path("Gone"));
    EXPECT_EQ(found[1].suggestion, "");
    EXPECT_EQ(found[1].confidence, "");

    EXPECT_EQ(finder.SuggestTargets(paths, found, StopAtOnce, nullptr), static_cast<HRESULT>(0x00040201));
    EXPECT_TRUE(found.empty());
}

}  // namespace
}  // namespace qm::test
