// libFuzzer target for the BMP loader. Each input is a recipe (bmp_recipe.h)
// for a file of up to 72 MB. Files of up to 1 MiB are loaded through
// LoadImageA as the runtime calls it, then selected into a memory DC, read
// and copied, as a game would use the picture; larger ones go straight to
// the decoder, which reads them from the recipe as it asks, so that a 67 MB
// stream costs what the decoder does with it and no more. The custom
// mutator knows the form: besides libFuzzer's own mutations (with the
// dictionary of BMP fields and RLE codes), it sets header fields to the
// values where checks and counters break, and inserts RLE codes repeated up
// to tens of millions of times, so that streams long enough to overflow
// 32-bit positions are reached. Built with AddressSanitizer and
// UndefinedBehaviorSanitizer: any out-of-bounds access or undefined
// behaviour ends the run.
//
// No verdict here reads the wall clock (campaign.sh turns libFuzzer's
// -timeout off): a large input's decoding is checked against the decoder's
// bound on work, counted, not timed; and a hang is an input that has run for
// a minute of this thread's CPU time, which a starved process does not
// spend any faster.
#include "bmp_recipe.h"

#include "gdi/bmp.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

// Named in timer_create(2), not yet defined by every C library.
#ifndef sigev_notify_thread_id
#define sigev_notify_thread_id _sigev_un._tid
#endif

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t max_size);

namespace {

// The file lives in memory (memfd) and is named by its /proc path: a
// regular file to LoadImageA, and no disk is written.
struct MemoryFile {
    int fd = memfd_create("bmp-fuzz", MFD_CLOEXEC);
    std::string path = "/proc/self/fd/" + std::to_string(fd);

    bool write(const std::vector<uint8_t>& bytes) const {
        if (fd < 0 || ftruncate(fd, 0) != 0) return false;
        for (size_t at = 0; at < bytes.size();) {
            ssize_t n = pwrite(fd, bytes.data() + at, bytes.size() - at, off_t(at));
            if (n <= 0) return false;
            at += size_t(n);
        }
        return true;
    }
};

// A recipe's file as the decoder reads it: each read is made from the head
// and the pieces it covers, and nothing else is expanded.
class RecipeFile final : public plat::BmpFile {
public:
    explicit RecipeFile(const Recipe& r) : BmpFile(recipe_file_size(r)), r_(r) {
        uint64_t at = r.head.size();
        for (const Recipe::Piece& piece : r.pieces) {
            starts_.push_back(at);
            at += piece_times(piece, size_t(at)) * piece.unit.size();
        }
        starts_.push_back(at);
    }

    uint64_t bytes_read = 0;

    bool read(uint64_t at, uint8_t* buf, size_t n) override {
        if (at > size() || size() - at < n) return false;
        bytes_read += n;
        for (; n > 0 && at < r_.head.size(); --n) *buf++ = r_.head[at++];
        // The piece holding `at`, then each following one.
        size_t k = size_t(std::upper_bound(starts_.begin(), starts_.end(), at) - starts_.begin()) - 1;
        while (n > 0) {
            const std::vector<uint8_t>& unit = r_.pieces[k].unit;
            const size_t take = size_t(std::min<uint64_t>(n, starts_[k + 1] - at));
            if (take) fill(unit, size_t((at - starts_[k]) % unit.size()), buf, take);
            buf += take, at += take, n -= take;
            ++k;
        }
        return true;
    }

private:
    // n bytes of `unit` repeated, from its byte `phase`: one period, then
    // doubling what is written.
    static void fill(const std::vector<uint8_t>& unit, size_t phase, uint8_t* buf, size_t n) {
        const size_t period = std::min(n, unit.size());
        for (size_t i = 0; i < period; ++i) buf[i] = unit[(phase + i) % unit.size()];
        for (size_t done = period; done < n;) {
            const size_t k = std::min(done, n - done);
            std::memcpy(buf + done, buf, k);
            done += k;
        }
    }

    const Recipe& r_;
    std::vector<uint64_t> starts_;  // where each piece starts in the file, and the end
};

// Ends the run, through abort() (libFuzzer keeps the input as crash-*), when
// one input has run for kCpuSeconds of the calling thread's CPU time. The
// slowest inputs that do not loop, 64 Mi pixels decoded from files of up to
// 72 MB, take under a second of it under both sanitizers.
class CpuWatchdog {
public:
    static constexpr int kCpuSeconds = 60;

    CpuWatchdog() {
        struct sigaction sa {};
        sa.sa_handler = expired;
        sigaction(SIGXCPU, &sa, nullptr);
        sigevent ev{};
        ev.sigev_notify = SIGEV_THREAD_ID;  // this thread, the one running the input
        ev.sigev_signo = SIGXCPU;
        ev.sigev_notify_thread_id = gettid();
        if (timer_create(CLOCK_THREAD_CPUTIME_ID, &ev, &timer_) != 0) {
            std::perror("bmp_fuzz: timer_create");
            std::abort();
        }
    }
    void arm() { set(kCpuSeconds); }
    void disarm() { set(0); }

private:
    void set(int seconds) {
        itimerspec t{};
        t.it_value.tv_sec = seconds;
        timer_settime(timer_, 0, &t, nullptr);
    }
    static void expired(int) {
        static const char message[] = "bmp_fuzz: this input has run for 60 s of CPU time: it hangs\n";
        static_assert(kCpuSeconds == 60, "the message gives the limit");
        [[maybe_unused]] ssize_t n = write(STDERR_FILENO, message, sizeof message - 1);
        std::abort();
    }

