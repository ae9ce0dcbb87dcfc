// The opponents' names, IQ captions, comments, time captions and portraits.
#include "roster.h"
#include "../platform/platform.h"

namespace {

constexpr TextLine pink(const char* t) {
    return {t, 255, 200, 255};
}
constexpr TextLine white(const char* t) {
    return {t, 255, 255, 255};
}
constexpr TextLine none{nullptr, 0, 0, 0};

// Columns: round screen, selection screen. The texts are the opponents' own, odd spellings
// and all.
const Opponent roster[6] = {
    {"Borin Quastle",
     "2:00",
     &bmp::borin_quastle,
     30,
     42,
     {"75 (=Chimpanzee)", "75 (=Chimpanzee)"},
     {pink("Borin Quastle != Chimpanzee :@"), pink("Borin Quastle != Chimpanzee  :@")},
     {none, white("(Well, that is what he's saying....)")}},
    {"Wenna Pollsby",
     "2:00",
     &bmp::wenna_pollsby,
     43,
     42,
     {"100 (=Fit chick ^^)", "100 (=Fit chick ^^)"},
     {pink("wubu2? c u ltr ... @%$!#!#@"), pink("wubu2? c u ltr ... @%$!#!#@")},
     {white("(Her nail broke. Truly sad.)"), white("(Her nail broke. Truly sad.)")}},
    {"Tovi 'GlimRat'",
     "1:30",
     &bmp::tovi_glimrat,
     42,
     41,
     {"125 (=Normal human being)", "125 (=Normal human being)"},
     {pink("l33t h4xx0rz attack!"), pink("l33t h4xx0rz attack!")},
     {none, none}},
    {"Jory Vandle",
     "1:30",
     &bmp::jory_vandle,
     37,
     36,
     {"150 (=Smartass ><)", "150 (=Smartass ><}"},
     {pink("BALD! BALD!"), pink("BALD! BALD!")},
     {none, none}},
    {"Hollis Quibbleton",
     "1:00",
     &bmp::hollis_quibbleton,
     39,
     40,
     {"175 (=Something smells fishy ><)", "175 (=Something smells fishy ><)"},
     {pink("e = mc2 (yawn)"), pink("e = mc^2 (yawn)")},
     {none, none}},
    {"'Zebrolt'",
     "1:00",
     &bmp::zebrolt_mm,
     40,
     46,
     {"255 (=Smartest being known in existence)", "255 (=Smartest being known in existence)"},
     {pink("Please note that I'm IRL much more fitter"),
      pink("Please note that I'm IRL much more fitter")},
     {pink("then on the pixelated thingy."), pink("then on the pixelated thingy.")}},
};

} // namespace

const Opponent& opponent(int number) {
    // Callers keep the number in 1..6; anything else shows the first opponent, not garbage.
    return roster[(number >= 1 && number <= 6) ? number - 1 : 0];
}
