// QuillMend's entry point. Narrow strings are UTF-8 throughout (the manifest sets the UTF-8
// code page), so the command line arrives as UTF-8 too.
#include "app/Startup.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR commandLine, int showCommand) {
    return qm::app::RunProgram(instance, commandLine, showCommand);
}
