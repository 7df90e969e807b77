#include "controls/HighContrast.h"

#include <utility>

namespace qm::controls {

namespace {

bool SystemHighContrast() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof contrast;
    return ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON);
}

HighContrastQuery& CurrentQuery() {
    static HighContrastQuery query = &SystemHighContrast;
    return query;
}

}  // namespace

bool HighContrastOn() { return CurrentQuery()(); }

HighContrastQuery ReplaceHighContrastQuery(HighContrastQuery query) {
    return std::exchange(CurrentQuery(), query ? query : &SystemHighContrast);
}

void ForwardColourChanges(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_SETTINGCHANGE && message != WM_SYSCOLORCHANGE) return;
    struct Change {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    } change{message, wParam, lParam};
    ::EnumChildWindows(
        window,
        [](HWND child, LPARAM context) -> BOOL {
            const auto& news = *reinterpret_cast<const Change*>(context);
            ::SendMessageW(child, news.message, news.wParam, news.lParam);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&change));
}

}  // namespace qm::controls
