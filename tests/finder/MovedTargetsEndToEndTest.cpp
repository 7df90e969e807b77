// The search for moved targets through the file finder's second interface, under Wine: real
// shortcut files whose targets moved, were removed or still work, created and asked through
// registration-free COM as the program asks.
#include "base/Utf.h"
#include "base/win/Handle.h"
#include "suite/finder/FindOptions.h"
#include "suite/include/QuillSuite.h"
#include "tools/lnkwriter/LinkWriter.h"

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace qm::finder {
namespace {

using Microsoft::WRL::ComPtr;
namespace fs = std::filesystem;

struct Reported {
    LONG index;
    std::string goneKind, goneName, goneFolder, suggestion, confidence, strategy;
    bool targetIsFolder;
};

struct Recorder {
    std::vector<Reported> reports;
    std::vector<LONG> progress;
    size_t stopAfterReports = 0;  // 0: never
    size_t stopAtProgress = 0;    // 0: never; k: progress answers 0 at its k-th call
};

int __cdecl OnReport(const MovedTargetReport* r, void* context) {
    auto& recorder = *static_cast<Recorder*>(context);
    EXPECT_EQ(r->size, sizeof(MovedTargetReport));
    recorder.reports.push_back(
        {r->index, r->goneKind, r->goneName, r->goneFolder, r->suggestion, r->confidence, r->strategy, r->targetIsFolder != 0});
    return recorder.stopAfterReports == 0 || recorder.reports.size() < recorder.stopAfterReports;
}

int __cdecl OnProgress(LONG done, LONG, void* context) {
    auto& recorder = *static_cast<Recorder*>(context);
    recorder.progress.push_back(done);
    return recorder.stopAtProgress == 0 || recorder.progress.size() < recorder.stopAtProgress;
}

std::string WindowsPath(const fs::path& path) { return Narrow(path.wstring()); }

uint64_t WriteTimeOf(const fs::path& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    EXPECT_TRUE(::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data));
    return (uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime;
}

class MovedTargetsEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(apartment_.Result()));
        ComPtr<IFileFinderComponent> finder;
        ASSERT_EQ(::CoCreateInstance(CLSID_FileFinderComponent, nullptr, CLSCTX_ALL, __uuidof(IFileFinderComponent),
                                     reinterpret_cast<void**>(finder.GetAddressOf())),
                  S_OK);
        ASSERT_EQ(finder.As(&moved_), S_OK);

        wchar_t temp[MAX_PATH];
        ASSERT_NE(::GetTempPathW(MAX_PATH, temp), 0u);
        root_ = fs::path(temp) / (L"qm-moved-" + std::to_wstring(::GetCurrentProcessId()));
        fs::remove_all(root_);
        fs::create_directories(root_ / L"Docs" / L"Archive");
        fs::create_directories(root_ / L"links");
        std::ofstream(root_ / L"Docs" / L"Archive" / L"report.txt", std::ios::binary) << "moved here";
        std::ofstream(root_ / L"Docs" / L"stays.txt", std::ios::binary) << "still here";
    }
    void TearDown() override { fs::remove_all(root_); }

    // A shortcut in links\ to `target`, recording the size and time of `recorded` (the file as
    // it was when the shortcut was made).
    std::string Link(const std::wstring& name, const fs::path& target, const fs::path& recorded) {
        lnkwriter::LinkFields linkFields;
        linkFields.localBasePath = WindowsPath(target);
        linkFields.targetSize = static_cast<uint32_t>(fs::file_size(recorded));
        linkFields.targetWriteTime = WriteTimeOf(recorded);
        std::vector<unsigned char> bytes = lnkwriter::BuildLink(linkFields);
        const fs::path path = root_ / L"links" / name;
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return WindowsPath(path);
    }

    HRESULT Suggest(const std::vector<std::string>& paths, Recorder& recorder, bool withProgress = true) {
        std::vector<const char*> pointers;
        for (const std::string& path : paths) pointers.push_back(path.c_str());
        return moved_->SuggestTargets(pointers.data(), static_cast<LONG>(pointers.size()), OnReport,
                                      withProgress ? OnProgress : nullptr, &recorder);
    }

    ComApartment apartment_;
    ComPtr<IMovedTargetFinder> moved_;
    fs::path root_;
};

TEST_F(MovedTargetsEndToEnd, ExplainsAndSuggestsForEachShortcutInOrder) {
    const fs::path moved = root_ / L"Docs" / L"Archive" / L"report.txt";
    const std::vector<std::string> paths = {
        Link(L"moved.lnk", root_ / L"Docs" / L"report.txt", moved),
        Link(L"gone.lnk", root_ / L"Gone" / L"Deep" / L"tool.exe", moved),
        Link(L"works.lnk", root_ / L"Docs" / L"stays.txt", root_ / L"Docs" / L"stays.txt"),
        WindowsPath(root_ / L"links" / L"no such shortcut.lnk"),
    };
    Recorder recorder;
    ASSERT_EQ(Suggest(paths, recorder), S_OK);
    ASSERT_EQ(recorder.reports.size(), 4u);
    for (LONG i = 0; i < 4; ++i) EXPECT_EQ(recorder.reports[i].index, i);

    const Reported& first = recorder.reports[0];
    EXPECT_EQ(first.goneKind, "ItemNotInFolder");
    EXPECT_EQ(first.goneName, "report.txt");
    EXPECT_EQ(first.goneFolder, WindowsPath(root_ / L"Docs"));
    EXPECT_EQ(first.suggestion, WindowsPath(moved));
    EXPECT_EQ(first.confidence, "Certain");
    EXPECT_EQ(first.strategy, "SubtreeSearch");
    EXPECT_FALSE(first.targetIsFolder);

    const Reported& second = recorder.reports[1];
    EXPECT_EQ(second.goneKind, "FolderGone");
    EXPECT_EQ(second.goneName, "tool.exe");
    EXPECT_EQ(second.goneFolder, WindowsPath(root_ / L"Gone"));
    EXPECT_EQ(second.suggestion, "");
    EXPECT_EQ(second.confidence, "");

    // Working again, or not a readable shortcut: nothing to say.
    for (size_t i : {2u, 3u}) {
        EXPECT_EQ(recorder.reports[i].goneKind, "") << i;
        EXPECT_EQ(recorder.reports[i].suggestion, "") << i;
    }
    EXPECT_FALSE(recorder.progress.empty());
}

