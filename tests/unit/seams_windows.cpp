// The layer's test seams, for the Windows build of the tests: the test
// executable's imports of GetAsyncKeyState, timeGetTime, Sleep and
// MessageBoxA are pointed at stand-ins that answer from the seams' state and
// otherwise call the real function. The runtime is linked into the
// executable, so its calls go through the same import table.
#include <windows.h>

#include <layer_seams.h>

#include <cstring>

namespace {

bool g_keys[256];
bool g_clock_set = false;
DWORD g_clock = 0;
void (*g_sleep_hook)(DWORD) = nullptr;
plat::seam::BoxAnswer g_answer = nullptr;

SHORT(WINAPI* real_GetAsyncKeyState)(int) = nullptr;
DWORD(WINAPI* real_timeGetTime)(void) = nullptr;
void(WINAPI* real_Sleep)(DWORD) = nullptr;
int(WINAPI* real_MessageBoxA)(HWND, LPCSTR, LPCSTR, UINT) = nullptr;

SHORT WINAPI fake_GetAsyncKeyState(int vk) {
    if (vk > 0 && vk < 256) {
        bool down = g_keys[vk];
        if (vk == VK_SHIFT) down = down || g_keys[VK_LSHIFT] || g_keys[VK_RSHIFT];
        if (vk == VK_CONTROL) down = down || g_keys[VK_LCONTROL] || g_keys[VK_RCONTROL];
        if (down) return SHORT(0x8000);
    }
    return real_GetAsyncKeyState(vk);
}

DWORD WINAPI fake_timeGetTime(void) { return g_clock_set ? g_clock : real_timeGetTime(); }

void WINAPI fake_Sleep(DWORD ms) {
    if (g_sleep_hook) return g_sleep_hook(ms);
    real_Sleep(ms);
}

int WINAPI fake_MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    return g_answer ? g_answer(owner, text, caption, type) : real_MessageBoxA(owner, text, caption, type);
}

// Points the executable's import of dll!name at replacement; returns what it
// pointed at before, or nullptr when the executable does not import it.
void* patch_import(const char* dll, const char* name, void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); imp->Name; ++imp) {
        if (_stricmp(reinterpret_cast<const char*>(base + imp->Name), dll) != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto* by_name = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(by_name->Name), name) != 0) continue;
            DWORD old = 0;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old);
            void* was = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
            return was;
        }
    }
    return nullptr;
}

template <class F>
void install(F*& real, const char* dll, const char* name, F* fake) {
    void* was = patch_import(dll, name, reinterpret_cast<void*>(fake));
    // Not imported (yet): call the real function through its module.
    real = was ? reinterpret_cast<F*>(was) : reinterpret_cast<F*>(reinterpret_cast<void*>(GetProcAddress(LoadLibraryA(dll), name)));
}

struct Installer {
    Installer() {
        install(real_GetAsyncKeyState, "user32.dll", "GetAsyncKeyState", fake_GetAsyncKeyState);
        install(real_timeGetTime, "winmm.dll", "timeGetTime", fake_timeGetTime);
        install(real_Sleep, "kernel32.dll", "Sleep", fake_Sleep);
        install(real_MessageBoxA, "user32.dll", "MessageBoxA", fake_MessageBoxA);
    }
} g_installer;

}  // namespace

void plat::seam::press_key(int vk, bool down) {
    if (vk > 0 && vk < 256) g_keys[vk] = down;
}
void plat::seam::release_all_keys() {
    for (bool& k : g_keys) k = false;
}
void plat::seam::set_clock(DWORD ms) {
    g_clock_set = true;
    g_clock = ms;
}
void plat::seam::release_clock() { g_clock_set = false; }
void plat::seam::on_sleep(void (*hook)(DWORD)) { g_sleep_hook = hook; }
void plat::seam::answer_message_boxes(BoxAnswer answer) { g_answer = answer; }

size_t plat::seam::live_objects() { return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS); }

bool plat::seam::running_on_wine() {
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}
