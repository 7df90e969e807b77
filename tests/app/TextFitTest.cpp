// Every text of every page and dialog fits its control, in English and in German, at the scale
// of this run: run-text-fit-tests.sh runs this program at 100%, 150% and 200% (the Wine
// prefix's LogPixels, QM_FIT_DPI tells which). The program runs in-process with the real
// components and the shipped language files, on a scan of two broken shortcuts, and a thread
// timer plays the user: it visits each page and opens each small dialog, measures each static
// text, button and check box in the font the control draws with, checks that no two controls
// overlap and that the images are made for the DPI, and keeps a picture of each.
#include "app/Startup.h"
#include "app/WelcomeDialog.h"

#include "ProgramDriver.h"

#include "base/Utf.h"
#include "base/win/Dpi.h"
#include "help/AboutDialog.h"
#include "help/SupportDialog.h"
#include "res/dialogs/FolderPage.h"
#include "res/dialogs/ResultsPage.h"
#include "res/dialogs/ScanPage.h"
#include "results/IgnoreListDialog.h"
#include "results/PastChangesDialog.h"
#include "tests/controls/WindowTestKit.h"
#include "tools/lnkwriter/LinkWriter.h"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <prsht.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace qm::app {
namespace {

// What a person reads in a failure: the surface and the control.
std::string Describe(HWND control) {
    wchar_t className[32] = {};
    ::GetClassNameW(control, className, 32);
    return Narrow(className) + " " + std::to_string(::GetDlgCtrlID(control)) + " \"" + Narrow(WindowText(control)) + "\"";
}

RECT RectInParent(HWND control) {
    RECT rect{};
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The room a text needs in the control's own font: one line, or word-wrapped in `wrapWidth`.
SIZE TextExtent(HWND control, const std::wstring& text, int wrapWidth, bool noPrefix) {
    const WindowDc dc(control);
    HFONT font = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
    const SelectObjectScope select(dc.Get(), font ? font : ::GetStockObject(SYSTEM_FONT));
    RECT needed{0, 0, wrapWidth > 0 ? wrapWidth : 1, 0};
    const UINT format = DT_CALCRECT | (wrapWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE) | (noPrefix ? DT_NOPREFIX : 0);
    ::DrawTextW(dc.Get(), text.c_str(), static_cast<int>(text.size()), &needed, format);
    return {needed.right - needed.left, needed.bottom - needed.top};
}

// How a control shows its text; kNone for controls without text to fit.
enum class Shape { kNone, kLine, kWrapped, kPushButton, kCheckBox, kGroupBox };

Shape ShapeOf(HWND control) {
    wchar_t className[32] = {};
    ::GetClassNameW(control, className, 32);
    const LONG style = static_cast<LONG>(::GetWindowLongPtrW(control, GWL_STYLE));
    if (::lstrcmpiW(className, L"Static") == 0) {
        switch (style & SS_TYPEMASK) {
        case SS_LEFT:
        case SS_CENTER:
        case SS_RIGHT:
            return style & SS_CENTERIMAGE ? Shape::kLine : Shape::kWrapped;
        case SS_SIMPLE:
        case SS_LEFTNOWORDWRAP:
            return Shape::kLine;
        default:
            return Shape::kNone;  // icons, pictures, frames and lines
        }
    }
    if (::lstrcmpiW(className, L"Button") != 0) return Shape::kNone;
    switch (style & BS_TYPEMASK) {
    case BS_GROUPBOX:
        return Shape::kGroupBox;
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
        return Shape::kCheckBox;
    default:
        return Shape::kPushButton;  // push buttons, and the owner-drawn icon and link buttons
    }
}

// Checks every visible text control that `parent` holds; answers how many it checked.
int CheckTextsFit(HWND parent, const std::string& where) {
    const UINT dpi = WindowDpi(parent);
    RECT area{};
    ::GetClientRect(parent, &area);
    std::vector<HWND> shown;
    int checked = 0;
    for (HWND control = ::GetWindow(parent, GW_CHILD); control; control = ::GetWindow(control, GW_HWNDNEXT)) {
        if (!::IsWindowVisible(control)) continue;
        const Shape shape = ShapeOf(control);
        const RECT rect = RectInParent(control);
        RECT inside{};
        ::IntersectRect(&inside, &rect, &area);
        EXPECT_TRUE(::EqualRect(&inside, &rect)) << where << ": " << Describe(control) << " reaches past the window's edge";
        if (shape != Shape::kGroupBox) shown.push_back(control);
        const std::wstring text = WindowText(control);
        if (shape == Shape::kNone || text.empty()) continue;
        ++checked;

        RECT client{};
        ::GetClientRect(control, &client);
        const LONG style = static_cast<LONG>(::GetWindowLongPtrW(control, GWL_STYLE));
        const bool noPrefix = shape != Shape::kPushButton && shape != Shape::kCheckBox && (style & SS_NOPREFIX);
        const bool wraps = shape == Shape::kWrapped || ((shape == Shape::kPushButton || shape == Shape::kCheckBox) && (style & BS_MULTILINE));
        // Room the control itself takes beside the text: a push button's edges, a box and its gap.
        int besideText = 0;
        if (shape == Shape::kPushButton) besideText = ScaleToDpi(6, dpi);
        if (shape == Shape::kCheckBox) besideText = ::GetSystemMetrics(SM_CXMENUCHECK) + ScaleToDpi(4, dpi);
        if (shape == Shape::kGroupBox) besideText = ScaleToDpi(16, dpi);
        const int width = client.right - besideText;
        const SIZE needed = TextExtent(control, text, wraps ? width : 0, noPrefix);
        EXPECT_LE(needed.cx, width) << where << ": " << Describe(control) << " is too narrow for its text";
        if (shape != Shape::kGroupBox) {
            EXPECT_LE(needed.cy, client.bottom) << where << ": " << Describe(control) << " is too low for its text";
        }
    }
    for (size_t i = 0; i < shown.size(); ++i) {
        for (size_t j = i + 1; j < shown.size(); ++j) {
            const RECT a = RectInParent(shown[i]), b = RectInParent(shown[j]);
            RECT common{};
            EXPECT_FALSE(::IntersectRect(&common, &a, &b))
                << where << ": " << Describe(shown[i]) << " overlaps " << Describe(shown[j]);
        }
    }
    return checked;
}

// The size of a control's image list, 0 for none.
int ImageSize(HIMAGELIST images) {
    int width = 0, height = 0;
    return images && ::ImageList_GetIconSize(images, &width, &height) ? width : 0;
}

struct Language {
    const char* name;
    const char* file;
};

// What one journey found: controls checked, and the pages and dialogs seen.
struct Tally {
    int controls = 0;
    std::vector<std::string> surfaces;
};

class TextFit : public ::testing::Test {
protected:
    void SetUp() override {
        const char* wanted = std::getenv("QM_FIT_DPI");
        dpi_ = wanted ? static_cast<UINT>(std::atoi(wanted)) : kBaseDpi;
        scale_ = std::to_string(::MulDiv(static_cast<int>(dpi_), 100, static_cast<int>(kBaseDpi))) + "%";
        // Two broken shortcuts for the results page: their targets never existed.
        scanFolder_ = test::TestFolder() + L"\\fit-scan";
        ::CreateDirectoryW(scanFolder_.c_str(), nullptr);
        for (const char* name : {"Old drawing tool", "Tax forms 2019"}) {
            lnkwriter::LinkFields link;
            link.localBasePath = std::string("C:\\Program Files\\Gone away\\") + name + ".exe";
            link.idListPath = link.localBasePath;
            const std::vector<unsigned char> bytes = lnkwriter::BuildLink(link);
            test::WriteFile(scanFolder_ + L"\\" + Widen(name) + L".lnk", std::string(bytes.begin(), bytes.end()));
        }
    }

    void WriteSettings(const Language& language) const {
        std::string ini = "[common]\r\nlangfile=%ModulePath%\\lang\\" + std::string(language.file) + "\r\n";
        ini += "xmlfile=%ModulePath%\\data\\Common.xml\r\nEnableSkin=0\r\n[Vaultdesk]\r\nvd_backup_dir=%TempDirectory%\\qm-fit-backup\r\n";
        ini += "[quillmend_module]\r\nxmlfile=%ModulePath%\\data\\QuillMend.xml\r\nshowstartup=0\r\n";
        test::WriteFile(test::TestFolder() + L"\\config.ini", ini);
        // The shipped document: no size an earlier journey saved.
        test::WriteFile(ModuleXml(), test::ReadFile(test::TestFolder() + L"\\data\\QuillMend.shipped.xml"));
    }

    static std::wstring ModuleXml() { return test::TestFolder() + L"\\data\\QuillMend.xml"; }

    // The wizard's width as the module XML keeps it; 0 when it keeps none.
    static long SavedWizardWidth() {
        const std::string xml = test::ReadFile(ModuleXml());
        const size_t wizard = xml.find("<wizard ");
        const size_t width = wizard == std::string::npos ? wizard : xml.find("width=\"", wizard);
        return width == std::string::npos ? 0 : std::atol(xml.c_str() + width + 7);
    }

    std::string Name(const Language& language, const char* surface) const {
        return std::string(language.name) + " " + scale_ + " " + surface;
    }

    // Checks a surface and keeps its picture as fit-<language>-<scale>-<surface>.bmp.
    void Inspect(Tally& tally, const Language& language, const char* surface, HWND textParent, HWND picture,
                 bool pump = true) {
        tally.controls += CheckTextsFit(textParent, Name(language, surface));
        tally.surfaces.push_back(surface);
        const std::wstring file = L"fit-" + Widen(language.name) + L"-" +
                                  std::to_wstring(::MulDiv(static_cast<int>(dpi_), 100, static_cast<int>(kBaseDpi))) +
                                  L"-" + Widen(surface);
        const std::wstring written = testkit::SaveWindowSnapshot(picture, file, pump);
        EXPECT_FALSE(written.empty()) << Name(language, surface);
        if (!written.empty()) std::printf("[ artifact ] %s\n", Narrow(written).c_str());
    }

    UINT dpi_ = kBaseDpi;
    std::string scale_;
    std::wstring scanFolder_;
};

// Calls `step` from the running message loop every 20 ms until it answers true.
std::function<bool()> g_step;
void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
    if (g_step && g_step()) {
        ::KillTimer(nullptr, id);
        g_step = nullptr;
    }
}

HWND PageWindow(HWND wizard, int index) {
    return reinterpret_cast<HWND>(::SendMessageW(wizard, PSM_INDEXTOHWND, index, 0));
}

int CurrentPage(HWND wizard) {
    return static_cast<int>(::SendMessageW(wizard, PSM_HWNDTOINDEX, ::SendMessageW(wizard, PSM_GETCURRENTPAGEHWND, 0, 0), 0));
}

TEST(Dpi, TheManifestAsksForEachMonitorsDpiWithTheSystemsAsFallback) {
    // Wine treats every program as aware of each monitor's DPI, so only the manifest tells
    // (this program's comes from the same template as the program's).
    const HRSRC found = ::FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(found, nullptr);
    const auto* bytes = static_cast<const char*>(::LockResource(::LoadResource(nullptr, found)));
    const std::string manifest(bytes, ::SizeofResource(nullptr, found));
    EXPECT_NE(manifest.find(">PerMonitorV2,PerMonitor</dpiAwareness>"), std::string::npos) << manifest;
    EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string::npos) << manifest;
}

