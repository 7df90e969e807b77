#include "tests/controls/WindowTestKit.h"

#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace qm::testkit {

namespace {

LRESULT CALLBACK ParentProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_GETFONT) return reinterpret_cast<LRESULT>(::GetStockObject(DEFAULT_GUI_FONT));
    if (message == WM_COMMAND) {
        if (auto* commands = reinterpret_cast<std::vector<ParentWindow::Command>*>(::GetWindowLongPtrW(window, GWLP_USERDATA)))
            commands->push_back({LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)});
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

const wchar_t* ParentClass() {
    static const wchar_t* name = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = ParentProcedure;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
        windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = L"QmTestParent";
        ::RegisterClassW(&windowClass);
        return L"QmTestParent";
    }();
    return name;
}

COLORREF FromBgra(unsigned pixel) { return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF); }

std::wstring ModuleFolder() {
    wchar_t path[MAX_PATH]{};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    folder.resize(folder.find_last_of(L"\\/") + 1);
    return folder;
}

}  // namespace

ParentWindow::ParentWindow(int width, int height, bool visible)
    : window_(::CreateWindowExW(0, ParentClass(), L"Test parent", WS_POPUP | WS_CAPTION | (visible ? WS_VISIBLE : 0),
                                40, 40, width, height, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr)) {
    ::SetWindowLongPtrW(window_.Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(commands_.get()));
}

HWND ParentWindow::AddChild(const wchar_t* className, const wchar_t* text, int id, DWORD style, int x, int y,
                            int width, int height) const {
    HWND child = ::CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height,
                                   window_.Get(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   ::GetModuleHandleW(nullptr), nullptr);
    ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return child;
}

