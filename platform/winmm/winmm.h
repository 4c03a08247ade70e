// What the layer's waveOut files share: the mixer, which every open handle
// plays into, and the device it feeds. The device is the backend's (the seam
// moves samples and knows nothing of waveOut); it pulls the mixer from a
// thread of its own on a desktop, so everything here is guarded by one lock.
#pragma once

#include <windows.h>

#include <cstdint>
#include <mutex>
#include <vector>

namespace plat::winmm {

// The device format, the only rate this layer plays at.
constexpr DWORD kRate = 44100;
constexpr int kChannels = 2;

// An open waveOut handle: its format and the headers written to it, in
// order, not yet done.
struct WaveOut {
    uint32_t magic;
    int channels, bytes;         // 1 or 2; 1 or 2 bytes a sample
    std::vector<WAVEHDR*> queue; // queue[0, cur) are a loop's headers already played this pass
    size_t cur = 0;              // the header playing
    DWORD pos = 0;               // bytes of it played
    bool looping = false;        // between a WHDR_BEGINLOOP header and its WHDR_ENDLOOP
    DWORD loops_left = 0;        // passes of the loop still to play, this one included
    bool loop_sounded = false;   // this pass of the loop gave a frame (an empty loop ends)
};

std::mutex& lock();              // guards every handle, every queued header's flags, and the mixer
std::vector<WaveOut*>& open_handles();
bool device_ready();             // the device is open (or a test captures the mix)

// Adds what every open handle plays next into out: frames interleaved
// stereo frames, in 32 bits, and advances the handles past them. Headers
// played to their end are marked done. Called with the lock held.
void mix_into(int32_t* out, int frames);
// frames of the mix, saturated to 16 bits. Called with the lock held.
void mix(int16_t* out, int frames);

}  // namespace plat::winmm
