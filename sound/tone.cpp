// The tone: a square wave at a whole number of hertz, as the PC speaker
// made, on a waveOut handle of its own. Its buffer holds the shortest run of
// whole periods that is also a whole number of samples (44,100 / gcd(44,100,
// hz) frames, hz / gcd periods: 441 frames at 1000 Hz, 2205 at 440), written
// once and looped, so the pitch is exact however long it sounds. A new pitch
// resets the handle and writes a new buffer: it is heard at once.
#include "sound.h"

#include <numeric>

namespace {

constexpr int16_t kLevel = 8000;  // a quarter of full scale: sounds played over it keep room
constexpr DWORD kForever = 0xFFFFFFFF;

HWAVEOUT g_out = nullptr;
WAVEHDR g_header{};
std::vector<int16_t> g_wave;
bool g_sounding = false;

}  // namespace

void qx_nosound(void) {
    if (!g_sounding) return;
    waveOutReset(g_out);
    waveOutUnprepareHeader(g_out, &g_header, sizeof g_header);
    g_sounding = false;
}

void qx_sound(int hz) {
    qx_nosound();
    if (hz < 1 || DWORD(hz) > kQxRate / 2) return;
    if (!g_out && !qx_open_output(&g_out)) return;
    const DWORD frames = kQxRate / std::gcd(kQxRate, DWORD(hz));
    try {
        g_wave.resize(size_t(frames) * 2);
    } catch (...) {
        return;
    }
    // Frame i is high in the first half of each period: the half-period count
    // 2 * hz * i / 44100 is even.
    for (DWORD i = 0; i < frames; ++i) {
        const int16_t s = (uint64_t(2) * DWORD(hz) * i / kQxRate) % 2 ? int16_t(-kLevel) : kLevel;
        g_wave[2 * i] = g_wave[2 * i + 1] = s;
    }
    g_header = WAVEHDR{};
    g_header.lpData = reinterpret_cast<LPSTR>(g_wave.data());
    g_header.dwBufferLength = frames * 4;
    g_header.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
    g_header.dwLoops = kForever;
    if (waveOutPrepareHeader(g_out, &g_header, sizeof g_header) != MMSYSERR_NOERROR) return;
    if (waveOutWrite(g_out, &g_header, sizeof g_header) != MMSYSERR_NOERROR) {
        waveOutUnprepareHeader(g_out, &g_header, sizeof g_header);
        return;
    }
    g_sounding = true;
}
