// The rules without SDL: the filling order of the holes, each opponent's code and row judging.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ostream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "rules_model.h"
#include "game/rules.h"

namespace {

void expect_same_game(const Game& a, const Game& b) {
    EXPECT_EQ(a.opponent, b.opponent);
    EXPECT_EQ(a.pegs_entered, b.pegs_entered);
    EXPECT_EQ(a.leave_game, b.leave_game);
    for (int h = 0; h < HOLES; ++h)
        EXPECT_EQ(a.code[h], b.code[h]) << "code position " << h;
    for (int r = 0; r < ROWS; ++r) {
        EXPECT_EQ(a.row_full[r], b.row_full[r]) << "row " << r;
        for (int h = 0; h < HOLES; ++h)
            EXPECT_EQ(a.board[r][h], b.board[r][h]) << "row " << r << " hole " << h;
    }
}

// ---- Filling the holes ----

// Ball after ball, past a full board, the game stands as the rules' statement (place_ball) has
// it: the next free hole takes the ball, a fourth ball fills its row, a full board takes no more.
TEST(PutBall, FillsTheNextFreeHoleAndNoneOnceTheBoardIsFull) {
    Game g;
    new_game(g, 3);
    Game model = g;
    for (int i = 0; i < ROWS * HOLES + COLOURS; ++i) {
        SCOPED_TRACE(testing::Message() << "after ball " << i + 1);
        const int colour = (i * 5) % COLOURS + 1;
        put_ball(g, colour);
        place_ball(model, colour);
        expect_same_game(g, model);
        if (testing::Test::HasFailure()) return;
    }
}

TEST(NewGame, StartsFromAnEmptyBoardWhateverTheGameHeldBefore) {
    Game g;
    new_game(g, 1);
    for (int i = 0; i < 13; ++i)
        put_ball(g, 4);
    g.leave_game = true;
    new_game(g, 5);
    EXPECT_EQ(g.opponent, 5);
    EXPECT_EQ(g.pegs_entered, 0);
    EXPECT_FALSE(g.leave_game);
    for (int r = 0; r < ROWS; ++r) {
        EXPECT_FALSE(g.row_full[r]) << "row " << r;
        for (int h = 0; h < HOLES; ++h)
            EXPECT_EQ(g.board[r][h], 0) << "row " << r;
    }
    for (int h = 0; h < HOLES; ++h) {
        EXPECT_GE(g.code[h], 1);
        EXPECT_LE(g.code[h], COLOURS);
    }
}

// ---- The opponents' codes ----

class CodeRules : public testing::TestWithParam<int> {};

INSTANTIATE_TEST_SUITE_P(AllOpponents, CodeRules, testing::Range(1, COLOURS + 1),
                         [](const testing::TestParamInfo<int>& i) {
                             return "Opponent" + std::to_string(i.param);
                         });

TEST_P(CodeRules, PutsEachDrawIntoItsPositionsAndDrawsNoMore) {
    const int opponent = GetParam();
    for (unsigned seed = 1; seed <= 300; ++seed) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        std::srand(seed);
        const Code want = next_code(opponent);
        const int draw_after = std::rand();

        std::srand(seed);
        Game g;
        make_code(g, opponent);
        EXPECT_EQ(std::rand(), draw_after)
            << "make_code should call rand exactly " << draws_for(opponent) << " times";
        for (int pos = 0; pos < HOLES; ++pos)
            EXPECT_EQ(g.code[pos], want[pos]) << "position " << pos;
    }
}

TEST_P(CodeRules, ForcesOnlyItsPositionsEqualAndReachesEveryColour) {
    const int opponent = GetParam();
    std::set<int> seen[HOLES];
    bool ever_differ[HOLES][HOLES] = {};
    for (unsigned seed = 1; seed <= 2000; ++seed) {
        std::srand(seed * 7919u);
        Game g;
        new_game(g, opponent);
        for (int p = 0; p < HOLES; ++p) {
            ASSERT_GE(g.code[p], 1) << "seed " << seed;
            ASSERT_LE(g.code[p], COLOURS) << "seed " << seed;
            seen[p].insert(g.code[p]);
            for (int q = 0; q < HOLES; ++q)
                if (g.code[p] != g.code[q]) ever_differ[p][q] = true;
        }
    }
    for (int p = 0; p < HOLES; ++p) {
        EXPECT_EQ(seen[p].size(), static_cast<size_t>(COLOURS)) << "position " << p + 1;
        for (int q = p + 1; q < HOLES; ++q) {
            const bool forced = code_draws[opponent - 1][p] == code_draws[opponent - 1][q];
            EXPECT_EQ(ever_differ[p][q], !forced)
                << "positions " << p + 1 << " and " << q + 1
                << (forced ? " must always be equal" : " must differ sometimes");
        }
    }
}

// Games in a row share the generator: each game's code comes from the draws after the last
// game's, whatever the opponents.
TEST(Codes, GamesInARowDrawTheirCodesOneAfterAnother) {
    const std::vector<int> opponents = {1, 4, 6, 2, 6, 5, 3};
    for (unsigned seed : {0u, 1u, 42u, 123456789u}) {
        const std::vector<Code> want = codes_after(seed, opponents);
        std::srand(seed);
        for (size_t i = 0; i < opponents.size(); ++i) {
            Game g;
            new_game(g, opponents[i]);
            EXPECT_EQ(Code({g.code[0], g.code[1], g.code[2], g.code[3]}), want[i])
                << "seed " << seed << ", game " << i + 1 << " against opponent " << opponents[i];
        }
    }
}

