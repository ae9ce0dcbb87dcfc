// Where the screens put things, the lines they show and which keys place which ball, as the
// tests hold the game to them: each fact written once here, for every test file that needs it.
#pragma once

#include <SDL.h>

#include "game/rules.h"
#include "platform/platform.h"

// ---- Presses ----

// The key and the button that place colour 1..6 (red, green, blue, yellow, brown, purple).
inline constexpr int colour_keys[COLOURS] = {KEY_X, KEY_B, KEY_Y, KEY_A, KEY_R, KEY_L};
inline constexpr int colour_buttons[COLOURS] = {BTN_X, BTN_B, BTN_Y, BTN_A, BTN_R, BTN_L};

// ---- The title ----

// Its four entries stand 12 px apart from y 150, each with a bullet; the mark "[ ]" starts 3 px
// left of the bullet.
inline constexpr int title_entry_y[4] = {150, 162, 174, 186};
inline constexpr int title_bullet_x = 228, title_mark_x = 225;

// ---- The round screen ----

inline constexpr int round_number_x = 137, round_number_y = 20;
inline constexpr int round_portrait_x = 15, round_portrait_y = 57;

// ---- The win and loss screens ----

// The white line under the picture; a lost tournament's says "tot".
inline const char* result_line(bool win, bool tournament) {
    if (!tournament) return "Press B to return to the title screen :)";
    return win ? "Get your ass ready for the next Round!"
               : "Press B to return tot the title screen :)";
}
inline constexpr int result_line_x = 51, result_line_y = 193;

// ---- The game screen; rows and holes count from 0 ----

inline SDL_Rect rect(int x, int y, int w, int h) {
    return {static_cast<Sint16>(x), static_cast<Sint16>(y), static_cast<Uint16>(w),
            static_cast<Uint16>(h)};
}
// Balls of a row stand 37 px apart, rows 29 px apart.
inline SDL_Rect hole_rect(int row, int hole) {
    return rect(74 + 37 * hole, 21 + 29 * row, 27, 25);
}
// The 2x2 markers right of a row: holes 1 and 2 above, 3 and 4 below.
inline SDL_Rect marker_rect(int row, int hole) {
    return rect(hole % 2 ? 239 : 222, 25 + 29 * row + (hole >= 2 ? 11 : 0), 14, 8);
}
inline constexpr int banner_top[ROWS] = {18, 46, 72, 100, 128, 156, 188};
inline constexpr int banner_x = 127, banner_w = 54, right_banner_h = 36;
// Row 2's false banner shows two more lines of its picture than the other rows'.
inline int false_banner_h(int row) {
    return row == 1 ? 36 : 34;
}

// The game copies its own rectangle of each opponent's portrait, at y 50.
struct GamePortrait {
    SDL_Surface** bitmap;
    int x, w, h;
};
inline const GamePortrait game_portraits[COLOURS] = {
    {&bmp::borin_quastle, 18, 32, 42},     {&bmp::wenna_pollsby, 13, 43, 42},
    {&bmp::tovi_glimrat, 14, 43, 42},      {&bmp::jory_vandle, 15, 37, 36},
    {&bmp::hollis_quibbleton, 15, 39, 40}, {&bmp::zebrolt_mm, 15, 40, 46},
};
inline constexpr int game_portrait_y = 50;

// ---- The Quick Game selection ----

// A bullet above each opponent's portrait at y 90; the mark "[ ]" starts 3 px left of it.
inline constexpr int selection_bullet_x[6] = {31, 78, 128, 175, 225, 275};
