// picture: a game that draws one fixed picture with every kind of drawing the
// runtime has (palette boxes, lines, circles, pixels, a back buffer flipped
// on, keyed and stretched copies, text in the built-in font, in mode 19 and
// in a Japanese face), again each frame, until a polled key is held. The
// end-to-end tests compare what it shows on the desktop with a headless shot
// of it. With PICTURE_BMP naming a file, it also loads that picture (and so
// shows the load-error box when it cannot) and draws it in the corner. With
// PICTURE_TITLE set, it draws the picture once, as a title screen is drawn:
// straight after it starts, before its first ML(), and then waits in getch.
// Japanese literals are written as code page 932 bytes, so this file needs
// no character-set options.
#include <qx.h>

#include <cstdlib>

namespace {

// The frame is put together off the window, text and all (qx_printf draws on
// gvram, so gvram names the frame meanwhile), and reaches the window in one
// flip: a screenshot never finds it half drawn.
void draw(HDC scene, HDC frame, HDC picture) {
    // A backdrop of primitives.
    qx_gcls(scene, 1);
    for (int i = 0; i < 16; ++i) qx_box(scene, 8 + i * 19, 150, 16, 16, 1, short(i + 32));
    for (int i = 0; i < 12; ++i) qx_line(scene, 160, 100, 160 + (i - 6) * 25, i % 2 ? 40 : 190, short(40 + i));
    qx_circle(scene, 60, 90, 40, 14);
    qx_circle(scene, 260, 90, 25, 12);
    qx_box(scene, 220, 20, 80, 40, 0, 10);
    qx_xline(scene, 10, 195, 300, 13);
    qx_yline(scene, 315, 5, 190, 11);
    for (int i = 0; i < 64; ++i) qx_pset(scene, 100 + (i * 7) % 64, 20 + (i * 13) % 30, short(i + 64));
    qx_flip(frame, scene);
    // Keyed and stretched copies of parts of it.
    qx_drawbmp3(frame, 200, 120, 40, 30, scene, 40, 70, coltbl[1]);
    qx_drawbmp4(frame, 250, 110, 60, 60, scene, 240, 70, 40, 40, coltbl[1]);
    qx_drawbmp2(frame, 10, 10, 30, 20, scene, 140, 90);
    if (picture) qx_drawbmp(frame, 280, 0, 32, 32, picture);
    // Text: the built-in font, mode 19's, and a Japanese face.
    HDC window = gvram;
    gvram = frame;
    qx_setvideomode(3);
    qx_printf(50, 4, 15, "FPS:%d ABC abc 0123", 60);
    qx_setvideomode(19);
    qx_printf(50, 24, 14, "\x8a\xbf\x8e\x9a\x83\x65\x83\x58\x83\x67 Mode 19");  // 漢字テスト
    qx_setfont("\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e", 12, 24);      // ＭＳ ゴシック
    qx_printf(50, 110, 9, "\x96\x7b\x93\x96\x82\xc9 Gothic");                      // 本当に
    qx_setvideomode(3);
    gvram = window;
    qx_flip(gvram, frame);
}

}  // namespace

int Main(void) {
    const char* name = std::getenv("PICTURE_BMP");
    HDC picture = name ? qx_loadbmp(name) : nullptr;
    HDC scene = qx_createBB(), frame = qx_createBB();
    if (std::getenv("PICTURE_TITLE")) {
        draw(scene, frame, picture);
        ML();
        getch();
        return 0;
    }
    // Drawn each frame, after the frame's messages: a repaint that erases the
    // window (as when it is first shown) is drawn over at once.
    while (!kbhit()) {
        ML();
        draw(scene, frame, picture);
        Sleep(16);
    }
    return 0;
}
