// The WAV decoder: a file held in memory (input from outside: every chunk
// is bounded by the file's own length), its chunks walked, and its PCM
// samples converted once to the device format (stereo, 16 bits, 44,100 Hz,
// by linear interpolation), so that playing copies nothing.
#include "sound.h"

#include <cstring>
#include <new>

namespace {

uint32_t le32(const unsigned char* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint16_t le16(const unsigned char* p) { return uint16_t(p[0] | p[1] << 8); }

struct Format {
    unsigned channels = 0, bits = 0, rate = 0;
};

// Sample c (0 left, 1 right) of frame i, as 16 bits.
int32_t sample(const unsigned char* data, const Format& f, uint64_t i, unsigned c) {
    const unsigned ch = f.channels == 2 ? c : 0;
    if (f.bits == 8) return (int32_t(data[i * f.channels + ch]) - 128) * 256;
    return int16_t(le16(data + (i * f.channels + ch) * 2));
}

bool convert(const unsigned char* data, uint64_t frames, const Format& f, std::vector<int16_t>* out) {
    const uint64_t n = (frames * kQxRate + f.rate - 1) / f.rate;
    if (n > kQxMaxFrames) return false;
    out->resize(size_t(n) * 2);
    int16_t* o = out->data();
    for (uint64_t i = 0; i < n; ++i) {
        // The source position of output frame i, in 1/44100ths of a source frame.
        const uint64_t at = i * f.rate;
        const uint64_t s = at / kQxRate, frac = at % kQxRate;
        const uint64_t t = s + 1 < frames ? s + 1 : s;
        for (unsigned c = 0; c < 2; ++c) {
            const int64_t a = sample(data, f, s, c), b = sample(data, f, t, c);
            *o++ = int16_t(a + (b - a) * int64_t(frac) / int64_t(kQxRate));
        }
    }
    return true;
}

bool parse(const unsigned char* data, size_t size, std::vector<int16_t>* out) {
    if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0) return false;
    Format f;
    const unsigned char* samples = nullptr;
    uint64_t sample_bytes = 0;
    bool have_format = false, have_data = false;
    for (uint64_t at = 12; at + 8 <= size;) {
        const unsigned char* chunk = data + at;
        const uint64_t length = le32(chunk + 4);
        const uint64_t body = at + 8;
        if (length > size - body) return false;  // runs past the end of the file
        if (std::memcmp(chunk, "fmt ", 4) == 0 && !have_format) {
            if (length < 16) return false;
            const unsigned char* p = data + body;
            f.channels = le16(p + 2);
            f.rate = le32(p + 4);
            f.bits = le16(p + 14);
            if (le16(p) != WAVE_FORMAT_PCM || (f.channels != 1 && f.channels != 2) || (f.bits != 8 && f.bits != 16) ||
                f.rate < 8000 || f.rate > 192000 || le16(p + 12) != f.channels * f.bits / 8)
                return false;
            have_format = true;
        } else if (std::memcmp(chunk, "data", 4) == 0 && !have_data) {
            samples = data + body;
            sample_bytes = length;
            have_data = true;
        }
        at = body + length + (length & 1);  // chunks of odd length are padded to even
    }
    if (!have_format || !have_data) return false;
    const uint64_t frames = sample_bytes / (f.channels * f.bits / 8);
    return convert(samples, frames, f, out);
}

}  // namespace

bool qx_decode_wav(const unsigned char* data, size_t size, std::vector<int16_t>* out) {
    out->clear();
    bool ok = false;
    try {
        ok = data && parse(data, size, out);
    } catch (const std::bad_alloc&) {
    }
    if (!ok) std::vector<int16_t>().swap(*out);
    return ok;
}