TEST(Codes, AnOpponentOutsideOneToSixStillGetsAFullCode) {
    for (int op : {0, 7, -1}) {
        for (unsigned seed = 1; seed <= 200; ++seed) {
            std::srand(seed);
            Game g;
            make_code(g, op);
            for (int h = 0; h < HOLES; ++h) {
                EXPECT_GE(g.code[h], 1) << "opponent " << op << " seed " << seed;
                EXPECT_LE(g.code[h], COLOURS) << "opponent " << op << " seed " << seed;
            }
        }
    }
}

// ---- Judging a row ----

constexpr Mark W = Mark::White, B = Mark::Black, X = Mark::BlackCross;

const char* mark_name(Mark m) {
    return m == W ? "White" : m == B ? "Black" : "BlackCross";
}

struct JudgeCase {
    const char* name;
    int code[HOLES];
    int row[HOLES];
    Mark marks[HOLES];
    bool right;
};

std::ostream& operator<<(std::ostream& os, const JudgeCase& c) {
    return os << c.name;
}

class JudgeRow : public testing::TestWithParam<JudgeCase> {};

INSTANTIATE_TEST_SUITE_P(
    Cases, JudgeRow,
    testing::Values(
        JudgeCase{"Exact", {1, 2, 3, 4}, {1, 2, 3, 4}, {W, W, W, W}, true},
        JudgeCase{"Reversed", {1, 2, 3, 4}, {4, 3, 2, 1}, {B, B, B, B}, false},
        JudgeCase{"PairsAndStrangers", {1, 1, 2, 2}, {1, 3, 2, 5}, {W, X, W, X}, false},
        JudgeCase{"OneColourFourTimes", {1, 2, 3, 4}, {1, 1, 1, 1}, {W, B, B, B}, false},
        JudgeCase{"NothingInCode", {1, 1, 1, 2}, {3, 4, 5, 6}, {X, X, X, X}, false},
        JudgeCase{"RepeatedColoursRight", {5, 5, 5, 6}, {5, 5, 5, 6}, {W, W, W, W}, true},
        JudgeCase{"RowRepeatsACodeColour", {6, 1, 2, 3}, {2, 2, 6, 6}, {B, B, B, B}, false},
        JudgeCase{"LastHoleWrong", {1, 2, 3, 4}, {1, 2, 3, 5}, {W, W, W, X}, false}),
    [](const testing::TestParamInfo<JudgeCase>& i) { return std::string(i.param.name); });

// The row is judged at every row index while the other rows hold a row that is wrong in every
// hole, so a verdict taken from the wrong row shows.
TEST_P(JudgeRow, MarksEachHoleAndTellsARightRow) {
    const JudgeCase& c = GetParam();
    for (int row = 0; row < ROWS; ++row) {
        SCOPED_TRACE(testing::Message() << "judged at row " << row);
        Game g;
        for (int h = 0; h < HOLES; ++h)
            g.code[h] = c.code[h];
        for (int r = 0; r < ROWS; ++r)
            for (int h = 0; h < HOLES; ++h)
                g.board[r][h] = r == row ? c.row[h] : c.code[h] % COLOURS + 1;
        const RowVerdict v = judge_row(g, row);
        for (int h = 0; h < HOLES; ++h)
            EXPECT_EQ(v.marks[h], c.marks[h]) << "hole " << h + 1 << " is " << mark_name(v.marks[h])
                                              << ", expected " << mark_name(c.marks[h]);
        EXPECT_EQ(v.right, c.right);
    }
}

// Over random codes and rows, what holds whatever a hole's verdict is (the table above pins the
// verdicts down): a hole's mark depends only on its own ball and on the code as a set of
// colours around it, so changing the row's other balls or swapping two other positions of the
// code leaves it alone; a ball equal to the code at its hole is White and no other ball is; and
// the row is right exactly when it equals the code.
TEST(JudgeRowProperty, EachHolesMarkDependsOnItsBallAndTheCodeAlone) {
    std::mt19937 rng(20240601);
    std::uniform_int_distribution<int> colour(1, COLOURS), coin(0, 2), other(1, HOLES - 1);
    for (int trial = 0; trial < 3000; ++trial) {
        Game g;
        for (int h = 0; h < HOLES; ++h)
            g.code[h] = colour(rng);
        const int row = trial % ROWS;
        for (int h = 0; h < HOLES; ++h)
            g.board[row][h] = coin(rng) == 0 ? g.code[h] : colour(rng);
        const RowVerdict v = judge_row(g, row);
        bool equal = true;
        for (int h = 0; h < HOLES; ++h) {
            SCOPED_TRACE(testing::Message() << "trial " << trial << " hole " << h + 1);
            const bool at_its_place = g.board[row][h] == g.code[h];
            equal = equal && at_its_place;
            EXPECT_EQ(v.marks[h] == W, at_its_place);

            Game others = g; // the row's other balls changed
            for (int k = 1; k < HOLES; ++k)
                others.board[row][(h + k) % HOLES] = colour(rng);
            EXPECT_EQ(judge_row(others, row).marks[h], v.marks[h]) << "other balls changed";

            Game swapped = g; // two other positions of the code swapped
            const int p = (h + other(rng)) % HOLES;
            int q = (h + other(rng)) % HOLES;
            if (q == p) q = (p + 1) % HOLES == h ? (p + 2) % HOLES : (p + 1) % HOLES;
            std::swap(swapped.code[p], swapped.code[q]);
            EXPECT_EQ(judge_row(swapped, row).marks[h], v.marks[h])
                << "code positions " << p + 1 << " and " << q + 1 << " swapped";
        }
        EXPECT_EQ(v.right, equal) << "trial " << trial;
    }
}

} // namespace
