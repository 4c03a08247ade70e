// The glyph cache: where each character of a font lands and what it looks
// like, from the built-in bitmap font, the font's face, the Japanese face
// standing in for what it lacks, or a placeholder cell; rendered once and
// kept within a bound of bytes.
#include "gdi/faces.h"
#include "gdi/font_bitmap.h"

#include <algorithm>
#include <cstdio>

namespace plat {

namespace {

// Who draws a character, and how far it moves the pen.
enum class Source { builtin, face, placeholder };
struct Resolved {
    Font* by;  // the font whose face renders it (for Source::face)
    Source source;
    int advance;
};

bool has_char(const Font& f, uint32_t cp) { return f.face && FT_Get_Char_Index(f.face->face, cp) != 0; }

FT_Int32 load_flags(const Font& f) { return f.face->antialias ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_MONO; }

// The pen advance of cp in face font by, as rendering it would give.
int face_advance(Font& by, uint32_t cp) {
    if (FT_Load_Char(by.face->face, cp, load_flags(by)) != 0) return by.half_width;
    return int((by.face->face->glyph->advance.x + 32) >> 6);
}

// A character the font lacks comes from the Japanese face of the same cell
// height, as Windows links fonts; one that no installed face has is drawn
// as a placeholder cell. Fixed-pitch fonts keep their grid either way.
Resolved resolve(Font& f, uint32_t cp, bool full_width) {
    const int cells = full_width ? 2 : 1;
    if (f.builtin) {
        if (cp < 0x80) return {&f, Source::builtin, kBuiltinCellW};
        Font& ui = ui_font(kBuiltinCellH);
        if (has_char(ui, cp)) return {&ui, Source::face, kBuiltinCellW * cells};
        return {&f, Source::placeholder, kBuiltinCellW * cells};
    }
    if (has_char(f, cp))
        return {&f, Source::face, f.face->fixed_pitch ? f.half_width * cells : face_advance(f, cp)};
    Font& ui = ui_font(f.cell_height);
    if (&ui != &f && has_char(ui, cp))
        return {&ui, Source::face, f.face->fixed_pitch ? f.half_width * cells : face_advance(ui, cp)};
    return {&f, Source::placeholder, f.half_width * cells};
}

GlyphBox box_of(Font& f, uint32_t cp, bool full_width) {
    Resolved r = resolve(f, cp, full_width);
    GlyphBox b;
    b.advance = r.advance;
    if (r.source != Source::face) {
        b.right = r.source == Source::builtin ? kBuiltinCellW : r.advance;
        b.bottom = cell_height(f);
        return b;
    }
    Font& by = *r.by;
    if (FT_Load_Char(by.face->face, cp, load_flags(by)) != 0) return b;  // renders as nothing
    // The outline's extent, widened by a pixel each way: rendering rounds
    // it outwards to whole pixels.
    const FT_Glyph_Metrics& m = by.face->face->glyph->metrics;
    auto floor_px = [](FT_Pos v) { return int(v >> 6); };
    auto ceil_px = [](FT_Pos v) { return int((v + 63) >> 6); };
    b.left = floor_px(m.horiBearingX) - 1;
    b.right = ceil_px(m.horiBearingX + m.width) + 1;
    b.top = by.ascent - ceil_px(m.horiBearingY) - 1;
    b.bottom = by.ascent - floor_px(m.horiBearingY - m.height) + 1;
    return b;
}

void render_builtin(Glyph& g, uint32_t cp) {
    const unsigned char* rows = builtin_glyph(static_cast<unsigned char>(cp));
    g.left = 0;
    g.top = 0;
    g.width = kBuiltinCellW;
    g.rows = kBuiltinCellH;
    g.coverage.assign(size_t(kBuiltinCellW) * kBuiltinCellH, 0);
    for (int y = 0; y < kBuiltinCellH; ++y)
        for (int x = 0; x < kBuiltinCellW; ++x)
            if (rows[y] & (0x80 >> x)) g.coverage[size_t(y) * kBuiltinCellW + x] = 255;
}

void render_face(Font& by, Glyph& g, uint32_t cp) {
    FT_Face face = by.face->face;
    if (FT_Load_Char(face, cp, FT_LOAD_RENDER | load_flags(by)) != 0) return;
    const FT_Bitmap& bm = face->glyph->bitmap;
    g.left = face->glyph->bitmap_left;
    g.top = by.ascent - face->glyph->bitmap_top;
    g.width = int(bm.width);
    g.rows = int(bm.rows);
    g.coverage.assign(size_t(g.width) * g.rows, 0);
    for (int y = 0; y < g.rows; ++y) {
        const unsigned char* src = bm.buffer + ptrdiff_t(y) * bm.pitch;
        for (int x = 0; x < g.width; ++x) {
            uint8_t v = bm.pixel_mode == FT_PIXEL_MODE_MONO ? ((src[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0)
                                                            : src[x];
            g.coverage[size_t(y) * g.width + x] = v;
        }
    }
}

// The outline of a box inside the character's cell, a pixel in from each
// side: visibly a character, visibly not any real one.
void render_placeholder(Glyph& g, int advance, int cell_height, uint32_t cp) {
    g.left = 1;
    g.top = std::min(2, cell_height / 4);
    g.width = std::max(1, advance - 2);
    g.rows = std::max(1, cell_height - 2 * g.top);
    g.coverage.assign(size_t(g.width) * g.rows, 0);
    for (int y = 0; y < g.rows; ++y)
        for (int x = 0; x < g.width; ++x)
            if (y == 0 || y == g.rows - 1 || x == 0 || x == g.width - 1) g.coverage[size_t(y) * g.width + x] = 255;
    static bool told = false;
    if (cp >= 0x80 && !told) {
        told = true;
        std::fprintf(stderr,
                     "qx: no installed font has the character U+%04X; Japanese text needs the IPA fonts "
                     "(apt-get install fonts-ipafont-gothic fonts-ipafont-mincho)\n",
                     unsigned(cp));
    }
}

uint64_t glyph_key(uint32_t cp, bool full_width) { return uint64_t(cp) | uint64_t(full_width) << 32; }

}  // namespace

const GlyphBox& glyph_box(Font& f, uint32_t cp, bool full_width) {
    if (cp < 0x80 && !full_width) {
        if (!f.ascii_box_known[cp]) {
            f.ascii_boxes[cp] = box_of(f, cp, false);
            f.ascii_box_known[cp] = true;
        }
        return f.ascii_boxes[cp];
    }
    uint64_t key = glyph_key(cp, full_width);
    auto it = f.boxes.find(key);
    if (it == f.boxes.end()) it = f.boxes.emplace(key, box_of(f, cp, full_width)).first;
    return it->second;
}

const Glyph& glyph_of(Font& f, uint32_t cp, bool full_width) {
    GlyphCache& c = f.glyphs;
    const bool ascii = cp < 0x80 && !full_width;
    if (ascii && c.ascii[cp]) return *c.ascii[cp];
    const uint64_t key = glyph_key(cp, full_width);
    if (auto it = c.index.find(key); it != c.index.end()) {
        c.lru.splice(c.lru.begin(), c.lru, it->second);
        return it->second->glyph;
    }
    // Rendered aside and then linked in, so that running out of memory on
    // the way leaves the cache as it was.
    Glyph made;
    Resolved r = resolve(f, cp, full_width);
    switch (r.source) {
        case Source::builtin: render_builtin(made, cp); break;
        case Source::face: render_face(*r.by, made, cp); break;
        case Source::placeholder: render_placeholder(made, r.advance, cell_height(f), cp); break;
    }
    made.solid = std::all_of(made.coverage.begin(), made.coverage.end(), [](uint8_t v) { return v == 0 || v == 255; });
    c.lru.push_front(GlyphCache::Entry{key, std::move(made)});
    try {
        c.index.emplace(key, c.lru.begin());
    } catch (...) {
        c.lru.pop_front();
        throw;
    }
    Glyph& g = c.lru.front().glyph;
    if (ascii) c.ascii[cp] = &g;  // list nodes keep their addresses
    constexpr size_t kEntryOverhead = sizeof(GlyphCache::Entry) + 64;
    c.bytes += g.coverage.size() + kEntryOverhead;
    // Drop the least recently used, never the glyph just made.
    while (c.bytes > kGlyphCacheBytes && c.lru.size() > 1) {
        GlyphCache::Entry& old = c.lru.back();
        if (old.key < 0x80) c.ascii[old.key] = nullptr;
        c.bytes -= old.glyph.coverage.size() + kEntryOverhead;
        c.index.erase(old.key);
        c.lru.pop_back();
    }
    return g;
}

}  // namespace plat
