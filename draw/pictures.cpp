// Pictures loaded from BMP files, the four copies of them, and the back
// buffer. Destinations follow the doubling rule; rectangles in a picture are
// always in the picture's own pixels.
#include "runtime.h"

namespace {

void destination(int& x, int& y, int& w, int& h) {
    x = qx_device(x);
    y = qx_device(y);
    w = qx_device(w);
    h = qx_device(h);
}

}  // namespace

HDC qx_loadbmp(const char* pfilename) {
    HBITMAP bmp = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), pfilename, IMAGE_BITMAP, 0, 0,
                                                  LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    if (!bmp) qx_load_error("Bitmapロードエラー:", pfilename);
    HDC hMemdc = CreateCompatibleDC(nullptr);
    SelectObject(hMemdc, bmp);
    return hMemdc;
}

void qx_drawbmp(HDC hdc, int x, int y, int width, int height, HDC hMemdc) {
    qx_drawbmp2(hdc, x, y, width, height, hMemdc, 0, 0);
}

void qx_drawbmp2(HDC hdc, int x, int y, int width, int height, HDC hMemdc, int sx, int sy) {
    int sw = width, sh = height;
    destination(x, y, width, height);
    StretchBlt(hdc, x, y, width, height, hMemdc, sx, sy, sw, sh, SRCCOPY);
}

void qx_drawbmp3(HDC hdc, int x, int y, int width, int height, HDC hMemdc, int sx, int sy, UINT toumei) {
    qx_drawbmp4(hdc, x, y, width, height, hMemdc, sx, sy, width, height, toumei);
}

void qx_drawbmp4(HDC hdc, int x, int y, int width, int height, HDC hMemdc, int sx, int sy, int swidth,
                 int sheight, UINT toumei) {
    destination(x, y, width, height);
    TransparentBlt(hdc, x, y, width, height, hMemdc, sx, sy, swidth, sheight, toumei);
}

// A memory surface owns its bitmap: releasing one releases both.
void qx_deletebmp(HDC hMemdc) {
    HGDIOBJ bmp = GetCurrentObject(hMemdc, OBJ_BITMAP);
    DeleteDC(hMemdc);
    DeleteObject(bmp);
}

HDC qx_createBB(void) {
    HDC window = GetDC(qx_window);
    HDC hMemdc = CreateCompatibleDC(nullptr);
    SelectObject(hMemdc, CreateCompatibleBitmap(window, 1280, 1024));
    PatBlt(hMemdc, 0, 0, 1280, 1024, WHITENESS);
    ReleaseDC(qx_window, window);
    return hMemdc;
}

void qx_flip(HDC hdc, HDC hMemdc) { BitBlt(hdc, 0, 0, 1280, 1024, hMemdc, 0, 0, SRCCOPY); }

void qx_deleteBB(HDC hMemdc) { qx_deletebmp(hMemdc); }
