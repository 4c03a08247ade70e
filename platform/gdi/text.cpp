// TextOutA: code page 932 text at its top-left corner (the default TA_TOP |
// TA_LEFT alignment), the character cells painted in the background colour
// when the DC is OPAQUE, glyph coverage blended in the text colour.
#include "common/clamp.h"
#include "common/out_of_memory.h"
#include "gdi/cp932.h"
#include "gdi/font.h"
#include "gdi/objects.h"

#include <algorithm>

namespace plat {
namespace {

Font& font_for(DC& dc) {
    if (Font* f = font_from(dc.font)) return *f;
    return *font_from(static_cast<HFONT>(GetStockObject(SYSTEM_FONT)));
}

inline uint32_t blend(uint32_t dst, uint32_t src, unsigned a) {
    if (a == 255) return src;
    unsigned rb = ((src & 0xFF00FF) * a + (dst & 0xFF00FF) * (255 - a) + 0x800080) >> 8 & 0xFF00FF;
    unsigned g = ((src & 0x00FF00) * a + (dst & 0x00FF00) * (255 - a) + 0x008000) >> 8 & 0x00FF00;
    return rb | g;
}

// Total advance of the text in pixels, and the decoded characters. Nothing
// is rendered to measure.
int64_t measure(Font& f, const char* s, int n, std::vector<Char932>& chars) {
    decode_cp932(s, n, chars);
    int64_t width = 0;
    for (auto c : chars) width += glyph_box(f, c.cp, c.wide).advance;
    return width;
}

}  // namespace
}  // namespace plat

using namespace plat;

extern "C" BOOL WINAPI TextOutA(HDC hdc, int x, int y, LPCSTR s, int n) {
    DC* dc = dc_from(hdc);
    if (!dc || n < 0 || (n > 0 && !s)) return FALSE;
    if (!dc->surface || n == 0) return TRUE;
    Surface& sf = *dc->surface;
    // What the glyphs wrote, for the surface's damage: kept outside the body,
    // so that glyphs drawn before a failure count too.
    int64_t inked_l = INT64_MAX, inked_t = INT64_MAX, inked_r = INT64_MIN, inked_b = INT64_MIN;
    // Short of memory for a glyph, the text stops there and the call fails.
    BOOL drawn = or_fail<BOOL>(FALSE, [&] {
        Font& f = font_for(*dc);
        static auto& chars = *new std::vector<Char932>;
        int64_t width = measure(f, s, n, chars);
        if (dc->bk_mode == OPAQUE)
            fill_rect(*dc, x, y, x + width, int64_t(y) + cell_height(f), to_pixel(dc->bk_color));
        const uint32_t ink = to_pixel(dc->text_color & 0xFFFFFF);
        // Clip each glyph's box once against what the DC may draw on, then blend
        // its coverage row by row with no per-pixel checks.
        const Box v = visible_box(*dc);
        const int64_t vl = v.left, vt = v.top, vr = v.right, vb = v.bottom;
        int64_t pen = x;
        for (auto c : chars) {
            // Only glyphs that can reach the visible box are rendered: at a huge
            // height a single glyph is megabytes, and most of a line lies off
            // the surface.
            const GlyphBox& box = glyph_box(f, c.cp, c.wide);
            const int64_t at = pen;
            pen += box.advance;
            if (at + box.right <= vl || at + box.left >= vr || int64_t(y) + box.bottom <= vt || int64_t(y) + box.top >= vb)
                continue;
            const Glyph& g = glyph_of(f, c.cp, c.wide);
            const int64_t gx = at + g.left, gy = int64_t(y) + g.top;
            const int64_t x0 = std::max(gx, vl), x1 = std::min(gx + g.width, vr);
            const int64_t y0 = std::max(gy, vt), y1 = std::min(gy + g.rows, vb);
            if (x0 < x1 && y0 < y1) {
                inked_l = std::min(inked_l, x0), inked_t = std::min(inked_t, y0);
                inked_r = std::max(inked_r, x1), inked_b = std::max(inked_b, y1);
            }
            for (int64_t py = y0; py < y1; ++py) {
                const uint8_t* cov = g.coverage.data() + (py - gy) * g.width - gx;
                uint32_t* row = sf.bits + py * sf.stride;
                if (g.solid) {
                    // Ink or not, chosen without a branch: bitmap glyphs' ink
                    // patterns defeat branch prediction.
                    for (int64_t px = x0; px < x1; ++px) row[px] = cov[px] ? ink : row[px];
                } else {
                    for (int64_t px = x0; px < x1; ++px)
                        if (unsigned a = cov[px]) row[px] = blend(row[px], ink, a);
                }
            }
        }
        return TRUE;
    });
    if (inked_l < inked_r) sf.drew(inked_l, inked_t, inked_r, inked_b);
    sf.touch();
    return drawn;
}

extern "C" BOOL WINAPI GetTextExtentPoint32A(HDC hdc, LPCSTR s, int n, LPSIZE size) {
    DC* dc = dc_from(hdc);
    if (!dc || !size || n < 0 || (n > 0 && !s)) return FALSE;
    return or_fail<BOOL>(FALSE, [&] {
        Font& f = font_for(*dc);
        std::vector<Char932> chars;
        int64_t w = measure(f, s, n, chars);
        size->cx = clamp_int32(w);
        size->cy = cell_height(f);
        return TRUE;
    });
}
