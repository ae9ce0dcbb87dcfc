// Prints the pixels each text covers fully when rendered alone with a font at 8 points: what a
// screenshot must show in the text's own colour, wherever the text is drawn.
//
//   text_mask FONT TEXT...   one line per TEXT of "x,y" offsets from its top left corner
#include <SDL.h>
#include <SDL_ttf.h>

#include <cstdio>

#include "../support/text_cover.h"

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
    for (int i = 2; i < argc; ++i) {
        const char* gap = "";
        for (const auto& [x, y] : fully_covered(font, argv[i])) {
            std::printf("%s%d,%d", gap, x, y);
            gap = " ";
        }
        std::printf("\n");
    }
    TTF_CloseFont(font);
    TTF_Quit();
    return 0;
}
