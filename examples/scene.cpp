// What the example game shows: the title screen, the playfield with its
// star field, sprites, shots and explosions, and the score band. Pictures and
// shapes go on the back buffer; text goes on the window after each flip,
// since qx_printf always writes on the window.
#include "game.h"

#include <cstring>

namespace {

// The x at which text is centred: the mode-19 font is 4 logical pixels a
// byte of code page 932 (a Japanese character takes two bytes, 8 pixels).
int centred(const char* text) { return (kWidth - 4 * int(std::strlen(text))) / 2; }

// The ship blinks while it cannot be hit.
bool ship_shown(const World& w) { return w.ship.live && !(w.invincible && w.frame / 4 % 2); }

// An engine's flickering flame: vertical runs below (x, y), `wide` pixels across.
void flame(HDC bb, int x, int y, int wide, int t) {
    for (int i = 0; i < wide; ++i) qx_yline(bb, x + i, y, 2 + (t / 2 + i) % 3 * wide / 2, i % 3 ? 12 : 14);
}

constexpr const char* kPrompt = "スペースキーで発進";

}  // namespace

void draw_title(HDC bb, HDC title, HDC sprites, int t) {
    qx_drawbmp(bb, 0, 0, kWidth, kHeight, title);
    // The ship grows from nothing to three times its size in 45 frames,
    // then hovers.
    const int size = t < 45 ? 48 * t / 45 : 48;
    const int x = 160 - size / 2, y = 114 - size / 2 + (t >= 45 && t / 16 % 2);
    qx_drawbmp4(bb, x, y, size, size, sprites, kShipX, 0, 16, 16, kKey);
    if (t >= 45) flame(bb, x + 21, y + 42, 6, t);
    if (t / 30 % 2 == 0) qx_box(bb, centred(kPrompt) - 6, 164, 4 * int(std::strlen(kPrompt)) + 12, 16, 0, 14);
}

void print_title(int t, int hiscore) {
    qx_printf(132, 64, 15, "ほしぞら防衛隊");
    qx_printf(centred("最高得点 000000"), 146, 7, "最高得点 %06d", hiscore);
    if (t / 30 % 2 == 0) qx_printf(centred(kPrompt), 168, 14, kPrompt);
    const char* help = "←→↑↓:移動  SPACE:発射  Q:おわり";
    qx_printf(centred(help), 188, 7, help);
}

void draw_ship(HDC bb, const World& w, HDC sprites) {
    if (ship_shown(w)) qx_drawbmp3(bb, w.ship.x, w.ship.y, 16, 16, sprites, kShipX, 0, kKey);
}

void draw_world(HDC bb, const World& w, HDC sprites) {
    // Stars go only where the sky is still black, so they pass behind the ship.
    static const short star_colour[4] = {0, 8, 7, 15};
    for (const Actor& s : w.stars)
        if (qx_pget(bb, s.x, s.y) == RGB(0, 0, 0)) qx_pset(bb, s.x, s.y, star_colour[s.kind]);
    if (ship_shown(w)) flame(bb, w.ship.x + 7, w.ship.y + 14, 2, w.frame);

    for (const Actor& e : w.enemies)
        if (e.live) {
            int sx = e.kind == kBeetle ? kBeetleX : kSaucerX + 16 * (w.frame / 8 % 2);
            qx_drawbmp3(bb, e.x, e.y, 16, 16, sprites, sx, 0, kKey);
        }
    for (const Actor& a : w.shots)
        if (a.live) qx_yline(bb, a.x, a.y, 5, 14);
    for (const Actor& b : w.bullets)
        if (b.live) qx_drawbmp3(bb, b.x, b.y, 4, 4, sprites, kBulletX, 0, kKey);

    // Explosions are rings that grow and cool from white through yellow to red.
    // The ship's throws sparks ahead of its rings at first: eight short
    // streaks flying out, none of them straight along an axis.
    static const short heat[8] = {15, 14, 14, 43, 12, 40, 4, 112};
    static const int spark[8][2] = {{3, 1}, {1, 3}, {-1, 3}, {-3, 1}, {-3, -1}, {-1, -3}, {1, -3}, {3, -1}};
    for (const Actor& b : w.blasts)
        if (b.live) {
            const bool big = b.kind == kBigBlast;
            const int hot = b.t * 8 / (big ? 33 : 15), r = big ? b.t : b.t + 2;
            qx_circle(bb, b.x, b.y, r, heat[hot]);
            if (r > 4) qx_circle(bb, b.x, b.y, r * 2 / 3, heat[hot > 0 ? hot - 1 : 0]);
            if (big && r > 8) qx_circle(bb, b.x, b.y, r + 6, heat[hot < 7 ? hot + 1 : 7]);
            if (big && b.t < 24)
                for (const auto& d : spark)  // from r + 8 to r + 12 out, in steps a third of d
                    qx_line(bb, b.x + d[0] * (r + 8) / 3, b.y + d[1] * (r + 8) / 3, b.x + d[0] * (r + 12) / 3,
                            b.y + d[1] * (r + 12) / 3, heat[hot]);
        }

    // The score band covers whatever flies under it; the spare ships are
    // marks copied whole, black background and all.
    qx_box(bb, 0, 0, kWidth, kHud, 1, 0);
    qx_xline(bb, 0, kHud - 1, kWidth, 8);
    for (int i = 1; i < w.lives; ++i) qx_drawbmp2(bb, 210 + 10 * i, 1, 8, 8, sprites, kLifeX, 0);
}

void print_hud(const World& w, int hiscore, DWORD fps) {
    qx_printf(2, 1, 15, "得点 %06d", w.score);
    qx_printf(64, 1, 7, "最高 %06d", hiscore);
    qx_printf(202, 1, 7, "残機");
    if (fps) qx_printf(292, 1, 8, "FPS:%d", int(fps));
    if (w.ready > 0 && w.ready / 8 % 2) qx_printf(centred("発進！"), 96, 14, "発進！");
}

// A large face for the one line of the ending, then the mode-19 font again.
void print_game_over(void) {
    qx_setfont("ＭＳ 明朝", 16, 32);
    qx_printf((kWidth - 72) / 2, 92, 12, "GAME OVER");
    qx_setvideomode(19);
}
