#include "ui/FatalError.h"

#include "ui/AppModule.h"
#include "base/win/Handle.h"

namespace qm::ui {
namespace {

CriticalSection& FatalLock() {
    static CriticalSection lock;
    return lock;
}
std::optional<FatalError>& Recorded() {
    static std::optional<FatalError> error;
    return error;
}

}  // namespace

void ReportFatalError(HRESULT code, const std::string& message) noexcept {
    {
        CriticalSectionLock lock(FatalLock());
        if (Recorded()) return;
        try {
            Recorded() = FatalError{code, message};
        } catch (...) {
            Recorded() = FatalError{code, std::string()};
        }
    }
    const DWORD mainThread = TheAppModule().MainThreadId();
    if (mainThread == 0 || mainThread == ::GetCurrentThreadId()) {
        ::PostQuitMessage(kExitComponentFailure);
    } else {
        ::PostThreadMessageW(mainThread, WM_QUIT, kExitComponentFailure, 0);
    }
}

std::optional<FatalError> TakeFatalError() {
    CriticalSectionLock lock(FatalLock());
    return std::exchange(Recorded(), std::nullopt);
}

bool HasFatalError() noexcept {
    CriticalSectionLock lock(FatalLock());
    return Recorded().has_value();
}

FatalError FatalErrorFromCurrentException() noexcept {
    try {
        throw;
    } catch (const host::ComponentError& error) {
        return {error.Code(), error.Message()};
    } catch (const std::bad_alloc&) {
        return {E_OUTOFMEMORY, "Out of memory."};
    } catch (const std::exception& error) {
        return {E_UNEXPECTED, error.what()};
    } catch (...) {
        return {E_UNEXPECTED, "Unexpected failure."};
    }
}

}  // namespace qm::ui
