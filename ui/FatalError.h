// What happens to an exception that reaches a window procedure, a dialog procedure or a
// property-sheet callback: it may not cross into the system's code, so the boundary records
// it here and ends the main message loop; start-up then shows it, tears down in order and
// ends the process with kExitComponentFailure.
#pragma once

#include "host/ComponentError.h"

#include <windows.h>

#include <exception>
#include <new>
#include <optional>
#include <string>

namespace qm::ui {

// Exit code of a run that a component failure ended (0, 1 and 2 mean other things).
inline constexpr int kExitComponentFailure = 3;

struct FatalError {
    HRESULT code;
    std::string message;  // UTF-8, the component's own text where it gave one
};

// Keeps the first failure (later ones are consequences) and posts the quit message with
// kExitComponentFailure to the main thread. Safe from any thread.
void ReportFatalError(HRESULT code, const std::string& message) noexcept;
// The recorded failure, if any; clears it.
std::optional<FatalError> TakeFatalError();
bool HasFatalError() noexcept;

// Converts the exception being handled into a FatalError.
FatalError FatalErrorFromCurrentException() noexcept;

// Runs `body` and turns any exception into a reported failure and the result `onFailure`.
template <typename Result, typename Body>
Result CallGuarded(Result onFailure, Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        const FatalError error = FatalErrorFromCurrentException();
        ReportFatalError(error.code, error.message);
        return onFailure;
    }
}

}  // namespace qm::ui
