// The program's start-up code: hands control to WinMain with the module's
// instance, as the Windows start-up code does. The command line is passed
// empty; the show command is the default.
#include <windows.h>

int main() {
    char empty[] = "";
    return WinMain(GetModuleHandleA(nullptr), nullptr, empty, 10 /* SW_SHOWDEFAULT */);
}
