// Font files packed into the build, for systems without fontconfig: the four
// IPA faces under /qx/fonts/ (where the web build packs them), found by
// family name; any other family gets IPAGothic, as fontconfig would give it
// for Japanese text.
#include "gdi/font_files.h"

#include <cstdio>

namespace plat {

namespace {

struct PackedFace { const char* family; const char* file; };
constexpr PackedFace kFaces[] = {
    {"IPAGothic", "/qx/fonts/ipag.ttf"},
    {"IPAPGothic", "/qx/fonts/ipagp.ttf"},
    {"IPAMincho", "/qx/fonts/ipam.ttf"},
    {"IPAPMincho", "/qx/fonts/ipamp.ttf"},
};

bool readable(const char* path) {
    FILE* f = std::fopen(path, "rb");
    if (f) std::fclose(f);
    return f != nullptr;
}

}  // namespace

bool find_face_file(const std::string& family, std::string* file, int* index) {
    const char* chosen = kFaces[0].file;
    for (const PackedFace& face : kFaces)
        if (family == face.family) chosen = face.file;
    if (!readable(chosen)) return false;
    *file = chosen;
    *index = 0;
    return true;
}

}  // namespace plat
