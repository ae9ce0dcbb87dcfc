// Text, sprite, fill and flip primitives over the video surface.
#include <cstdio>

#include "sdl_globals.h"

void (*on_draw)(const DrawCall&);

void DrawText(SDL_Surface* dst, const char* text, int x, int y, int r, int g, int b) {
    if (on_draw) on_draw({DrawCall::Text, text, nullptr, x, y, 0, 0, r, g, b});
    if (!font || !dst) return;
    SDL_Color c = {static_cast<Uint8>(r), static_cast<Uint8>(g), static_cast<Uint8>(b), 0};
    SDL_Surface* s = TTF_RenderText_Blended(font, text, c);
    if (!s) return; // an empty text renders to nothing
    SDL_Rect to = {static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
    SDL_UpperBlit(s, nullptr, dst, &to);
    SDL_FreeSurface(s);
}

void drawTextInt(SDL_Surface* dst, int value, int x, int y, int r, int g, int b) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d", value);
    DrawText(dst, buf, x, y, r, g, b);
}

void drawSprite(SDL_Surface* src, SDL_Surface* dst, int sx, int sy, int dx, int dy, int w, int h) {
    if (on_draw) on_draw({DrawCall::Sprite, nullptr, src, dx, dy, w, h, 0, 0, 0});
    if (!src || !dst) return;
    SDL_Rect from = {static_cast<Sint16>(sx), static_cast<Sint16>(sy), static_cast<Uint16>(w),
                     static_cast<Uint16>(h)};
    SDL_Rect to = {static_cast<Sint16>(dx), static_cast<Sint16>(dy), static_cast<Uint16>(w),
                   static_cast<Uint16>(h)};
    SDL_UpperBlit(src, &from, dst, &to);
}

void fill_screen(int r, int g, int b) {
    if (on_draw) on_draw({DrawCall::Fill, nullptr, nullptr, 0, 0, 320, 240, r, g, b});
    if (!screen) return;
    SDL_FillRect(screen, nullptr,
                 SDL_MapRGB(screen->format, static_cast<Uint8>(r), static_cast<Uint8>(g),
                            static_cast<Uint8>(b)));
}

void present() {
    if (on_draw) on_draw({DrawCall::Flip, nullptr, nullptr, 0, 0, 0, 0, 0, 0, 0});
    if (screen) SDL_Flip(screen);
}

void (*on_pause)(int ms);

void pause_ms(int ms) {
    if (on_pause)
        on_pause(ms);
    else
        SDL_Delay(static_cast<Uint32>(ms));
}
