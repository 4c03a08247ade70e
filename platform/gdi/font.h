// Fonts: a LOGFONTA, the FreeType face found for it (faces.cpp), and a cache
// of rendered glyphs (glyphs.cpp). A font with no face (the stock system
// font) draws with the built-in bitmap font (font_bitmap.h).
#pragma once

#include "gdi/font_bitmap.h"

#include <windows.h>

#include <cstdint>
#include <list>
#include <unordered_map>
#include <vector>

namespace plat {

// A glyph's place, known without rendering it: the pen advance, and a box
// (relative to the pen position and the cell top, half-open) that is sure to
// hold all of its ink.
struct GlyphBox {
    int advance = 0;
    int left = 0, top = 0, right = 0, bottom = 0;
};

// A rendered glyph.
struct Glyph {
    int left = 0;     // from the pen position to the first column
    int top = 0;      // from the cell top to the first row
    int width = 0;
    int rows = 0;
    bool solid = false;  // every coverage value is 0 or 255
    std::vector<uint8_t> coverage;  // rows * width, 0..255
};

struct FaceData;  // the FreeType face, private to the font files (faces.h)

// Rendered glyphs of one font, the least recently used dropped first once
// they hold more than a fixed number of bytes: a font at a huge height
// renders megabytes per glyph.
struct GlyphCache {
    struct Entry {
        uint64_t key;
        Glyph glyph;
    };
    std::list<Entry> lru;  // most recently used first
    std::unordered_map<uint64_t, std::list<Entry>::iterator> index;
    size_t bytes = 0;
    const Glyph* ascii[0x80] = {};  // the cached ASCII glyphs, found without hashing
};

struct Font {
    LOGFONTA logfont{};
    bool builtin = false;  // draw with the built-in 8 x 16 bitmap font
    FaceData* face = nullptr;
    int cell_height = 16;  // tmHeight
    int ascent = 13;
    int half_width = 8;    // advance of a single-byte character
    GlyphCache glyphs;
    std::unordered_map<uint64_t, GlyphBox> boxes;  // small: a few ints a character
    GlyphBox ascii_boxes[0x80];
    bool ascii_box_known[0x80] = {};
    ~Font();
};

// The height of f's character cells (tmHeight).
inline int cell_height(const Font& f) { return f.builtin ? kBuiltinCellH : f.cell_height; }

// Where code point cp of f lands, without rendering it. Full-width code
// points of a fixed-pitch font advance by two half widths.
const GlyphBox& glyph_box(Font& f, uint32_t cp, bool full_width);

// The glyph of code point cp in f, rendered once and cached. A character
// that no installed font has draws as a placeholder cell of its advance.
// The reference is good until the next glyph_of call on any font.
const Glyph& glyph_of(Font& f, uint32_t cp, bool full_width);

// How many fonts CreateFontA keeps for making again (font.cpp), and how many
// it keeps now.
constexpr size_t kFontCacheSize = 8;
size_t cached_fonts();

// The most bytes of rendered glyphs a font keeps.
constexpr size_t kGlyphCacheBytes = size_t(4) << 20;

// A font for cell height h looked up by family (UTF-8), for the layer's own
// use (message boxes, double-byte text in the built-in font). Never null:
// falls back to the built-in font when no face is found.
Font& ui_font(int cell_height);

}  // namespace plat
