// ほしぞら防衛隊 (the starry-sky guard): a small vertical shooter, and the
// example of how a game is built on qx. Read qx.h first, then this file.
//
// Main sets up the screen, the font and the pictures, then goes round the
// title screen, a game and its ending until Q is pressed on the title (ESC
// or the close button ask to quit at any time; the runtime's window
// procedure does that while ML pumps). Every screen is a frame loop held at
// 60 frames per second by the FPS module: pump messages, read the keys,
// draw the frame on the back buffer, flip it onto the window, print the
// text over it, sleep out the rest of the frame.
//
// The pictures are read from pics/ and the sounds from sounds/ in the
// working directory, where the build writes them next to the program. The
// title plays a little tune on the tone, as the PC speaker did; in a game a
// shot and a blast each play a sound over whatever already plays.
#include <qx.h>

#include "FPS.h"
#include "game.h"

namespace {

DWORD fps = 0;  // the rate last reported by the FPS module

// Ends a frame: sleeps out the rest of its 16 ms and picks up the rate once
// a second.
void end_frame(void) {
    DWORD waitTime = 0, fpsValue = 0;
    fpsEnd();
    if (fpsGetWaitTime(&waitTime)) Sleep(waitTime);
    if (fpsGetValue(&fpsValue)) fps = fpsValue;
}

bool held(int vk) { return GetAsyncKeyState(vk) & 0x8000; }

int shot_sound = 0, boom_sound = 0;

// The title's tune: a note every 8 frames, then quiet (0 is a rest).
const int kTune[] = {523, 659, 784, 1047, 0, 784, 1047};

void title_tune(int t) {
    const int note = t / 8;
    if (t % 8 != 0) return;
    if (note < int(sizeof kTune / sizeof kTune[0]) && kTune[note])
        qx_sound(kTune[note]);
    else
        qx_nosound();
}

// The title screen, until a key is pressed; returns the key, as getch gives
// it. A key still down from the game before is not taken: keys count once
// every key has been let go.
int title_screen(HDC bb, HDC title, HDC sprites, int hiscore) {
    bool armed = false;
    for (int t = 0;; ++t) {
        ML();
        fpsBegin();
        if (!kbhit())
            armed = true;
        else if (armed) {
            qx_nosound();
            return getch();  // returns at once: kbhit saw the key down
        }
        title_tune(t);
        draw_title(bb, title, sprites, t);
        qx_flip(gvram, bb);
        print_title(t, hiscore);
        end_frame();
    }
}

// One game, from three ships to none; returns the score.
int play(World& w, HDC bb, HDC sprites, int hiscore) {
    new_game(w);
    // After the last ship is lost the game plays on for a moment.
    while (w.gone < 90) {
        ML();
        fpsBegin();
        const int lives = w.lives, fired = w.fired, blasts = w.blasts_made;
        step(w, Keys{held(VK_LEFT), held(VK_RIGHT), held(VK_UP), held(VK_DOWN), held(VK_SPACE)});
        qx_gcls(bb, 0);
        draw_ship(bb, w, sprites);
        ship_struck(bb, w);
        if (w.fired > fired) qx_playwav(shot_sound, 0);
        if (w.blasts_made > blasts) qx_playwav(boom_sound, 0);
        draw_world(bb, w, sprites);
        qx_flip(gvram, bb);
        print_hud(w, w.score > hiscore ? w.score : hiscore, fps);
        // A lost ship stops the action for a fifth of a second, DOS-style:
        // wait counts 100000 to the millisecond.
        if (w.lives < lives) wait(20000000);
        end_frame();
    }
    return w.score;
}

// The ending stays on the last frame for three seconds; the title comes
// back quiet, whatever still sounds of the game stopped.
void game_over(void) {
    print_game_over();
    for (int i = 0; i < 180; ++i) {
        ML();
        fpsBegin();
        end_frame();
    }
    qx_stopwav(shot_sound);
    qx_stopwav(boom_sound);
}

}  // namespace

int Main(void) {
    qx_setscreen(0, 0, kWidth, kHeight, 1, "ほしぞら防衛隊");
    qx_setvideomode(19);
    HDC title = qx_loadbmp("pics/title.bmp");
    HDC sprites = qx_loadbmp("pics/sprites.bmp");
    shot_sound = qx_loadwav("sounds/shot.wav");
    boom_sound = qx_loadwav("sounds/boom.wav");
    HDC bb = qx_createBB();
    fpsInit(60);

    static World world;
    int hiscore = 0;
    while (title_screen(bb, title, sprites, hiscore) != 'q') {
        int score = play(world, bb, sprites, hiscore);
        if (score > hiscore) hiscore = score;
        game_over();
    }

    qx_deletewav(boom_sound);
    qx_deletewav(shot_sound);
    qx_deleteBB(bb);
    qx_deletebmp(sprites);
    qx_deletebmp(title);
    Terminate();  // as returning would: the display restored, status 1
}
