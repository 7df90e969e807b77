#include "app/WizardSheet.h"

#include "app/CommandLine.h"
#include "base/PathText.h"
#include "base/Utf.h"
#include "base/win/Dpi.h"
#include "base/win/Handle.h"
#include "controls/HighContrast.h"
#include "controls/ModalDialog.h"
#include "controls/Placement.h"
#include "host/Components.h"
#include "res/ResourceIds.h"
#include "ui/AppModule.h"
#include "ui/FatalError.h"
#include "ui/PathMacros.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstring>
#include <memory>

namespace qm::app {
namespace {

constexpr UINT_PTR kSheetSubclassId = 1;
// The window property that holds a sheet window's object.
constexpr wchar_t kSheetProperty[] = L"QuillMend.WizardSheet";

// In a dialog template handed over by PSCB_PRECREATE (either layout): clears WS_VISIBLE and
// gives the sheet a sizing frame.
void AdjustTemplate(LPARAM lParam) {
    if (!lParam) return;
    auto* words = reinterpret_cast<WORD*>(lParam);
    const bool extended = words[0] == 1 && words[1] == 0xFFFF;  // DLGTEMPLATEEX: version, signature
    // DLGTEMPLATEEX: dlgVer, signature, helpID, exStyle, style; DLGTEMPLATE: style first.
    auto* style = reinterpret_cast<DWORD*>(extended ? words + 6 : words);
    DWORD value;
    std::memcpy(&value, style, sizeof(value));
    value &= ~static_cast<DWORD>(WS_VISIBLE);
    value |= WS_THICKFRAME;
    std::memcpy(style, &value, sizeof(value));
}

// The arguments after the program's name, split by the system's rules.
std::vector<std::string> SplitArguments(const char* commandLine) {
    // The first argument follows rules of its own (a program path): a stand-in goes first.
    const std::wstring line = L"QuillMend.exe " + Widen(commandLine ? commandLine : "");
    int count = 0;
    LocalMemory block(::CommandLineToArgvW(line.c_str(), &count));
    std::vector<std::string> arguments;
    const auto* argv = static_cast<const LPWSTR*>(block.Get());
    for (int i = 1; argv && i < count; ++i) arguments.push_back(Narrow(argv[i]));
    return arguments;
}

// A folder given relative to the current folder, as from a console, made a full path.
std::string FullPath(const std::string& folder) {
    const std::wstring wide = Widen(folder);
    const DWORD length = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (length == 0) return folder;
    std::wstring full(length, L'\0');
    const DWORD written = ::GetFullPathNameW(wide.c_str(), length, full.data(), nullptr);
    if (written == 0 || written >= length) return folder;
    full.resize(written);
    return Narrow(full);
}

// Which edges of the sheet a control of the sheet's own keeps to: the buttons stay at the
// bottom, on the side they are on; the line above them and the (hidden) tab control stretch.
unsigned SheetAnchors(HWND control, const RECT& client) {
    wchar_t name[32] = {};
    ::GetClassNameW(control, name, 32);
    const controls::Box place = controls::PlaceInParent(control);
    if (::lstrcmpiW(name, WC_BUTTONW) == 0) {
        const bool rightHalf = place.left + place.right > client.right;
        return controls::kAnchorBottom | (rightHalf ? controls::kAnchorRight : controls::kAnchorLeft);
    }
    if (::lstrcmpiW(name, WC_TABCONTROLW) == 0) return controls::kAnchorAll;
    return controls::kAnchorLeft | controls::kAnchorRight | controls::kAnchorBottom;
}

void ShowCommandLineProblem(const CommandLine& parsed) {
    std::string text = parsed.problem == CommandLine::Problem::NoFolder ? host::Text("_QM_CmdNoFolder")
                                                                         : host::Text("_QM_CmdUnknown");
    const std::string placeholder = "{argument}";
    if (const size_t at = text.find(placeholder); at != std::string::npos) text.replace(at, placeholder.size(), parsed.argument);
    text += "\n\n" + host::Text("_QM_CmdUsage");
    ::MessageBoxW(nullptr, Widen(text).c_str(), Widen(host::Text("_SHELL_ERROR")).c_str(), MB_OK | MB_ICONERROR);
}

}  // namespace

WizardSheet::WizardSheet(WelcomeDialogEntry showWelcome, std::vector<std::string> scanFolders)
    : showWelcome_(showWelcome), scanFolders_(std::move(scanFolders)) {}

WizardSheet::~WizardSheet() {
    if (window_ && ::IsWindow(window_)) ::DestroyWindow(window_);
    for (HPROPSHEETPAGE page : pages_) ::DestroyPropertySheetPage(page);
}

HWND WizardSheet::Create() {
    for (ui::PropertyPage* page : std::initializer_list<ui::PropertyPage*>{&folderPage_, &scanPage_, &resultsPage_, &finishPage_}) {
        if (HPROPSHEETPAGE handle = page->CreatePage()) pages_.push_back(handle);
    }
    header_ = {};
    header_.dwSize = sizeof(header_);
    header_.dwFlags = PSH_WIZARD | PSH_MODELESS | PSH_USECALLBACK;
    header_.hwndParent = nullptr;
    header_.hInstance = ui::TheAppModule().Instance();
    header_.nPages = static_cast<UINT>(pages_.size());
    header_.nStartPage = 0;
    if (!scanFolders_.empty()) {
        // Straight to the scan page: the roots are there before it starts its worker.
        state_.roots.Replace(WithoutNestedRoots(scanFolders_));
        folderPage_.TickInstead(scanFolders_);
        header_.nStartPage = 1;
    }
    header_.phpage = pages_.data();
    header_.pfnCallback = &WizardSheet::SheetCallback;

    ui::TheAppModule().AddWindowBeingCreated(this);
    const INT_PTR created = ::PropertySheetW(&header_);
    if (created == 0 || created == -1) {
        ui::TheAppModule().TakeWindowBeingCreated();  // the callback never took it
        return nullptr;
    }
    if (window_) {
        StartLayout();
        RestoreLayout();
    }
    return reinterpret_cast<HWND>(created);
}

void WizardSheet::StartLayout() {
    RECT outer{}, client{};
    ::GetWindowRect(window_, &outer);
    ::GetClientRect(window_, &client);
    minimum_ = {outer.right - outer.left, outer.bottom - outer.top};
    layout_.Start(window_);
    HWND current = reinterpret_cast<HWND>(::SendMessageW(window_, PSM_GETCURRENTPAGEHWND, 0, 0));
    pageArea_ = current ? controls::PlaceInParent(current) : controls::Box{};
    for (HWND child = ::GetWindow(window_, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (::SendMessageW(window_, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(child), 0) >= 0) continue;  // a page
        layout_.Add(child, SheetAnchors(child, client));
    }
}

namespace {

// The module XML keeps sizes as at 100%, so a size saved on a monitor of one DPI comes back as
// large to the eye on another.
long ToPixels(long stored, UINT dpi) { return ::MulDiv(stored, static_cast<int>(dpi), static_cast<int>(kBaseDpi)); }
long ToStored(long pixels, UINT dpi) { return ::MulDiv(pixels, static_cast<int>(kBaseDpi), static_cast<int>(dpi)); }
std::vector<long> Scaled(std::vector<long> widths, long (*scale)(long, UINT), UINT dpi) {
    for (long& width : widths) width = scale(width, dpi);
    return widths;
}

}  // namespace

void WizardSheet::RestoreLayout() {
    try {
        saved_ = host::LoadWizardLayout(host::TheComponents().moduleXml);
    } catch (const host::ComponentError&) {
        saved_ = {};  // an unreadable document: the sheet's own size
    }
    const UINT dpi = WindowDpi(window_);
    resultsPage_.UseColumnWidths(Scaled(saved_.resultColumns, ToPixels, dpi));
    if (!saved_.width) return;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (!::GetMonitorInfoW(::MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &monitor)) return;
    const RECT& work = monitor.rcWork;
    const controls::Extent size = controls::FittedSize({ToPixels(saved_.width, dpi), ToPixels(saved_.height, dpi)}, minimum_,
                                                       {work.left, work.top, work.right, work.bottom});
    ::SetWindowPos(window_, nullptr, 0, 0, size.width, size.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void WizardSheet::SaveLayout() {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    if (!::GetWindowPlacement(window_, &placement)) return;
    const RECT& normal = placement.rcNormalPosition;
    const UINT dpi = WindowDpi(window_);
    host::WizardLayout layout = saved_;
    layout.width = ToStored(normal.right - normal.left, dpi);
    layout.height = ToStored(normal.bottom - normal.top, dpi);
    layout.resultColumns = Scaled(resultsPage_.ColumnWidths(), ToStored, dpi);
    // Nothing new to remember: the document is not written.
    const bool asAtStart = saved_.width ? layout == saved_
                                        : normal.right - normal.left == minimum_.width &&
                                              normal.bottom - normal.top == minimum_.height &&
                                              layout.resultColumns == saved_.resultColumns;
    if (asAtStart) return;
    try {
        host::SaveWizardLayout(host::TheComponents().moduleXml, layout);
    } catch (const host::ComponentError&) {
        // Not remembered (a read-only file, say): the next start has the sheet's own size.
    }
}

void WizardSheet::LayOut(const RECT& client) {
    if (!layout_.Started()) return;
    layout_.Apply(client);
    HWND tabs = reinterpret_cast<HWND>(::SendMessageW(window_, PSM_GETTABCONTROL, 0, 0));
    const LRESULT count = ::SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0);
    for (LRESULT index = 0; index < count; ++index) {
        // Pages not shown yet have no window; each asks for its size as it becomes active.
        if (HWND page = reinterpret_cast<HWND>(::SendMessageW(window_, PSM_INDEXTOHWND, index, 0))) FitPage(page);
    }
}

void WizardSheet::FitPage(HWND page) const {
    if (!layout_.Started() || pageArea_.Width() <= 0 || !page) return;
    RECT client{};
    ::GetClientRect(window_, &client);
    const controls::Box box = controls::Anchored(pageArea_, controls::kAnchorAll, layout_.GrowthX(client), layout_.GrowthY(client));
    const controls::Box now = controls::PlaceInParent(page);
    if (now.left == box.left && now.top == box.top && now.right == box.right && now.bottom == box.bottom) return;
    ::SetWindowPos(page, nullptr, box.left, box.top, box.Width(), box.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
}

WizardSheet* WizardSheet::OfWindow(HWND window) {
    return window ? static_cast<WizardSheet*>(::GetPropW(window, kSheetProperty)) : nullptr;
}

int CALLBACK WizardSheet::SheetCallback(HWND window, UINT message, LPARAM lParam) {
    if (message == PSCB_PRECREATE) {
        // The sheet's own template is visible; created hidden, the window appears only when
        // Run shows it, with its icons set and after a welcome dialog has been closed.
        AdjustTemplate(lParam);
        return 0;
    }
    if (message != PSCB_INITIALIZED) return 0;
    auto* sheet = static_cast<WizardSheet*>(ui::TheAppModule().TakeWindowBeingCreated());
    if (!sheet) return 0;
    return ui::CallGuarded(0, [&] {
        sheet->OnInitialized(window);
        return 0;
    });
}

void WizardSheet::OnInitialized(HWND window) {
    window_ = window;
    ::SetWindowSubclass(window, &WizardSheet::SheetProc, kSheetSubclassId, reinterpret_cast<DWORD_PTR>(this));
    ::SetPropW(window, kSheetProperty, this);
    pages_.clear();  // the sheet window owns the pages now

    ::SetWindowLongPtrW(window, GWL_STYLE, ::GetWindowLongPtrW(window, GWL_STYLE) | WS_MINIMIZEBOX);

    const host::Components& components = host::TheComponents();
    components.skin.AttachWindow(window);
    if (components.config.GetInt("common", "EnableSkin") != 0) {
        const std::string root = ui::ExpandPathMacros(components.config.GetString("common", "SkinRoot"));
        const std::string description = ui::ExpandPathMacros(components.config.GetString("common", "SkinUIS"));
        components.skin.ApplySkin(root, description);
    } else {
        components.skin.UseNoSkin();
    }
    if (scanFolders_.empty() && components.config.GetInt("quillmend_module", "showstartup") != 0 && showWelcome_) {
        showWelcome_(::GetActiveWindow());
    }
}

LRESULT CALLBACK WizardSheet::SheetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                        DWORD_PTR self) {
    auto* sheet = reinterpret_cast<WizardSheet*>(self);
    if (message == WM_NCDESTROY) {
        ::RemoveWindowSubclass(window, &WizardSheet::SheetProc, kSheetSubclassId);
        ::RemovePropW(window, kSheetProperty);
        sheet->window_ = nullptr;
        return ::DefSubclassProc(window, message, wParam, lParam);
    }
    const std::optional<LRESULT> handled =
        ui::CallGuarded<std::optional<LRESULT>>(LRESULT{0}, [&] { return sheet->HandleMessage(message, wParam, lParam); });
    return handled ? *handled : ::DefSubclassProc(window, message, wParam, lParam);
}

std::optional<LRESULT> WizardSheet::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // Only the top-level window hears of a new high-contrast mode or colours; the pages'
    // self-painted controls repaint with them.
    controls::ForwardColourChanges(window_, message, wParam, lParam);
    switch (message) {
    case WM_SHOWWINDOW:
        if (wParam) CentreOnce();
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            Close(kExitOk);
            return 0;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            Close(kExitCancel);
            return 0;
        }
        return std::nullopt;  // Back, Next, Finish, Help: the property sheet's own
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            ::SendMessageW(window_, WM_CLOSE, 0, 0);
            return 0;
        }
        return std::nullopt;
    case WM_CLOSE:
        // Ends exactly like Cancel, also while a page has the Cancel button disabled.
        Close(kExitCancel);
        return 0;
    case WM_WIZARD_NEXT_PAGE:
        return MoveToNextPage();
    case WM_WIZARD_FIT_PAGE:
        FitPage(reinterpret_cast<HWND>(wParam));
        return 0;
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED) {
            RECT client{};
            ::GetClientRect(window_, &client);
            LayOut(client);
        }
        return std::nullopt;
    case WM_GETMINMAXINFO:
        // Never smaller than at the start: asked for by the frame and by every move alike.
        if (minimum_.width > 0) {
            auto& info = *reinterpret_cast<MINMAXINFO*>(lParam);
            info.ptMinTrackSize = {minimum_.width, minimum_.height};
            return 0;
        }
        return std::nullopt;
    case WM_DPICHANGED:
        FollowDpi(*reinterpret_cast<const RECT*>(lParam));
        return 0;
    default:
        return std::nullopt;
    }
}

