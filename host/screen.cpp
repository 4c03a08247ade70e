// qx_setscreen: the three screen modes. Mode 1 is a window whose stored size
// is doubled; mode 2 switches the display when it offers the size; every
// other mode is a normal window.
#include "runtime.h"

#include <cstring>

void qx_setscreen(int lx, int ly, int lwidth, int lheight, int lbai, const char* ltb) {
    HWND hwnd = qx_window;
    screenx = lx;
    screeny = ly;
    screenwidth = lwidth;
    screenheight = lheight;
    bai = lbai;
    if (ltb && ltb != titlebar) {
        // A title longer than the 100 bytes titlebar holds is cut, on a
        // character boundary.
        size_t n = qx_fit932(ltb, sizeof titlebar - 1);
        std::memmove(titlebar, ltb, n);
        titlebar[n] = '\0';
    }
    SetWindowTextA(hwnd, titlebar);

    // The stored size is doubled in place, so passing it back in mode 1
    // doubles it again.
    if (bai == 1) {
        screenwidth = qx_twice(screenwidth);
        screenheight = qx_twice(screenheight);
    }

    if (bai == 2) {
        DEVMODEA dm;
        std::memset(&dm, 0, sizeof dm);
        dm.dmSize = sizeof dm;
        dm.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
        dm.dmPelsWidth = static_cast<DWORD>(screenwidth);
        dm.dmPelsHeight = static_cast<DWORD>(screenheight);
        // A size the display does not offer is simply not entered.
        if (ChangeDisplaySettingsA(&dm, CDS_TEST) != DISP_CHANGE_SUCCESSFUL) return;
        ChangeDisplaySettingsA(&dm, CDS_FULLSCREEN);
        SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>(WS_POPUP | WS_VISIBLE));
        SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, screenwidth, screenheight, SWP_SHOWWINDOW);
        SetCursor(nullptr);
        return;
    }

    RECT rc{screenx, screeny, qx_clamp_int(1LL * screenx + screenwidth), qx_clamp_int(1LL * screeny + screenheight)};
    AdjustWindowRect(&rc, WS_OVERLAPPEDWINDOW, FALSE);
    ChangeDisplaySettingsA(nullptr, 0);
    SetWindowLongA(hwnd, GWL_STYLE, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    // The frame's corner goes at (screenx, screeny), not at the widened
    // rectangle's corner: the client area sits right of and below it.
    SetWindowPos(hwnd, HWND_TOPMOST, screenx, screeny, qx_clamp_int(1LL * rc.right - rc.left),
                 qx_clamp_int(1LL * rc.bottom - rc.top), SWP_SHOWWINDOW);
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
}
