// The one place where the file layer can be made to fail on purpose, so that tests can show that
// an interrupted or refused write never costs a shortcut: every write the safety of a change
// depends on (a backup copy and its flush, a journal line, a temporary file and its flush, the
// swap of a file) first passes here as one numbered step. Unarmed, each step is counted and
// nothing else happens; only ArmFileFault, which no part of the program calls (tests do), arms
// it, so it cannot fire in normal use.
#pragma once

#include <windows.h>

namespace qm {

enum class FileFault {
    None,
    EndProcess,  // the process ends at once at the armed step, as in a power cut or a kill
    DiskFull,    // the armed step and every one after it fail with ERROR_DISK_FULL
};

// Arms `fault` at step `step` (1 is the first step after this call); FileFault::None disarms.
// Counting starts again from 0.
void ArmFileFault(FileFault fault, unsigned step);
// The steps passed since the last ArmFileFault.
unsigned FileFaultSteps();

// Called before each such write: ERROR_SUCCESS to go on, or the error the write is to fail
// with (the caller sets it as the last error and fails as that write would).
DWORD BeforeFileStep();

}  // namespace qm