TEST_F(TextFit, EveryTextFitsItsControlOnEveryPageAndDialog) {
    const Language languages[] = {{"English", "English.lng"}, {"German", "German.lng"}};
    for (const Language& language : languages) {
        SCOPED_TRACE(language.name);
        WriteSettings(language);
        Tally tally;
        bool busy = false, scanSeen = false, done = false;
        long closedWidth = 0;
        // The small dialogs, each run modally over the results page while it shows its rows.
        std::vector<changes::StoredBatch> batches(2);
        batches[0].batch = {"0001767225600-0001", 1767225600, changes::ChangeAction::Delete, "", {}, true, 0};
        batches[1].batch = {"0001767312000-0001", 1767312000, changes::ChangeAction::Retarget, "", {}, false, 0};
        IgnoreList ignored;
        ignored.AddShortcut("C:\\Users\\Public\\Desktop\\Old drawing tool.lnk");
        ignored.AddFolder("D:\\Archive\\Software from 2012");
        const struct {
            const char* name;
            std::function<INT_PTR(HWND)> run;
        } dialogs[] = {
            {"welcome", [](HWND owner) { WelcomeDialog::Show(owner); return INT_PTR{0}; }},
            {"about", [](HWND owner) { return help::AboutDialog::Show(owner); }},
            {"support", [](HWND owner) { return help::SupportDialog::Show(owner); }},
            {"past-changes", [&](HWND owner) { return static_cast<INT_PTR>(results::PastChangesDialog(batches).Choose(owner).has_value()); }},
            {"ignore-list", [&](HWND owner) { return static_cast<INT_PTR>(results::IgnoreListDialog(ignored).Edit(owner)); }},
        };
        g_step = [&] {
            HWND wizard = ::FindWindowW(L"#32770", nullptr);
            for (; wizard && !test::IsWizard(wizard); wizard = ::FindWindowExW(nullptr, wizard, L"#32770", nullptr)) {}
            if (busy || !wizard || !::IsWindowVisible(wizard)) return false;
            // The scan ends on the results page, with its rows.
            HWND results = PageWindow(wizard, 2);
            HWND resultsList = results ? ::GetDlgItem(results, IDC_RESULTS_LIST) : nullptr;
            if (CurrentPage(wizard) != 2 || ListView_GetItemCount(resultsList) < 2) return false;
            EXPECT_EQ(WindowDpi(wizard), dpi_) << "the prefix's LogPixels did not take";
            if (!scanSeen) {
                // Back to the scan page, which scans again and comes back here by itself; its
                // texts are measured at once, before the scan's end (which waits for this thread).
                scanSeen = true;
                ::SendMessageW(wizard, PSM_SETCURSEL, 1, 0);
                HWND scan = PageWindow(wizard, 1);
                Inspect(tally, language, "scan", scan, wizard, /*pump=*/false);
                EXPECT_EQ(ImageSize(ListView_GetImageList(::GetDlgItem(scan, IDC_SCAN_ROOTS), LVSIL_SMALL)), ScaleToDpi(16, dpi_))
                    << "root state icons";
                return false;
            }
            busy = true;

            // A selected row explains itself in the line under the list.
            ListView_SetItemState(resultsList, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
            Inspect(tally, language, "results", results, wizard);
            EXPECT_EQ(ImageSize(ListView_GetImageList(resultsList, LVSIL_SMALL)), ScaleToDpi(16, dpi_)) << "file icons";
            EXPECT_GE(ImageSize(ListView_GetImageList(resultsList, LVSIL_STATE)), ScaleToDpi(13, dpi_)) << "tick boxes";
            for (const auto& dialog : dialogs) {
                testkit::RunModalWith([&] { return dialog.run(results); },
                                      [&](HWND shown) { Inspect(tally, language, dialog.name, shown, shown); });
            }

            ::SendMessageW(wizard, PSM_SETCURSEL, 0, 0);
            HWND folders = PageWindow(wizard, 0);
            HWND tree = ::GetDlgItem(folders, IDC_FOLDER_TREE);
            Inspect(tally, language, "folders", folders, wizard);
            EXPECT_EQ(ImageSize(TreeView_GetImageList(tree, TVSIL_NORMAL)), ScaleToDpi(18, dpi_)) << "folder icons";
            EXPECT_EQ(ImageSize(TreeView_GetImageList(tree, TVSIL_STATE)), ScaleToDpi(18, dpi_)) << "tick boxes";

            // Another monitor's DPI: the wizard takes the system's rectangle, the pages make
            // their images again.
            RECT suggested{};
            ::GetWindowRect(wizard, &suggested);
            ::OffsetRect(&suggested, 10, 10);
            suggested.right += 20;
            const HIMAGELIST ticksBefore = TreeView_GetImageList(tree, TVSIL_STATE);
            const HIMAGELIST fileIconsBefore = ListView_GetImageList(resultsList, LVSIL_SMALL);
            const int fileIconCount = ::ImageList_GetImageCount(fileIconsBefore);
            ::SendMessageW(wizard, WM_DPICHANGED, MAKEWPARAM(dpi_, dpi_), reinterpret_cast<LPARAM>(&suggested));
            RECT now{};
            ::GetWindowRect(wizard, &now);
            EXPECT_TRUE(::EqualRect(&now, &suggested)) << "the wizard did not take the suggested rectangle";
            EXPECT_NE(TreeView_GetImageList(tree, TVSIL_STATE), ticksBefore) << "the folder page kept its images";
            const HIMAGELIST fileIcons = ListView_GetImageList(resultsList, LVSIL_SMALL);
            EXPECT_NE(fileIcons, fileIconsBefore) << "the results page kept its images";
            EXPECT_EQ(::ImageList_GetImageCount(fileIcons), fileIconCount) << "the rows' icons are made again in their places";
            RECT closing{};
            ::GetWindowRect(wizard, &closing);
            closedWidth = closing.right - closing.left;
            done = true;
            ::PostMessageW(wizard, WM_COMMAND, IDCANCEL, 0);
            return true;
        };
        EXPECT_TRUE(test::WaitUntilNoInstanceRuns());
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, &OnTimer);
        const std::string commandLine = "/scan \"" + Narrow(scanFolder_) + "\"";
        RunProgram(::GetModuleHandleW(nullptr), commandLine.c_str(), SW_SHOWNORMAL);
        ::KillTimer(nullptr, timer);
        g_step = nullptr;
        ASSERT_TRUE(done) << "the journey did not reach the results page with its rows";
        // Its size is kept as at 100%, so that it comes back as large to the eye at any scale.
        EXPECT_NEAR(SavedWizardWidth(), ::MulDiv(closedWidth, static_cast<int>(kBaseDpi), static_cast<int>(dpi_)), 1);
        std::string seen;
        for (const std::string& surface : tally.surfaces) seen += (seen.empty() ? "" : ", ") + surface;
        std::printf("[ fit ] %s at %s: %d controls checked on %zu pages and dialogs (%s)\n", language.name,
                    scale_.c_str(), tally.controls, tally.surfaces.size(), seen.c_str());
        EXPECT_EQ(tally.surfaces.size(), std::size(dialogs) + 3);
    }
}

}  // namespace
}  // namespace qm::app
