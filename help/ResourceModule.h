// The module whose resources (dialog templates, icons) the help dialogs use: the program's.
#pragma once

#include <windows.h>

namespace qm::help {

HINSTANCE ResourceModule() noexcept;

}  // namespace qm::help
