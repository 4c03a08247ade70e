// The sound of a headless run, in virtual time. The device is always there:
// the mix is rendered up to the clock each time the clock moves on, so that
// a change the program makes at virtual time t is heard from sample
// t * 44,100 / 1,000,000 on (a tone started at 1000 ms starts at sample
// 44,100). With QX_AUDIO_SHOT=FILE.wav the run's whole sound, from its start
// (silence until the program plays) to its end, is written there as a
// 16-bit stereo PCM WAV file, the same bytes on every run. It is streamed to
// a new file beside the name and put in place at the end, as shots are; a
// recording that cannot be written ends the run with status 4.
#include "backend/headless/headless.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace plat::backend::headless {

namespace {

constexpr uint64_t kRate = 44100;
constexpr int kChunk = 4096;          // frames rendered at a time
constexpr uint32_t kFrameBytes = 4;   // 16-bit stereo
constexpr uint32_t kHeaderBytes = 44;
// A WAV file's sizes are 32-bit: the data stops short of 4 GiB (6.7 hours).
constexpr uint64_t kMaxFrames = (0xFFFFFFFFull - kHeaderBytes) / kFrameBytes;

AudioPull g_pull = nullptr;
uint64_t g_rendered = 0;  // frames rendered since the run began

bool g_recording = false;
bool g_failed = false;    // said already; nothing more is written
std::string g_why;
Replacement g_file;
std::string g_path;
// Bytes not yet written: a program that spins on the keys moves the clock a
// microsecond a poll, a frame of sound every 23 polls, and each is not a
// write of its own.
unsigned char g_pending[1 << 16];
size_t g_pending_bytes = 0;

void put32(unsigned char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

// The 44-byte header of a PCM WAV file holding frames frames.
void header(unsigned char* h, uint64_t frames) {
    const uint32_t data = uint32_t(frames * kFrameBytes);
    std::memcpy(h, "RIFF\0\0\0\0WAVEfmt \x10\0\0\0\x01\0\x02\0\0\0\0\0\0\0\0\0\x04\0\x10\0data\0\0\0\0", 44);
    put32(h + 4, 36 + data);
    put32(h + 24, uint32_t(kRate));
    put32(h + 28, uint32_t(kRate) * kFrameBytes);
    put32(h + 40, data);
}

void fail(const std::string& why) {
    if (g_failed) return;
    g_failed = true;
    g_why = why;
    if (g_file.fd >= 0) abandon_replacement(&g_file);
}

void flush() {
    if (!g_failed && !write_all(g_file.fd, g_pending, g_pending_bytes))
        fail(std::string("cannot write it: ") + std::strerror(errno));
    g_pending_bytes = 0;
}

void record(const int16_t* samples, int frames) {
    if (!g_recording || g_failed) return;
    if (g_rendered + uint64_t(frames) > kMaxFrames) return fail("the run is longer than a WAV file can hold");
    if (g_pending_bytes + size_t(frames) * kFrameBytes > sizeof g_pending) flush();
    // Little-endian, as the file keeps them.
    unsigned char* bytes = g_pending + g_pending_bytes;
    for (int i = 0; i < frames * 2; ++i) {
        bytes[2 * i] = uint8_t(uint16_t(samples[i]));
        bytes[2 * i + 1] = uint8_t(uint16_t(samples[i]) >> 8);
    }
    g_pending_bytes += size_t(frames) * kFrameBytes;
}

}  // namespace

void set_recording(const std::string& path) {
    g_recording = true;
    g_path = path;
    std::string why;
    unsigned char h[kHeaderBytes];
    header(h, 0);
    if (!begin_replacement(path, &g_file, &why)) return fail(why);
    if (!write_all(g_file.fd, h, sizeof h)) fail(std::string("cannot write it: ") + std::strerror(errno));
}

bool audio_open(AudioPull pull) {
    g_pull = pull;
    return true;
}

void render_audio_to_now() {
    const uint64_t target = elapsed_us() * kRate / 1000000;
    if (!g_pull && !g_recording) {  // nothing plays and nobody listens
        g_rendered = target;
        return;
    }
    int16_t samples[kChunk * 2];
    while (g_rendered < target) {
        const int n = int(std::min<uint64_t>(target - g_rendered, kChunk));
        if (g_pull)
            g_pull(samples, n);
        else
            std::memset(samples, 0, sizeof(int16_t) * size_t(n) * 2);
        record(samples, n);
        g_rendered += uint64_t(n);
    }
}

bool finish_recording() {
    render_audio_to_now();
    if (!g_recording) return true;
    g_recording = false;
    flush();
    if (!g_failed) {
        unsigned char h[kHeaderBytes];
        header(h, g_rendered);
        if (::pwrite(g_file.fd, h, sizeof h, 0) != ssize_t(sizeof h))
            fail(std::string("cannot write it: ") + std::strerror(errno));
    }
    std::string why;
    if (!g_failed && !commit_replacement(&g_file, &why)) fail(why);
    if (!g_failed) return true;
    std::fprintf(stderr, "qx: no sound recording %s: %s\n", shown(g_path).c_str(), g_why.c_str());
    return false;
}

}  // namespace plat::backend::headless
