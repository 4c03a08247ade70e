// libFuzzer target for the WAV decoder the runtime loads sounds with. Each
// input is a file, decoded as qx_loadwav decodes what it read. Built with
// AddressSanitizer and UndefinedBehaviorSanitizer: any out-of-bounds read
// or undefined behaviour ends the run. A decoded sound must also keep the
// decoder's bounds: whole stereo frames, no more than the longest sound,
// and no more than the file's bytes can give at the lowest rate (8,000 Hz,
// 8-bit mono: 44,100 / 8,000 frames a byte, rounded up).
#include "sound.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<int16_t> out;
    const bool ok = qx_decode_wav(data, size, &out);
    const uint64_t frames = out.size() / 2;
    const bool bounded = out.size() % 2 == 0 && frames <= kQxMaxFrames && frames <= (uint64_t(size) * 44100 + 7999) / 8000;
    if ((ok && !bounded) || (!ok && !out.empty())) {
        std::fprintf(stderr, "wav_fuzz: decoded %s, %llu frames from %zu bytes\n", ok ? "true" : "false",
                     static_cast<unsigned long long>(frames), size);
        std::abort();
    }
    return 0;
}
