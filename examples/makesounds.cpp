// makesounds: makes the example game's sounds and writes them as WAV files.
//
//   makesounds DIR     writes DIR/shot.wav and DIR/boom.wav
//
// The twin of makepics: it runs on the build machine at build time, also
// when the game is cross-built, so it is plain standard C++ with no use of
// qx or the platform. The two files are in different forms on purpose, as a
// game's sounds often are, and the runtime converts both at load:
// shot.wav is a falling square-wave chirp, 8-bit mono at 22,050 Hz;
// boom.wav is noise that falls away, 16-bit mono at 11,025 Hz. The noise
// comes from a fixed generator, so every build writes the same bytes.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

void put16(std::string& out, unsigned v) {
    out += char(v & 0xFF);
    out += char(v >> 8 & 0xFF);
}
void put32(std::string& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// A PCM WAV file: RIFF header, fmt chunk, data chunk (padded to even).
void write_wav(const std::string& path, unsigned rate, unsigned bits, const std::string& samples) {
    const unsigned align = bits / 8;
    std::string out = "RIFF";
    put32(out, uint32_t(36 + samples.size() + (samples.size() & 1)));
    out += "WAVEfmt ";
    put32(out, 16);
    put16(out, 1);  // PCM
    put16(out, 1);  // mono
    put32(out, rate);
    put32(out, rate * align);
    put16(out, align);
    put16(out, bits);
    out += "data";
    put32(out, uint32_t(samples.size()));
    out += samples;
    if (samples.size() & 1) out += '\0';
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(out.data(), 1, out.size(), f) != out.size() || std::fclose(f) != 0) {
        std::fprintf(stderr, "makesounds: cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

// 0.12 s from 1800 Hz down to 300 Hz, 8-bit unsigned (128 is silence).
std::string shot() {
    const unsigned rate = 22050, n = rate * 12 / 100;
    std::string s;
    double phase = 0;
    for (unsigned i = 0; i < n; ++i) {
        const double t = double(i) / n;
        phase += (1800 - 1500 * t) / rate;
        const int level = int(90 * (1 - t));
        s += char(128 + (phase - std::floor(phase) < 0.5 ? level : -level));
    }
    return s;
}

// 0.6 s of noise, low-passed a little, whose loudness falls away.
std::string boom() {
    const unsigned rate = 11025, n = rate * 6 / 10;
    std::string s;
    uint32_t seed = 12345;
    double low = 0;
    for (unsigned i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        const double white = double(int32_t(seed >> 8 & 0xFFFF) - 32768) / 32768;
        low += (white - low) * 0.35;
        const double t = double(i) / n;
        put16(s, unsigned(uint16_t(int16_t(28000 * low * (1 - t) * (1 - t)))));
    }
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: makesounds DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    write_wav(dir + "/shot.wav", 22050, 8, shot());
    write_wav(dir + "/boom.wav", 11025, 16, boom());
    return 0;
}
