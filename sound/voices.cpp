// Playing loaded sounds: up to kVoices at once, each on a waveOut handle of
// its own, which the system mixes (on Windows, its audio engine; elsewhere,
// the layer's mixer), so a sound starts at once over whatever plays. A
// voice plays one header: the sound's samples, already in the device
// format, looped with WHDR_BEGINLOOP | WHDR_ENDLOOP when asked. Handles are
// opened at their first use and kept; a voice is free again once its header
// is done.
#include "sound.h"

namespace {

constexpr int kVoices = 16;
// A loop plays this many times: longer than any game runs.
constexpr DWORD kForever = 0xFFFFFFFF;

struct Voice {
    HWAVEOUT out = nullptr;
    WAVEHDR header{};
    int id = 0;          // the sound it plays; 0 when free
    unsigned serial = 0; // when it started, in plays
};

Voice g_voices[kVoices];
unsigned g_plays = 0;

// Stops v at once and frees it.
void stop(Voice& v) {
    if (!v.id) return;
    waveOutReset(v.out);
    waveOutUnprepareHeader(v.out, &v.header, sizeof v.header);
    v.id = 0;
}

// A voice whose sound has played to its end is free: its header is done,
// and unpreparing it succeeds (it fails while the header still plays).
bool free_now(Voice& v) {
    if (v.id && waveOutUnprepareHeader(v.out, &v.header, sizeof v.header) == MMSYSERR_NOERROR) v.id = 0;
    return !v.id;
}

// A free voice, or else the one that started first, stopped.
Voice& take_voice() {
    Voice* oldest = &g_voices[0];
    for (Voice& v : g_voices) {
        if (free_now(v)) return v;
        if (v.serial - g_plays < oldest->serial - g_plays) oldest = &v;  // wraps as the count does
    }
    stop(*oldest);
    return *oldest;
}

}  // namespace

bool qx_open_output(HWAVEOUT* h) {
    const WAVEFORMATEX format = qx_device_format();
    if (waveOutOpen(h, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) == MMSYSERR_NOERROR) return true;
    *h = nullptr;
    return false;
}

void qx_playwav(int id, int loop) {
    const std::vector<int16_t>* samples = qx_wav_samples(id);
    if (!samples || samples->empty()) return;
    Voice& v = take_voice();
    if (!v.out && !qx_open_output(&v.out)) return;
    v.header = WAVEHDR{};
    v.header.lpData = reinterpret_cast<LPSTR>(const_cast<int16_t*>(samples->data()));
    v.header.dwBufferLength = DWORD(samples->size() * sizeof(int16_t));
    if (loop) {
        v.header.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
        v.header.dwLoops = kForever;
    }
    if (waveOutPrepareHeader(v.out, &v.header, sizeof v.header) != MMSYSERR_NOERROR) return;
    if (waveOutWrite(v.out, &v.header, sizeof v.header) != MMSYSERR_NOERROR) {
        waveOutUnprepareHeader(v.out, &v.header, sizeof v.header);
        return;
    }
    v.id = id;
    v.serial = g_plays++;
}

void qx_stopwav(int id) {
    if (id == 0) return;
    for (Voice& v : g_voices)
        if (v.id == id) stop(v);
}

void qx_forget_voices(int id) { qx_stopwav(id); }
