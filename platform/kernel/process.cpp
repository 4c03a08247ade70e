// The module handle and the end of the process. TerminateProcess on the
// current process ends it at once: no exit handlers, no static destructors,
// no flushing of output streams; only the backend has its last word.
#include "backend/backend.h"

#include <windows.h>

#include <unistd.h>

namespace {
// The program's own instance; Windows loads executables at this base.
const HMODULE kModule = reinterpret_cast<HMODULE>(uintptr_t(0x400000));
const HANDLE kCurrentProcess = reinterpret_cast<HANDLE>(intptr_t(-1));
}  // namespace

extern "C" HMODULE WINAPI GetModuleHandleA(LPCSTR name) { return name ? nullptr : kModule; }

extern "C" HANDLE WINAPI GetCurrentProcess(void) { return kCurrentProcess; }

extern "C" BOOL WINAPI TerminateProcess(HANDLE process, UINT code) {
    if (process != kCurrentProcess) return FALSE;
    plat::backend::end_of_process();
    _exit(int(code));
}
