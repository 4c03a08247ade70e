// The BMP decoder on the largest pictures it takes, 64 Mi pixels (8192 x
// 8192), in each common form: RLE8, RLE4, 8, 24 and 32 bits per pixel. Each
// row gives the best of a few decodes as megapixels per second, and as a
// ratio to memcpy of the decoded picture's bytes (256 MiB) measured in the
// same run: decoding into a fresh picture, as LoadImageA does (the kernel's
// zeroing of 256 MiB of new pages included, which the first row times
// alone), and into one whose memory is reused, which is the decoder's own
// work. The file is in memory, so that no disk is timed. Times are the
// thread's CPU time (user and system), which other processes on a shared
// machine do not lengthen as they lengthen the wall clock's.
//
//   build/default/bench/bmp_bench [REPEATS]
#include "gdi/bmp.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

constexpr int kWidth = 8192, kHeight = 8192;

// A BMP file held in memory, read as the decoder asks.
class MemoryBmp final : public plat::BmpFile {
public:
    explicit MemoryBmp(std::vector<uint8_t> bytes) : BmpFile(bytes.size()), bytes_(std::move(bytes)) {}
    bool read(uint64_t at, uint8_t* buf, size_t n) override {
        if (at > bytes_.size() || bytes_.size() - at < n) return false;
        std::memcpy(buf, bytes_.data() + at, n);
        return true;
    }

private:
    std::vector<uint8_t> bytes_;
};

uint32_t colour(int i) { return uint32_t(i * 0x9E3779B1u) & 0xFFFFFF; }

// Palette indices of a picture like a game's: rows of spans of one colour,
// 1 to 48 pixels long, a third of them single pixels.
std::vector<uint8_t> indices(int colours) {
    std::vector<uint8_t> out(size_t(kWidth) * kHeight);
    uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1664525u + 1013904223u, seed >> 8; };
    for (size_t at = 0; at < out.size();) {
        const size_t n = std::min<size_t>(next() % 3 ? 1 + next() % 48 : 1, out.size() - at);
        std::fill_n(out.begin() + std::ptrdiff_t(at), n, uint8_t(next() % uint32_t(colours)));
        at += n;
    }
    return out;
}

void put16(std::vector<uint8_t>& b, uint32_t v) { b.push_back(uint8_t(v)), b.push_back(uint8_t(v >> 8)); }
void put32(std::vector<uint8_t>& b, uint32_t v) { put16(b, v & 0xFFFF), put16(b, v >> 16); }

// An info-header file around `bits`.
std::vector<uint8_t> file_of(int bpp, uint32_t compression, const std::vector<uint8_t>& bits) {
    std::vector<uint8_t> b = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const int entries = bpp <= 8 ? 1 << bpp : 0;
    for (uint32_t v : {40u, uint32_t(kWidth), uint32_t(kHeight)}) put32(b, v);
    put16(b, 1);
    put16(b, uint32_t(bpp));
    for (uint32_t v : {compression, uint32_t(bits.size()), 2835u, 2835u, 0u, 0u}) put32(b, v);
    for (int i = 0; i < entries; ++i) put32(b, colour(i));
    const uint32_t at = uint32_t(b.size());
    std::memcpy(b.data() + 10, &at, 4);
    b.insert(b.end(), bits.begin(), bits.end());
    const uint32_t size = uint32_t(std::min<size_t>(b.size(), UINT32_MAX));
    std::memcpy(b.data() + 2, &size, 4);
    return b;
}

// Uncompressed rows, bottom row first (the widths need no padding).
std::vector<uint8_t> rgb_file(int bpp) {
    const std::vector<uint8_t> idx = indices(256);
    std::vector<uint8_t> bits;
    bits.reserve(idx.size() * size_t(bpp / 8));
    for (int row = kHeight - 1; row >= 0; --row) {
        const uint8_t* p = &idx[size_t(row) * kWidth];
        for (int x = 0; x < kWidth; ++x) {
            if (bpp == 8) {
                bits.push_back(p[x]);
                continue;
            }
            const uint32_t c = colour(p[x]);
            bits.push_back(uint8_t(c)), bits.push_back(uint8_t(c >> 8)), bits.push_back(uint8_t(c >> 16));
            if (bpp == 32) bits.push_back(0);
        }
    }
    return file_of(bpp, 0, bits);
}

