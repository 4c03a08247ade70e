// Terminate: the one orderly way out. The application's surfaces are not
// released, and nothing else runs: no exit handlers, destructors or flushing.
#include "runtime.h"

#include <cstdlib>

void Terminate(void) {
    ChangeDisplaySettingsA(nullptr, 0);
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    HWND hwnd = qx_window;
    DestroyWindow(hwnd);
    ReleaseDC(hwnd, gvram);
    TerminateProcess(GetCurrentProcess(), 1);
    std::_Exit(1);  // not reached: TerminateProcess does not return for this process
}
