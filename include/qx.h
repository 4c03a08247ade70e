// qx: a runtime that gives a DOS-style game a window on the desktop.
//
// Usage: link the qx library and define Main. The runtime owns the process:
// it opens a 320 x 200 window with every pixel doubled, calls Main, and ends
// the process with exit status 1 when Main returns.
//
//     #include <qx.h>
//     int Main() {
//         while (!kbhit()) { ML(); qx_printf(10, 10, 15, "Hello"); Sleep(16); }
//         return 0;
//     }
//
// Units. Drawing routines take logical pixels; in mode 1 (bai == 1) positions
// and sizes are doubled on the way to the surface, in other modes they pass
// unchanged. Colours named "color" are palette indices into coltbl; a colour
// value is 0x00BBGGRR, as RGB(r, g, b) makes it. Text is code page 932
// (Shift-JIS).
//
// What the runtime owns. ESC and the window's close button are the
// runtime's: when ML dispatches either, it asks "本当に終了しますか？", the
// game's code standing still inside ML until the user answers, and Yes ends
// the process (status 1). A game cannot turn the box off or answer it, and
// ESC is not among the keys of getch and kbhit. Call ML once a frame, or
// neither ESC nor the close button is seen.
//
// What comes from <windows.h>. qx has no routines of its own for the clock,
// for sleeping or for keys beyond getch's table; a game calls the Win32
// functions, which every platform qx builds for provides:
//     timeGetTime()            milliseconds, for timing frames
//     Sleep(ms)                gives the time back (in a browser, the page runs meanwhile)
//     GetAsyncKeyState(vk)     negative (top bit set) while the key is held: VK_LEFT,
//                              VK_SPACE, 'A'..'Z', '0'..'9' (upper case), ...
// A frame loop at 60 frames a second is the game's own, built from these
// (the sample's app/FPS.cpp is one); the runtime has no frame routine:
//     for (DWORD next = timeGetTime(); !kbhit(); ) {
//         ML();                                            // messages, the quit box
//         if (GetAsyncKeyState(VK_LEFT) < 0) --x;          // a key held now
//         draw(); next += 16; DWORD now = timeGetTime();
//         Sleep(int(next - now) > 0 ? next - now : 0);     // the rest of the frame
//     }
#pragma once

#include <windows.h>

// ---- Runtime state (owned by the runtime, lives for the whole process) ----

extern int screenx, screeny;           // window's outer top-left corner; default 0, 0
extern int screenwidth, screenheight;  // screen size; default 320 x 200, doubled in place in mode 1
extern int bai;                        // 0 window, 1 doubled window, 2 full screen; other values act as 0
extern char titlebar[101];             // window title, at most 100 bytes; default "タイトルです"
// The palette: 256 colour values (0x00BBGGRR), the VGA default palette at
// start. Applications may overwrite entries. A palette index outside 0..255
// wraps to its low eight bits (an 8-bit palette register): -1 is 255, 256 is 0.
extern COLORREF coltbl[256];
extern HDC gvram;                      // the window's client surface; set at start-up
extern HFONT hfont;                    // the text font; none until qx_setfont
extern HFONT holdfont;                 // the font qx_printf displaces while it draws

// ---- Host: window, keys, delay, shutdown ----

// The application's main routine, called once the window is up. Its result
// is ignored; when it returns the process ends with status 1.
int Main(void);

// Dispatches every waiting window message and returns when the queue is empty.
// What was drawn before the first call stays (a title screen drawn at once):
// the window's first erase happened when qx_setscreen placed it, and the paint
// dispatched here erases nothing, on Windows (as Wine shows) as everywhere.
void ML(void);

// Sets position (outer corner), size, mode and title. Mode 1 doubles the
// stored width and height. Mode 2 switches the display to lwidth x lheight
// when it can, and otherwise changes only the title and the stored state.
// ltb: title; longer than 100 bytes it is cut at 100, never inside a
// double-byte character.
void qx_setscreen(int lx, int ly, int lwidth, int lheight, int lbai, const char* ltb);

// Ends the process at once with status 1, restoring the display first.
[[noreturn]] void Terminate(void);

// Waits, spinning without pumping messages, until a key of the table is held;
// returns 'a'..'z', '0'..'9', 32 (space), 72 up, 80 down, 75 left, 77 right,
// 13 Enter. A key still held is returned again.
int getch(void);

// 1 when a key of the getch table is held, else 0. Never blocks.
int kbhit(void);

// Sleeps wcnt / 100000 ms (truncated). Counts below 100000, negative ones
// included, sleep 0 ms (a yield).
void wait(int wcnt);

// ---- Palette and text ----

