// The drawing differential: a seeded random script of drawing calls through
// the runtime's public routines, the same script natively (our layer) and as
// the Windows build under Wine (Wine's GDI). draw_diff.sh runs both and
// compares what they print.
//
// Every primitive and every picture copy is called, in modes 0 and 1, with
// sizes from -64 to 128, all stretch factors, positions and picture
// rectangles past every edge, on a small surface, a back buffer and a
// picture, from pictures loaded from 1-, 4-, 8-, 16-, 24- and 32-bit files
// and from the targets themselves (copies within one surface).
//
// Output: "chunk K HASH" after each chunk of calls, HASH covering every
// target surface and every qx_pget result of the chunk; then one line of
// totals. Settings come from the environment (Wine passes it on):
//   QX_DIFF_SEED (1), QX_DIFF_CALLS (24000), QX_DIFF_CHUNK (200);
//   QX_DIFF_BISECT=K: run to chunk K, then print "call N HASH WHAT" after
//   each call of that chunk, and stop.
//
// Calls whose result Windows and Wine are known to disagree on are not made
// on either side; the program lists them first, with the reason.
#include <qx.h>

#include "bmp_files.h"

#include <algorithm>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// splitmix64: the same sequence from the same seed on every platform.
struct Rng {
    uint64_t s;
    uint64_t next() {
        uint64_t z = (s += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int in(int lo, int hi) { return lo + int(next() % uint64_t(hi - lo + 1)); }
    bool chance(int percent) { return in(1, 100) <= percent; }
};

struct Surface {
    const char* name;
    HDC dc;
    int w, h;  // device pixels
};

// Colours that every depth holds exactly: each channel is a 5-bit level
// widened as a 16-bit picture's channels are (31 gives 255).
uint32_t level(int v5) { return uint32_t(v5 << 3 | v5 >> 2); }
uint32_t rgb5(int r, int g, int b) { return level(r) << 16 | level(g) << 8 | level(b); }

const uint32_t kPalette[16] = {
    rgb5(31, 0, 31), rgb5(0, 0, 0),    rgb5(31, 31, 31), rgb5(31, 0, 0),  rgb5(0, 31, 0),  rgb5(0, 0, 31),
    rgb5(31, 31, 0), rgb5(0, 31, 31),  rgb5(16, 8, 4),   rgb5(4, 16, 8),  rgb5(8, 4, 16),  rgb5(20, 20, 20),
    rgb5(10, 10, 10), rgb5(25, 12, 6), rgb5(6, 25, 12),  rgb5(12, 6, 25),
};

COLORREF colorref(uint32_t rgb) { return RGB(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF); }

// A picture of w x h whose pixels are palette entries in a pattern with a
// key-coloured (entry 0) frame, written as a BMP file of the given form and
// loaded through qx_loadbmp.
Surface picture(const char* name, int bpp, int w, int h, uint64_t seed) {
    IndexImage img{w, h, {}, {}};
    const int colours = bpp == 1 ? 2 : bpp == 4 ? 16 : 16;
    for (int i = 0; i < colours; ++i) img.palette.push_back(kPalette[i]);
    Rng r{seed};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            bool frame = x == 0 || y == 0 || x == w - 1 || y == h - 1;
            img.index.push_back(uint8_t(frame ? 0 : r.in(0, colours - 1)));
        }
    BmpForm form{name, BmpHeader::info, bpp, BmpCoding::rgb};
    std::string file = std::string("diff-") + name + ".bmp";
    write_file(file, encode_bmp(form, img));
    HDC dc = qx_loadbmp(file.c_str());
    std::remove(file.c_str());
    return Surface{name, dc, w, h};
}

uint64_t fnv(uint64_t h, uint32_t v) {
    for (int i = 0; i < 4; ++i) h = (h ^ ((v >> (8 * i)) & 0xFF)) * 0x100000001B3ull;
    return h;
}

// Reads the surface whole with GetDIBits (pixel by pixel, Wine would spend
// most of the test's time in GetPixel). The bitmap is taken out of its DC
// for the read, as GetDIBits asks.
uint64_t hash_surface(uint64_t h, const Surface& s) {
    static std::vector<uint32_t> pixels;
    pixels.resize(size_t(s.w) * size_t(s.h));
    HBITMAP spare = CreateCompatibleBitmap(s.dc, 1, 1);
    HGDIOBJ bmp = SelectObject(s.dc, spare);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = s.w;
    info.bmiHeader.biHeight = -s.h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    const int lines = GetDIBits(s.dc, static_cast<HBITMAP>(bmp), 0, UINT(s.h), pixels.data(), &info, DIB_RGB_COLORS);
    SelectObject(s.dc, bmp);
    DeleteObject(spare);
    h = fnv(h, uint32_t(lines));
    for (uint32_t p : pixels) h = fnv(h, p & 0xFFFFFF);
    return h;
}

struct World {
    std::vector<Surface> targets;   // drawn on: a small surface, the back buffer, a 24-bit picture
    std::vector<Surface> pictures;  // copied from
    uint64_t pget = 0xCBF29CE484222325ull;  // the qx_pget results so far
};

// One call of the script: made, or described for a report.
struct Call {
    std::string what;
    bool known_difference = false;
};

int size_for(Rng& r, int natural) {
    switch (r.in(0, 9)) {
        case 0: case 1: return r.in(-4, 8);
        case 2: case 3: case 4: return r.in(-64, 128);
        case 5: return natural;
        case 6: return natural * r.in(2, 3);
        case 7: return (natural + 1) / r.in(2, 4);
        default: return r.in(1, 40);
    }
}

short colour(Rng& r) { return r.chance(95) ? short(r.in(0, 255)) : short(r.in(-300, 600)); }

UINT key(Rng& r) {
    switch (r.in(0, 6)) {
        case 0: case 1: case 2: return colorref(kPalette[r.in(0, 15)]);
        case 3: return coltbl[r.in(0, 255)];
        case 4: return UINT(r.in(0, 255));  // a palette index taken as a colour value
        case 5: return UINT(r.next() & 0xFFFFFF);
        default: return r.chance(50) ? 0u : 0xFFFFFFu;
    }
}

char buf[256];

// Makes (or, for a known difference, only describes) the next call.
Call next_call(Rng& r, World& w) {
    Call c;
    bai = r.in(0, 1);
    const Surface& t = w.targets[size_t(r.chance(8) ? 2 : r.in(0, 1))];
    // Positions run past every edge of the target, in logical pixels.
    const int lw = bai == 1 ? t.w / 2 : t.w, lh = bai == 1 ? t.h / 2 : t.h;
    auto pos_x = [&] { return r.chance(15) ? r.in(lw - 140, lw + 20) : r.in(-80, 240); };
    auto pos_y = [&] { return r.chance(15) ? r.in(lh - 140, lh + 20) : r.in(-80, 180); };
    const int op = r.in(0, 16);
    const int x = pos_x(), y = pos_y();
    switch (op) {
        case 0: case 1: {
            short k = colour(r);
            std::snprintf(buf, sizeof buf, "qx_pset(%s, %d, %d, %d)", t.name, x, y, k);
            qx_pset(t.dc, x, y, k);
            break;
        }
        case 2: {
            std::snprintf(buf, sizeof buf, "qx_pget(%s, %d, %d)", t.name, x, y);
            w.pget = fnv(w.pget, qx_pget(t.dc, x, y));
            break;
        }
        case 3: {
            if (!r.chance(20)) return next_call(r, w);  // a whole-surface fill now and then
            short k = colour(r);
            std::snprintf(buf, sizeof buf, "qx_gcls(%s, %d)", t.name, k);
            qx_gcls(t.dc, k);
            break;
        }
        case 4: {
            int n = size_for(r, 20);
            short k = colour(r);
            std::snprintf(buf, sizeof buf, "qx_xline(%s, %d, %d, %d, %d)", t.name, x, y, n, k);
            qx_xline(t.dc, x, y, n, k);
            break;
        }
        case 5: {
            int n = size_for(r, 20);
            short k = colour(r);
            std::snprintf(buf, sizeof buf, "qx_yline(%s, %d, %d, %d, %d)", t.name, x, y, n, k);
            qx_yline(t.dc, x, y, n, k);
            break;
        }
        case 6: {
            int x2 = r.chance(20) ? x : pos_x(), y2 = r.chance(20) ? y : pos_y();
            short k = colour(r);
            std::snprintf(buf, sizeof buf, "qx_line(%s, %d, %d, %d, %d, %d)", t.name, x, y, x2, y2, k);
            qx_line(t.dc, x, y, x2, y2, k);
            break;
        }
        case 7: case 8: {
            int bw = size_for(r, 30), bh = size_for(r, 20), paint = op == 7 ? 1 : 0;
            short k = colour(r);
            std::snprintf(buf, sizeof buf, "qx_box(%s, %d, %d, %d, %d, %d, %d)", t.name, x, y, bw, bh, paint, k);
            qx_box(t.dc, x, y, bw, bh, paint, k);
            break;
        }
        case 9: {
            int rad = r.chance(10) ? r.in(-3, 0) : r.in(1, 70);
            short k = colour(r);
            std::snprintf(buf, sizeof buf, "qx_circle(%s, %d, %d, %d, %d)", t.name, x, y, rad, k);
            qx_circle(t.dc, x, y, rad, k);
            break;
        }
        case 10: {
            // qx_flip between the small surface and the back buffer, either way.
            const Surface& from = w.targets[size_t(r.in(0, 1))];
            std::snprintf(buf, sizeof buf, "qx_flip(%s, %s)", t.name, from.name);
            qx_flip(t.dc, from.dc);
            break;
        }
        default: {
            // A picture copy, from a picture or from a target (often the
            // destination itself, overlapping).
            const bool self = r.chance(15);
            const Surface& p = self ? t : r.chance(10) ? w.targets[size_t(r.in(0, 2))]
                                                       : w.pictures[size_t(r.in(0, int(w.pictures.size()) - 1))];
            const int pw = p.w, ph = p.h;
            // Sizes follow the picture's, up to 128.
            int dw = size_for(r, std::min(pw, 128)), dh = size_for(r, std::min(ph, 128));
            int sx = r.chance(60) ? r.in(0, pw - 1) : r.in(-40, pw + 40);
            int sy = r.chance(60) ? r.in(0, ph - 1) : r.in(-40, ph + 40);
            int dx = x, dy = y;
            if (self) {
                // Near the source, in the same device pixels, so that the two
                // rectangles overlap.
                int ds = bai == 1 ? 2 : 1;
                dx = sx / ds + r.in(-8, 8);
                dy = sy / ds + r.in(-8, 8);
            }
            const int kind = op - 11;  // 0..5
            if (kind <= 1) {
                // StretchBlt with both extents of an axis negative.
                c.known_difference = dw < 0 || dh < 0;
                if (kind == 0) {
                    std::snprintf(buf, sizeof buf, "qx_drawbmp(%s, %d, %d, %d, %d, %s)", t.name, dx, dy, dw, dh, p.name);
                    if (!c.known_difference) qx_drawbmp(t.dc, dx, dy, dw, dh, p.dc);
                } else {
                    std::snprintf(buf, sizeof buf, "qx_drawbmp2(%s, %d, %d, %d, %d, %s, %d, %d)", t.name, dx, dy, dw, dh,
                                  p.name, sx, sy);
                    if (!c.known_difference) qx_drawbmp2(t.dc, dx, dy, dw, dh, p.dc, sx, sy);
                }
            } else if (kind <= 3) {
                UINT k = key(r);
                std::snprintf(buf, sizeof buf, "qx_drawbmp3(%s, %d, %d, %d, %d, %s, %d, %d, 0x%06x)", t.name, dx, dy, dw,
                              dh, p.name, sx, sy, k);
                qx_drawbmp3(t.dc, dx, dy, dw, dh, p.dc, sx, sy, k);
            } else {
                int sw = r.chance(30) ? dw * r.in(1, 3) : size_for(r, std::min(pw, 128)),
                    sh = r.chance(30) ? dh * r.in(1, 3) : size_for(r, std::min(ph, 128));
                UINT k = key(r);
                std::snprintf(buf, sizeof buf, "qx_drawbmp4(%s, %d, %d, %d, %d, %s, %d, %d, %d, %d, 0x%06x)", t.name, dx,
                              dy, dw, dh, p.name, sx, sy, sw, sh, k);
                qx_drawbmp4(t.dc, dx, dy, dw, dh, p.dc, sx, sy, sw, sh, k);
            }
            break;
        }
    }
    c.what = std::string(buf) + " in mode " + std::to_string(bai);
    return c;
}

uint64_t hash_world(const World& w) {
    uint64_t h = w.pget;
    for (const Surface& s : w.targets) h = hash_surface(h, s);
    return h;
}

int env(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::atoi(v) : fallback;
}

}  // namespace

