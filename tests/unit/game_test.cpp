// The example game's rules: held keys move the ship, two at once
// diagonally, and not out of the playfield; shots take enemies and score; an
// enemy bullet hits where the ship from the built sprite sheet has a pixel,
// and not on the sky around it or through its transparent parts.
#include "support.h"

#include "game.h"

#include <gtest/gtest.h>

namespace {

World w;  // large: kept out of the stack

constexpr Keys kLeft{true, false, false, false, false};
constexpr Keys kRightUp{false, true, true, false, false};
constexpr Keys kLeftRight{true, true, false, false, false};
constexpr Keys kDown{false, false, false, true, false};
constexpr Keys kUp{false, false, true, false, false};
constexpr Keys kFire{false, false, false, false, true};
constexpr Keys kNone{};

void steps(int frames, Keys keys) {
    for (int i = 0; i < frames; ++i) step(w, keys);
}

TEST(Game, HeldKeysMoveTheShipWithinThePlayfield) {
    // The ship starts at (152, 170) and moves 2 pixels a frame on each axis.
    // The frames stay within the quiet start, so no enemy is about.
    const struct {
        const char* name;
        Keys keys;
        int frames, x, y;
    } cases[] = {
        {"left", kLeft, 10, 132, 170},
        {"right and up at once", kRightUp, 10, 172, 150},
        {"left and right together", kLeftRight, 10, 152, 170},
        {"down, as far as the bottom", kDown, 20, 152, kHeight - 16},
        {"left, as far as the edge", kLeft, 80, 0, 170},
        {"up, as far as under the score band", kUp, 80, 152, kHud + 16},
        {"nothing held", kNone, 10, 152, 170},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        new_game(w);
        steps(c.frames, c.keys);
        EXPECT_EQ(w.ship.x, c.x);
        EXPECT_EQ(w.ship.y, c.y);
    }
}

TEST(Game, ShotsTakeEnemiesAndScore) {
    const struct {
        const char* name;
        int kind, hp, fire_frames;  // fire held that long: a shot every 6 frames
        bool taken;
        int score;
    } cases[] = {
        {"a saucer takes one shot", kSaucer, 1, 1, true, 100},
        {"a beetle outlives one shot", kBeetle, 2, 1, false, 0},
        {"and is taken by two", kBeetle, 2, 7, true, 150},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        new_game(w);
        // Still, right above the ship, and too slow to shoot.
        w.enemies[0] = Actor{true, w.ship.x, 40, 0, 0, c.kind, 10000, c.hp};
        steps(c.fire_frames, kFire);
        steps(40, kNone);
        EXPECT_EQ(w.enemies[0].live, !c.taken);
        EXPECT_EQ(w.score, c.score);
    }
}

TEST(Game, ABulletHitsWhereTheShipHasPixels) {
    reset_screen_state(1);
    HDC sprites = qx_loadbmp(QX_GAME_PICS "/sprites.bmp");
    Canvas bb(640, 400, 0);
    // Where the bullet's middle lies, from the ship's top-left (its picture
    // in makepics.cpp).
    const struct {
        const char* name;
        int dx, dy;
        bool invincible, struck;
    } cases[] = {
        {"on the canopy", 7, 2, false, true},
        {"on a wing tip", 0, 10, false, true},
        {"on the engine", 7, 13, false, true},
        {"in the cell's transparent corner", 0, 0, false, false},
        {"between wing and body", 2, 11, false, false},
        {"on the sky beside the ship", -3, 8, false, false},
        {"on the canopy while the ship blinks", 7, 2, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        new_game(w);
        w.invincible = c.invincible ? 8 : 0;  // frame 0: a blinking ship is shown
        qx_gcls(bb.dc(), 0);
        draw_ship(bb.dc(), w, sprites);
        w.bullets[0] = Actor{true, w.ship.x + c.dx - 2, w.ship.y + c.dy - 2, 0, 2, 0, 0, 1};
        EXPECT_EQ(ship_struck(bb.dc(), w), c.struck);
        EXPECT_EQ(w.lives, c.struck ? 2 : 3);
        EXPECT_EQ(w.bullets[0].live, !c.struck);
    }
    qx_deletebmp(sprites);
}

}  // namespace
