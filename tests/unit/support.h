// Shared helpers of the unit tests: the runtime's window, memory surfaces to
// draw on, held keys, and the clock.
#pragma once

#include <qx.h>

#include <initializer_list>

// The runtime's window as start-up makes it (class, window, default screen),
// created once per test process; gvram is its surface.
HWND runtime_window();

// A 32-bit memory surface filled with one colour value.
class Canvas {
public:
    Canvas(int w, int h, COLORREF fill = 0xFFFFFF);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    HDC dc() const { return dc_; }
    COLORREF at(int x, int y) const { return GetPixel(dc_, x, y); }
    int width() const { return w_; }
    int height() const { return h_; }

private:
    HDC dc_;
    HBITMAP bmp_;
    HGDIOBJ old_;
    int w_, h_;
};

// Makes gvram a canvas for the life of the object, and puts it back after.
class GvramOnCanvas {
public:
    explicit GvramOnCanvas(Canvas& c) : saved_(gvram) { gvram = c.dc(); }
    ~GvramOnCanvas() { gvram = saved_; }

private:
    HDC saved_;
};

// Keys held for the life of the object (virtual-key codes).
class HeldKeys {
public:
    HeldKeys(std::initializer_list<int> vks);
    ~HeldKeys();
};

// titlebar as the program starts, before any test changes it.
const char* initial_title();

// Sets the millisecond clock that timeGetTime reports.
void set_clock(DWORD ms);

// Sets the screen state as a game would leave it, without touching the window.
void reset_screen_state(int mode);