TEST_F(MovedTargetsEndToEnd, SaysWhenTheMissingTargetWasAFolder) {
    lnkwriter::LinkFields linkFields;
    linkFields.localBasePath = WindowsPath(root_ / L"Docs" / L"Old project");
    linkFields.targetAttributes = FILE_ATTRIBUTE_DIRECTORY;
    const std::vector<unsigned char> bytes = lnkwriter::BuildLink(linkFields);
    const fs::path link = root_ / L"links" / L"folder.lnk";
    std::ofstream(link, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    Recorder recorder;
    ASSERT_EQ(Suggest({WindowsPath(link)}, recorder, false), S_OK);
    ASSERT_EQ(recorder.reports.size(), 1u);
    EXPECT_EQ(recorder.reports[0].goneKind, "ItemNotInFolder");
    EXPECT_EQ(recorder.reports[0].goneName, "Old project");
    EXPECT_TRUE(recorder.reports[0].targetIsFolder);
}

TEST_F(MovedTargetsEndToEnd, AnUpdatedFileIsOnlyAPossibility) {
    const fs::path moved = root_ / L"Docs" / L"Archive" / L"report.txt";
    const std::string link = Link(L"moved.lnk", root_ / L"Docs" / L"report.txt", moved);
    std::ofstream(moved, std::ios::binary | std::ios::app) << " and changed";
    Recorder recorder;
    ASSERT_EQ(Suggest({link}, recorder, false), S_OK);
    ASSERT_EQ(recorder.reports.size(), 1u);
    EXPECT_EQ(recorder.reports[0].suggestion, WindowsPath(moved));
    EXPECT_EQ(recorder.reports[0].confidence, "Possible");
}

TEST_F(MovedTargetsEndToEnd, StopsWhenACallbackSaysSoAndRefusesBadArguments) {
    const fs::path moved = root_ / L"Docs" / L"Archive" / L"report.txt";
    const std::string link = Link(L"moved.lnk", root_ / L"Docs" / L"report.txt", moved);

    Recorder stopAtProgress;
    stopAtProgress.stopAtProgress = 1;
    EXPECT_EQ(Suggest({link, link}, stopAtProgress), static_cast<HRESULT>(kFindStopped));
    EXPECT_TRUE(stopAtProgress.reports.empty());

    Recorder stopAtReport;
    stopAtReport.stopAfterReports = 1;
    EXPECT_EQ(Suggest({link, link, link}, stopAtReport), static_cast<HRESULT>(kFindStopped));
    EXPECT_EQ(stopAtReport.reports.size(), 1u);

    // The progress callback is the caller's Stop: it is asked while the shortcuts are read and
    // before each folder of the walk that finds the moved file, and a 0 at any of those calls
    // ends the search there, the callback never asked again.
    for (int i = 0; i < 20; ++i) fs::create_directories(root_ / L"Docs" / (L"box" + std::to_wstring(i)));
    Recorder whole;
    ASSERT_EQ(Suggest({link}, whole), S_OK);
    ASSERT_EQ(whole.reports.size(), 1u);
    EXPECT_EQ(whole.reports[0].suggestion, WindowsPath(moved));
    EXPECT_GE(whole.progress.size(), 22u) << "not asked for each folder the walk lists";
    for (size_t call = 1; call <= whole.progress.size(); ++call) {
        Recorder stopped;
        stopped.stopAtProgress = call;
        EXPECT_EQ(Suggest({link}, stopped), static_cast<HRESULT>(kFindStopped)) << call;
        EXPECT_EQ(stopped.progress.size(), call) << "asked again after a stop";
        EXPECT_TRUE(stopped.reports.empty()) << call;
    }

    Recorder none;
    const char* paths[] = {link.c_str(), nullptr};
    EXPECT_EQ(moved_->SuggestTargets(paths, -1, OnReport, nullptr, &none), E_INVALIDARG);
    EXPECT_EQ(moved_->SuggestTargets(nullptr, 1, OnReport, nullptr, &none), E_POINTER);
    EXPECT_EQ(moved_->SuggestTargets(paths, 2, OnReport, nullptr, &none), E_POINTER);
    EXPECT_EQ(moved_->SuggestTargets(paths, 1, nullptr, nullptr, &none), E_POINTER);
    EXPECT_EQ(moved_->SuggestTargets(nullptr, 0, OnReport, nullptr, &none), S_OK);
    EXPECT_TRUE(none.reports.empty());
}

}  // namespace
}  // namespace qm::finder