// The rows as a writer would code them: three or more equal indices as a
// run, others in absolute runs, an end of line after each row and an end of
// bitmap after the last.
std::vector<uint8_t> rle_file(bool four_bit) {
    const std::vector<uint8_t> idx = indices(four_bit ? 16 : 256);
    std::vector<uint8_t> bits;
    auto run_at = [](const uint8_t* p, int x, int end) {
        int n = 1;
        while (x + n < end && n < 255 && p[x + n] == p[x]) ++n;
        return n;
    };
    for (int row = kHeight - 1; row >= 0; --row) {
        const uint8_t* p = &idx[size_t(row) * kWidth];
        for (int x = 0; x < kWidth;) {
            if (int n = run_at(p, x, kWidth); n >= 3) {
                bits.push_back(uint8_t(n));
                bits.push_back(four_bit ? uint8_t(p[x] << 4 | p[x]) : p[x]);
                x += n;
                continue;
            }
            int n = 0;
            while (x + n < kWidth && n < 255 && run_at(p, x + n, kWidth) < 3) ++n;
            if (n < 3) {  // too short for an absolute run: runs of one pixel
                for (int i = 0; i < n; ++i) bits.push_back(1), bits.push_back(four_bit ? uint8_t(p[x + i] << 4) : p[x + i]);
            } else {
                bits.push_back(0);
                bits.push_back(uint8_t(n));
                const size_t start = bits.size();
                for (int i = 0; i < n; ++i) {
                    if (!four_bit) bits.push_back(p[x + i]);
                    else if (i % 2 == 0) bits.push_back(uint8_t(p[x + i] << 4));
                    else bits.back() |= p[x + i];
                }
                if ((bits.size() - start) % 2) bits.push_back(0);
            }
            x += n;
        }
        bits.push_back(0);
        bits.push_back(row ? 0 : 1);
    }
    return file_of(four_bit ? 4 : 8, four_bit ? 2 : 1, bits);
}

double cpu_ms() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

template <class F>
double best_ms(int repeats, F&& f) {
    double best = 1e300;
    for (int i = 0; i < repeats; ++i) {
        const double t0 = cpu_ms();
        f();
        best = std::min(best, cpu_ms() - t0);
    }
    return best;
}

// memcpy of the decoded picture's bytes, between buffers already touched.
double memcpy_ms(int repeats) {
    static std::vector<uint32_t> from(size_t(kWidth) * kHeight, 1), to(size_t(kWidth) * kHeight, 2);
    return best_ms(repeats, [] {
        std::memcpy(to.data(), from.data(), to.size() * 4);
        asm volatile("" ::"r"(to.data()) : "memory");
    });
}

struct Form {
    const char* name;
    std::vector<uint8_t> (*make)();
};

const Form kForms[] = {
    {"RLE8", [] { return rle_file(false); }}, {"RLE4", [] { return rle_file(true); }},
    {"8-bit", [] { return rgb_file(8); }},    {"24-bit", [] { return rgb_file(24); }},
    {"32-bit", [] { return rgb_file(32); }},
};

using Decoder = bool (*)(plat::BmpFile&, plat::DecodedBmp*);

void row(const char* form, const char* decoder, double fresh, double reused, double copy, bool ok) {
    const double mpixels = double(kWidth) * kHeight / 1e6;
    std::printf("%-7s %-7s %8.1f %6.0f %6.1fx %8.1f %6.0f %6.1fx %7.1f%s\n", form, decoder, fresh, mpixels * 1e3 / fresh,
                fresh / copy, reused, mpixels * 1e3 / reused, reused / copy, copy, ok ? "" : "  (FAILED TO DECODE)");
}

// One row per decoder and form, with memcpy measured just before.
void measure(const char* form, const char* decoder_name, Decoder decode, MemoryBmp& file, int repeats) {
    const double copy = memcpy_ms(repeats);
    bool ok = true;
    const double fresh = best_ms(repeats, [&] {
        plat::DecodedBmp bmp;
        ok = decode(file, &bmp) && bmp.width == kWidth && bmp.height == kHeight && ok;
    });
    plat::DecodedBmp bmp;
    const double reused = best_ms(repeats, [&] { ok = decode(file, &bmp) && ok; });
    row(form, decoder_name, fresh, reused, copy, ok);
}

// What any decoder pays for a fresh picture: 64 Mi pixels allocated and filled.
void floor_row(int repeats) {
    const double copy = memcpy_ms(repeats);
    const double fresh = best_ms(repeats, [] {
        std::vector<uint32_t> pixels(size_t(kWidth) * kHeight, 0);
        asm volatile("" ::"r"(pixels.data()) : "memory");
    });
    std::vector<uint32_t> pixels(size_t(kWidth) * kHeight);
    const double reused = best_ms(repeats, [&] {
        pixels.assign(pixels.size(), 0);
        asm volatile("" ::"r"(pixels.data()) : "memory");
    });
    row("fill", "-", fresh, reused, copy, true);
}

void header(int repeats) {
    std::printf("%d x %d pixels; CPU time in ms, best of %d; x memcpy: the time over memcpy's of %d MiB\n", kWidth,
                kHeight, repeats, kWidth * kHeight * 4 >> 20);
    std::printf("%-7s %-7s %8s %6s %7s %8s %6s %7s %7s\n", "form", "decoder", "fresh", "MP/s", "x", "reused", "MP/s", "x",
                "memcpy");
}

int repeats_from(int argc, char** argv) { return argc > 1 ? std::max(1, std::atoi(argv[1])) : 5; }

}  // namespace

int main(int argc, char** argv) {
    const int repeats = repeats_from(argc, argv);
    header(repeats);
    floor_row(repeats);
    for (const Form& f : kForms) {
        MemoryBmp file(f.make());
        measure(f.name, "ours", plat::decode_bmp, file, repeats);
    }
    return 0;
}
