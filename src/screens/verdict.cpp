// Row feedback: the four markers beside each full row, its banner, and the game's ending.
#include "screens.h"
#include "../platform/platform.h"

namespace {

// Banners sit over the middle of the row; the steps between rows are not even, and the
// wrong banner of row 2 shows two more lines of its picture than in the other rows.
const int banner_y[ROWS] = {18, 46, 72, 100, 128, 156, 188};
const int false_h[ROWS] = {34, 36, 34, 34, 34, 34, 34};

// The 2x2 marker block right of the balls: holes 1 and 2 above, 3 and 4 below.
int marker_x(int hole) {
    return hole % 2 ? 239 : 222;
}
int marker_y(int row, int hole) {
    return 25 + 29 * row + (hole >= 2 ? 11 : 0);
}

void draw_marks(const RowVerdict& v, int row) {
    for (int h = 0; h < HOLES; ++h) {
        const int x = marker_x(h), y = marker_y(row, h);
        drawSprite(v.marks[h] == Mark::White ? bmp::white : bmp::black, screen, 0, 0, x, y, 14, 8);
        if (v.marks[h] == Mark::BlackCross) drawSprite(bmp::black_cross, screen, 0, 0, x, y, 14, 8);
    }
}

} // namespace

Next judge_rows(const Game& g) {
    for (int row = 0; row < ROWS; ++row) {
        if (!g.row_full[row]) continue;
        const RowVerdict v = judge_row(g, row);
        draw_marks(v, row);
        if (v.right) {
            // Beating the last opponent jumps straight to the joke: no banner, no wait.
            if (g.opponent == 6) return {Go::Error};
            drawSprite(bmp::rite, screen, 0, 0, 127, banner_y[row], 54, 36);
            present();
            return WaitForKey() ? Next{Go::Win} : Next{Go::Exit};
        }
        drawSprite(bmp::falce, screen, 0, 0, 127, banner_y[row], 54, false_h[row]);
        if (row == ROWS - 1) {
            present();
            return WaitForKey() ? Next{Go::Loss} : Next{Go::Exit};
        }
    }
    return {Go::Stay};
}
