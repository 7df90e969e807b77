#include "host/ComponentError.h"

#include "base/Utf.h"
#include "base/win/Handle.h"
#include "base/win/SystemText.h"

#include <wrl/client.h>

#include <cstdio>

namespace qm::host {
namespace {

std::string GenericMessage(HRESULT code) {
    char text[96];
    std::snprintf(text, sizeof text, "A host component reported failure 0x%08lX.", static_cast<unsigned long>(code));
    std::string message = text;
    const std::wstring reason = SystemMessage(static_cast<DWORD>(code));
    if (!reason.empty()) {
        message += ' ';
        message += Narrow(reason);
    }
    return message;
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
