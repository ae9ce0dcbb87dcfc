// The picture table: every bitmap file, its global, and whether magenta is see-through.
#include <climits>
#include <cstdio>

#include "sdl_globals.h"

namespace bmp {
SDL_Surface *title, *help, *round, *white, *black, *black_cross;
SDL_Surface *hollis_quibbleton, *zebrolt_mm, *borin_quastle, *tovi_glimrat, *jory_vandle,
    *wenna_pollsby;
SDL_Surface *ball_red, *ball_yellow, *ball_blue, *ball_green, *ball_purple, *ball_brown;
SDL_Surface *quickie, *x_totitle, *r_time, *main_scr, *falce, *rite, *you_win, *lost;
} // namespace bmp

namespace {

struct Asset {
    const char* file;
    SDL_Surface** global;
    const char* missing; // printed when the file fails to load; null for silent misses
};

// Load order matters only for which message comes first; keep it as the files were listed.
const Asset assets[] = {
    {"data/title.bmp", &bmp::title, "title.bmp could not be found!"},
    {"data/help_screen.bmp", &bmp::help, "help.bmp could not be found!"},
    {"data/round.bmp", &bmp::round, nullptr},
    {"data/1.bmp", &bmp::white, nullptr},
    {"data/2.bmp", &bmp::black, nullptr},
    {"data/3.bmp", &bmp::black_cross, nullptr},
    {"data/hollis_quibbleton.bmp", &bmp::hollis_quibbleton, nullptr},
    {"data/zebrolt_mm.bmp", &bmp::zebrolt_mm, nullptr},
    {"data/borin_quastle.bmp", &bmp::borin_quastle, nullptr},
    {"data/tovi_glimrat.bmp", &bmp::tovi_glimrat, nullptr},
    {"data/jory_vandle.bmp", &bmp::jory_vandle, nullptr},
    {"data/wenna_pollsby.bmp", &bmp::wenna_pollsby, nullptr},
    {"data/ball_red.bmp", &bmp::ball_red, nullptr},
    {"data/ball_yellow.bmp", &bmp::ball_yellow, nullptr},
    {"data/ball_blue.bmp", &bmp::ball_blue, nullptr},
    {"data/ball_green.bmp", &bmp::ball_green, nullptr},
    {"data/ball_purple.bmp", &bmp::ball_purple, nullptr},
    {"data/ball_brown.bmp", &bmp::ball_brown, nullptr},
    {"data/quickie.bmp", &bmp::quickie, nullptr},
    {"data/x_totitle.bmp", &bmp::x_totitle, nullptr},
    {"data/r_time.bmp", &bmp::r_time, nullptr},
    {"data/main.bmp", &bmp::main_scr, nullptr},
    {"data/false.bmp", &bmp::falce, nullptr},
    {"data/right.bmp", &bmp::rite, nullptr},
    {"data/you_win.bmp", &bmp::you_win, nullptr},
    {"data/you_lost.bmp", &bmp::lost, nullptr},
};

// The pictures drawn over others; the six full-screen backgrounds are not keyed.
SDL_Surface** const keyed[] = {
    &bmp::falce,         &bmp::borin_quastle, &bmp::white,
    &bmp::black,         &bmp::black_cross,   &bmp::hollis_quibbleton,
    &bmp::tovi_glimrat,  &bmp::zebrolt_mm,    &bmp::jory_vandle,
    &bmp::wenna_pollsby, &bmp::ball_red,      &bmp::ball_yellow,
    &bmp::ball_blue,     &bmp::ball_green,    &bmp::ball_purple,
    &bmp::ball_brown,    &bmp::quickie,       &bmp::r_time,
    &bmp::x_totitle,     &bmp::rite,
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
        *a.global = load_picture(a.file);
        if (!*a.global && a.missing) report(stdout, "%s", a.missing); // no line end
    }
    for (SDL_Surface** k : keyed) {
        SDL_Surface* s = *k;
        if (!s) continue; // a missing picture has no pixel format to map the key through
        SDL_SetColorKey(s, SDL_SRCCOLORKEY, SDL_MapRGB(s->format, 255, 0, 255));
    }
}

void free_bitmaps() {
    for (const Asset& a : assets) {
        SDL_FreeSurface(*a.global);
        *a.global = nullptr;
    }
}
