#include "ui/PropertyPage.h"

#include "base/Utf.h"
#include "controls/Reflection.h"
#include "ui/AppModule.h"
#include "ui/FatalError.h"
#include "ui/WizardMessages.h"

namespace qm::ui {
namespace {

bool IsSheetNotification(UINT code) {
    // The PSN_* codes lie between PSN_LAST and PSN_FIRST (both negative).
    const int value = static_cast<int>(code);
    return value <= static_cast<int>(PSN_FIRST) && value >= static_cast<int>(PSN_LAST);
}

}  // namespace

PropertyPage::PropertyPage(int templateId, std::string title, bool hasHelp)
    : templateId_(templateId), title_(Widen(title)), hasHelp_(hasHelp) {}

HPROPSHEETPAGE PropertyPage::CreatePage() {
    PROPSHEETPAGEW page{};
    page.dwSize = sizeof(page);
    page.dwFlags = PSP_USETITLE | PSP_USECALLBACK | (hasHelp_ ? PSP_HASHELP : 0);
    page.hInstance = TheAppModule().Instance();
    page.pszTemplate = MAKEINTRESOURCEW(templateId_);
    page.pszTitle = title_.c_str();
    page.pfnDlgProc = &PropertyPage::DialogProc;
    page.lParam = reinterpret_cast<LPARAM>(this);
    page.pfnCallback = &PropertyPage::PageCallback;
    return ::CreatePropertySheetPageW(&page);
}

UINT CALLBACK PropertyPage::PageCallback(HWND, UINT message, LPPROPSHEETPAGEW) {
    // Allow the page to be created; releasing it needs nothing, the sheet owns the object.
    return message == PSPCB_CREATE ? 1 : 0;
}

void PropertyPage::SetWizardButtons(DWORD buttons) const {
    if (HWND sheet = Sheet()) ::PostMessageW(sheet, PSM_SETWIZBUTTONS, 0, static_cast<LPARAM>(buttons));
}

std::optional<LRESULT> PropertyPage::OnSheetNotify(const NMHDR& header) {
    if (header.code == static_cast<UINT>(PSN_GETOBJECT)) return std::nullopt;
    return 0;
}

INT_PTR CALLBACK PropertyPage::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const auto* record = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
        auto* page = reinterpret_cast<PropertyPage*>(record->lParam);
        page->window_ = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(page));
    }
    auto* page = reinterpret_cast<PropertyPage*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!page) return FALSE;  // messages before WM_INITDIALOG
    const INT_PTR answer = CallGuarded<INT_PTR>(FALSE, [&] { return page->Dispatch(message, wParam, lParam); });
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        page->window_ = nullptr;
    }
    return answer;
}

INT_PTR PropertyPage::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) return OnInitDialog();

    if (message == WM_SIZE && wParam != SIZE_MINIMIZED) {
        RECT client{};
        ::GetClientRect(window_, &client);
        LayOut(client);
    }
    LRESULT result = 0;
    if (OnMessage(message, wParam, lParam, result)) return controls::DialogAnswer(window_, message, result);

    if (message == WM_NOTIFY) {
        const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
        const bool fromPageOrSheet = header.hwndFrom == window_ || header.hwndFrom == Sheet();
        if (fromPageOrSheet) {
            if (!IsSheetNotification(header.code)) return FALSE;
            if (header.code == static_cast<UINT>(PSN_SETACTIVE) && Sheet()) {
                ::SendMessageW(Sheet(), WM_WIZARD_FIT_PAGE, reinterpret_cast<WPARAM>(window_), 0);
            }
            const std::optional<LRESULT> answer = OnSheetNotify(header);
            return answer ? controls::DialogAnswer(window_, message, *answer) : FALSE;
        }
    }
    if (const std::optional<LRESULT> reflected = controls::ReflectToControl(window_, message, wParam, lParam)) {
        return controls::DialogAnswer(window_, message, *reflected);
    }
    return FALSE;
}

}  // namespace qm::ui
