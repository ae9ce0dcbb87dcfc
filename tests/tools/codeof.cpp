// Prints the secret code a game against an opponent draws after srand(SEED), or raw draws.
//
//   codeof SEED [OPPONENT]   the code of new_game(g, OPPONENT) (default 1): "c1 c2 c3 c4"
//   codeof SEED --draws N    the first N values of rand() % 6 + 1 after srand(SEED)
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "game/rules.h"

namespace {

int usage() {
    std::fputs("usage: codeof SEED [OPPONENT] | codeof SEED --draws N\n", stderr);
    return 2;
}

bool parse(const char* text, unsigned long& out) {
    char* end = nullptr;
    out = std::strtoul(text, &end, 10);
    return *text != '\0' && *end == '\0';
}

} // namespace

int main(int argc, char** argv) {
    unsigned long seed = 0, n = 1;
    if (argc < 2 || argc > 4 || !parse(argv[1], seed)) return usage();
    std::srand(static_cast<unsigned>(seed));

    if (argc == 4 && std::strcmp(argv[2], "--draws") == 0) {
        if (!parse(argv[3], n)) return usage();
        for (unsigned long i = 0; i < n; ++i)
            std::printf(i ? " %d" : "%d", std::rand() % COLOURS + 1);
        std::printf("\n");
        return 0;
    }
    if (argc == 4 || (argc == 3 && !parse(argv[2], n))) return usage();

    Game g;
    new_game(g, static_cast<int>(n));
    std::printf("%d %d %d %d\n", g.code[0], g.code[1], g.code[2], g.code[3]);
    return 0;
}
