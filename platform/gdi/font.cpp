// CreateFontA and the glyph cache: the system's font files (font_files.h)
// give a face for the LOGFONT, FreeType renders it at the cell height and
// average width Windows would give.
#include "gdi/font.h"

#include "common/out_of_memory.h"
#include "gdi/cp932.h"
#include "gdi/font_bitmap.h"
#include "gdi/font_files.h"
#include "gdi/objects.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

namespace plat {

struct FaceData {
    FT_Face face = nullptr;
    bool antialias = true;
    bool fixed_pitch = true;
};

namespace {

FT_Library freetype() {
    static FT_Library lib = [] {
        FT_Library l = nullptr;
        if (FT_Init_FreeType(&l) != 0) l = nullptr;
        return l;
    }();
    return lib;
}

// Windows face names games ask for, and the installed faces that stand in for
// them. fontconfig has no alias for these, and its fallback would pick a face
// without kana.
struct FaceAlias { const char* windows; const char* installed; };
constexpr FaceAlias kAliases[] = {
    {"ＭＳ 明朝", "IPAMincho"},     {"ＭＳ Ｐ明朝", "IPAPMincho"},
    {"ＭＳ ゴシック", "IPAGothic"}, {"ＭＳ Ｐゴシック", "IPAPGothic"},
    {"MS Mincho", "IPAMincho"},      {"MS PMincho", "IPAPMincho"},
    {"MS Gothic", "IPAGothic"},      {"MS PGothic", "IPAPGothic"},
    {"System", "IPAGothic"},         {"Terminal", "IPAGothic"},
};

std::string installed_family(const std::string& utf8_face) {
    for (const auto& a : kAliases)
        if (utf8_face == a.windows) return a.installed;
    return utf8_face;
}

// Sizes f's face so that its cell is cell_height pixels high (ascent plus
// descent, as tmHeight) and a single-byte character is avg_width wide.
void size_face(Font& f, int cell_height, int avg_width) {
    FT_Face face = f.face->face;
    const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    double asc = os2 ? os2->usWinAscent : face->ascender;
    double desc = os2 ? os2->usWinDescent : -face->descender;
    if (asc + desc <= 0) { asc = face->units_per_EM * 0.88; desc = face->units_per_EM * 0.12; }
    double em_y = cell_height * face->units_per_EM / (asc + desc);
    double em_x = em_y;
    if (avg_width > 0) {
        FT_UInt gi = FT_Get_Char_Index(face, '0');
        if (gi && FT_Load_Glyph(face, gi, FT_LOAD_NO_SCALE) == 0 && face->glyph->advance.x > 0)
            em_x = avg_width * double(face->units_per_EM) / face->glyph->advance.x;
    }
    FT_Set_Char_Size(face, FT_F26Dot6(std::lround(em_x * 64)), FT_F26Dot6(std::lround(em_y * 64)), 72, 72);
    f.cell_height = cell_height;
    f.ascent = int(std::lround(cell_height * asc / (asc + desc)));
    FT_UInt gi = FT_Get_Char_Index(face, '0');
    int adv = avg_width;
    if (gi && FT_Load_Glyph(face, gi, FT_LOAD_DEFAULT) == 0)
        adv = int((face->glyph->advance.x + 32) >> 6);
    f.half_width = avg_width > 0 ? avg_width : std::max(1, adv);
}

bool open_face(Font& f, const std::string& family, int cell_height, int avg_width) {
    std::string file;
    int index = 0;
    if (!freetype() || !find_face_file(family, &file, &index)) return false;
    auto fd = std::make_unique<FaceData>();
    if (FT_New_Face(freetype(), file.c_str(), index, &fd->face) != 0) return false;
    f.face = fd.release();
    size_face(f, cell_height, avg_width);
    return true;
}

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

int cell_height_of(const Font& f) { return f.builtin ? kBuiltinCellH : f.cell_height; }

GlyphBox box_of(Font& f, uint32_t cp, bool full_width) {
    Resolved r = resolve(f, cp, full_width);
    GlyphBox b;
    b.advance = r.advance;
    if (r.source != Source::face) {
        b.right = r.source == Source::builtin ? kBuiltinCellW : r.advance;
        b.bottom = cell_height_of(f);
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

Font::~Font() {
    if (face) {
        FT_Done_Face(face->face);
        delete face;
    }
}

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
        case Source::placeholder: render_placeholder(made, r.advance, cell_height_of(f), cp); break;
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

Font& ui_font(int cell_height) {
    static std::map<int, std::unique_ptr<Font>> fonts;
    auto& slot = fonts[cell_height];
    if (!slot) {
        slot = std::make_unique<Font>();
        if (!open_face(*slot, "IPAGothic", cell_height, 0)) slot->builtin = true;
        else slot->face->fixed_pitch = false;
    }
    return *slot;
}

}  // namespace plat

using namespace plat;

extern "C" HFONT WINAPI CreateFontA(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight,
                                    DWORD bItalic, DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet,
                                    DWORD iOutPrecision, DWORD iClipPrecision, DWORD iQuality,
                                    DWORD iPitchAndFamily, LPCSTR pszFaceName) {
    return or_fail<HFONT>(nullptr, [&] {
        auto f = std::make_unique<Font>();
        LOGFONTA& lf = f->logfont;
        lf.lfHeight = cHeight;
        lf.lfWidth = cWidth;
        lf.lfEscapement = cEscapement;
        lf.lfOrientation = cOrientation;
        lf.lfWeight = cWeight;
        lf.lfItalic = BYTE(bItalic);
        lf.lfUnderline = BYTE(bUnderline);
        lf.lfStrikeOut = BYTE(bStrikeOut);
        lf.lfCharSet = BYTE(iCharSet);
        lf.lfOutPrecision = BYTE(iOutPrecision);
        lf.lfClipPrecision = BYTE(iClipPrecision);
        lf.lfQuality = BYTE(iQuality);
        lf.lfPitchAndFamily = BYTE(iPitchAndFamily);
        if (pszFaceName) {
            // The face name is at most 31 bytes, cut on a character boundary.
            size_t len = std::strlen(pszFaceName);
            std::memcpy(lf.lfFaceName, pszFaceName, cp932_fit(pszFaceName, len, LF_FACESIZE - 1));
        }
        // Windows picks sizes for 0 and negative values: a negative height is the
        // em height, 0 a default; a negative width counts as its magnitude.
        int64_t h = cHeight == 0 ? 16 : cHeight < 0 ? -int64_t(cHeight) * 8 / 7 : cHeight;
        int64_t w = cWidth < 0 ? -int64_t(cWidth) : cWidth;
        h = std::min<int64_t>(h, 2048);
        w = std::min<int64_t>(w, 2048);
        std::string family = installed_family(cp932_to_utf8(lf.lfFaceName));
        if (!open_face(*f, family, int(h), int(w))) {
            f->builtin = true;
        } else {
            f->face->antialias = iQuality != NONANTIALIASED_QUALITY;
            f->face->fixed_pitch = (iPitchAndFamily & 3) == FIXED_PITCH || FT_IS_FIXED_WIDTH(f->face->face);
        }
        Slot* slot = nullptr;
        void* h_font = handles().allocate(Kind::font, &slot);
        slot->font = std::move(f);
        return static_cast<HFONT>(h_font);
    });
}

extern "C" BOOL WINAPI GetTextMetricsA(HDC hdc, TEXTMETRICA* tm) {
    DC* dc = dc_from(hdc);
    if (!dc || !tm) return FALSE;
    Font* f = font_from(dc->font);
    *tm = TEXTMETRICA{};
    if (!f || f->builtin) {
        tm->tmHeight = kBuiltinCellH;
        tm->tmAscent = 13;  // baseline on row 12
        tm->tmAveCharWidth = tm->tmMaxCharWidth = kBuiltinCellW;
        tm->tmPitchAndFamily = FF_MODERN;
    } else {
        tm->tmHeight = f->cell_height;
        tm->tmAscent = f->ascent;
        tm->tmAveCharWidth = f->half_width;
        tm->tmMaxCharWidth = f->half_width * 2;
        tm->tmPitchAndFamily = f->logfont.lfPitchAndFamily & 0xF0;
    }
    tm->tmDescent = tm->tmHeight - tm->tmAscent;
    tm->tmWeight = FW_NORMAL;
    tm->tmCharSet = SHIFTJIS_CHARSET;
    tm->tmLastChar = 0xFF;
    tm->tmDefaultChar = '?';
    tm->tmBreakChar = ' ';
    return TRUE;
}

extern "C" int WINAPI GetTextFaceA(HDC hdc, int c, LPSTR name) {
    DC* dc = dc_from(hdc);
    if (!dc) return 0;
    Font* f = font_from(dc->font);
    const char* face = f && !f->builtin ? f->logfont.lfFaceName : "System";
    int len = int(std::strlen(face));
    if (!name) return len + 1;
    if (c <= 0) return 0;
    int n = std::min(len, c - 1);
    std::memcpy(name, face, size_t(n));
    name[n] = '\0';
    return n;
}
