#include "suite/components/ComObject.h"

#include <wrl/client.h>

#include <cwchar>

namespace qm::suite {

HRESULT SetError(HRESULT code, const wchar_t* source, const IID& iid, std::wstring_view description) noexcept {
    try {
        std::wstring text(description);
        if (text.empty()) {
            wchar_t generic[64];
            std::swprintf(generic, 64, L"The operation failed (code 0x%08lX).", static_cast<unsigned long>(code));
            text = generic;
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
