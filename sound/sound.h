// What the runtime's sound files share: the device format every sound is
// converted to once, at load, and the decoder of WAV files.
#pragma once

#include "runtime.h"

#include <cstdint>
#include <vector>

// 44,100 frames a second, 16-bit stereo: what the tone is made in and every
// WAV file is converted to, so that nothing is converted while it plays.
constexpr DWORD kQxRate = 44100;
WAVEFORMATEX qx_device_format(void);

// The longest sound the loader takes, in device frames (ten minutes), and
// the largest file it reads.
constexpr uint64_t kQxMaxFrames = uint64_t(kQxRate) * 600;
constexpr uint64_t kQxMaxWavBytes = 256u << 20;

// Decodes a RIFF/WAVE file of size bytes held in memory (PCM, 8 or 16 bits,
// mono or stereo, 8,000 to 192,000 Hz) into interleaved stereo samples at
// 44,100 Hz. False, with out empty, for anything else: a header that does not
// add up, a chunk that runs past the end of the file, no format or no data.
bool qx_decode_wav(const unsigned char* data, size_t size, std::vector<int16_t>* out);

// The loaded sounds, by id (1 and up): their samples, or nullptr when the id
// was never given or its sound is deleted.
const std::vector<int16_t>* qx_wav_samples(int id);

// Stops every voice that plays sound id and lets it go (voices.cpp).
void qx_forget_voices(int id);

// Opens a waveOut handle in the device format; false where the system has
// no device (the answer comes at once): the runtime then plays nothing.
bool qx_open_output(HWAVEOUT* h);
