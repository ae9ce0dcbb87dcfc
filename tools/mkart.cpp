// mkart: paints every picture of the game's list (src/platform/pictures.h) and writes them as BMP
// files: the full screens in the screen's own 16-bit 5-6-5, the keyed pictures as 8 bits with a
// palette of their exact colours.
//
// Usage: mkart OUTDIR [FONT]
// FONT defaults to data/font.ttf relative to the working directory.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../src/platform/pictures.h"
#include "art.h"

using namespace art;

namespace {

// The pictures by the globals the game loads them into.
enum class Id {
#define PICTURE_ID(file, global, keyed, w, h) global,
    GAME_PICTURES(PICTURE_ID)
#undef PICTURE_ID
};

struct Picture {
    const char* file;
    Id id;
    bool keyed; // drawn over others, and crisp; an unkeyed one is a full screen: dithered
    int w, h;
};

// Every picture of the game's list, in its order.
const Picture kPictures[] = {
#define LISTED(file, global, keyed, w, h) {file, Id::global, keyed, w, h},
    GAME_PICTURES(LISTED)
#undef LISTED
};

// Each picture's painter. A picture added to the list without one here stops the build: the
// switch then misses a case, which -Wswitch with -Werror refuses.
Canvas paint(Id id, Fonts& f) {
    switch (id) {
    case Id::title: return titleScreen(f);
    case Id::help: return helpScreen(f);
    case Id::round: return roundScreen(f);
    case Id::main_scr: return boardScreen(f);
    case Id::you_win: return winScreen(f);
    case Id::lost: return lostScreen(f);
    case Id::white: return markerWhite();
    case Id::black: return markerBlack();
    case Id::black_cross: return markerCross();
    case Id::borin_quastle: return portraitBorin();
    case Id::wenna_pollsby: return portraitWenna();
    case Id::tovi_glimrat: return portraitTovi();
    case Id::jory_vandle: return portraitJory();
    case Id::hollis_quibbleton: return portraitHollis();
    case Id::zebrolt_mm: return portraitZebrolt();
    case Id::ball_red: return ballSprite(0);
    case Id::ball_green: return ballSprite(1);
    case Id::ball_blue: return ballSprite(2);
    case Id::ball_yellow: return ballSprite(3);
    case Id::ball_brown: return ballSprite(4);
    case Id::ball_purple: return ballSprite(5);
    case Id::quickie: return quickGameLogo(f);
    case Id::x_totitle: return hintToTitle();
    case Id::r_time: return hintTime(f);
    case Id::falce: return bannerWrong(f);
    case Id::rite: return bannerRight(f);
    }
    std::abort(); // not a listed picture
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s OUTDIR [FONT]\n", argv[0]);
        return 2;
    }
    std::string out = argv[1];
    std::string font = argc > 2 ? argv[2] : "data/font.ttf";
    Fonts fonts(font);
    if (!fonts.ok()) {
        std::fprintf(stderr, "mkart: cannot open font %s\n", font.c_str());
        return 1;
    }
    int failures = 0;
    for (const Picture& p : kPictures) {
        Canvas c = paint(p.id, fonts);
        std::string path = out + "/" + p.file;
        // The list says how the game draws the picture; a painter that disagrees would make
        // a picture the game draws wrong, so nothing is written for it.
        if (c.w() != p.w || c.h() != p.h || c.keyed() != p.keyed) {
            std::fprintf(stderr, "mkart: %s is painted %dx%d %s, listed %dx%d %s in pictures.h\n",
                         p.file, c.w(), c.h(), c.keyed() ? "keyed" : "unkeyed", p.w, p.h,
                         p.keyed ? "keyed" : "unkeyed");
            ++failures;
            continue;
        }
        const std::vector<unsigned short> px = c.to565(!p.keyed);
        // A keyed copy onto the 16-bit screen looks each pixel up in a palette of 8-bit pixels
        // for fewer instructions than it tests 16-bit ones, while a full screen copies fastest
        // as it is; a picture of more than 256 colours keeps them all at 16 bits.
        const bool palette = p.keyed && distinctColours(px).size() <= 256;
        if (!(palette ? writeBmpPalette(path, c.w(), c.h(), px)
                      : writeBmp565(path, c.w(), c.h(), px))) {
            std::fprintf(stderr, "mkart: cannot write %s\n", path.c_str());
            ++failures;
        }
    }
    return failures ? 1 : 0;
}
