// The mixer: every open waveOut handle, each in its own format, summed into
// the device format (44,100 Hz, 16-bit stereo) in 32 bits and saturated to
// 16 bits, so loud sounds together clip and never wrap round. A handle walks
// its queue of headers as Windows does: each played to its end is marked
// WHDR_DONE and leaves the queue, and the headers from a WHDR_BEGINLOOP to a
// WHDR_ENDLOOP play dwLoops times before they are done. The hot path
// allocates nothing.
#include "winmm/winmm.h"

#include <algorithm>
#include <cstring>

namespace plat::winmm {

namespace {

constexpr int kBlock = 512;  // frames mixed at a time

void done(WAVEHDR* h) { h->dwFlags = (h->dwFlags & ~DWORD(WHDR_INQUEUE)) | WHDR_DONE; }

// Adds n frames of samples p, in the handle's format, to out.
void add(const WaveOut& w, const unsigned char* p, int32_t* out, int n) {
    if (w.bytes == 2 && w.channels == 2) {
        for (int i = 0; i < 2 * n; ++i) out[i] += int16_t(uint16_t(p[2 * i] | p[2 * i + 1] << 8));
    } else if (w.bytes == 2) {
        for (int i = 0; i < n; ++i) {
            const int32_t s = int16_t(uint16_t(p[2 * i] | p[2 * i + 1] << 8));
            out[2 * i] += s;
            out[2 * i + 1] += s;
        }
    } else if (w.channels == 2) {
        for (int i = 0; i < 2 * n; ++i) out[i] += (int32_t(p[i]) - 128) * 256;
    } else {
        for (int i = 0; i < n; ++i) {
            const int32_t s = (int32_t(p[i]) - 128) * 256;
            out[2 * i] += s;
            out[2 * i + 1] += s;
        }
    }
}

// The header playing is played to its end: on to the next, back to the
// loop's start, or done.
void finish_header(WaveOut& w) {
    WAVEHDR* h = w.queue[w.cur];
    w.pos = 0;
    if (!w.looping && (h->dwFlags & WHDR_BEGINLOOP) && !(h->dwFlags & WHDR_ENDLOOP)) {
        // A loop of several headers begins; its first has played once.
        w.looping = true;
        w.loops_left = std::max<DWORD>(h->dwLoops, 1);
        w.loop_sounded = h->dwBufferLength >= DWORD(w.channels * w.bytes);
        ++w.cur;
        return;
    }
    if (w.looping) {
        if (!(h->dwFlags & WHDR_ENDLOOP)) {
            ++w.cur;
            return;
        }
        if (--w.loops_left > 0 && w.loop_sounded) {
            w.cur = 0;
            w.loop_sounded = false;
            return;
        }
        for (size_t i = 0; i <= w.cur; ++i) done(w.queue[i]);
        w.queue.erase(w.queue.begin(), w.queue.begin() + ptrdiff_t(w.cur) + 1);
        w.cur = 0;
        w.looping = false;
        return;
    }
    done(h);
    w.queue.erase(w.queue.begin());
}

// Plays up to n frames of w into out; returns when it has, or when its queue is empty.
void play(WaveOut& w, int32_t* out, int n) {
    const DWORD frame = DWORD(w.channels * w.bytes);
    while (n > 0 && w.cur < w.queue.size()) {
        WAVEHDR* h = w.queue[w.cur];
        // A header that is its own loop starts its count when it starts.
        if (w.pos == 0 && !w.looping && (h->dwFlags & WHDR_BEGINLOOP) && (h->dwFlags & WHDR_ENDLOOP)) {
            w.looping = true;
            w.loops_left = std::max<DWORD>(h->dwLoops, 1);
            w.loop_sounded = false;
        }
        const DWORD left = (h->dwBufferLength - std::min(w.pos, h->dwBufferLength)) / frame;
        if (left == 0) {
            finish_header(w);
            continue;
        }
        const int take = int(std::min<DWORD>(left, DWORD(n)));
        add(w, reinterpret_cast<const unsigned char*>(h->lpData) + w.pos, out, take);
        w.pos += DWORD(take) * frame;
        if (w.looping) w.loop_sounded = true;
        out += 2 * take;
        n -= take;
    }
}

}  // namespace

void mix_into(int32_t* out, int frames) {
    for (WaveOut* w : open_handles()) play(*w, out, frames);
}

void mix(int16_t* out, int frames) {
    int32_t acc[kBlock * kChannels];
    while (frames > 0) {
        const int n = std::min(frames, kBlock);
        std::memset(acc, 0, sizeof(int32_t) * size_t(n) * kChannels);
        mix_into(acc, n);
        for (int i = 0; i < n * kChannels; ++i) out[i] = int16_t(std::clamp<int32_t>(acc[i], -32768, 32767));
        out += n * kChannels;
        frames -= n;
    }
}

}  // namespace plat::winmm
