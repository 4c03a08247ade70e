// The peer frame in SDL2 with SDL2_gfx, in software: a software renderer
// draws on a 640 x 400 back-buffer surface with its scale set to 2, so a
// logical point is a 2 x 2 rectangle; SDL2_gfx's pixel, line, circle and
// string routines draw through it, the sprite is a texture made from a
// surface with a magenta colour key. The flip blits the back buffer onto the
// window's surface and updates the window; the window is on SDL's dummy
// video driver, so no display is needed and the update shows nothing.
#include <SDL.h>
#include <SDL2_gfxPrimitives.h>

#include "harness.h"

namespace {

struct Sdl2 {
    using Colour = SDL_Color;
    static constexpr bool kTextOnScreen = false;
    SDL_Window* window = SDL_CreateWindow("peers", 0, 0, peers::kWidth, peers::kHeight, 0);
    SDL_Surface* front = SDL_GetWindowSurface(window);
    SDL_Surface* back = SDL_CreateRGBSurfaceWithFormat(0, peers::kWidth, peers::kHeight, 32, front->format->format);
    SDL_Renderer* renderer = SDL_CreateSoftwareRenderer(back);
    SDL_Texture* picture = nullptr;

    Sdl2() {
        SDL_RenderSetScale(renderer, 2, 2);
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, peers::kSpriteSize, peers::kSpriteSize, 32,
                                                        SDL_PIXELFORMAT_RGB888);
        for (int y = 0; y < peers::kSpriteSize; ++y)
            for (int x = 0; x < peers::kSpriteSize; ++x)
                static_cast<Uint32*>(s->pixels)[y * s->pitch / 4 + x] = peers::sprite_pixel(x, y);
        SDL_SetColorKey(s, SDL_TRUE, SDL_MapRGB(s->format, 0xFF, 0x00, 0xFF));
        picture = SDL_CreateTextureFromSurface(renderer, s);
        SDL_FreeSurface(s);
    }
    Colour colour(uint32_t rgb) { return {Uint8(rgb >> 16), Uint8(rgb >> 8), Uint8(rgb), 0xFF}; }

    void clear(Colour c) {
        SDL_SetRenderDrawColor(renderer, c.r, c.g, c.b, c.a);
        SDL_RenderClear(renderer);
    }
    void pset(int x, int y, Colour c) { pixelRGBA(renderer, Sint16(x), Sint16(y), c.r, c.g, c.b, c.a); }
    void line(peers::Segment s, Colour c) {
        lineRGBA(renderer, Sint16(s.x1), Sint16(s.y1), Sint16(s.x2), Sint16(s.y2), c.r, c.g, c.b, c.a);
    }
    void circle(int cx, int cy, int r, Colour c) {
        circleRGBA(renderer, Sint16(cx), Sint16(cy), Sint16(r), c.r, c.g, c.b, c.a);
    }
    void sprite(int x, int y) {
        const SDL_Rect to{x, y, peers::kSpriteSize, peers::kSpriteSize};
        SDL_RenderCopy(renderer, picture, nullptr, &to);
    }
    void text(Colour c) { stringRGBA(renderer, 10, 10, "FPS:60", c.r, c.g, c.b, c.a); }
    void flip() {
        SDL_RenderPresent(renderer);
        SDL_BlitSurface(back, nullptr, front, nullptr);
        SDL_UpdateWindowSurface(window);
    }

    void read(bool from_screen, peers::Image& out) {
        SDL_Surface* s = from_screen ? front : back;
        SDL_ConvertPixels(s->w, s->h, s->format->format, s->pixels, s->pitch, SDL_PIXELFORMAT_RGB888, out.data(),
                          peers::kWidth * 4);
        for (uint32_t& p : out) p &= 0xFFFFFF;
    }
};

}  // namespace

int main(int, char**) {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "dummy");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "SDL_Init: %s\n", SDL_GetError());
        return 2;
    }
    Sdl2 g;
    const int status = peers::run(g);
    SDL_Quit();
    return status;
}
