// The program's start-up code: chooses the backend, then hands control to
// WinMain with the module's instance, as the Windows start-up code does. The
// command line is passed empty; the show command is the default.
#include "backend/start.h"

#include <windows.h>

int main() {
    // Chosen before WinMain, so that a run that cannot start (no display, a
    // malformed key script) ends before the program has done anything.
    plat::backend::start();
    char empty[] = "";
    return WinMain(GetModuleHandleA(nullptr), nullptr, empty, 10 /* SW_SHOWDEFAULT */);
}
