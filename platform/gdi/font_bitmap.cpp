// Built-in 8x16 fixed-pitch bitmap font covering printable ASCII 0x20..0x7E.
//
// Each glyph is 16 rows of one byte; the most significant bit of a row byte is
// the leftmost pixel. Text output uses this font whenever a device context has
// no font selected, so drawing text never depends on fonts installed on the
// host.
//
// The glyphs are drawn as ASCII art in font_bitmap_art.h and converted to
// bytes at compile time. Compile-time checks reject any glyph that does not
// have exactly 16 rows of exactly 8 valid characters, any ink in column 7,
// and any two glyphs with identical bitmaps (text recognition by exact glyph
// matching relies on every glyph being unique).

#include "gdi/font_bitmap.h"

#include "gdi/font_bitmap_art.h"

#include <array>
#include <cstddef>
#include <iterator>

namespace plat {
namespace {

using font_art::kArt;

constexpr int kFirstChar = 0x20;
constexpr int kLastChar = 0x7E;
constexpr int kGlyphCount = kLastChar - kFirstChar + 1;

static_assert(std::size(kArt) == kGlyphCount,
              "built-in font must have one glyph per printable ASCII character");

// Index of the first glyph whose art is malformed, or -1 if all are valid.
// A glyph is malformed if it is out of order (its character does not match its
// position), has a missing row, or has a row that is not exactly kBuiltinCellW
// characters from {'#', '.'}.
constexpr int first_malformed_glyph() {
    for (std::size_t i = 0; i < std::size(kArt); ++i) {
        const int index = static_cast<int>(i);
        if (kArt[i].ch != static_cast<char>(kFirstChar + index)) return index;
        for (const char* row : kArt[i].rows) {
            if (row == nullptr) return index;
            int n = 0;
            for (; *row != '\0'; ++row, ++n) {
                if (*row != '#' && *row != '.') return index;
            }
            if (n != kBuiltinCellW) return index;
        }
    }
    return -1;
}
// On failure the compiler's note shows the offending index (0 = ' ').
static_assert(first_malformed_glyph() == -1,
              "built-in font: glyph art must be 16 rows of exactly 8 '#'/'.' "
              "characters, in ASCII order");

constexpr bool kArtValid = first_malformed_glyph() == -1;

using GlyphRows = std::array<unsigned char, kBuiltinCellH>;
using GlyphTable = std::array<GlyphRows, kGlyphCount>;

// Converts the ASCII art to row bytes, leftmost pixel in the most significant
// bit. Malformed art (already reported above) yields an empty table instead of
// a second, less helpful error.
constexpr GlyphTable build_glyphs() {
    GlyphTable out{};
    if (!kArtValid) return out;
    for (std::size_t i = 0; i < out.size(); ++i) {
        for (std::size_t y = 0; y < out[i].size(); ++y) {
            unsigned bits = 0;
            for (const char* p = kArt[i].rows[y]; *p != '\0'; ++p) {
                bits = (bits << 1) | (*p == '#' ? 1u : 0u);
            }
            out[i][y] = static_cast<unsigned char>(bits);
        }
    }
    return out;
}

constexpr GlyphTable kGlyphs = build_glyphs();

// Index of the first glyph with ink in the rightmost column, or -1. Keeping
// that column blank guarantees a gap between neighbouring cells.
constexpr int first_glyph_touching_right_edge() {
    for (std::size_t i = 0; i < kGlyphs.size(); ++i) {
        for (unsigned char row : kGlyphs[i]) {
            if (row & 1u) return static_cast<int>(i);
        }
    }
    return -1;
}
static_assert(first_glyph_touching_right_edge() == -1,
              "built-in font: column 7 of every glyph must be blank");

// Index of the first glyph whose bitmap equals that of a later glyph, or -1 if
// every glyph is unique.
constexpr int first_duplicated_glyph() {
    if (!kArtValid) return -1;
    for (std::size_t i = 0; i < kGlyphs.size(); ++i) {
        for (std::size_t j = i + 1; j < kGlyphs.size(); ++j) {
            if (kGlyphs[i] == kGlyphs[j]) return static_cast<int>(i);
        }
    }
    return -1;
}
static_assert(first_duplicated_glyph() == -1,
              "built-in font: every glyph bitmap must be distinct");

}  // namespace

const unsigned char* builtin_glyph(unsigned char c) {
    if (c < kFirstChar || c > kLastChar) c = '?';
    return kGlyphs[static_cast<std::size_t>(c - kFirstChar)].data();
}

}  // namespace plat
