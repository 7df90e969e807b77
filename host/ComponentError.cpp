#include "host/ComponentError.h"

#include "base/Utf.h"
#include "base/win/Handle.h"
#include "base/win/SystemText.h"

#include <wrl/client.h>

#include <cstdio>

namespace qm::host {
namespace {

// A failure the component did not describe: the system's words for its code, which then only
// follows in brackets; the code alone only when the system has no words for it either.
std::string GenericMessage(HRESULT code) {
    char number[32];
    std::snprintf(number, sizeof number, "0x%08lX", static_cast<unsigned long>(code));
    const std::wstring reason = SystemMessage(static_cast<DWORD>(code));
    if (reason.empty()) return std::string("A host component failed and gave no reason (code ") + number + ").";
    return "A host component failed: " + Narrow(reason) + " (" + number + ")";
}

}  // namespace

ComponentError::ComponentError(HRESULT code, const std::string& message)
    : std::runtime_error(message), code_(code), message_(message) {}

ComponentError ComponentError::FromCall(HRESULT code, IUnknown* object, const IID& iid) {
    if (object) {
        Microsoft::WRL::ComPtr<ISupportErrorInfo> support;
        if (SUCCEEDED(object->QueryInterface(__uuidof(ISupportErrorInfo), reinterpret_cast<void**>(support.GetAddressOf()))) &&
            support->InterfaceSupportsErrorInfo(iid) == S_OK) {
            Microsoft::WRL::ComPtr<IErrorInfo> info;
            if (::GetErrorInfo(0, &info) == S_OK && info) {
                Bstr description;
                if (SUCCEEDED(info->GetDescription(description.Put())) && !description.View().empty()) {
                    return ComponentError(code, Narrow(description.View()));
                }
            }
        }
    }
    return ComponentError(code, GenericMessage(code));
}

void ThrowIfFailed(HRESULT code, IUnknown* object, const IID& iid) {
    if (FAILED(code)) throw ComponentError::FromCall(code, object, iid);
}

}  // namespace qm::host
