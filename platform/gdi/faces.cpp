// Face lookup: the family a Windows face name stands for, its file from the
// system (font_files.h), opened with FreeType and sized as Windows sizes a
// font for its LOGFONT; and the layer's own Japanese face for each height.
#include "gdi/faces.h"

#include "gdi/font_files.h"

#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

namespace plat {

namespace {

FT_Library freetype() {
    static FT_Library lib = [] {
        FT_Library l = nullptr;
        if (FT_Init_FreeType(&l) != 0) l = nullptr;
        return l;
    }();
    return lib;
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

}  // namespace

std::string installed_family(const std::string& utf8_face) {
    for (const auto& a : kAliases)
        if (utf8_face == a.windows) return a.installed;
    return utf8_face;
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

Font::~Font() {
    if (face) {
        FT_Done_Face(face->face);
        delete face;
    }
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
