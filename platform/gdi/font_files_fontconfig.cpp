// Font files found through fontconfig: the family asked for, else IPAGothic,
// else whatever fontconfig likes best for Japanese.
#include "gdi/font_files.h"

#include <fontconfig/fontconfig.h>

namespace plat {

bool find_face_file(const std::string& family, std::string* file, int* index) {
    static bool ok = FcInit();
    if (!ok) return false;
    FcPattern* pat = FcPatternCreate();
    if (!family.empty())
        FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>("IPAGothic"));
    FcPatternAddString(pat, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
    FcConfigSubstitute(nullptr, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult res;
    FcPattern* match = FcFontMatch(nullptr, pat, &res);
    FcPatternDestroy(pat);
    if (!match) return false;
    FcChar8* path = nullptr;
    int idx = 0;
    bool found = FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch;
    if (found) {
        *file = reinterpret_cast<const char*>(path);
        FcPatternGetInteger(match, FC_INDEX, 0, &idx);
        *index = idx;
    }
    FcPatternDestroy(match);
    return found;
}

}  // namespace plat