// Chooses the text font: mode 19 gives "ＭＳ 明朝" 8 x 16 (modes 1 and 2) or
// 4 x 8 (mode 0); any other mode drops the font.
void qx_setvideomode(int mode);

// Replaces the text font with fname at average width fw and cell height fh
// (device pixels). The runtime owns the font.
void qx_setfont(const char* fname, int fw, int fh);

// Prints formatted text on gvram, and only there (there is no surface
// argument: text printed before a qx_flip is covered by the flip), with its
// top-left at logical (x, y), in palette colour color on black cells. The formatted text is cut at 255
// bytes, never inside a double-byte character. Leaves gvram's text colour
// black and its background white.
void qx_printf(int x, int y, short color, const char* format, ...);

// ---- Pixels, lines, boxes and circles (logical coordinates, palette colours) ----

void qx_pset(HDC hdc, int x, int y, short color);
COLORREF qx_pget(HDC hdc, int x, int y);  // colour value; CLR_INVALID off the surface
void qx_gcls(HDC hdc, short color);       // fills device (0,0)-(1280,1024) in every mode
void qx_xline(HDC hdc, int x, int y, int width, short color);
void qx_yline(HDC hdc, int x, int y, int height, short color);
void qx_line(HDC hdc, int x1, int y1, int x2, int y2, short color);
void qx_box(HDC hdc, int x, int y, int width, int height, int paintflg, short color);
void qx_circle(HDC hdc, int cx, int cy, int r, short color);

// ---- Pictures and back buffer ----

// Loads a BMP file; on failure shows the load-error box and ends the process.
// The caller owns the returned surface and releases it with qx_deletebmp.
// A relative name is found from the working directory, as fopen finds it
// (run the game from the folder that holds its pictures).
HDC qx_loadbmp(const char* pfilename);
// The copies draw on hdc, the destination (logical (x, y), width x height),
// from the picture hMemdc at its own pixel (sx, sy) (qx_drawbmp: (0, 0)).
// toumei is the transparent key: a colour value, such as RGB(255, 0, 255)
// for magenta, compared with the picture's pixels; not a palette index.
// qx_drawbmp4 stretches or shrinks the picture's swidth x sheight onto the
// destination.
void qx_drawbmp(HDC hdc, int x, int y, int width, int height, HDC hMemdc);
void qx_drawbmp2(HDC hdc, int x, int y, int width, int height, HDC hMemdc, int sx, int sy);
void qx_drawbmp3(HDC hdc, int x, int y, int width, int height, HDC hMemdc, int sx, int sy, UINT toumei);
void qx_drawbmp4(HDC hdc, int x, int y, int width, int height, HDC hMemdc, int sx, int sy, int swidth,
                 int sheight, UINT toumei);
void qx_deletebmp(HDC hMemdc);
HDC qx_createBB(void);  // a white 1280 x 1024 back buffer, owned by the caller
// Copies the back buffer hMemdc (the source, second) onto hdc (the
// destination, first; usually gvram): device (0, 0) to (1280, 1024),
// unscaled in every mode: qx_flip(gvram, bb).
void qx_flip(HDC hdc, HDC hMemdc);
void qx_deleteBB(HDC hMemdc);

// ---- Sound ----
//
// Sound plays on its own while the game runs: every routine returns at once.
// Where the system has no audio device (a machine with no sound card, CI, a
// virtual desktop) every routine still works and nothing is heard; nothing
// blocks, and the runtime says nothing (the platform may say so once).

// Starts a square-wave tone of hz hertz, as the PC speaker made, and keeps it
// sounding until qx_nosound; called again, it changes the pitch at once.
// hz from 1 to 22050; any other value stops the tone, as qx_nosound does.
void qx_sound(int hz);
void qx_nosound(void);  // stops the tone; nothing when none sounds

// Loads a PCM WAV file (8 or 16 bits, mono or stereo, 8000 to 192000 Hz,
// converted once, here, to what the device plays: 44100 Hz, 16-bit stereo)
// and returns its id, 1 or above. A file that is not such a sound shows the
// load-error box with the file's name and ends the process, as qx_loadbmp
// does. A relative name is found from the working directory.
int qx_loadwav(const char* file);
// Plays sound id from its start over whatever already plays (the same sound
// included): up to 16 sounds at once, mixed, loud ones clipped, never
// wrapping round; a 17th stops the one that started first. loop non-zero
// repeats it until qx_stopwav. An id not loaded (or deleted) plays nothing.
void qx_playwav(int id, int loop);
void qx_stopwav(int id);    // stops every playing copy of sound id at once
void qx_deletewav(int id);  // stops it and frees it; the id plays nothing after
