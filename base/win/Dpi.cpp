#include "base/win/Dpi.h"

namespace qm {
namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);

// GetDpiForWindow is missing before Windows 10 1607: looked up once.
GetDpiForWindowFunction DpiForWindowFunction() {
    static const GetDpiForWindowFunction function = [] {
        const HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
        return user32 ? reinterpret_cast<GetDpiForWindowFunction>(
                            reinterpret_cast<void*>(::GetProcAddress(user32, "GetDpiForWindow")))
                      : nullptr;
    }();
    return function;
}

UINT ScreenDpi() {
    const WindowDc screen(nullptr);
    const int dpi = screen.Get() ? ::GetDeviceCaps(screen.Get(), LOGPIXELSX) : 0;
    return dpi > 0 ? static_cast<UINT>(dpi) : kBaseDpi;
}

}  // namespace

UINT WindowDpi(HWND window) {
    if (!window) return kBaseDpi;
    if (const GetDpiForWindowFunction dpiForWindow = DpiForWindowFunction()) {
        if (const UINT dpi = dpiForWindow(window)) return dpi;
    }
    return ScreenDpi();  // a system-aware program: one DPI for every monitor
}

int ScaleToDpi(int pixels, UINT dpi) { return ::MulDiv(pixels, static_cast<int>(dpi), static_cast<int>(kBaseDpi)); }

IconHandle LoadIconAtSize(HINSTANCE module, int id, int pixels) {
    // LoadImage picks the icon's picture nearest the size and scales it to the size asked for.
    return IconHandle(static_cast<HICON>(
        ::LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_ICON, pixels, pixels, LR_DEFAULTCOLOR)));
}

}  // namespace qm
