// The loader of the game's pictures (listed in pictures.h) and their globals.
#include <climits>
#include <cstdio>

#include "sdl_globals.h"

namespace bmp {
#define DEFINE_PICTURE(file, global, keyed, w, h) SDL_Surface* global = nullptr;
GAME_PICTURES(DEFINE_PICTURE)
#undef DEFINE_PICTURE
} // namespace bmp

namespace {

struct Asset {
    const char* file;
    SDL_Surface** global;
    bool keyed; // drawn over other pictures: its magenta is see-through
};

const Asset assets[] = {
#define ASSET(file, global, keyed, w, h) {"data/" file, &bmp::global, keyed},
    GAME_PICTURES(ASSET)
#undef ASSET
};

// The two pictures whose absence start-up reports, printed in load order. The help picture's
// message names help.bmp though its file is help_screen.bmp: the message is kept as it was.
struct Missing {
    SDL_Surface** global;
    const char* message;
};
const Missing reported[] = {
    {&bmp::title, "title.bmp could not be found!"},
    {&bmp::help, "help.bmp could not be found!"},
};

} // namespace

SDL_Surface* load_picture(const char* file) {
    SDL_Surface* s = SDL_LoadBMP_RW(SDL_RWFromFile(file, "rb"), 1);
    if (!s) return nullptr;
    // SDL's loader takes a damaged header at its word: a height of -2^31 gives a surface
    // with no rows at all, and sizes whose product overflows give a buffer far smaller
    // than its rows. Drawing from either reads outside the buffer, so such a picture
    // counts as one that did not load.
    const long long row = static_cast<long long>(s->w) * s->format->BytesPerPixel;
    const bool usable = s->w > 0 && s->h > 0 && s->pixels && s->pitch >= row &&
                        static_cast<long long>(s->h) * s->pitch <= INT_MAX;
    if (usable) return s;
    SDL_FreeSurface(s);
    return nullptr;
}

void load_bitmaps() {
    for (const Asset& a : assets) {
        SDL_Surface* s = *a.global = load_picture(a.file);
        if (s && a.keyed) SDL_SetColorKey(s, SDL_SRCCOLORKEY, SDL_MapRGB(s->format, 255, 0, 255));
        if (s) continue; // a missing picture has no pixel format to map the key through
        for (const Missing& m : reported)
            if (m.global == a.global) report(stdout, "%s", m.message); // no line end
    }
}

void free_bitmaps() {
    for (const Asset& a : assets) {
        SDL_FreeSurface(*a.global);
        *a.global = nullptr;
    }
}
