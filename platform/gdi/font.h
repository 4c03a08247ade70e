// Fonts: a LOGFONTA, the FreeType face fontconfig found for it, and a cache of
// rendered glyphs. A font with no face (the stock system font) draws with the
// built-in bitmap font.
#pragma once

#include <windows.h>

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace plat {

struct Glyph {
    int left = 0;     // from the pen position to the first column
    int top = 0;      // from the cell top to the first row
    int width = 0;
    int rows = 0;
    int advance = 0;  // pen advance in pixels
    bool solid = false;  // every coverage value is 0 or 255
    std::vector<uint8_t> coverage;  // rows * width, 0..255
};

struct FaceData;  // FreeType face and its sizing, private to font.cpp

struct Font {
    LOGFONTA logfont{};
    bool builtin = false;  // draw with the built-in 8 x 16 bitmap font
    FaceData* face = nullptr;
    int cell_height = 16;  // tmHeight
    int ascent = 13;
    int half_width = 8;    // advance of a single-byte character
    std::unordered_map<uint32_t, Glyph> cache;
    const Glyph* ascii[0x80] = {};  // the cached ASCII glyphs, found without hashing
    ~Font();
};

// The glyph of code point cp in f, rendered once and cached. Full-width code
// points of a fixed-pitch font advance by two half widths.
const Glyph& glyph_of(Font& f, uint32_t cp, bool full_width);

// A font for cell height h looked up by family (UTF-8), for the layer's own
// use (message boxes, double-byte text in the built-in font). Never null:
// falls back to the built-in font when no face is found.
Font& ui_font(int cell_height);

}  // namespace plat
