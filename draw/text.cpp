// Formatted text on the window surface, and the one text font.
#include "runtime.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

void qx_setfont(const char* fname, int fw, int fh) {
    if (hfont) {
        DeleteObject(hfont);
        hfont = nullptr;
    }
    hfont = CreateFontA(fh, fw, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                        CLIP_DEFAULT_PRECIS, PROOF_QUALITY, FIXED_PITCH | FF_MODERN, fname);
}

void qx_setvideomode(int mode) {
    if (mode == 19) {
        if (bai == 1 || bai == 2) qx_setfont("ＭＳ 明朝", 8, 16);
        else qx_setfont("ＭＳ 明朝", 4, 8);
        return;
    }
    if (hfont) DeleteObject(hfont);
    hfont = nullptr;
}

void qx_printf(int x, int y, short color, const char* format, ...) {
    char buf[256];
    va_list ap;
    va_start(ap, format);
    int full = std::vsnprintf(buf, sizeof buf, format, ap);
    va_end(ap);
    if (full < 0) return;
    // Longer text was cut at 255 bytes; don't leave half a character.
    if (full > static_cast<int>(sizeof buf) - 1) buf[qx_fit932(buf, sizeof buf - 1)] = '\0';

    if (hfont) holdfont = static_cast<HFONT>(SelectObject(gvram, hfont));
    SetTextColor(gvram, qx_palette(color));
    SetBkColor(gvram, 0x000000);
    TextOutA(gvram, qx_device(x), qx_device(y), buf, static_cast<int>(std::strlen(buf)));
    SetTextColor(gvram, 0x000000);
    SetBkColor(gvram, 0xFFFFFF);
    if (hfont) SelectObject(gvram, holdfont);
}
