// Prints the pixels each text covers fully when rendered alone with a font at 8 points: what a
// screenshot must show in the text's own colour, wherever the text is drawn.
//
//   text_mask FONT TEXT...   one line per TEXT of "x,y" offsets from its top left corner
#include <SDL.h>
#include <SDL_ttf.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: text_mask FONT TEXT...\n", stderr);
        return 2;
    }
    if (TTF_Init() != 0) return 1;
    TTF_Font* font = TTF_OpenFont(argv[1], 8);
    if (!font) {
        std::fprintf(stderr, "text_mask: cannot open %s: %s\n", argv[1], TTF_GetError());
        return 1;
    }
    const SDL_Color white = {255, 255, 255, 0};
    for (int i = 2; i < argc; ++i) {
        SDL_Surface* s = TTF_RenderText_Blended(font, argv[i], white);
        const char* gap = "";
        for (int y = 0; s && y < s->h; ++y)
            for (int x = 0; x < s->w; ++x) {
                const Uint32 px = *reinterpret_cast<const Uint32*>(
                    static_cast<const Uint8*>(s->pixels) + y * s->pitch + x * 4);
                Uint8 r, g, b, a;
                SDL_GetRGBA(px, s->format, &r, &g, &b, &a);
                if (a != 255) continue;
                std::printf("%s%d,%d", gap, x, y);
                gap = " ";
            }
        std::printf("\n");
        if (s) SDL_FreeSurface(s);
    }
    TTF_CloseFont(font);
    TTF_Quit();
    return 0;
}
