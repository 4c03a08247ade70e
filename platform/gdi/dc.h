// What USER needs of GDI: window DCs bound to a window's surface.
#pragma once

#include <windows.h>

namespace plat {
struct Window;
struct Surface;

HDC make_window_dc(Window* w, Surface* s);
void free_dc(HDC hdc);
}  // namespace plat
