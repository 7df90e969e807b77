#include "base/win/FileFault.h"

#include <atomic>

namespace qm {
namespace {

std::atomic<FileFault> armedFault{FileFault::None};
std::atomic<unsigned> armedStep{0};
std::atomic<unsigned> steps{0};

}  // namespace

void ArmFileFault(FileFault fault, unsigned step) {
    armedFault = fault;
    armedStep = step;
    steps = 0;
}

unsigned FileFaultSteps() { return steps; }

DWORD BeforeFileStep() {
    const unsigned step = ++steps;
    const FileFault fault = armedFault;
    if (fault == FileFault::None || step < armedStep) return ERROR_SUCCESS;
    if (fault == FileFault::EndProcess) ::TerminateProcess(::GetCurrentProcess(), 0xFA17);
    ::SetLastError(ERROR_DISK_FULL);
    return ERROR_DISK_FULL;
}

}  // namespace qm