Canvas::Canvas(int width, int height) : width_(std::max(width, 1)), height_(std::max(height, 1)) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    dc_.Reset(::CreateCompatibleDC(nullptr));
    bitmap_.Reset(::CreateDIBSection(dc_.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    bits_ = static_cast<unsigned*>(bits);
    old_ = ::SelectObject(dc_.Get(), bitmap_.Get());
}

void Canvas::Fill(COLORREF colour) {
    GdiObject brush(::CreateSolidBrush(colour));
    RECT all{0, 0, width_, height_};
    ::FillRect(dc_.Get(), &all, brush.As<HBRUSH>());
    ::GdiFlush();
}

COLORREF Canvas::Pixel(int x, int y) const {
    ::GdiFlush();
    return FromBgra(bits_[static_cast<size_t>(y) * width_ + x]);
}

int Canvas::Count(COLORREF colour, RECT area) const {
    ::GdiFlush();
    int count = 0;
    for (int y = std::max(0L, area.top); y < std::min<LONG>(height_, area.bottom); ++y)
        for (int x = std::max(0L, area.left); x < std::min<LONG>(width_, area.right); ++x)
            if (FromBgra(bits_[static_cast<size_t>(y) * width_ + x]) == colour) ++count;
    return count;
}

namespace {
template <typename Match>
RECT BoundsWhere(const unsigned* bits, int width, int height, Match match) {
    RECT bounds{width, height, 0, 0};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (match(FromBgra(bits[static_cast<size_t>(y) * width + x]))) {
                bounds.left = std::min<LONG>(bounds.left, x);
                bounds.top = std::min<LONG>(bounds.top, y);
                bounds.right = std::max<LONG>(bounds.right, x + 1);
                bounds.bottom = std::max<LONG>(bounds.bottom, y + 1);
            }
    if (bounds.right == 0) return RECT{};
    return bounds;
}
}  // namespace

RECT Canvas::BoundsOf(COLORREF colour) const {
    ::GdiFlush();
    return BoundsWhere(bits_, width_, height_, [colour](COLORREF c) { return c == colour; });
}

RECT Canvas::BoundsNot(COLORREF background) const {
    ::GdiFlush();
    return BoundsWhere(bits_, width_, height_, [background](COLORREF c) { return c != background; });
}

bool Canvas::SameAs(const Canvas& other) const {
    ::GdiFlush();
    if (width_ != other.width_ || height_ != other.height_) return false;
    return std::equal(bits_, bits_ + static_cast<size_t>(width_) * height_, other.bits_,
                      [](unsigned a, unsigned b) { return (a & 0xFFFFFF) == (b & 0xFFFFFF); });
}

bool Canvas::SaveBmp(const std::wstring& path) const {
    ::GdiFlush();
    const DWORD imageBytes = static_cast<DWORD>(width_) * height_ * 4;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER header{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + imageBytes;
    header.biSize = sizeof header;
    header.biWidth = width_;
    header.biHeight = -height_;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    // GDI leaves the fourth byte of each pixel as it pleases (alpha-blended icons set it,
    // text and fills do not); viewers read it as transparency, so the file says opaque.
    std::vector<unsigned> opaque(bits_, bits_ + static_cast<size_t>(width_) * height_);
    for (unsigned& pixel : opaque) pixel |= 0xFF000000u;
    FileHandle out(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) return false;
    DWORD written = 0;
    bool ok = ::WriteFile(out.Get(), &file, sizeof file, &written, nullptr) &&
              ::WriteFile(out.Get(), &header, sizeof header, &written, nullptr) &&
              ::WriteFile(out.Get(), opaque.data(), imageBytes, &written, nullptr);
    return ok && written == imageBytes;
}

IconHandle SolidIcon(int size, COLORREF colour) {
    Canvas colourImage(size, size);
    GdiObject colourBitmap(::CreateCompatibleBitmap(colourImage.Dc(), size, size));
    {
        MemoryDcHandle dc(::CreateCompatibleDC(nullptr));
        SelectObjectScope selected(dc.Get(), colourBitmap.Get());
        GdiObject brush(::CreateSolidBrush(colour));
        RECT all{0, 0, size, size};
        ::FillRect(dc.Get(), &all, brush.As<HBRUSH>());
    }
    std::vector<BYTE> maskBits(static_cast<size_t>(size) * ((size + 15) / 16) * 2, 0);  // all opaque
    GdiObject mask(::CreateBitmap(size, size, 1, 1, maskBits.data()));
    ICONINFO info{TRUE, 0, 0, mask.As<HBITMAP>(), colourBitmap.As<HBITMAP>()};
    return IconHandle(::CreateIconIndirect(&info));
}

Canvas RenderClient(HWND window, COLORREF background) {
    RECT client{};
    ::GetClientRect(window, &client);
    Canvas canvas(client.right, client.bottom);
    canvas.Fill(background);
    ::SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
    ::GdiFlush();
    return canvas;
}

bool Near(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

void PumpUntilIdle() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

LRESULT SendMouse(HWND window, UINT message, int x, int y, WPARAM keys) {
    return ::SendMessageW(window, message, keys, MAKELPARAM(x, y));
}

namespace {

// One entry of the GDI handle table the system maps into every process (PEB field at 0xF8 on
// x64); the same 24-byte layout on Windows and Wine.
struct GdiTableEntry {
    UINT64 kernelObject;
    USHORT processId;
    USHORT count;
    USHORT unique;
    USHORT type;
    UINT64 userObject;
};

unsigned CountGdiTable() {
#if defined(_WIN64)
    using QueryProcess = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
    auto query = reinterpret_cast<QueryProcess>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic{};
    if (!query || query(::GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) return 0;
    auto* peb = reinterpret_cast<unsigned char*>(basic.PebBaseAddress);
    auto* table = *reinterpret_cast<GdiTableEntry**>(peb + 0xF8);
    if (!table) return 0;
    const auto self = static_cast<USHORT>(::GetCurrentProcessId());
    unsigned ours = 0, used = 0;
    for (unsigned i = 0; i < 0x10000; ++i) {
        if (!table[i].type) continue;
        ++used;
        if (table[i].processId == self) ++ours;
    }
    // Wine's table is the process's own and does not fill in the process id.
    return ours ? ours : used;
#else
    return 0;
#endif
}

BOOL CALLBACK CountChild(HWND, LPARAM counter) {
    ++*reinterpret_cast<unsigned*>(counter);
    return TRUE;
}

BOOL CALLBACK CountWindowTree(HWND window, LPARAM counter) {
    ++*reinterpret_cast<unsigned*>(counter);
    ::EnumChildWindows(window, CountChild, counter);
    return TRUE;
}

}  // namespace

GuiCounts CurrentGuiCounts() {
    GuiCounts counts;
    // USER objects first: Wine's first window call on a thread creates GDI objects that stay,
    // which would otherwise make the first GDI count of a test lower than every later one.
    counts.user = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
    if (counts.user == 0) ::EnumThreadWindows(::GetCurrentThreadId(), CountWindowTree, reinterpret_cast<LPARAM>(&counts.user));
    counts.gdi = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    if (counts.gdi == 0) counts.gdi = CountGdiTable();
    return counts;
}

std::wstring ArtifactDirectory() {
    std::wstring folder;
    if (const wchar_t* configured = _wgetenv(L"QM_ARTIFACT_DIR"); configured && *configured)
        folder = configured;
    else
        folder = ModuleFolder() + L"..\\artifacts";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

std::wstring SaveWindowSnapshot(HWND window, const std::wstring& name, bool pump) {
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    if (pump) PumpUntilIdle();
    // The client area as the window painted it. Without a window manager on the X display
    // nobody draws the caption, so the frame is left out.
    RECT client{};
    ::GetClientRect(window, &client);
    Canvas canvas(client.right, client.bottom);
    canvas.Fill(::GetSysColor(COLOR_3DFACE));
    WindowDc windowDc(window);
    if (!windowDc.Get() || !::IsWindowVisible(window) ||
        !::BitBlt(canvas.Dc(), 0, 0, canvas.Width(), canvas.Height(), windowDc.Get(), 0, 0, SRCCOPY))
        return std::wstring();
    std::wstring path = ArtifactDirectory() + L"\\" + name + L".bmp";
    return canvas.SaveBmp(path) ? path : std::wstring();
}

namespace {

struct ModalInspection {
    HHOOK hook = nullptr;
    HWND dialog = nullptr;
    const DialogInspector* body = nullptr;
    UINT_PTR timer = 0;
    int waits = 0;
};
thread_local ModalInspection inspection;

void CALLBACK InspectWhenIdle(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    HWND dialog = inspection.dialog;
    if (!dialog || !::IsWindow(dialog)) return;
    // A modal dialog is shown once its queue first runs dry; a timer that was already due
    // comes before that, so wait for the next round.
    if (!::IsWindowVisible(dialog) && ++inspection.waits < 100) {
        inspection.timer = ::SetTimer(nullptr, 0, USER_TIMER_MINIMUM, InspectWhenIdle);
        return;
    }
    ::RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    if (inspection.body && *inspection.body) (*inspection.body)(dialog);
    if (::IsWindow(dialog)) ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

LRESULT CALLBACK WatchDialogs(int code, WPARAM wParam, LPARAM lParam) {
    auto* call = reinterpret_cast<CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_INITDIALOG && !inspection.dialog) {
        inspection.dialog = call->hwnd;
        inspection.timer = ::SetTimer(nullptr, 0, USER_TIMER_MINIMUM, InspectWhenIdle);
    }
    return ::CallNextHookEx(inspection.hook, code, wParam, lParam);
}

}  // namespace

INT_PTR RunModalWith(const std::function<INT_PTR()>& run, const DialogInspector& body) {
    inspection = ModalInspection{};
    inspection.body = &body;
    inspection.hook = ::SetWindowsHookExW(WH_CALLWNDPROCRET, WatchDialogs, nullptr, ::GetCurrentThreadId());
    INT_PTR result = run();
    ::UnhookWindowsHookEx(inspection.hook);
    inspection = ModalInspection{};
    PumpUntilIdle();
    return result;
}

}  // namespace qm::testkit
