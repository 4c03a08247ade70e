// The Win32 entry points of fonts: CreateFontA, which makes a font of the
// face found for its LOGFONT (faces.cpp), and what a DC tells of its font.
#include "common/out_of_memory.h"
#include "gdi/cp932.h"
#include "gdi/faces.h"
#include "gdi/objects.h"

#include <algorithm>
#include <cstring>
#include <memory>

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