int Main(void) {
    const int seed = env("QX_DIFF_SEED", 1), calls = env("QX_DIFF_CALLS", 24000), chunk = env("QX_DIFF_CHUNK", 200);
    const int bisect = env("QX_DIFF_BISECT", -1);
    std::printf("known differences, not called on either side:\n"
                "  qx_drawbmp and qx_drawbmp2 with a negative width or height: StretchBlt with both extents of an\n"
                "  axis negative copies [x + w, x) on Windows but [x + w + 1, x + 1) on Wine (Wine's own StretchBlt\n"
                "  conformance test records this as todo_wine)\n");
    World w;
    HDC screen = GetDC(nullptr);
    HDC small = CreateCompatibleDC(screen);
    SelectObject(small, CreateCompatibleBitmap(screen, 160, 100));
    ReleaseDC(nullptr, screen);
    PatBlt(small, 0, 0, 160, 100, WHITENESS);
    w.targets.push_back(Surface{"A", small, 160, 100});
    w.targets.push_back(Surface{"B", qx_createBB(), 1280, 1024});
    w.targets.push_back(picture("P24", 24, 48, 40, 7));
    w.pictures = {picture("p1", 1, 9, 7, 1),    picture("p4", 4, 13, 7, 2),  picture("p8", 8, 37, 23, 3),
                  picture("p16", 16, 40, 30, 4), picture("p24", 24, 16, 16, 5), picture("p32", 32, 64, 64, 6)};
    Rng r{uint64_t(seed)};
    int made = 0, skipped = 0, chunks = 0;
    for (int n = 0; n < calls; ++n) {
        const int k = n / chunk;
        if (bisect >= 0 && k > bisect) break;
        Call c = next_call(r, w);
        if (c.known_difference) ++skipped;
        else ++made;
        if (k == bisect) std::printf("call %d %016" PRIx64 " %s\n", n, hash_world(w), c.what.c_str());
        if ((n + 1) % chunk == 0 || n + 1 == calls) {
            if (bisect < 0) std::printf("chunk %d %016" PRIx64 "\n", k, hash_world(w));
            ++chunks;
        }
    }
    if (bisect < 0) std::printf("%d chunks, %d calls made, %d known differences not made\n", chunks, made, skipped);
    std::fflush(stdout);
    return 0;
}
