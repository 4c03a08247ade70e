// The peer frame in Allegro 4, 32 bits per pixel, all in memory bitmaps:
// a doubled point is a 2 x 2 rectfill, lines and circles are do_line and
// do_circle calling it for each point, the sprite is stretch_sprite (the
// mask colour of a 32-bit bitmap is magenta), the text the built-in font.
// No graphics mode is set (SYSTEM_NONE): the screen is a memory bitmap too,
// and the flip a blit of the 640 x 400 back buffer onto it.
#include <allegro.h>

#include "harness.h"

namespace {

void point2x2(BITMAP* bmp, int x, int y, int colour) { rectfill(bmp, 2 * x, 2 * y, 2 * x + 1, 2 * y + 1, colour); }

struct Allegro4 {
    using Colour = int;
    static constexpr bool kTextOnScreen = false;
    BITMAP* back = create_bitmap(peers::kWidth, peers::kHeight);
    BITMAP* front = create_bitmap(peers::kWidth, peers::kHeight);
    BITMAP* picture = create_bitmap(peers::kSpriteSize, peers::kSpriteSize);

    Allegro4() {
        for (int y = 0; y < peers::kSpriteSize; ++y)
            for (int x = 0; x < peers::kSpriteSize; ++x) putpixel(picture, x, y, colour(peers::sprite_pixel(x, y)));
    }
    Colour colour(uint32_t rgb) { return makecol(rgb >> 16, rgb >> 8 & 0xFF, rgb & 0xFF); }

    void clear(Colour c) { clear_to_color(back, c); }
    void pset(int x, int y, Colour c) { point2x2(back, x, y, c); }
    void line(peers::Segment s, Colour c) { do_line(back, s.x1, s.y1, s.x2, s.y2, c, point2x2); }
    void circle(int cx, int cy, int r, Colour c) { do_circle(back, cx, cy, r, c, point2x2); }
    void sprite(int x, int y) { stretch_sprite(back, picture, 2 * x, 2 * y, 32, 32); }
    void text(Colour c) { textout_ex(back, font, "FPS:60", 20, 20, c, -1); }
    void flip() { blit(back, front, 0, 0, 0, 0, peers::kWidth, peers::kHeight); }

    void read(bool from_screen, peers::Image& out) {
        BITMAP* bmp = from_screen ? front : back;
        for (int y = 0; y < peers::kHeight; ++y)
            for (int x = 0; x < peers::kWidth; ++x) {
                const int p = reinterpret_cast<const int*>(bmp->line[y])[x];
                out[size_t(y * peers::kWidth + x)] = uint32_t(getr32(p) << 16 | getg32(p) << 8 | getb32(p));
            }
    }
};

}  // namespace

int main() {
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) return 2;
    set_color_depth(32);
    Allegro4 g;
    return peers::run(g);
}
END_OF_MAIN()
