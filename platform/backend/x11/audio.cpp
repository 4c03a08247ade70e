// Sound on the desktop: an SDL2 audio device at 44,100 Hz, 16-bit stereo,
// whose callback thread pulls the layer's mix. Its buffer is 512 frames
// (11.6 ms), so what the program starts is heard within about two buffers.
// Where SDL finds no device (no sound card, no sound server, a CI machine)
// it says so once and the run is silent.
#include "backend/x11/x11.h"

#include <cstdio>

namespace plat::backend::x11 {

namespace {

constexpr int kFrames = 512;

AudioPull g_pull = nullptr;

void callback(void*, Uint8* stream, int len) { g_pull(reinterpret_cast<int16_t*>(stream), len / 4); }

}  // namespace

bool audio_open(AudioPull pull) {
    g_pull = pull;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        std::fprintf(stderr, "qx: no sound: SDL cannot start its audio (%s); the run is silent\n", SDL_GetError());
        return false;
    }
    SDL_AudioSpec want{}, have{};
    want.freq = 44100;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = kFrames;
    want.callback = callback;
    // SDL converts to whatever the device takes; the callback always sees this format.
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device == 0) {
        std::fprintf(stderr, "qx: no sound: SDL opens no audio device (%s); the run is silent\n", SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    SDL_PauseAudioDevice(device, 0);
    return true;
}

}  // namespace plat::backend::x11
