// The game's pictures, each written once: its file in data/, the bitmap global (bmp::) it loads
// into, whether its magenta is see-through (keyed) and its width and height in pixels.
//
// Read by the loader (assets.cpp, the declarations in platform.h), the art generator and its
// checker (tools/), CMake (tools/art_files.cmake: ART_PICTURES) and the tests
// (tests/support/pictures.py). The two readers outside C++ know only the forms below: comment
// lines, blank lines, this #pragma and #define, and one PICTURE line per picture, each but the
// last ending in a backslash. They stop at any other line.
//
// The pictures are loaded in this order, which is the order of start-up's messages for the two
// whose absence it reports (title.bmp, then help_screen.bmp). No SDL here: the tools include it.
#pragma once

// clang-format off
#define GAME_PICTURES(PICTURE) \
    PICTURE("title.bmp",             title,             false, 320, 240) \
    PICTURE("help_screen.bmp",       help,              false, 320, 240) \
    PICTURE("round.bmp",             round,             false, 320, 240) \
    PICTURE("1.bmp",                 white,             true,   14,   8) \
    PICTURE("2.bmp",                 black,             true,   14,   8) \
    PICTURE("3.bmp",                 black_cross,       true,   14,   8) \
    PICTURE("hollis_quibbleton.bmp", hollis_quibbleton, true,   39,  40) \
    PICTURE("zebrolt_mm.bmp",        zebrolt_mm,        true,   40,  46) \
    PICTURE("borin_quastle.bmp",     borin_quastle,     true,   32,  42) \
    PICTURE("tovi_glimrat.bmp",      tovi_glimrat,      true,   43,  42) \
    PICTURE("jory_vandle.bmp",       jory_vandle,       true,   37,  36) \
    PICTURE("wenna_pollsby.bmp",     wenna_pollsby,     true,   43,  42) \
    PICTURE("ball_red.bmp",          ball_red,          true,   27,  25) \
    PICTURE("ball_yellow.bmp",       ball_yellow,       true,   27,  25) \
    PICTURE("ball_blue.bmp",         ball_blue,         true,   27,  25) \
    PICTURE("ball_green.bmp",        ball_green,        true,   27,  25) \
    PICTURE("ball_purple.bmp",       ball_purple,       true,   27,  25) \
    PICTURE("ball_brown.bmp",        ball_brown,        true,   27,  25) \
    PICTURE("quickie.bmp",           quickie,           true,  139,  33) \
    PICTURE("x_totitle.bmp",         x_totitle,         true,   19,   9) \
    PICTURE("r_time.bmp",            r_time,            true,   29,  15) \
    PICTURE("main.bmp",              main_scr,          false, 320, 240) \
    PICTURE("false.bmp",             falce,             true,   54,  36) \
    PICTURE("right.bmp",             rite,              true,   54,  36) \
    PICTURE("you_win.bmp",           you_win,           false, 320, 240) \
    PICTURE("you_lost.bmp",          lost,              false, 320, 240)
// clang-format on