void WizardSheet::Close(int quitCode) {
    SaveLayout();
    ::DestroyWindow(window_);
    ::PostQuitMessage(quitCode);
}

void WizardSheet::CentreOnce() {
    if (centred_) return;
    centred_ = true;
    controls::CentreDialog(window_);
}

void WizardSheet::FollowDpi(const RECT& suggested) {
    // The system's rectangle keeps the wizard as large to the eye on the new monitor; so is the
    // smallest size it may take, and the pages are laid out again in it (WM_SIZE).
    RECT now{};
    ::GetWindowRect(window_, &now);
    if (now.right > now.left && now.bottom > now.top) {
        minimum_.width = ::MulDiv(minimum_.width, suggested.right - suggested.left, now.right - now.left);
        minimum_.height = ::MulDiv(minimum_.height, suggested.bottom - suggested.top, now.bottom - now.top);
    }
    ::SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    // The pages made so far draw their images again at the new size. Before per-monitor v2 the
    // system tells only the wizard; after it, a page hearing it twice just does it twice.
    for (WPARAM index = 0;; ++index) {
        const auto page = reinterpret_cast<HWND>(::SendMessageW(window_, PSM_INDEXTOHWND, index, 0));
        if (!page) break;
        ::SendMessageW(page, WM_DPICHANGED_AFTERPARENT, 0, 0);
    }
}

