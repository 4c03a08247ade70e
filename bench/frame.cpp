// The frame benchmark: a game of its own that times what a frame of a
// DOS-style game is made of, on a back buffer in mode 1 unless a row says
// otherwise, and prints the median nanoseconds per call of each row.
//
// One source for both builds: natively it measures our layer, built for
// Windows and run under Wine it measures Wine's GDI on the same program.
// bench/compare.sh runs both and prints them side by side.
#include <qx.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

HDC bb;       // the back buffer
HDC target;   // a second one, to flip onto
HDC sprite;   // 16 x 16, magenta background as the key
HDC big;      // 64 x 64, the same pattern
const UINT kKey = RGB(0xFF, 0, 0xFF);

double ns_since(Clock::time_point t0) {
    return std::chrono::duration<double, std::nano>(Clock::now() - t0).count();
}

// Median over 15 batches of the time per call, each batch long enough
// (about 2 ms) for the clock's resolution not to matter.
template <class F>
double median_ns(F call) {
    long n = 1;
    for (;;) {
        auto t0 = Clock::now();
        for (long i = 0; i < n; ++i) call(i);
        if (ns_since(t0) > 2e6 || n >= (1L << 24)) break;
        n *= 2;
    }
    std::vector<double> per_call;
    for (int batch = 0; batch < 15; ++batch) {
        auto t0 = Clock::now();
        for (long i = 0; i < n; ++i) call(i);
        per_call.push_back(ns_since(t0) / double(n));
    }
    std::sort(per_call.begin(), per_call.end());
    return per_call[per_call.size() / 2];
}

void row(const char* name, double ns) {
    std::printf("%-28s %14.1f\n", name, ns);
    std::fflush(stdout);
}

// A 24-bit BMP file with a key-coloured frame around a patterned centre.
void write_picture(const char* path, int size) {
    const int stride = (size * 3 + 3) & ~3;
    const int image = stride * size, file = 54 + image;
    std::vector<unsigned char> b(size_t(file), 0);
    auto put32 = [&](int at, unsigned v) {
        for (int i = 0; i < 4; ++i) b[size_t(at + i)] = static_cast<unsigned char>(v >> (8 * i));
    };
    b[0] = 'B', b[1] = 'M';
    put32(2, unsigned(file)), put32(10, 54), put32(14, 40), put32(18, unsigned(size)), put32(22, unsigned(size));
    b[26] = 1, b[28] = 24;
    put32(34, unsigned(image));
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            unsigned char* p = &b[size_t(54 + y * stride + x * 3)];
            bool edge = x < size / 8 || y < size / 8 || x >= size - size / 8 || y >= size - size / 8;
            p[0] = edge ? 0xFF : static_cast<unsigned char>(x * 16);
            p[1] = edge ? 0x00 : static_cast<unsigned char>(y * 16);
            p[2] = edge ? 0xFF : 0x80;
        }
    FILE* f = std::fopen(path, "wb");
    if (!f) return;
    std::fwrite(b.data(), 1, b.size(), f);
    std::fclose(f);
}

void typical_frame(long i) {
    qx_gcls(bb, 1);
    for (int s = 0; s < 200; ++s)
        qx_drawbmp3(bb, (s * 37 + int(i)) % 300, (s * 53) % 180, 16, 16, sprite, 0, 0, kKey);
    for (int l = 0; l < 50; ++l) qx_line(bb, l * 6, 0, 319 - l * 6, 199, short(32 + l));
    for (int c = 0; c < 10; ++c) qx_circle(bb, 30 + c * 28, 100, 12 + c, short(40 + c));
    qx_printf(10, 10, 15, "FPS:%d", 60);
    qx_flip(gvram, bb);
}

}  // namespace

int Main(void) {
    write_picture("bench-sprite16.bmp", 16);
    write_picture("bench-sprite64.bmp", 64);
    sprite = qx_loadbmp("bench-sprite16.bmp");
    big = qx_loadbmp("bench-sprite64.bmp");
    bb = qx_createBB();
    target = qx_createBB();
    ML();

    std::printf("%-28s %14s\n", "row", "median ns");
    bai = 0;
    row("qx_pset mode 0", median_ns([](long i) { qx_pset(bb, int(i & 255), int(i >> 8 & 127), 15); }));
    bai = 1;
    row("qx_pset mode 1", median_ns([](long i) { qx_pset(bb, int(i & 255), int(i >> 8 & 127), 15); }));
    [[maybe_unused]] static volatile COLORREF sink;  // keeps the reads from being optimised away
    row("qx_pget", median_ns([](long i) { sink = qx_pget(bb, int(i & 255), int(i >> 8 & 127)); }));
    row("qx_line 320", median_ns([](long i) { qx_line(bb, 0, int(i % 200), 319, 199 - int(i % 200), 15); }));
    row("qx_circle r50", median_ns([](long) { qx_circle(bb, 160, 100, 50, 15); }));
    row("qx_box filled 100x100", median_ns([](long) { qx_box(bb, 10, 10, 100, 100, 1, 15); }));
    row("qx_box outline 100x100", median_ns([](long) { qx_box(bb, 10, 10, 100, 100, 0, 15); }));
    row("qx_gcls", median_ns([](long) { qx_gcls(bb, 1); }));
    row("qx_drawbmp 16x16", median_ns([](long i) { qx_drawbmp(bb, int(i % 300), 20, 16, 16, sprite); }));
    row("qx_drawbmp3 16x16 key",
        median_ns([](long i) { qx_drawbmp3(bb, int(i % 300), 20, 16, 16, sprite, 0, 0, kKey); }));
    row("qx_drawbmp4 64->32 key",
        median_ns([](long i) { qx_drawbmp4(bb, int(i % 280), 20, 32, 32, big, 0, 0, 64, 64, kKey); }));
    row("qx_printf FPS:60", median_ns([](long) { qx_printf(10, 10, 15, "FPS:%d", 60); }));
    row("qx_flip 1280x1024", median_ns([](long) { qx_flip(target, bb); }));
    row("present 640x400 (flip+pump)", median_ns([](long) {
            qx_flip(gvram, bb);
            ML();
        }));
    static std::vector<unsigned char> a(1280u * 1024u * 4u, 1), b(1280u * 1024u * 4u);
    row("memcpy 1280x1024x4", median_ns([](long i) {
            std::memcpy(b.data(), a.data(), a.size());
            a[size_t(i) % a.size()] ^= b[0];  // keeps the copy from being optimised away
        }));
    row("typical frame", median_ns(typical_frame));

    qx_deletebmp(sprite);
    qx_deletebmp(big);
    qx_deleteBB(bb);
    qx_deleteBB(target);
    std::remove("bench-sprite16.bmp");
    std::remove("bench-sprite64.bmp");
    std::fflush(stdout);
    return 0;
}
