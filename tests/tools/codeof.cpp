// Prints the secret codes a run started at a given time draws for games in order, or raw draws.
//
//   codeof SEED [OPPONENT...]   one line "c1 c2 c3 c4" per game, each drawn by the next
//                               OPPONENT's rule (default: one game against 1), the draws
//                               going on from game to game as they do in one run
//   codeof SEED --draws N       the first N values of rand() % 6 + 1
//
// SEED is the time the run starts at, in seconds since 1970 (a negative one too), seeded as the
// game seeds it (seed_of_time, the tests' own statement of it): the same on every machine,
// whatever the width of its long.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "code_rules.h"

namespace {

int usage() {
    std::fputs("usage: codeof SEED [OPPONENT...] | codeof SEED --draws N\n", stderr);
    return 2;
}

bool parse_time(const char* text, long long& out) {
    char* end = nullptr;
    errno = 0;
    out = std::strtoll(text, &end, 10);
    return *text != '\0' && *end == '\0' && errno == 0;
}

bool parse(const char* text, unsigned long& out) {
    char* end = nullptr;
    out = std::strtoul(text, &end, 10);
    return *text != '\0' && *end == '\0';
}

} // namespace

int main(int argc, char** argv) {
    long long seconds = 0;
    unsigned long n = 1;
    if (argc < 2 || !parse_time(argv[1], seconds)) return usage();
    std::srand(seed_of_time(seconds));

    if (argc >= 3 && std::strcmp(argv[2], "--draws") == 0) {
        if (argc != 4 || !parse(argv[3], n)) return usage();
        for (unsigned long i = 0; i < n; ++i)
            std::printf(i ? " %d" : "%d", std::rand() % COLOURS + 1);
        std::printf("\n");
        return 0;
    }

    std::vector<int> opponents;
    for (int i = 2; i < argc; ++i) {
        if (!parse(argv[i], n) || n < 1 || n > COLOURS) return usage();
        opponents.push_back(static_cast<int>(n));
    }
    if (opponents.empty()) opponents.push_back(1);

    // The tests' own table of the rules, not the game's: a game that draws its code wrongly
    // must not be followed by the tests that play it.
    for (int opponent : opponents) {
        const Code c = next_code(opponent);
        std::printf("%d %d %d %d\n", c[0], c[1], c[2], c[3]);
    }
    return 0;
}
