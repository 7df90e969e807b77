#include "suite/components/ComObject.h"

#include "base/win/SystemText.h"

#include <wrl/client.h>

#include <cwchar>

namespace qm::suite {

HRESULT SetError(HRESULT code, const wchar_t* source, const IID& iid, std::wstring_view description) noexcept {
    try {
        std::wstring text(description);
        if (text.empty()) {
            // The system's words for the code; the code itself only follows them.
            wchar_t number[24];
            std::swprintf(number, 24, L"0x%08lX", static_cast<unsigned long>(code));
            const std::wstring reason = SystemMessage(static_cast<DWORD>(code));
            text = reason.empty() ? L"The operation failed and gave no reason (code " + std::wstring(number) + L")."
                                  : L"The operation failed: " + reason + L" (" + number + L")";
        }
        Microsoft::WRL::ComPtr<ICreateErrorInfo> create;
        if (FAILED(::CreateErrorInfo(&create))) return code;
        create->SetGUID(iid);
        create->SetSource(const_cast<LPOLESTR>(source));
        create->SetDescription(text.data());
        Microsoft::WRL::ComPtr<IErrorInfo> info;
        if (SUCCEEDED(create.As(&info))) ::SetErrorInfo(0, info.Get());
    } catch (...) {
        // Out of memory while describing a failure: the code alone still reaches the caller.
    }
    return code;
}

}  // namespace qm::suite
