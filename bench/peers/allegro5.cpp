// The peer frame in Allegro 5, in software: every bitmap is a memory bitmap
// (ALLEGRO_MEMORY_BITMAP) and no display is made. The back buffer's
// transform scales by 2, so the logical coordinates of the other programs
// are used as they stand: a doubled point is al_draw_filled_rectangle of one
// unit, lines and circles are the primitives add-on's al_draw_line and
// al_draw_circle one unit thick (two pixels), the sprite is al_draw_bitmap
// of a bitmap whose magenta was made transparent by al_convert_mask_to_alpha,
// the text the built-in font. The flip draws the back buffer onto a 640 x 400
// memory bitmap standing for the display's, with the copying blender.
#include <allegro5/allegro.h>
#include <allegro5/allegro_font.h>
#include <allegro5/allegro_primitives.h>

#include "harness.h"

namespace {

struct Allegro5 {
    using Colour = ALLEGRO_COLOR;
    static constexpr bool kTextOnScreen = false;
    ALLEGRO_BITMAP* back = al_create_bitmap(peers::kWidth, peers::kHeight);
    ALLEGRO_BITMAP* front = al_create_bitmap(peers::kWidth, peers::kHeight);
    ALLEGRO_BITMAP* picture = al_create_bitmap(peers::kSpriteSize, peers::kSpriteSize);
    ALLEGRO_FONT* font = al_create_builtin_font();

    Allegro5() {
        al_set_target_bitmap(picture);
        al_lock_bitmap(picture, ALLEGRO_PIXEL_FORMAT_ANY, ALLEGRO_LOCK_WRITEONLY);
        for (int y = 0; y < peers::kSpriteSize; ++y)
            for (int x = 0; x < peers::kSpriteSize; ++x) al_put_pixel(x, y, colour(peers::sprite_pixel(x, y)));
        al_unlock_bitmap(picture);
        al_convert_mask_to_alpha(picture, al_map_rgb(0xFF, 0x00, 0xFF));
        al_set_target_bitmap(back);
        ALLEGRO_TRANSFORM doubled;
        al_identity_transform(&doubled);
        al_scale_transform(&doubled, 2, 2);
        al_use_transform(&doubled);
    }
    Colour colour(uint32_t rgb) { return al_map_rgb(rgb >> 16, rgb >> 8 & 0xFF, rgb & 0xFF); }

    void clear(Colour c) { al_clear_to_color(c); }
    void pset(int x, int y, Colour c) { al_draw_filled_rectangle(x, y, x + 1, y + 1, c); }
    // A logical point's centre is half a unit in.
    void line(peers::Segment s, Colour c) { al_draw_line(s.x1 + 0.5f, s.y1 + 0.5f, s.x2 + 0.5f, s.y2 + 0.5f, c, 1); }
    void circle(int cx, int cy, int r, Colour c) { al_draw_circle(cx + 0.5f, cy + 0.5f, r, c, 1); }
    void sprite(int x, int y) { al_draw_bitmap(picture, x, y, 0); }
    void text(Colour c) { al_draw_text(font, c, 10, 10, 0, "FPS:60"); }
    void flip() {
        al_set_target_bitmap(front);
        al_set_blender(ALLEGRO_ADD, ALLEGRO_ONE, ALLEGRO_ZERO);
        al_draw_bitmap(back, 0, 0, 0);
        al_set_blender(ALLEGRO_ADD, ALLEGRO_ONE, ALLEGRO_INVERSE_ALPHA);
        al_set_target_bitmap(back);
    }

    void read(bool from_screen, peers::Image& out) {
        ALLEGRO_BITMAP* bmp = from_screen ? front : back;
        ALLEGRO_LOCKED_REGION* r = al_lock_bitmap(bmp, ALLEGRO_PIXEL_FORMAT_ARGB_8888, ALLEGRO_LOCK_READONLY);
        for (int y = 0; y < peers::kHeight; ++y) {
            const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const char*>(r->data) + y * r->pitch);
            for (int x = 0; x < peers::kWidth; ++x) out[size_t(y * peers::kWidth + x)] = row[x] & 0xFFFFFF;
        }
        al_unlock_bitmap(bmp);
    }
};

}  // namespace

int main() {
    if (!al_init() || !al_init_primitives_addon() || !al_init_font_addon()) return 2;
    al_set_new_bitmap_flags(ALLEGRO_MEMORY_BITMAP);
    Allegro5 g;
    return peers::run(g);
}