    timer_t timer_{};
};

// The decoder's bound on work (work_within_bound), checked without a clock.
void check_work(const plat::DecodedBmp& bmp, const RecipeFile& file) {
    if (plat::work_within_bound(bmp, file.bytes_read, file.size())) return;
    std::fprintf(stderr, "bmp_fuzz: past the bound on work: %d x %d, %llu codes and %llu pixels from %llu bytes read\n",
                 bmp.width, bmp.height, static_cast<unsigned long long>(bmp.work.codes),
                 static_cast<unsigned long long>(bmp.work.pixels), static_cast<unsigned long long>(file.bytes_read));
    std::abort();
}

// Reads the picture as a game would: its size, two corners, a doubled copy
// and a keyed, shrunk copy. The copies are clipped to a 64 x 64 canvas and
// read at most 256 x 256 source pixels, so that they cost little next to
// the decoding, whatever the picture's size.
void use_picture(HANDLE h) {
    BITMAP bm{};
    GetObjectA(h, sizeof bm, &bm);
    HDC pic = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(pic, h);
    GetPixel(pic, 0, 0);
    GetPixel(pic, bm.bmWidth - 1, bm.bmHeight - 1);
    static HDC canvas = [] {
        HDC dc = CreateCompatibleDC(nullptr);
        SelectObject(dc, CreateCompatibleBitmap(GetDC(nullptr), 64, 64));
        return dc;
    }();
    StretchBlt(canvas, -3, -3, 2 * bm.bmWidth, 2 * bm.bmHeight, pic, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
    TransparentBlt(canvas, 5, 5, 20, 20, pic, 1, 1, std::min<LONG>(bm.bmWidth, 256), std::min<LONG>(bm.bmHeight, 256), 0);
    SelectObject(pic, old);
    DeleteDC(pic);
}

// ---- The mutator ----

using Rng = std::minstd_rand;

uint32_t pick(Rng& rng, std::initializer_list<uint32_t> values) {
    return values.begin()[std::uniform_int_distribution<size_t>(0, values.size() - 1)(rng)];
}

uint32_t byte(Rng& rng) { return std::uniform_int_distribution<uint32_t>(0, 255)(rng); }

// A repeat count: mostly small, at times one of those where positions cross
// 2^31 and 2^32 (255-pixel moves) or the bounds of 16 bits and of a side.
// Long streams are slow to decode, so they come one time in eight.
uint32_t interesting_count(Rng& rng) {
    if (byte(rng) % 8) return pick(rng, {1, 2, 3, 4, 7, 8, 16, 127, 128, 255, 256, 257, 1 + byte(rng)});
    return pick(rng, {4096, 16384, 65535, 65536, 1 << 20, 8421504, 8421505, 8421506, 16843008, 16843009, 16843010,
                      31000000});
}

void put(std::vector<uint8_t>& head, size_t at, uint32_t v, int bytes) {
    if (head.size() < at + size_t(bytes)) head.resize(at + size_t(bytes));
    for (int i = 0; i < bytes; ++i) head[at + size_t(i)] = uint8_t(v >> (8 * i));
}

// A header field set to a value at an edge: offsets are into the file, for
// the info header (and later), or the core header's 16-bit fields.
void set_field(Recipe& r, Rng& rng) {
    const uint32_t sizes[] = {0, 1, 2, 3, 4, 7, 8, 15, 16, 255, 256, 4096, 8192, 16383, 16384, 16385, 65535, 65536,
                              0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, uint32_t(-16384), uint32_t(-2)};
    auto size_value = [&] { return sizes[std::uniform_int_distribution<size_t>(0, std::size(sizes) - 1)(rng)]; };
    const uint32_t mask = pick(rng, {0, 1, 0x1F, 0x3E0, 0x7C00, 0x7E0, 0xF800, 0xFF, 0xFF00, 0xFF0000, 0xFF000000,
                                     0xFFFFFFFF, 0x5555, 0x80000000, 0x00FFFFFF});
    switch (std::uniform_int_distribution<int>(0, 14)(rng)) {
        case 0: put(r.head, 2, size_value(), 4); break;                                       // file size
        case 1: put(r.head, 10, pick(rng, {0, 14, 26, 54, 66, 118, 1078, 1174, 1175}) + byte(rng) % 3, 4); break;
        case 2: put(r.head, 14, pick(rng, {12, 40, 52, 56, 108, 124, 0, 41, 64, 0xFFFFFFFF}), 4); break;
        case 3: put(r.head, 18, size_value(), 4); break;                                      // width
        case 4: put(r.head, 22, size_value(), 4); break;                                      // height
        case 5: put(r.head, 26, pick(rng, {0, 1, 2}), 2); break;                              // planes
        case 6: put(r.head, 28, pick(rng, {0, 1, 2, 4, 8, 16, 24, 32, 64}), 2); break;         // bits per pixel
        case 7: put(r.head, 30, pick(rng, {0, 1, 2, 3, 4, 5, 6}), 4); break;                  // compression
        case 8: put(r.head, 34, size_value(), 4); break;                                      // image size
        case 9: put(r.head, 46, pick(rng, {0, 1, 2, 15, 16, 17, 255, 256, 257, 0xFFFFFFFF}), 4); break;  // colours used
        case 10: put(r.head, 54 + 4 * (byte(rng) % 4), mask, 4); break;                      // channel masks
        case 11: put(r.head, 18 + 2 * (byte(rng) % 4), size_value(), 2); break;               // core header fields
        case 12: r.head.resize(pick(rng, {14, 26, 54, 66, 118, 1078, 1174})); break;
        default: {
            // A plausible file: pixel data right after the head, sizes that agree.
            put(r.head, 10, uint32_t(r.head.size()), 4);
            const size_t file_size = recipe_file_size(r);
            put(r.head, 2, uint32_t(file_size), 4);
            put(r.head, 34, uint32_t(file_size - r.head.size()), 4);
        }
    }
}

// An RLE code, at times cut short, repeated an interesting number of times.
Recipe::Piece rle_piece(Rng& rng) {
    Recipe::Piece p{interesting_count(rng), {}};
    const uint8_t d[] = {0, 1, 2, 127, 254, 255};
    auto delta = [&] { return d[byte(rng) % std::size(d)]; };
    switch (std::uniform_int_distribution<int>(0, 6)(rng)) {
        case 0: p.unit = {0, 0}; break;                                       // end of line
        case 1:  // end of bitmap
            p.unit = {0, 1};
            p.count = 1;
            break;
        case 2: p.unit = {0, 2, delta(), delta()}; break;                     // move
        case 3: p.unit = {uint8_t(pick(rng, {1, 2, 3, 254, 255})), uint8_t(byte(rng))}; break;  // run
        case 4: {                                                             // absolute run
            const uint8_t n = uint8_t(pick(rng, {3, 4, 5, 127, 254, 255}));
            p.unit = {0, n};
            p.unit.resize(2 + n + (n & 1), uint8_t(byte(rng)));
            break;
        }
        case 5: {  // a move, a run and an end of line: a line that gets somewhere
            p.unit = {0, 2, delta(), 0, uint8_t(1 + byte(rng) % 255), uint8_t(byte(rng)), 0, 0};
            break;
        }
        default:  // a code cut short, at the end
            p.unit = {0, uint8_t(pick(rng, {2, 3, 255}))};
            p.count = 1;
    }
    return p;
}

}  // namespace

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t max_size, unsigned int seed) {
    Rng rng(seed);
    const int choice = std::uniform_int_distribution<int>(0, 9)(rng);
    if (choice < 4) return LLVMFuzzerMutate(data, size, max_size);
    Recipe r = parse_recipe(data, size);
    const size_t at = r.pieces.empty() ? 0 : std::uniform_int_distribution<size_t>(0, r.pieces.size() - 1)(rng);
    switch (choice) {
        case 4: case 5: set_field(r, rng); break;
        case 6: case 7: r.pieces.insert(r.pieces.begin() + std::ptrdiff_t(std::min(at + 1, r.pieces.size())), rle_piece(rng)); break;
        case 8:
            if (!r.pieces.empty()) r.pieces[at].count = interesting_count(rng);
            break;
        default:
            if (r.pieces.empty()) break;
            if (byte(rng) & 1) r.pieces.erase(r.pieces.begin() + std::ptrdiff_t(at));
            else r.pieces.insert(r.pieces.begin() + std::ptrdiff_t(at), r.pieces[at]);
    }
    const std::vector<uint8_t> out = serialize_recipe(r);
    if (out.size() > max_size) return LLVMFuzzerMutate(data, size, max_size);
    std::memcpy(data, out.data(), out.size());
    return out.size();
}

namespace {

void run_input(const uint8_t* data, size_t size) {
    const Recipe r = parse_recipe(data, size);
    if (recipe_file_size(r) > (1 << 20)) {
        RecipeFile file(r);
        plat::DecodedBmp bmp;
        plat::decode_bmp(file, &bmp);
        check_work(bmp, file);
        return;
    }
    static const MemoryFile memory_file;
    static std::vector<uint8_t> file;  // kept: its capacity serves the next input
    expand_recipe(r, file);
    if (!memory_file.write(file)) return;
    HANDLE h = LoadImageA(GetModuleHandleA(nullptr), memory_file.path.c_str(), IMAGE_BITMAP, 0, 0,
                          LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    if (!h) return;
    use_picture(h);
    DeleteObject(h);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static CpuWatchdog watchdog;  // made on the thread that runs the inputs
    watchdog.arm();
    run_input(data, size);
    watchdog.disarm();
    return 0;
}
