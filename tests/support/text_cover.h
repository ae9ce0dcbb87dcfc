// The pixels a text covers fully when rendered alone with a font: wherever the text is drawn,
// those must show exactly its own colour, whatever lies under it.
#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

#include <utility>
#include <vector>

// (x, y) offsets from the text's top left corner, where the rendered text's alpha is 255.
inline std::vector<std::pair<int, int>> fully_covered(TTF_Font* font, const char* text) {
    std::vector<std::pair<int, int>> out;
    const SDL_Color white = {255, 255, 255, 0};
    SDL_Surface* alone = TTF_RenderText_Blended(font, text, white);
    if (!alone) return out;
    for (int y = 0; y < alone->h; ++y)
        for (int x = 0; x < alone->w; ++x) {
            Uint32 px;
            SDL_memcpy(&px, static_cast<const Uint8*>(alone->pixels) + y * alone->pitch + x * 4, 4);
            Uint8 r, g, b, a;
            SDL_GetRGBA(px, alone->format, &r, &g, &b, &a);
            if (a == 255) out.emplace_back(x, y);
        }
    SDL_FreeSurface(alone);
    return out;
}
