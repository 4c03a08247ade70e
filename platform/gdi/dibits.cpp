// GetDIBits: a bitmap's pixels as a device-independent bitmap, in the one
// format the layer keeps (32 bits, BI_RGB, rows top-down or bottom-up as the
// header's height says). Tests read whole surfaces with it.
#include "gdi/objects.h"

#include <cstdlib>
#include <cstring>

using namespace plat;

// Lines [start, start + cLines) in the DIB's own order (bottom-up when
// biHeight is positive). Returns the lines copied; 0 for anything else.
extern "C" int WINAPI GetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, LPVOID lpvBits, LPBITMAPINFO lpbmi,
                                UINT usage) {
    Bitmap* b = bitmap_from(hbm);
    if (!dc_from(hdc) || !b || !lpvBits || !lpbmi || usage != DIB_RGB_COLORS) return 0;
    const BITMAPINFOHEADER& h = lpbmi->bmiHeader;
    const Surface& s = b->surface;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biBitCount != 32 || h.biCompression != BI_RGB ||
        h.biWidth != s.width || std::abs(int64_t(h.biHeight)) != s.height || start >= UINT(s.height))
        return 0;
    const UINT lines = cLines < UINT(s.height) - start ? cLines : UINT(s.height) - start;
    auto* out = static_cast<uint32_t*>(lpvBits);
    for (UINT i = 0; i < lines; ++i) {
        const UINT line = start + i;
        const int64_t row = h.biHeight < 0 ? line : s.height - 1 - int64_t(line);
        std::memcpy(out + int64_t(i) * s.width, s.bits + row * s.stride, size_t(s.width) * 4);
    }
    return int(lines);
}
