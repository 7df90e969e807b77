// The exception raised when a host-component operation returns a failure code. It carries the
// code and, where the component offers it, the error information it left for this thread.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <stdexcept>
#include <string>

namespace qm::host {

class ComponentError : public std::runtime_error {
public:
    ComponentError(HRESULT code, const std::string& message);

    // Builds the error from a failed call on `object` through interface `iid`: asks
    // ISupportErrorInfo and, if the interface supports it, takes the thread's IErrorInfo text.
    static ComponentError FromCall(HRESULT code, IUnknown* object, const IID& iid);

    HRESULT Code() const noexcept { return code_; }
    // The component's description (UTF-8), or a generic text naming the code.
    const std::string& Message() const noexcept { return message_; }

private:
    HRESULT code_;
    std::string message_;
};

// Raises ComponentError when `code` is a failure.
void ThrowIfFailed(HRESULT code, IUnknown* object, const IID& iid);

}  // namespace qm::host
