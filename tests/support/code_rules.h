// The opponents' code rules as tests know them, and the codes they give after a seed: shared by
// every test that must know a game's secret code without asking the game for it.
#pragma once

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

#include "game/rules.h"

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

// The seed a run started at this time gives rand: the time's low 32 bits, so that every second of
// any clock gives a seed and a time draws the same codes on every machine.
inline unsigned seed_of_time(long long seconds) {
    return static_cast<unsigned>(static_cast<unsigned long long>(seconds) % 0x100000000ull);
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
