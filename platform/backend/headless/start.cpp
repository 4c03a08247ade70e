// Opening a headless run: the key script that QX_SCRIPT names, read and
// checked whole before the program starts, the exit shot that QX_EXIT_SHOT
// names, the sound recording that QX_AUDIO_SHOT names, the time limit that
// QX_TIME_LIMIT sets, and the table of this
// backend's functions. Nobody sees its windows, but the script can answer its
// message boxes, so they are drawn and wait; what each says goes to standard
// error as well, where a CI log shows it.
#include "backend/headless/headless.h"

#include <cerrno>
#include <charconv>
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

// Read as it comes, a pipe too (QX_SCRIPT=<(...)): a mistake, or a script
// past its bound, ends the run at once, however much is left to read.
void load_script(const char* path) {
    const std::string named = "the key script QX_SCRIPT=" + shown(path);
    std::FILE* f = std::fopen(path, "rb");
    if (!f) misconfigured("cannot read " + named + ": " + std::strerror(errno));
    ScriptReader reader;
    char buf[65536];
    bool ok = true;
    for (size_t n; ok && (n = std::fread(buf, 1, sizeof buf, f)) > 0;) ok = reader.feed(std::string_view(buf, n));
    const int error_number = errno;
    const bool read_error = ok && std::ferror(f);
    std::fclose(f);
    if (read_error) misconfigured("cannot read " + named + ": " + std::strerror(error_number));
    if (!ok || !reader.finish()) misconfigured(named + ", " + reader.error());
    play(reader.take());
}

const Backend* open(std::string*) {
    const char* script = std::getenv("QX_SCRIPT");
    if (script && *script) load_script(script);
    const char* exit_shot = std::getenv("QX_EXIT_SHOT");
    if (exit_shot && *exit_shot) {
        const size_t n = std::strlen(exit_shot);
        if (n < 5 || strcasecmp(exit_shot + n - 4, ".png") != 0)
            misconfigured("QX_EXIT_SHOT=" + shown(exit_shot) + ": shots are PNG files, named FILE.png");
        set_exit_shot(exit_shot);
    }
    const char* audio_shot = std::getenv("QX_AUDIO_SHOT");
    if (audio_shot && *audio_shot) {
        const size_t n = std::strlen(audio_shot);
        if (n < 5 || strcasecmp(audio_shot + n - 4, ".wav") != 0)
            misconfigured("QX_AUDIO_SHOT=" + shown(audio_shot) + ": sound recordings are WAV files, named FILE.wav");
        set_recording(audio_shot);
    }
    const char* limit = std::getenv("QX_TIME_LIMIT");
    if (limit && *limit) {
        const std::string_view v = limit;
        uint32_t ms = 0;
        auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), ms);
        if (ec != std::errc() || end != v.data() + v.size() || ms == 0)
            misconfigured("QX_TIME_LIMIT=" + shown(v) + " is not a whole number of milliseconds of virtual time "
                          "(1 to 4294967295)");
        set_time_limit(ms);
    }
    return &kTable;
}

}  // namespace

bool boxes_answerable() { return true; }

// One line: the caption, and the text's lines joined by " / ".
void box_shown(const char* caption_utf8, const char* text_utf8) {
    constexpr size_t kLineBytes = 1000;
    const std::string_view text = text_utf8;
    std::string said;
    for (size_t start = 0;;) {
        const size_t nl = text.find('\n', start);
        std::string_view line = text.substr(start, nl == std::string_view::npos ? std::string_view::npos : nl - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        said += (start ? " / " : "") + shown(line, kLineBytes);
        if (nl == std::string_view::npos) break;
        start = nl + 1;
    }
    std::fprintf(stderr, "qx: a message box, \"%s\": %s\n", shown(caption_utf8).c_str(), said.c_str());
}

extern const Bootstrap bootstrap = {"headless", open};

}  // namespace plat::backend::headless
