// The box for a file the runtime cannot load (a picture, a sound), and the
// end of the process.
#include "runtime.h"

#include <cstring>

namespace {

// The message has room for 80 bytes: "Bitmapロードエラー:" takes 19, the
// terminator 1, so a file name keeps at most 60 bytes, cut on a character
// boundary.
constexpr size_t kErrorBuffer = 80;
constexpr size_t kMaxNameBytes = 60;

}  // namespace

void qx_load_error(const char* what, const char* file) {
    char name[kMaxNameBytes + 1] = "";
    if (file) {
        size_t n = qx_fit932(file, kMaxNameBytes);
        std::memcpy(name, file, n);
        name[n] = '\0';
    }
    char msg[kErrorBuffer];
    wsprintfA(msg, "%s%s", what, name);
    MessageBoxA(qx_window, msg, "エラー", MB_OK | MB_ICONHAND);
    Terminate();
}
