// The Win32 entry points of fonts: CreateFontA, which makes a font of the
// face found for its LOGFONT (faces.cpp), and what a DC tells of its font.
#include "common/out_of_memory.h"
#include "gdi/cp932.h"
#include "gdi/faces.h"
#include "gdi/objects.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <type_traits>
#include <vector>

using namespace plat;

namespace {

// Fonts made lately, by description: making one finds its face file, opens
// it with FreeType and sizes it (about a millisecond), and games make the
// same font again and again (a font set every frame). A handle holds its
// font by reference, the cache the most recent kFontCacheSize, so a font
// outlives the cache's hold while a handle has it, and DeleteObject frees
// the handle as ever. Fonts of one description render alike, and share
// their rendered glyphs.
static_assert(std::has_unique_object_representations_v<LOGFONTA>, "LOGFONTs are compared by their bytes");

struct Description {
    LOGFONTA logfont;
    DWORD quality, pitch_and_family;  // as given: the LOGFONT keeps their low bytes
    bool operator==(const Description& o) const {
        return std::memcmp(&logfont, &o.logfont, sizeof logfont) == 0 && quality == o.quality &&
               pitch_and_family == o.pitch_and_family;
    }
};

struct CachedFont {
    Description description;
    std::shared_ptr<Font> font;
};

std::vector<CachedFont>& recent_fonts() {  // most recently made first
    static auto& fonts = *new std::vector<CachedFont>;
    return fonts;
}

std::shared_ptr<Font> make_font(const Description& d) {
    const LOGFONTA& lf = d.logfont;
    auto f = std::make_shared<Font>();
    f->logfont = lf;
    // Windows picks sizes for 0 and negative values: a negative height is the
    // em height, 0 a default; a negative width counts as its magnitude.
    const int64_t height = lf.lfHeight, width = lf.lfWidth;
    int64_t h = height == 0 ? 16 : height < 0 ? -height * 8 / 7 : height;
    int64_t w = width < 0 ? -width : width;
    h = std::min<int64_t>(h, 2048);
    w = std::min<int64_t>(w, 2048);
    std::string family = installed_family(cp932_to_utf8(lf.lfFaceName));
    if (!open_face(*f, family, int(h), int(w))) {
        f->builtin = true;
    } else {
        f->face->antialias = d.quality != NONANTIALIASED_QUALITY;
        f->face->fixed_pitch = (d.pitch_and_family & 3) == FIXED_PITCH || FT_IS_FIXED_WIDTH(f->face->face);
    }
    return f;
}

// The font of that description: the cached one, or a new one, cached.
std::shared_ptr<Font> font_for(const Description& d) {
    auto& fonts = recent_fonts();
    for (size_t i = 0; i < fonts.size(); ++i) {
        if (!(fonts[i].description == d)) continue;
        std::rotate(fonts.begin(), fonts.begin() + ptrdiff_t(i), fonts.begin() + ptrdiff_t(i) + 1);
        return fonts.front().font;
    }
    std::shared_ptr<Font> f = make_font(d);
    fonts.reserve(kFontCacheSize);  // before anything changes: short of memory, nothing has
    if (fonts.size() == kFontCacheSize) fonts.pop_back();
    fonts.insert(fonts.begin(), CachedFont{d, f});
    return f;
}

}  // namespace

size_t plat::cached_fonts() { return recent_fonts().size(); }

extern "C" HFONT WINAPI CreateFontA(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight,
                                    DWORD bItalic, DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet,
                                    DWORD iOutPrecision, DWORD iClipPrecision, DWORD iQuality,
                                    DWORD iPitchAndFamily, LPCSTR pszFaceName) {
    return or_fail<HFONT>(nullptr, [&] {
        LOGFONTA lf{};  // zeroed whole, face name padding included: fonts are compared by their bytes
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
        std::shared_ptr<Font> f = font_for(Description{lf, iQuality, iPitchAndFamily});
        Slot* slot = nullptr;
        void* h_font = handles().allocate(Kind::font, &slot);
        slot->font = std::move(f);
        return static_cast<HFONT>(h_font);
    });
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
