// What the screens show and where, and which keys place which ball, as the tests hold the game
// to them: each fact written once here, for every test file that needs it. The end-to-end
// tests read this file too (tests/support/layout.py), so its tables keep to plain forms: constexpr
// ints, texts and colours, arrays of them, and tables of braced rows.
#pragma once

#include <SDL.h>

#include "game/rules.h"
#include "platform/platform.h"

// ---- Colours ----

struct Rgb {
    int r, g, b;
};
inline constexpr Rgb WHITE{255, 255, 255}, ORANGE{255, 160, 50}, PINK{255, 200, 255},
    CYAN{0, 255, 255}, BLACK{0, 0, 0}, GREY{79, 79, 79};

// A text as a screen writes it.
struct Label {
    const char* text;
    int x, y;
    Rgb colour;
};

// ---- Presses ----

// The key and the button that place colour 1..6 (red, green, blue, yellow, brown, purple).
inline constexpr int colour_keys[COLOURS] = {KEY_X, KEY_B, KEY_Y, KEY_A, KEY_R, KEY_L};
inline constexpr int colour_buttons[COLOURS] = {BTN_X, BTN_B, BTN_Y, BTN_A, BTN_R, BTN_L};
// The ball of colour 1..6.
inline SDL_Surface** const balls[COLOURS] = {&bmp::ball_red,   &bmp::ball_green,
                                             &bmp::ball_blue,  &bmp::ball_yellow,
                                             &bmp::ball_brown, &bmp::ball_purple};

// ---- The opponents ----

// Each opponent's portrait: the part of it the menus show (the selection and the round screen),
// and the rectangle of it the game copies, at y 50.
struct Portrait {
    SDL_Surface** bitmap;
    int menu_w, menu_h;
    int game_x, game_w, game_h;
};
inline const Portrait portraits[6] = {
    {&bmp::borin_quastle, 30, 42, 18, 32, 42},     {&bmp::wenna_pollsby, 43, 42, 13, 43, 42},
    {&bmp::tovi_glimrat, 42, 41, 14, 43, 42},      {&bmp::jory_vandle, 37, 36, 15, 37, 36},
    {&bmp::hollis_quibbleton, 39, 40, 15, 39, 40}, {&bmp::zebrolt_mm, 40, 46, 15, 40, 46},
};
inline constexpr int game_portrait_y = 50;

// ---- The title ----

// Its four entries stand 12 px apart from y 150, each with a cyan bullet; the mark "[ ]" starts
// 3 px left of the bullet.
inline constexpr const char* title_entries[4] = {"Quick Game", "Tournament", "Help", "Quit"};
inline constexpr int title_entry_y[4] = {150, 162, 174, 186};
inline constexpr int title_entry_x = 240, title_bullet_x = 228, title_mark_x = 225;

// ---- The Quick Game selection, on a grey fill ----

inline constexpr Label selection_labels[] = {
    {"Please choose your opponent!", 80, 70, WHITE},
    {"Name: ", 25, 150, ORANGE},
    {"IQ: ", 25, 162, ORANGE},
    {"Comment: ", 25, 174, ORANGE},
};
// Each opponent's portrait, and a bullet above it at y 90; the mark "[ ]" starts 3 px left of it.
inline constexpr int selection_portrait_x[6] = {18, 58, 108, 158, 208, 258};
inline constexpr int selection_portrait_y[6] = {104, 104, 105, 110, 106, 100};
inline constexpr int selection_bullet_x[6] = {31, 78, 128, 175, 225, 275};
inline constexpr int selection_bullet_y = 90;
// The three times, 12 px apart from y 20, each with a bullet and the mark left of it.
inline constexpr const char* times[3] = {"1:00", "1:30", "2:00"};
inline constexpr int time_y[3] = {20, 32, 44};
inline constexpr int time_x = 290, time_bullet_x = 275, time_mark_x = 272;

// ---- The round screen ----

inline constexpr Label round_labels[] = {
    {"Name: ", 20, 120, ORANGE},
    {"IQ: ", 20, 132, ORANGE},
    {"Time Limit: ", 20, 144, ORANGE},
    {"Press B to start!", 20, 200, WHITE},
};
inline constexpr int round_number_x = 137, round_number_y = 20;
inline constexpr int round_portrait_x = 15, round_portrait_y = 57;

// ---- The win and loss screens ----

// The white line under the picture: one for a Quick Game either way, and in a tournament one
// for a win and one, with its "tot", for a loss.
inline constexpr const char* quick_game_line = "Press B to return to the title screen :)";
inline constexpr const char* tournament_win_line = "Get your ass ready for the next Round!";
inline constexpr const char* tournament_loss_line = "Press B to return tot the title screen :)";
inline constexpr int result_line_x = 51, result_line_y = 193;

inline const char* result_line(bool win, bool tournament) {
    return !tournament ? quick_game_line : win ? tournament_win_line : tournament_loss_line;
}

// ---- The error screen, black on white ----

inline constexpr Label error_lines[] = {
    {"Sorry, an error occured in the system.", 10, 10, BLACK},
    {"Error 404: Page 'zebroltdefeated();' could not be found.", 10, 22, BLACK},
    {"Zebrolt was not defeated BTW :)", 10, 34, BLACK},
    {"Press B to return to the titlescreen.", 10, 100, BLACK},
};

// ---- The game screen; rows and holes count from 0 ----

inline constexpr Label board_label = {"Opponent", 12, 100, WHITE};

// Balls of a row stand 37 px apart from x 74, rows 29 px apart from y 21.
inline constexpr int hole_x = 74, hole_dx = 37, hole_y = 21, row_dy = 29, ball_w = 27, ball_h = 25;
// The 2x2 markers right of a row: holes 1 and 2 above, 3 and 4 lower down.
inline constexpr int marker_x[HOLES] = {222, 239, 222, 239};
inline constexpr int marker_y = 25, marker_lower = 11, marker_w = 14, marker_h = 8;
inline constexpr int banner_top[ROWS] = {18, 46, 72, 100, 128, 156, 188};
inline constexpr int banner_x = 127, banner_w = 54, right_banner_h = 36;
// Row 2's false banner shows two more lines of its picture than the other rows'.
inline constexpr int false_banner_h[ROWS] = {34, 36, 34, 34, 34, 34, 34};

inline SDL_Rect rect(int x, int y, int w, int h) {
    return {static_cast<Sint16>(x), static_cast<Sint16>(y), static_cast<Uint16>(w),
            static_cast<Uint16>(h)};
}
inline SDL_Rect hole_rect(int row, int hole) {
    return rect(hole_x + hole_dx * hole, hole_y + row_dy * row, ball_w, ball_h);
}
inline SDL_Rect marker_rect(int row, int hole) {
    return rect(marker_x[hole], marker_y + row_dy * row + (hole >= 2 ? marker_lower : 0), marker_w,
                marker_h);
}
