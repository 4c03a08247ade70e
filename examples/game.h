// The example game's shared terms: the screen and the sprite sheet's layout,
// the state of one game, and what each of its files does for main.cpp.
// All positions are logical pixels (320 x 200), an actor's being its top-left.
#pragma once

#include <qx.h>

constexpr int kWidth = 320, kHeight = 200;
constexpr int kHud = 11;          // the score band along the top
constexpr UINT kKey = 0xFF00FF;   // magenta: the sprite sheet's transparent colour

// Where the pictures lie in sprites.bmp (made by makepics.cpp).
constexpr int kShipX = 0, kSaucerX = 16, kBeetleX = 48;  // 16 x 16 cells; the saucer has two
constexpr int kBulletX = 64;                             // 4 x 4
constexpr int kLifeX = 72;                               // 8 x 8, on black

enum Kind { kSaucer, kBeetle, kSmallBlast, kBigBlast };

struct Actor {
    bool live;
    int x, y, vx, vy;
    int kind;  // a Kind, or for stars their speed
    int t;     // a timer: frames to the next shot, or a blast's age
    int hp;
};

// What the player holds down this frame.
struct Keys {
    bool left, right, up, down, fire;
};

struct World {
    Actor ship;
    int lives;       // the ship in play included
    int invincible;  // frames left of the blinking after a hit
    int cooldown;    // frames until the next shot may leave
    int ready;       // frames left before the first enemy comes
    int gone;        // frames since the last ship was lost
    int score, frame, next_enemy;
    int fired, blasts_made;  // shots the ship has fired and blasts begun: main plays a sound as they grow
    Actor shots[8], enemies[12], bullets[24], blasts[16], stars[48];
};

// play.cpp: the rules.
void new_game(World& w);
void step(World& w, Keys keys);           // one frame: move, shoot, spawn, collide
bool ship_struck(HDC bb, World& w);       // an enemy bullet on the ship just drawn on bb

// scene.cpp: the drawing. Everything but the text goes on the back buffer bb;
// the print_ routines write on the window after the flip.
void draw_title(HDC bb, HDC title, HDC sprites, int t);
void print_title(int t, int hiscore);
void draw_ship(HDC bb, const World& w, HDC sprites);
void draw_world(HDC bb, const World& w, HDC sprites);
void print_hud(const World& w, int hiscore, DWORD fps);
void print_game_over(void);
