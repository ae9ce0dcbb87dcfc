// mkart: paints every picture of the game and writes them as BMP files: the full screens in the
// screen's own 16-bit 5-6-5, the keyed pictures as 8 bits with a palette of their exact colours.
//
// Usage: mkart OUTDIR [FONT]
// FONT defaults to data/font.ttf relative to the working directory.
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "art.h"

using namespace art;

namespace {

struct Picture {
    const char* file;
    std::function<Canvas(Fonts&)> paint;
    bool screen; // a full screen: dithered (sprites stay crisp) and kept at 16 bits
};

std::vector<Picture> pictures() {
    auto plain = [](Canvas (*fn)()) { return [fn](Fonts&) { return fn(); }; };
    auto ball = [](int i) { return [i](Fonts&) { return ballSprite(i); }; };
    return {
        {"title.bmp", titleScreen, true},
        {"help_screen.bmp", helpScreen, true},
        {"round.bmp", roundScreen, true},
        {"main.bmp", boardScreen, true},
        {"you_win.bmp", winScreen, true},
        {"you_lost.bmp", lostScreen, true},
        {"1.bmp", plain(markerWhite), false},
        {"2.bmp", plain(markerBlack), false},
        {"3.bmp", plain(markerCross), false},
        {"borin_quastle.bmp", plain(portraitBorin), false},
        {"wenna_pollsby.bmp", plain(portraitWenna), false},
        {"tovi_glimrat.bmp", plain(portraitTovi), false},
        {"jory_vandle.bmp", plain(portraitJory), false},
        {"hollis_quibbleton.bmp", plain(portraitHollis), false},
        {"zebrolt_mm.bmp", plain(portraitZebrolt), false},
        {"ball_red.bmp", ball(0), false},
        {"ball_green.bmp", ball(1), false},
        {"ball_blue.bmp", ball(2), false},
        {"ball_yellow.bmp", ball(3), false},
        {"ball_brown.bmp", ball(4), false},
        {"ball_purple.bmp", ball(5), false},
        {"quickie.bmp", quickGameLogo, false},
        {"x_totitle.bmp", plain(hintToTitle), false},
        {"r_time.bmp", hintTime, false},
        {"false.bmp", bannerWrong, false},
        {"right.bmp", bannerRight, false},
    };
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
    for (const Picture& p : pictures()) {
        Canvas c = p.paint(fonts);
        std::string path = out + "/" + p.file;
        const std::vector<unsigned short> px = c.to565(p.screen);
        // A keyed copy onto the 16-bit screen looks each pixel up in a palette of 8-bit pixels
        // for fewer instructions than it tests 16-bit ones, while a full screen copies fastest
        // as it is; a picture of more than 256 colours keeps them all at 16 bits.
        const bool palette = !p.screen && distinctColours(px).size() <= 256;
        if (!(palette ? writeBmpPalette(path, c.w(), c.h(), px)
                      : writeBmp565(path, c.w(), c.h(), px))) {
            std::fprintf(stderr, "mkart: cannot write %s\n", path.c_str());
            ++failures;
        }
    }
    return failures ? 1 : 0;
}
