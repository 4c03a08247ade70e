// Opening a headless run: the key script that QX_SCRIPT names, read and
// checked whole before the program starts, the exit shot that QX_EXIT_SHOT
// names, and the table of this backend's functions. Nobody sees its windows,
// but the script can answer its message boxes, so they are drawn and wait.
#include "backend/headless/headless.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace plat::backend::headless {

namespace {

const Backend kTable = {
    .name = "headless",
#define QX_BACKEND_FUNCTION QX_BACKEND_TABLE_ENTRY
#include "backend/functions.h"
};

[[noreturn]] void misconfigured(const std::string& why) {
    std::fprintf(stderr, "qx: %s\n", why.c_str());
    std::fflush(nullptr);
    std::exit(2);
}

// The whole file; a pipe is read to its end (QX_SCRIPT=<(...) works).
void load_script(const char* path) {
    std::string text;
    std::FILE* f = std::fopen(path, "rb");
    bool ok = f != nullptr;
    int error_number = errno;
    if (f) {
        char buf[4096];
        for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
        ok = !std::ferror(f);
        error_number = errno;
        std::fclose(f);
    }
    if (!ok)
        misconfigured(std::string("cannot read the key script QX_SCRIPT=") + path + ": " + std::strerror(error_number));
    std::vector<ScriptEvent> events;
    std::string error;
    if (!parse_script(text, &events, &error))
        misconfigured(std::string("the key script QX_SCRIPT=") + path + ", " + error);
    play(std::move(events));
}

const Backend* open(std::string*) {
    const char* script = std::getenv("QX_SCRIPT");
    if (script && *script) load_script(script);
    const char* exit_shot = std::getenv("QX_EXIT_SHOT");
    if (exit_shot && *exit_shot) {
        const size_t n = std::strlen(exit_shot);
        if (n < 5 || strcasecmp(exit_shot + n - 4, ".png") != 0)
            misconfigured(std::string("QX_EXIT_SHOT=") + exit_shot + ": shots are PNG files, named FILE.png");
        set_exit_shot(exit_shot);
    }
    return &kTable;
}

}  // namespace

bool boxes_answerable() { return true; }

extern const Bootstrap bootstrap = {"headless", open};

}  // namespace plat::backend::headless
