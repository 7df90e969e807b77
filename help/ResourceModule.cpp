#include "help/ResourceModule.h"

#include "ui/AppModule.h"

namespace qm::help {

HINSTANCE ResourceModule() noexcept {
    // Before start-up has set the application object (a test program), the running file.
    HINSTANCE instance = ui::TheAppModule().Instance();
    return instance ? instance : ::GetModuleHandleW(nullptr);
}

}  // namespace qm::help
