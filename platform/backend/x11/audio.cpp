// Sound on the desktop: an SDL2 audio device at 44,100 Hz, 16-bit stereo,
// whose callback thread pulls the layer's mix. Its buffer is 512 frames
// (11.6 ms), so what the program starts is heard within about two buffers.
// Where SDL finds no device (no sound card, no sound server, a CI machine)
// it says so once and the run is silent.
#include "backend/x11/x11.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace plat::backend::x11 {

namespace {

constexpr int kFrames = 512;

AudioPull g_pull = nullptr;

void callback(void*, Uint8* stream, int len) { g_pull(reinterpret_cast<int16_t*>(stream), len / 4); }

// Standard error sent nowhere while it lives. The sound libraries SDL loads
// (ALSA) say on standard error, in eight lines, each reason they find no
// device; the run says it once, in its own line.
class Hush {
public:
    Hush() : saved_(dup(2)) {
        const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && null >= 0) dup2(null, 2);
        if (null >= 0) close(null);
    }
    ~Hush() {
        if (saved_ < 0) return;
        dup2(saved_, 2);
        close(saved_);
    }

private:
    int saved_;
};

}  // namespace

bool audio_open(AudioPull pull) {
    g_pull = pull;
    std::string why;
    {
        std::fflush(stderr);
        Hush hush;
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            why = std::string("SDL cannot start its audio (") + SDL_GetError() + ")";
        } else {
            SDL_AudioSpec want{}, have{};
            want.freq = 44100;
            want.format = AUDIO_S16SYS;
            want.channels = 2;
            want.samples = kFrames;
            want.callback = callback;
            // SDL converts to whatever the device takes; the callback always sees this format.
            const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
            if (device != 0) {
                SDL_PauseAudioDevice(device, 0);
                return true;
            }
            why = std::string("SDL opens no audio device (") + SDL_GetError() + ")";
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
        }
    }
    std::fprintf(stderr, "qx: no sound: %s; the run is silent\n", why.c_str());
    return false;
}

}  // namespace plat::backend::x11
