// The rules as the tests state them, from the game's description and never from its code: the
// seed a time gives, each opponent's code, the hole the next ball goes into, and the verdict of a
// row. The in-process tests, the soak and, through tests/tools/rules_model, the end-to-end harness
// all hold the game to this one statement.
#pragma once

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

#include "game/rules.h"

// ---- The secret code ----

// The seed a run started at this time gives rand: the time's low 32 bits, so that every second of
// any clock gives a seed and a time draws the same codes on every machine.
inline unsigned seed_of_time(long long seconds) {
    return static_cast<unsigned>(static_cast<unsigned long long>(seconds) % 0x100000000ull);
}

// Which draw of rand (1 = first) goes into each code position, for opponents 1 to 6: easier
// opponents reuse a draw, which forces those positions to one colour. The number of draws is
// the largest entry.
inline constexpr int code_draws[COLOURS][HOLES] = {
    {1, 1, 1, 2}, {1, 1, 2, 3}, {1, 1, 2, 3}, {1, 2, 3, 1}, {1, 2, 3, 4}, {1, 2, 3, 4},
};

inline int draws_for(int opponent) {
    const int* d = code_draws[opponent - 1];
    return *std::max_element(d, d + HOLES);
}

using Code = std::array<int, HOLES>;

// The code the opponent's rule makes from the next draws of rand: each draw gives the colour
// draw % 6 + 1.
inline Code next_code(int opponent) {
    int raw[HOLES] = {};
    for (int k = 0; k < draws_for(opponent); ++k)
        raw[k] = std::rand();
    Code code;
    for (int p = 0; p < HOLES; ++p)
        code[p] = raw[code_draws[opponent - 1][p] - 1] % COLOURS + 1;
    return code;
}

// The codes of games against these opponents in turn, right after srand(seed).
inline std::vector<Code> codes_after(unsigned seed, const std::vector<int>& opponents) {
    std::srand(seed);
    std::vector<Code> out;
    for (int op : opponents)
        out.push_back(next_code(op));
    return out;
}

// ---- Filling the holes ----

// The next free hole takes the ball, row by row from the top and left to right in a row; the
// fourth ball fills its row, and a full board takes no more.
inline void place_ball(Game& model, int colour) {
    if (model.pegs_entered == ROWS * HOLES) return;
    model.board[model.pegs_entered / HOLES][model.pegs_entered % HOLES] = colour;
    if (++model.pegs_entered % HOLES == 0) model.row_full[model.pegs_entered / HOLES - 1] = true;
}

// ---- Judging a row ----

// What the player must see beside a full row, hole by hole: white where the ball is the code's
// colour at that hole, black where its colour is elsewhere in the code, black with a cross where
// it is nowhere in it. The row is right when all four are white.
inline RowVerdict verdict_of(const int* row, const int* code) {
    RowVerdict v{};
    v.right = true;
    for (int h = 0; h < HOLES; ++h) {
        const bool anywhere = std::find(code, code + HOLES, row[h]) != code + HOLES;
        v.marks[h] = row[h] == code[h] ? Mark::White : anywhere ? Mark::Black : Mark::BlackCross;
        v.right = v.right && v.marks[h] == Mark::White;
    }
    return v;
}

inline RowVerdict expected_verdict(const Game& model, int row) {
    return verdict_of(model.board[row], model.code);
}
