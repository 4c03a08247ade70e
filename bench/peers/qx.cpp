// The peer frame in qx, a game of its own: the runtime's routines in mode 1
// (every logical point 2 x 2) on a qx_createBB back buffer, the sprite a BMP
// file loaded with qx_loadbmp and drawn keyed with qx_drawbmp3, the flip
// qx_flip onto gvram (the window's 640 x 400 client surface: the copy is
// clipped to it), then the text, which qx_printf puts on gvram.
// bench/peers.sh runs it on the headless backend, where the window lives in
// memory and nothing further is done to show it; bench/web.sh runs it there
// and as a page in headless Chromium, in turns.
#include <qx.h>

#include "harness.h"

#include <cstdio>

namespace {

const char* const kPicture = "peers-sprite.bmp";

// The sprite as a 24-bit BMP file, rows bottom-up.
bool write_sprite(const char* path) {
    const int n = peers::kSpriteSize, stride = (n * 3 + 3) & ~3, size = 54 + stride * n;
    std::vector<unsigned char> b(size_t(size), 0);
    auto put32 = [&](int at, unsigned v) {
        for (int i = 0; i < 4; ++i) b[size_t(at + i)] = static_cast<unsigned char>(v >> (8 * i));
    };
    b[0] = 'B', b[1] = 'M', b[26] = 1, b[28] = 24;
    put32(2, unsigned(size)), put32(10, 54), put32(14, 40), put32(18, unsigned(n)), put32(22, unsigned(n));
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const uint32_t rgb = peers::sprite_pixel(x, y);
            unsigned char* p = &b[size_t(54 + (n - 1 - y) * stride + x * 3)];
            p[0] = static_cast<unsigned char>(rgb), p[1] = static_cast<unsigned char>(rgb >> 8),
            p[2] = static_cast<unsigned char>(rgb >> 16);
        }
    FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    const bool written = std::fwrite(b.data(), 1, b.size(), f) == b.size();
    return std::fclose(f) == 0 && written;
}

// The 640 x 400 pixels at the top left of a surface, through a copy into a
// bitmap of that size.
void read_surface(HDC from, peers::Image& out) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(from, peers::kWidth, peers::kHeight);
    HGDIOBJ old = SelectObject(dc, bmp);
    BitBlt(dc, 0, 0, peers::kWidth, peers::kHeight, from, 0, 0, SRCCOPY);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = peers::kWidth;
    info.bmiHeader.biHeight = -peers::kHeight;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    GetDIBits(dc, bmp, 0, peers::kHeight, out.data(), &info, DIB_RGB_COLORS);
    for (uint32_t& p : out) p &= 0xFFFFFF;
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
}

struct Qx {
    using Colour = short;
    static constexpr bool kTextOnScreen = true;
    HDC bb = qx_createBB();
    HDC picture = qx_loadbmp(kPicture);
    short next = 16;  // palette entries from here on are the benchmark's

    Colour colour(uint32_t rgb) {
        coltbl[next] = RGB(rgb >> 16, rgb >> 8 & 0xFF, rgb & 0xFF);
        return next++;
    }

    void clear(Colour c) { qx_gcls(bb, c); }
    void pset(int x, int y, Colour c) { qx_pset(bb, x, y, c); }
    void line(peers::Segment s, Colour c) { qx_line(bb, s.x1, s.y1, s.x2, s.y2, c); }
    void circle(int cx, int cy, int r, Colour c) { qx_circle(bb, cx, cy, r, c); }
    void sprite(int x, int y) { qx_drawbmp3(bb, x, y, 16, 16, picture, 0, 0, RGB(0xFF, 0x00, 0xFF)); }
    void text(Colour c) { qx_printf(10, 10, c, "FPS:%d", 60); }
    void flip() { qx_flip(gvram, bb); }
    void read(bool screen, peers::Image& out) { read_surface(screen ? gvram : bb, out); }
    // A page's standard input is empty until the benchmark adds the next
    // row: the page runs meanwhile. Long enough a sleep for waiting pages to
    // take next to no time from the one being timed.
    void wait() { Sleep(10); }
};

}  // namespace

int Main(void) {
    if (!write_sprite(kPicture)) {
        std::printf("check\tFAILED\tcould not write %s\n", kPicture);
        return 0;
    }
    qx_setvideomode(19);
    Qx g;
    std::remove(kPicture);
    peers::run(g);
    std::fflush(stdout);
    return 0;
}
