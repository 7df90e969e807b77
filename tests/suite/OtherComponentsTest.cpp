// The backup, skin and file-finder components: the least their callers rely on.
#include "tests/suite/TestSupport.h"
#include "tools/lnkwriter/LinkWriter.h"

namespace qm::test {
namespace {

TEST_F(ComponentTest, BackupKeepsANamedFolderAndRefusesAnEmptyOne) {
    host::BackupComponent backup;
    ASSERT_EQ(host::BackupComponent::Create(backup), S_OK);
    EXPECT_NO_THROW(backup.SetBackupDir(folder_.File("backups \xC3\xA9")));
    const host::ComponentError error = ExpectComponentError([&] { backup.SetBackupDir(""); });
    EXPECT_EQ(error.Code(), E_INVALIDARG);
    EXPECT_TRUE(Contains(error.Message(), "empty")) << error.Message();
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

    const std::string missing = folder_.File("Missing.uis");
    const host::ComponentError error = ExpectComponentError([&] { skin.ApplySkin(folder_.Path(), missing); });
    EXPECT_TRUE(Contains(error.Message(), missing)) << error.Message();
    EXPECT_TRUE(FAILED(ExpectComponentError([&] { skin.ApplySkin("", ""); }).Code()));
}

int __cdecl CountCall(const char*, const FinderReport*, WIN32_FIND_DATAA, void* context) {
    ++*static_cast<int*>(context);
    return 1;
}

TEST_F(ComponentTest, FileFinderTakesTheScansArgumentsAndChecksThem) {
    host::FileFinderComponent finder;
    ASSERT_EQ(host::FileFinderComponent::Create(finder), S_OK);
    int calls = 0;
    EXPECT_NO_THROW(finder.FindBrokenShortcuts(folder_.Path(), CountCall, CountCall, &calls));

    const char* masks[2] = {"", ""};
    EXPECT_EQ(finder.Get()->FindFiles(nullptr, masks, 0, CountCall, &calls, CountCall, &calls, masks, 0, 1, 0, 0, 0, 0, 1, 0, 0),
              E_POINTER);
    const host::ComponentError error = host::ComponentError::FromCall(E_POINTER, finder.Get(), __uuidof(IFileFinderComponent));
    EXPECT_TRUE(Contains(error.Message(), "root")) << error.Message();
    EXPECT_EQ(ExpectComponentError([&] { finder.FindBrokenShortcuts("", CountCall, CountCall, &calls); }).Code(), E_INVALIDARG);
}

int __cdecl StopAtOnce(LONG, LONG, void*) { return 0; }

TEST_F(ComponentTest, FileFinderSaysWhereTargetsWent) {
    host::FileFinderComponent finder;
    ASSERT_EQ(host::FileFinderComponent::Create(finder), S_OK);
    lnkwriter::LinkSpec spec;
    spec.localBasePath = folder_.File("Gone\\tool.exe");
    const std::vector<unsigned char> bytes = lnkwriter::BuildLink(spec);
    const std::string link = folder_.Write("tool.lnk", std::string(bytes.begin(), bytes.end()));
    const std::vector<std::string> paths = {folder_.File("no such.lnk"), link};

    std::vector<host::MovedTarget> found;
    EXPECT_EQ(finder.SuggestTargets(paths, found, nullptr, nullptr), S_OK);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].goneKind, "");
    EXPECT_EQ(found[1].goneKind, "FolderGone");
    EXPECT_EQ(found[1].goneName, "tool.exe");
    EXPECT_EQ(found[1].goneFolder, folder_.File("Gone"));
    EXPECT_EQ(found[1].suggestion, "");
    EXPECT_EQ(found[1].confidence, "");

    EXPECT_EQ(finder.SuggestTargets(paths, found, StopAtOnce, nullptr), static_cast<HRESULT>(0x00040201));
    EXPECT_TRUE(found.empty());
}

}  // namespace
}  // namespace qm::test
