// Where a font family's file is: the one question about fonts that the system
// around the layer answers. On a desktop fontconfig answers it
// (font_files_fontconfig.cpp); where there is no fontconfig (a browser) the
// build packs the fonts and a fixed map names them (font_files_packed.cpp).
// The build links one of the two.
#pragma once

#include <string>

namespace plat {

// The file and face index of the best face for family (UTF-8, a name the
// system knows), preferring faces with Japanese characters; any family falls
// back to such a face. False when there is none.
bool find_face_file(const std::string& family, std::string* file, int* index);

}  // namespace plat
