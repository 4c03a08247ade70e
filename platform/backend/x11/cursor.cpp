// The cursor: SDL's standard arrow over the program's windows, or none.
#include "backend/x11/x11.h"

namespace plat::backend::x11 {

void show_cursor(bool visible) {
    static SDL_Cursor* arrow = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
    if (visible && arrow) SDL_SetCursor(arrow);
    SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

}  // namespace plat::backend::x11
