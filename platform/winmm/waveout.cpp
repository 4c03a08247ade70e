// The waveOut calls: handles opened on the one device, headers prepared,
// written, reset and unprepared with the results and flags Microsoft
// documents. The samples are played by the mixer (mixer.cpp) into the
// backend's audio device, opened at the first call that needs it and kept
// until the process ends. Where the backend has no device, there are no
// devices: waveOutGetNumDevs answers 0 and waveOutOpen MMSYSERR_BADDEVICEID.
#include "backend/backend.h"
#include "seams/layer_seams.h"
#include "winmm/winmm.h"

#include <algorithm>
#include <atomic>
#include <new>

namespace plat::winmm {

namespace {

constexpr uint32_t kMagic = 0x57415645;  // "WAVE"
std::atomic<bool> g_capture{false};      // a test takes the mix (seams), the device plays silence

// What the device asks for, on its own thread or as virtual time passes.
void pull(int16_t* out, int frames) {
    std::lock_guard<std::mutex> g(lock());
    if (g_capture) {
        std::fill(out, out + size_t(frames) * kChannels, int16_t(0));
        return;
    }
    mix(out, frames);
}

WaveOut* handle(HWAVEOUT h) {
    for (WaveOut* w : open_handles())
        if (reinterpret_cast<HWAVEOUT>(w) == h && w->magic == kMagic) return w;
    return nullptr;
}

bool in_queue(const WaveOut& w, const WAVEHDR* h) { return std::find(w.queue.begin(), w.queue.end(), h) != w.queue.end(); }

bool format_playable(const WAVEFORMATEX& f) {
    return f.wFormatTag == WAVE_FORMAT_PCM && (f.nChannels == 1 || f.nChannels == 2) &&
           (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) && f.nSamplesPerSec == kRate &&
           f.nBlockAlign == f.nChannels * f.wBitsPerSample / 8;
}

}  // namespace

std::mutex& lock() {
    static std::mutex m;
    return m;
}

std::vector<WaveOut*>& open_handles() {
    static std::vector<WaveOut*> handles;
    return handles;
}

bool device_ready() {
    if (g_capture) return true;
    // Opened once, outside the lock: the device may start pulling at once.
    static const bool open = backend::current().audio_open(pull);
    return open;
}

}  // namespace plat::winmm

namespace plat::seam {

void capture_audio(bool on) { winmm::g_capture = on; }

void render_audio(int16_t* out, int frames) {
    std::lock_guard<std::mutex> g(winmm::lock());
    winmm::mix(out, frames);
}

}  // namespace plat::seam

using namespace plat::winmm;

extern "C" UINT WINAPI waveOutGetNumDevs(void) { return device_ready() ? 1 : 0; }

extern "C" MMRESULT WINAPI waveOutOpen(LPHWAVEOUT phwo, UINT device, LPCWAVEFORMATEX pwfx, DWORD_PTR, DWORD_PTR,
                                       DWORD flags) {
    const bool query = flags & WAVE_FORMAT_QUERY;
    if (!pwfx || (!phwo && !query)) return MMSYSERR_INVALPARAM;
    if ((flags & ~DWORD(WAVE_FORMAT_QUERY | CALLBACK_TYPEMASK)) != 0) return MMSYSERR_INVALFLAG;
    // Nothing here calls back: a caller polls WHDR_DONE.
    if ((flags & CALLBACK_TYPEMASK) != CALLBACK_NULL) return MMSYSERR_NOTSUPPORTED;
    // With no device, every identifier is out of range, WAVE_MAPPER's too (as Wine answers).
    if (!device_ready() || (device != WAVE_MAPPER && device != 0)) return MMSYSERR_BADDEVICEID;
    if (!format_playable(*pwfx)) return WAVERR_BADFORMAT;
    if (query) return MMSYSERR_NOERROR;
    WaveOut* w = new (std::nothrow) WaveOut;
    if (!w) return MMSYSERR_NOMEM;
    w->magic = kMagic;
    w->channels = pwfx->nChannels;
    w->bytes = pwfx->wBitsPerSample / 8;
    std::lock_guard<std::mutex> g(lock());
    try {
        open_handles().push_back(w);
    } catch (...) {
        delete w;
        return MMSYSERR_NOMEM;
    }
    *phwo = reinterpret_cast<HWAVEOUT>(w);
    return MMSYSERR_NOERROR;
}

// A handle with buffers still queued stays open: reset it first.
extern "C" MMRESULT WINAPI waveOutClose(HWAVEOUT hwo) {
    std::lock_guard<std::mutex> g(lock());
    WaveOut* w = handle(hwo);
    if (!w) return MMSYSERR_INVALHANDLE;
    if (!w->queue.empty()) return WAVERR_STILLPLAYING;
    auto& all = open_handles();
    all.erase(std::find(all.begin(), all.end(), w));
    w->magic = 0;
    delete w;
    return MMSYSERR_NOERROR;
}

extern "C" MMRESULT WINAPI waveOutPrepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
    std::lock_guard<std::mutex> g(lock());
    if (!handle(hwo)) return MMSYSERR_INVALHANDLE;
    if (!pwh || cbwh < sizeof(WAVEHDR) || !pwh->lpData) return MMSYSERR_INVALPARAM;
    if (pwh->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
    pwh->dwFlags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

extern "C" MMRESULT WINAPI waveOutUnprepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
    std::lock_guard<std::mutex> g(lock());
    if (!handle(hwo)) return MMSYSERR_INVALHANDLE;
    if (!pwh || cbwh < sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
    if (pwh->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
    pwh->dwFlags &= ~DWORD(WHDR_PREPARED);
    return MMSYSERR_NOERROR;
}

// Queued after whatever the handle plays; it starts as soon as that ends.
extern "C" MMRESULT WINAPI waveOutWrite(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
    std::lock_guard<std::mutex> g(lock());
    WaveOut* w = handle(hwo);
    if (!w) return MMSYSERR_INVALHANDLE;
    if (!pwh || cbwh < sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
    if (!(pwh->dwFlags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
    if ((pwh->dwFlags & WHDR_INQUEUE) || in_queue(*w, pwh)) return WAVERR_STILLPLAYING;
    try {
        w->queue.push_back(pwh);
    } catch (...) {
        return MMSYSERR_NOMEM;
    }
    pwh->dwFlags = (pwh->dwFlags & ~DWORD(WHDR_DONE)) | WHDR_INQUEUE;
    return MMSYSERR_NOERROR;
}

// Stops at once: every queued header is done, and the next write starts afresh.
extern "C" MMRESULT WINAPI waveOutReset(HWAVEOUT hwo) {
    std::lock_guard<std::mutex> g(lock());
    WaveOut* w = handle(hwo);
    if (!w) return MMSYSERR_INVALHANDLE;
    for (WAVEHDR* h : w->queue) h->dwFlags = (h->dwFlags & ~DWORD(WHDR_INQUEUE)) | WHDR_DONE;
    w->queue.clear();
    w->cur = 0;
    w->pos = 0;
    w->looping = false;
    return MMSYSERR_NOERROR;
}
