// The tests' statement of the rules (tests/support/rules_model.h) for the end-to-end harness.
//
//   rules_model codes SEED [OPPONENT...]  one line "c1 c2 c3 c4" per game, each drawn by the
//                                         next OPPONENT's rule (default: one game against 1),
//                                         the draws going on from game to game as in one run
//   rules_model draws SEED N              the first N values of rand() % 6 + 1
//   rules_model marks C1 C2 C3 C4 B1 B2 B3 B4
//                                         the markers of the row B1..B4 against the code
//                                         C1..C4, one word a hole (white, black, cross), then
//                                         "right" or "wrong"
//
// SEED is the time the run starts at, in seconds since 1970 (a negative one too), seeded as the
// game seeds it: the same on every machine, whatever the width of its long.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "rules_model.h"

namespace {

int usage() {
    std::fputs("usage: rules_model codes SEED [OPPONENT...] | rules_model draws SEED N |\n"
               "       rules_model marks C1 C2 C3 C4 B1 B2 B3 B4\n",
               stderr);
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

// A colour 1..6 of a code or a row.
bool parse_colour(const char* text, int& out) {
    unsigned long n = 0;
    if (!parse(text, n) || n < 1 || n > COLOURS) return false;
    out = static_cast<int>(n);
    return true;
}

int marks(int argc, char** argv) {
    int code[HOLES], row[HOLES];
    if (argc != 2 + 2 * HOLES) return usage();
    for (int h = 0; h < HOLES; ++h)
        if (!parse_colour(argv[2 + h], code[h]) || !parse_colour(argv[2 + HOLES + h], row[h]))
            return usage();
    const RowVerdict v = verdict_of(row, code);
    for (Mark m : v.marks)
        std::printf("%s ", m == Mark::White ? "white" : m == Mark::Black ? "black" : "cross");
    std::printf("%s\n", v.right ? "right" : "wrong");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    if (std::strcmp(argv[1], "marks") == 0) return marks(argc, argv);

    long long seconds = 0;
    unsigned long n = 1;
    if (argc < 3 || !parse_time(argv[2], seconds)) return usage();
    std::srand(seed_of_time(seconds));

    if (std::strcmp(argv[1], "draws") == 0) {
        if (argc != 4 || !parse(argv[3], n)) return usage();
        for (unsigned long i = 0; i < n; ++i)
            std::printf(i ? " %d" : "%d", std::rand() % COLOURS + 1);
        std::printf("\n");
        return 0;
    }
    if (std::strcmp(argv[1], "codes") != 0) return usage();

    std::vector<int> opponents;
    for (int i = 3; i < argc; ++i) {
        if (!parse(argv[i], n) || n < 1 || n > COLOURS) return usage();
        opponents.push_back(static_cast<int>(n));
    }
    if (opponents.empty()) opponents.push_back(1);
    for (int opponent : opponents) {
        const Code c = next_code(opponent);
        std::printf("%d %d %d %d\n", c[0], c[1], c[2], c[3]);
    }
    return 0;
}
