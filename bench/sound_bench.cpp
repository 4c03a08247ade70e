// The sound benchmark, a game of its own (native builds):
//
//   mixer: what the layer's mixer costs for one frame of a 60 Hz game
//   (735 frames of audio, 16.7 ms) with 8 sounds and the tone playing,
//   in CPU time (the median of 31 batches), as a share of the frame, and
//   against memcpy of the bytes the 9 voices hold for that frame;
//   latency: with the desktop's audio device (the x11 backend; SDL_AUDIODRIVER
//   chooses the driver, e.g. dummy on a machine with no sound card), the
//   wall time from waveOutWrite until the device's callback has taken the
//   samples (the header is done), median of 41 writes, plus the one buffer
//   of 512 frames (11.6 ms) the device then plays them from.
//
// Run: QX_HEADLESS=0 SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy build/dev/bench/sound_bench
#include <qx.h>

#include <layer_seams.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

double cpu_ns() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e9 + double(t.tv_nsec);
}

template <class F>
double median_cpu_ns(F call, int per_batch) {
    std::vector<double> batches;
    for (int b = 0; b < 31; ++b) {
        const double t0 = cpu_ns();
        for (int i = 0; i < per_batch; ++i) call();
        batches.push_back((cpu_ns() - t0) / per_batch);
    }
    std::sort(batches.begin(), batches.end());
    return batches[batches.size() / 2];
}

// A second of a loud 16-bit stereo sound at 44,100 Hz: a saw, different for each.
std::vector<unsigned char> wav_file(int n) {
    std::vector<unsigned char> b;
    auto put = [&](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) b.push_back(uint8_t(v >> (8 * i)));
    };
    const uint32_t frames = 44100, data = frames * 4;
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    put(36 + data, 4);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put(16, 4), put(1, 2), put(2, 2), put(44100, 4), put(44100 * 4, 4), put(4, 2), put(16, 2);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    put(data, 4);
    for (uint32_t i = 0; i < frames * 2; ++i) put(uint16_t(int16_t((i * (40 + n * 7)) % 60000 - 30000)), 2);
    return b;
}

void mixer() {
    plat::seam::capture_audio(true);
    int ids[8];
    for (int n = 0; n < 8; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "bench-sound-%d.wav", n);
        const std::vector<unsigned char> bytes = wav_file(n);
        std::FILE* f = std::fopen(name, "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        ids[n] = qx_loadwav(name);
        std::remove(name);
        qx_playwav(ids[n], 1);
    }
    qx_sound(440);
    constexpr int kFrame = 735;  // 16.7 ms at 44,100 Hz
    static int16_t out[kFrame * 2];
    const double mix = median_cpu_ns([] { plat::seam::render_audio(out, kFrame); }, 200);
    static unsigned char from[9 * kFrame * 4], to[9 * kFrame * 4];
    const double copy = median_cpu_ns([] {
        std::memcpy(to, from, sizeof from);
        asm volatile("" : : "r"(to) : "memory");
    }, 2000);
    std::printf("mixer: 8 sounds + the tone, one 60 Hz frame (735 audio frames): %.1f us of CPU time, "
                "%.3f%% of the 16.7 ms frame; %.1fx memcpy of the voices' %zu bytes (%.2f us)\n",
                mix / 1000, 100 * mix / 16.7e6, mix / copy, sizeof from, copy / 1000);
    qx_nosound();
    for (int id : ids) qx_deletewav(id);
    plat::seam::capture_audio(false);
}

void latency() {
    if (waveOutGetNumDevs() == 0) {
        std::printf("latency: no audio device\n");
        return;
    }
    WAVEFORMATEX f{WAVE_FORMAT_PCM, 2, 44100, 44100 * 4, 4, 16, 0};
    HWAVEOUT h;
    if (waveOutOpen(&h, WAVE_MAPPER, &f, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) return;
    static int16_t one[2] = {1000, 1000};
    std::vector<double> ms;
    for (int i = 0; i < 41; ++i) {
        WAVEHDR hdr{};
        hdr.lpData = reinterpret_cast<LPSTR>(one);
        hdr.dwBufferLength = sizeof one;
        waveOutPrepareHeader(h, &hdr, sizeof hdr);
        const auto t0 = std::chrono::steady_clock::now();
        waveOutWrite(h, &hdr, sizeof hdr);
        while (waveOutUnprepareHeader(h, &hdr, sizeof hdr) == WAVERR_STILLPLAYING) Sleep(0);
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
        Sleep(3 + i % 7);  // writes at every phase of the device's period
    }
    std::sort(ms.begin(), ms.end());
    std::printf("latency: waveOutWrite to the device's callback: median %.2f ms, worst %.2f ms; "
                "+ 11.6 ms of its buffer: %.1f ms, worst %.1f ms\n",
                ms[ms.size() / 2], ms.back(), ms[ms.size() / 2] + 11.6, ms.back() + 11.6);
    waveOutClose(h);
}

}  // namespace

int Main(void) {
    mixer();
    latency();
    std::fflush(stdout);
    return 0;
}
