// The FreeType faces behind the layer's fonts (font.h): a face found for a
// family through the system's font files (font_files.h), sized to the cell
// height and average width Windows would give. Private to the font files:
// faces.cpp opens them, glyphs.cpp renders with them, font.cpp makes fonts
// of them.
#pragma once

#include "gdi/font.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <string>

namespace plat {

struct FaceData {
    FT_Face face = nullptr;
    bool antialias = true;
    bool fixed_pitch = true;
};

// The family installed in place of a face name Windows games ask for (UTF-8),
// or the name itself.
std::string installed_family(const std::string& utf8_face);

// Gives f the face of family, sized so that its cell is cell_height pixels
// high and a single-byte character avg_width wide (0: the face's own
// width); false when no face can be opened, and f is left without one.
bool open_face(Font& f, const std::string& family, int cell_height, int avg_width);

}  // namespace plat
