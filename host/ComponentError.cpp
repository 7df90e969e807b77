#include "host/ComponentError.h"

#include "base/Utf.h"
#include "base/win/Handle.h"

#include <wrl/client.h>

#include <cstdio>

namespace qm::host {
namespace {

std::string GenericMessage(HRESULT code) {
    char text[96];
    std::snprintf(text, sizeof text, "A host component reported failure 0x%08lX.", static_cast<unsigned long>(code));
    std::string message = text;
    wchar_t* system = nullptr;
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                              FORMAT_MESSAGE_IGNORE_INSERTS,
                                          nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&system), 0, nullptr);
    if (length && system) {
        std::wstring_view reason(system, length);
        while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r' || reason.back() == L' ')) {
            reason.remove_suffix(1);
        }
        if (!reason.empty()) {
            message += ' ';
            message += Narrow(reason);
        }
    }
    if (system) ::LocalFree(system);
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
