#include "ui/PropertyPage.h"

#include "ui/AppModule.h"
#include "ui/FatalError.h"
#include "base/Utf.h"

namespace qm::ui {
namespace {

bool IsSheetNotification(UINT code) {
    // The PSN_* codes lie between PSN_LAST and PSN_FIRST (both negative).
    const int value = static_cast<int>(code);
    return value <= static_cast<int>(PSN_FIRST) && value >= static_cast<int>(PSN_LAST);
}

// Messages whose result a dialog procedure returns directly instead of in DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message) {
    switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
        return true;
    default:
        return false;
    }
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

    LRESULT result = 0;
    if (OnMessage(message, wParam, lParam, result)) return Answer(message, result);

    if (message == WM_NOTIFY) {
        const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
        const bool fromPageOrSheet = header.hwndFrom == window_ || header.hwndFrom == Sheet();
        if (fromPageOrSheet) {
            if (!IsSheetNotification(header.code)) return FALSE;
            const std::optional<LRESULT> answer = OnSheetNotify(header);
            return answer ? Answer(message, *answer) : FALSE;
        }
    }
    if (const std::optional<LRESULT> reflected = Reflect(message, wParam, lParam)) {
        return Answer(message, *reflected);
    }
    return FALSE;
}

std::optional<LRESULT> PropertyPage::Reflect(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND control = nullptr;
    switch (message) {
    case WM_COMMAND:
        control = reinterpret_cast<HWND>(lParam);  // null for menus and accelerators
        break;
    case WM_NOTIFY:
        control = reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
        break;
    case WM_PARENTNOTIFY:
        if (LOWORD(wParam) == WM_CREATE || LOWORD(wParam) == WM_DESTROY) control = reinterpret_cast<HWND>(lParam);
        break;
    case WM_DRAWITEM:
        if (wParam) control = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem;
        break;
    case WM_MEASUREITEM:
        if (wParam) control = ::GetDlgItem(window_, reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam)->CtlID);
        break;
    case WM_COMPAREITEM:
        control = reinterpret_cast<const COMPAREITEMSTRUCT*>(lParam)->hwndItem;
        break;
    case WM_DELETEITEM:
        control = reinterpret_cast<const DELETEITEMSTRUCT*>(lParam)->hwndItem;
        break;
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        control = reinterpret_cast<HWND>(lParam);
        break;
    default:
        return std::nullopt;
    }
    if (!control || control == window_ || !::IsWindow(control)) return std::nullopt;
    return ::SendMessageW(control, kReflectedMessageBase + message, wParam, lParam);
}

INT_PTR PropertyPage::Answer(UINT message, LRESULT result) {
    if (ReturnsResultDirectly(message)) return static_cast<INT_PTR>(result);
    ::SetWindowLongPtrW(window_, DWLP_MSGRESULT, result);
    return TRUE;
}

}  // namespace qm::ui
