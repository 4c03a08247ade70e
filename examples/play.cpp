// The rules of the example game, one frame at a time: the ship and its shots,
// the enemies that come down from the top and their bullets, what hits what,
// and the score. Nothing here depends on the clock, only on the frame count
// and the keys, so the same key presses on the same frames play the same game.
#include "game.h"

#include <cstdint>
#include <cstdlib>

namespace {

// The game's own random numbers (xorshift32), from a fixed seed. Kept across
// games, so the second game differs from the first, but a replay of the same
// keys is the same from the start.
uint32_t seed = 0x2545F491u;
int rnd(int n) {
    seed ^= seed << 13;
    seed ^= seed >> 17;
    seed ^= seed << 5;
    return int(seed % uint32_t(n));
}

int sign(int v) { return (v > 0) - (v < 0); }

template <int N>
void spawn(Actor (&list)[N], int x, int y, int vx, int vy, int kind, int t = 0, int hp = 1) {
    for (Actor& a : list)
        if (!a.live) {
            a = Actor{true, x, y, vx, vy, kind, t, hp};
            return;
        }
}

// Rectangles (x, y, w, h) overlap.
bool overlap(int ax, int ay, int aw, int ah, int bx, int by, int bw, int bh) {
    return ax < bx + bw && bx < ax + aw && ay < by + bh && by < ay + ah;
}

void blast(World& w, int cx, int cy, int kind) {
    spawn(w.blasts, cx, cy, 0, 0, kind);
    ++w.blasts_made;
}

void ship_hit(World& w) {
    blast(w, w.ship.x + 8, w.ship.y + 8, kBigBlast);
    w.invincible = 120;
    if (--w.lives == 0) w.ship.live = false;
}

void move_ship(World& w, Keys keys) {
    if (!w.ship.live) {
        ++w.gone;
        return;
    }
    // Each held key moves on its own, so two of them go diagonally.
    Actor& s = w.ship;
    s.x += 2 * (keys.right - keys.left);
    s.y += 2 * (keys.down - keys.up);
    if (s.x < 0) s.x = 0;
    if (s.x > kWidth - 16) s.x = kWidth - 16;
    if (s.y < kHud + 16) s.y = kHud + 16;
    if (s.y > kHeight - 16) s.y = kHeight - 16;
    if (w.invincible > 0) --w.invincible;
    if (w.cooldown > 0) --w.cooldown;
    if (keys.fire && w.cooldown == 0) {
        spawn(w.shots, s.x + 7, s.y - 4, 0, -6, 0);
        w.cooldown = 6;
        ++w.fired;
    }
}

void send_enemies(World& w) {
    if (w.ready > 0) {
        --w.ready;
        return;
    }
    if (--w.next_enemy > 0) return;
    // One draw a statement: the order of a call's arguments is the
    // compiler's choice, and every build must draw them in the same order.
    const int x = 8 + rnd(kWidth - 32);
    if (rnd(3) == 0) {
        spawn(w.enemies, x, -16, 0, 2, kBeetle, 0, 2);
    } else {
        const int vx = rnd(2) ? 1 : -1;
        spawn(w.enemies, x, -16, vx, 1, kSaucer, 30 + rnd(60), 1);
    }
    // They come faster as the score grows.
    int gap = 40 - w.score / 300;
    w.next_enemy = (gap < 12 ? 12 : gap) + rnd(20);
}

void move_enemies(World& w) {
    const Actor& s = w.ship;
    for (Actor& e : w.enemies) {
        if (!e.live) continue;
        e.x += e.vx;
        e.y += e.vy;
        if (e.kind == kSaucer) {
            if (e.x < 0 || e.x > kWidth - 16) e.vx = -e.vx;
            if (--e.t <= 0 && s.live && e.y + 24 < s.y) {
                int dx = s.x - e.x;
                spawn(w.bullets, e.x + 6, e.y + 12, std::abs(dx) > 32 ? sign(dx) : 0, 2, 0);
                e.t = 60 + rnd(60);
            }
        } else if (e.vx == 0 && e.y > 60) {
            // A beetle dives at the ship once it is a third of the way down.
            e.vx = s.x < e.x ? -1 : 1;
            e.vy = 3;
        }
        if (e.y >= kHeight) e.live = false;
    }
}

void move_shots(World& w) {
    for (Actor& a : w.shots)
        if (a.live && (a.y += a.vy) < kHud - 6) a.live = false;
    for (Actor& b : w.bullets)
        if (b.live) {
            b.x += b.vx;
            b.y += b.vy;
            if (b.y >= kHeight || b.x < -4 || b.x >= kWidth) b.live = false;
        }
}

void collide(World& w) {
    for (Actor& a : w.shots)
        for (Actor& e : w.enemies) {
            if (!a.live || !e.live || !overlap(a.x, a.y, 1, 5, e.x + 1, e.y + 2, 14, 12)) continue;
            a.live = false;
            if (--e.hp > 0) continue;
            e.live = false;
            blast(w, e.x + 8, e.y + 8, kSmallBlast);
            w.score += e.kind == kBeetle ? 150 : 100;
        }
    const Actor& s = w.ship;
    if (!s.live || w.invincible) return;
    for (Actor& e : w.enemies)
        if (e.live && overlap(s.x + 3, s.y + 3, 10, 10, e.x + 2, e.y + 2, 12, 11)) {
            e.live = false;
            blast(w, e.x + 8, e.y + 8, kSmallBlast);
            ship_hit(w);
            return;
        }
}

void age_blasts(World& w) {
    for (Actor& b : w.blasts)
        if (b.live && ++b.t > (b.kind == kBigBlast ? 32 : 14)) b.live = false;
}

void scroll_stars(World& w) {
    for (Actor& s : w.stars)
        if ((s.y += s.kind) >= kHeight) {
            s.y = kHud;
            s.x = rnd(kWidth);
        }
}

}  // namespace

void new_game(World& w) {
    w = World{};
    w.ship = Actor{true, (kWidth - 16) / 2, kHeight - 30, 0, 0, 0, 0, 1};
    w.lives = 3;
    w.ready = 90;
    // (A braced list is evaluated left to right.)
    for (Actor& s : w.stars) s = Actor{true, rnd(kWidth), kHud + rnd(kHeight - kHud), 0, 0, 1 + rnd(3), 0, 0};
}

void step(World& w, Keys keys) {
    ++w.frame;
    scroll_stars(w);
    move_ship(w, keys);
    send_enemies(w);
    move_enemies(w);
    move_shots(w);
    collide(w);
    age_blasts(w);
}

// A bullet hits when the pixel under its middle belongs to the ship: at this
// point of the frame the ship is all there is on the black sky.
bool ship_struck(HDC bb, World& w) {
    if (!w.ship.live || w.invincible) return false;
    for (Actor& b : w.bullets)
        if (b.live && qx_pget(bb, b.x + 2, b.y + 2) != RGB(0, 0, 0)) {
            b.live = false;
            ship_hit(w);
            return true;
        }
    return false;
}
