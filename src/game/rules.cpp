// Code rules of the six opponents, the filling order of the holes and the per-hole verdict.
#include "rules.h"

#include <cstdlib>

namespace {

// For each opponent, which draw goes into positions 1 to 4. The easier opponents reuse a
// draw, forcing those positions to the same colour; draws are made in order 0, 1, 2, ...
const int code_rules[COLOURS][HOLES] = {
    {0, 0, 0, 1}, // 1: positions 1-3 equal, 36 codes
    {0, 0, 1, 2}, // 2: positions 1-2 equal, 216 codes
    {0, 0, 1, 2}, // 3: as 2
    {0, 1, 2, 0}, // 4: positions 1 and 4 equal, 216 codes
    {0, 1, 2, 3}, // 5: all free, 1296 codes
    {0, 1, 2, 3}, // 6: as 5
};

int draw_colour() {
    return std::rand() % COLOURS + 1;
}

} // namespace

void make_code(Game& g, int opponent) {
    // No caller passes another number; should one appear it gets the free rule rather than a
    // code with holes in it that no row could ever match.
    const int* rule =
        (opponent >= 1 && opponent <= COLOURS) ? code_rules[opponent - 1] : code_rules[COLOURS - 1];
    int draws[HOLES];
    int made = 0;
    for (int pos = 0; pos < HOLES; ++pos) {
        while (made <= rule[pos])
            draws[made++] = draw_colour();
        g.code[pos] = draws[rule[pos]];
    }
}

void new_game(Game& g, int opponent) {
    g = Game{};
    g.opponent = opponent;
    make_code(g, opponent);
}

void put_ball(Game& g, int colour) {
    if (g.pegs_entered >= ROWS * HOLES) return;
    const int row = g.pegs_entered / HOLES;
    const int hole = g.pegs_entered % HOLES;
    g.board[row][hole] = colour;
    ++g.pegs_entered;
    if (hole == HOLES - 1) g.row_full[row] = true;
}

RowVerdict judge_row(const Game& g, int row) {
    RowVerdict v{};
    v.right = true;
    for (int h = 0; h < HOLES; ++h) {
        const int ball = g.board[row][h];
        bool in_code = false;
        for (int c : g.code)
            in_code = in_code || c == ball;
        if (ball == g.code[h])
            v.marks[h] = Mark::White;
        else
            v.marks[h] = in_code ? Mark::Black : Mark::BlackCross;
        v.right = v.right && ball == g.code[h];
    }
    return v;
}