LRESULT WizardSheet::MoveToNextPage() {
    HWND tabs = reinterpret_cast<HWND>(::SendMessageW(window_, PSM_GETTABCONTROL, 0, 0));
    const LRESULT count = ::SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0);
    const LRESULT current = ::SendMessageW(tabs, TCM_GETCURSEL, 0, 0);
    if (current + 1 >= count) return -1;
    ::SendMessageW(window_, PSM_SETCURSEL, static_cast<WPARAM>(current + 1), 0);
    return 0;
}

bool WizardSheet::PreTranslateMessage(MSG& message) {
    return window_ && ::IsDialogMessageW(window_, &message);
}

int Run(const char* commandLine, int showCommand, WelcomeDialogEntry showWelcome) {
    const CommandLine parsed = ParseCommandLine(SplitArguments(commandLine));
    if (parsed.problem != CommandLine::Problem::None) {
        ShowCommandLineProblem(parsed);
        return kExitBadCommandLine;
    }
    std::vector<std::string> scanFolders;
    for (const std::string& folder : parsed.scanFolders) scanFolders.push_back(FullPath(folder));

    ui::MessageLoop loop;
    ui::AppModule& module = ui::TheAppModule();
    module.AddMessageLoop(&loop);
    struct LoopRegistration {
        ui::AppModule& module;
        ~LoopRegistration() { module.RemoveMessageLoop(); }
    } registration{module};

    auto sheet = std::make_unique<WizardSheet>(showWelcome, std::move(scanFolders));
    HWND window = sheet->Create();
    if (!window) return 0;
    if (ui::HasFatalError()) return ui::kExitComponentFailure;  // the sheet's initialisation failed

    const HINSTANCE instance = module.Instance();
    // The window keeps using its icons until it is destroyed, which happens before these go.
    IconHandle bigIcon(static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON,
                                                       ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), 0)));
    IconHandle smallIcon(static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON,
                                                         ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0)));
    ::SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon.Get()));
    ::SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.Get()));
    ::ShowWindow(window, showCommand);

    loop.AddMessageFilter(sheet.get());
    loop.AddIdleHandler(sheet.get());
    const int exitCode = loop.Run();
    loop.RemoveIdleHandler(sheet.get());
    loop.RemoveMessageFilter(sheet.get());
    sheet.reset();  // destroys a window still open (after a failure) and the pages
    return exitCode;
}

}  // namespace qm::app
