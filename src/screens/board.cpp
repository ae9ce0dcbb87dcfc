// The game screen: board background, the opponent's portrait and label, and the balls.
#include "screens.h"
#include "../platform/platform.h"

namespace {

struct Sprite {
    SDL_Surface** bitmap;
    int x, y, w, h;
};

// The game copies its own rectangles of the portraits (1 and 3 differ from the menus').
const Sprite game_portraits[COLOURS] = {
    {&bmp::borin_quastle, 18, 50, 32, 42},     {&bmp::wenna_pollsby, 13, 50, 43, 42},
    {&bmp::tovi_glimrat, 14, 50, 43, 42},      {&bmp::jory_vandle, 15, 50, 37, 36},
    {&bmp::hollis_quibbleton, 15, 50, 39, 40}, {&bmp::zebrolt_mm, 15, 50, 40, 46},
};

SDL_Surface** const balls[COLOURS] = {&bmp::ball_red,    &bmp::ball_green, &bmp::ball_blue,
                                      &bmp::ball_yellow, &bmp::ball_brown, &bmp::ball_purple};

} // namespace

void draw_board(const Game& g) {
    drawSprite(bmp::main_scr, screen, 0, 0, 0, 0, 320, 240);
    if (g.opponent >= 1 && g.opponent <= COLOURS) {
        const Sprite& p = game_portraits[g.opponent - 1];
        drawSprite(*p.bitmap, screen, 0, 0, p.x, p.y, p.w, p.h);
    }
    DrawText(screen, "Opponent", 12, 100, 255, 255, 255);
    // Balls of a row stand 37 px apart and rows 29 px apart, so no two overlap.
    for (int row = 0; row < ROWS; ++row)
        for (int hole = 0; hole < HOLES; ++hole) {
            const int c = g.board[row][hole];
            if (c >= 1 && c <= COLOURS)
                drawSprite(*balls[c - 1], screen, 0, 0, 74 + 37 * hole, 21 + 29 * row, 27, 25);
        }
}
