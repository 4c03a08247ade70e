// What the runtime's own files share and the programming interface does not
// show: the runtime's window, the palette lookup, the doubling rule and the
// code page 932 cut.
#pragma once

#include "qx.h"

#include <climits>
#include <cstddef>

// The window created at start-up, the only one the runtime makes. Routines
// that need a window and are not given one act on this one.
extern HWND qx_window;

// Registers the window class and creates the runtime's window, titled with
// titlebar, 3 x 3 at (-10, -10), topmost and visible; updates it once.
void qx_create_window(HINSTANCE instance);

// The load-error box for a file the runtime cannot load: "what" and the
// file's name (cut at 60 bytes, on a character boundary) under "エラー";
// then Terminate.
[[noreturn]] void qx_load_error(const char* what, const char* file);

LRESULT CALLBACK WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

// The colour value of a palette index. The index wraps to its low eight bits,
// so any short reads inside coltbl.
inline COLORREF qx_palette(short color) { return coltbl[static_cast<unsigned>(color) & 0xFFu]; }

// v held at INT_MIN or INT_MAX when it lies past the int range: a position
// there stays off every surface, and a size there covers all of one.
inline int qx_clamp_int(long long v) { return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : static_cast<int>(v); }

// 2 * v, held at INT_MIN or INT_MAX instead of overflowing.
inline int qx_twice(int v) { return v > INT_MAX / 2 ? INT_MAX : v < INT_MIN / 2 ? INT_MIN : 2 * v; }

// The doubling rule: a logical position or size in device pixels.
inline int qx_device(int v) { return bai == 1 ? qx_twice(v) : v; }

// The length of the longest prefix of s, at most max bytes, that does not end
// inside a double-byte character of code page 932.
inline size_t qx_fit932(const char* s, size_t max) {
    size_t n = 0;
    while (s[n]) {
        unsigned char b = static_cast<unsigned char>(s[n]);
        bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        if (lead && !s[n + 1]) break;  // a lead byte whose second byte is missing
        size_t step = lead ? 2 : 1;
        if (n + step > max) break;
        n += step;
    }
    return n;
}
