// The game screen driven in-process through SDL's dummy drivers: presses, frames, endings, the
// balls the banners leave readable, waiting for a press, and the text and sprite primitives.
#include <SDL.h>
#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "rules_model.h"
#include "screens/screens.h"
#include "game/rules.h"
#include "layout.h"
#include "platform/platform.h"
#include "sdl_fixture.h"

namespace {

[[maybe_unused]] testing::Environment* const headless =
    testing::AddGlobalTestEnvironment(new HeadlessSdl);

// ---- Pixels the game screen must show ----

// A picture's pixel as the screen stores that colour.
Uint32 as_screen(SDL_Surface* s, int x, int y) {
    Uint8 r, g, b;
    SDL_GetRGB(raw_pixel(s, x, y), s->format, &r, &g, &b);
    return SDL_MapRGB(screen->format, r, g, b);
}

bool is_magenta(SDL_Surface* s, int x, int y) {
    return raw_pixel(s, x, y) == SDL_MapRGB(s->format, 255, 0, 255);
}

// One picture drawn at (x, y), at most w x h of it, with its magenta left out.
struct Layer {
    SDL_Surface* bitmap;
    int x, y, w, h;
};

// The colour the screen must show at (x, y) when the layers (bottom first) are drawn over the
// game's background picture.
Uint32 expected_at(const std::vector<Layer>& layers, int x, int y) {
    for (auto l = layers.rbegin(); l != layers.rend(); ++l) {
        const int bx = x - l->x, by = y - l->y;
        if (!l->bitmap || bx < 0 || by < 0 || bx >= l->w || by >= l->h) continue;
        if (bx >= l->bitmap->w || by >= l->bitmap->h) continue;
        if (!is_magenta(l->bitmap, bx, by)) return as_screen(l->bitmap, bx, by);
    }
    return as_screen(bmp::main_scr, x, y);
}

testing::AssertionResult region_matches(const std::vector<Layer>& layers, SDL_Rect r) {
    int wrong = 0, fx = 0, fy = 0;
    Uint32 want = 0, got = 0;
    for (int y = r.y; y < r.y + r.h; ++y)
        for (int x = r.x; x < r.x + r.w; ++x) {
            const Uint32 e = expected_at(layers, x, y), a = raw_pixel(screen, x, y);
            if (e == a) continue;
            if (wrong++ == 0) fx = x, fy = y, want = e, got = a;
        }
    if (wrong == 0) return testing::AssertionSuccess();
    std::ostringstream os;
    os << wrong << " of " << r.w * r.h << " pixels differ in " << r.w << "x" << r.h << " at ("
       << r.x << "," << r.y << "); first at (" << fx << "," << fy << "): expected 0x" << std::hex
       << want << ", screen has 0x" << got;
    if (const char* dir = std::getenv("GAME_TEST_DUMP")) {
        static int dumps = 0;
        const std::string file = std::string(dir) + "/mismatch" + std::to_string(++dumps) + ".bmp";
        SDL_SaveBMP(screen, file.c_str());
        os << " (screen saved as " << file << ")";
    }
    return testing::AssertionFailure() << os.str();
}

// ---- Events ----

bool same_event(const SDL_Event& a, const SDL_Event& b) {
    if (a.type != b.type) return false;
    switch (a.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: return a.key.keysym.sym == b.key.keysym.sym;
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP:
        return a.jbutton.button == b.jbutton.button && a.jbutton.which == b.jbutton.which;
    default: return true;
    }
}

// ---- The game screen ----

SDL_Surface* ball(int colour) {
    return *balls[colour - 1];
}

// What the frame of this game must show over the background: opponent 1's portrait, every
// ball placed, and for each full row its markers and banner, up to the row that is right.
std::vector<Layer> board_layers(const Game& g) {
    std::vector<Layer> layers;
    if (g.opponent == 1) layers.push_back({bmp::borin_quastle, 18, 50, 32, 42});
    for (int r = 0; r < ROWS; ++r)
        for (int h = 0; h < HOLES; ++h)
            if (g.board[r][h]) {
                const SDL_Rect at = hole_rect(r, h);
                layers.push_back({ball(g.board[r][h]), at.x, at.y, at.w, at.h});
            }
    for (int r = 0; r < ROWS; ++r) {
        if (!g.row_full[r]) continue;
        const RowVerdict v = expected_verdict(g, r);
        for (int h = 0; h < HOLES; ++h) {
            const SDL_Rect at = marker_rect(r, h);
            const bool white = v.marks[h] == Mark::White;
            layers.push_back({white ? bmp::white : bmp::black, at.x, at.y, at.w, at.h});
            if (v.marks[h] == Mark::BlackCross)
                layers.push_back({bmp::black_cross, at.x, at.y, at.w, at.h});
        }
        if (v.right) {
            // The last opponent's defeat ends the game before any banner.
            if (g.opponent != 6)
                layers.push_back({bmp::rite, banner_x, banner_top[r], banner_w, right_banner_h});
            break;
        }
        layers.push_back({bmp::falce, banner_x, banner_top[r], banner_w, false_banner_h[r]});
    }
    return layers;
}

// Checks every hole, every marker place and every banner place (with two lines below it),
// and opponent 1's portrait with a border, against the pictures the model says are there.
void expect_board(const Game& g) {
    const std::vector<Layer> layers = board_layers(g);
    for (int r = 0; r < ROWS; ++r) {
        for (int h = 0; h < HOLES; ++h) {
            EXPECT_TRUE(region_matches(layers, hole_rect(r, h)))
                << "ball of row " << r + 1 << " hole " << h + 1;
            EXPECT_TRUE(region_matches(layers, marker_rect(r, h)))
                << "marker of row " << r + 1 << " hole " << h + 1;
        }
        EXPECT_TRUE(region_matches(layers, rect(banner_x, banner_top[r], banner_w, 38)))
            << "banner place of row " << r + 1;
    }
    if (g.opponent == 1) {
        EXPECT_TRUE(region_matches(layers, rect(16, 48, 36, 46))) << "portrait of opponent 1";
    }
}

using Row = std::array<int, HOLES>;

// Queues a row as colour keys and enters it into the model.
void enter_row(Game& model, const Row& row) {
    for (int c : row) {
        push({key_down(colour_keys[c - 1])});
        place_ball(model, c);
    }
}

// The code with one hole turned to another colour: wrong, with three White markers.
Row almost(const Game& secret, int wrong_hole) {
    Row row;
    for (int h = 0; h < HOLES; ++h)
        row[h] = secret.code[h];
    row[wrong_hole] = row[wrong_hole] % COLOURS + 1;
    return row;
}

Row code_of(const Game& secret) {
    return {secret.code[0], secret.code[1], secret.code[2], secret.code[3]};
}

// One row per frame, each frame checked against the model before the next row is queued; the
// last step checks the frame after the last row, then runs last_frame on it.
void enter_rows(ScreenDriver& s, Game& model, const std::vector<Row>& rows,
                std::function<void()> last_frame = nullptr) {
    for (size_t k = 0; k <= rows.size(); ++k)
        s.on_frame([&model, &rows, k, last_frame] {
            SCOPED_TRACE(testing::Message() << "frame after " << k << " rows entered");
            expect_board(model);
            if (k < rows.size())
                enter_row(model, rows[k]);
            else if (last_frame)
                last_frame();
        });
}

using SurfacePtr = std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)>;

SurfacePtr scratch(int w, int h, Uint32 fill) {
    SurfacePtr s(SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 16, 0xF800, 0x07E0, 0x001F, 0),
                 SDL_FreeSurface);
    if (s) SDL_FillRect(s.get(), nullptr, fill);
    return s;
}

// A picture whose every pixel differs from its neighbours and has no magenta.
SurfacePtr gradient(int w, int h, int tint) {
    SurfacePtr s = scratch(w, h, 0);
    if (!s) return s;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            SDL_Rect px = rect(x, y, 1, 1);
            SDL_FillRect(s.get(), &px, SDL_MapRGB(s->format, 8 * (x % 24), 20 + 5 * y, tint));
        }
    return s;
}

// Puts a picture of the test's in the place of one of the game's while the guard lives.
class StandIn {
  public:
    StandIn(SDL_Surface*& slot, SurfacePtr picture)
        : slot_(slot), saved_(slot), picture_(std::move(picture)) {
        slot_ = picture_.get();
    }
    ~StandIn() { slot_ = saved_; }
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;

  private:
    SDL_Surface*& slot_;
    SDL_Surface* saved_;
    SurfacePtr picture_;
};

int pixels_not(SDL_Surface* s, Uint32 colour) {
    int n = 0;
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x)
            n += raw_pixel(s, x, y) != colour;
    return n;
}

bool same_pixels(SDL_Surface* a, SDL_Surface* b) {
    for (int y = 0; y < a->h; ++y)
        for (int x = 0; x < a->w; ++x)
            if (raw_pixel(a, x, y) != raw_pixel(b, x, y)) return false;
    return true;
}

// ---- Fixtures ----

class Sdl : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(screen, nullptr) << "no video surface";
        take_queue();
    }
    void TearDown() override { take_queue(); }
};

class GameScreen : public Sdl {
  protected:
    void SetUp() override {
        Sdl::SetUp();
        ASSERT_TRUE(pictures_loaded_and_distinct());
    }

    // The board main_game starts from after srand(seed): empty, with the code the opponent's
    // rule draws from that seed.
    static Game fresh_game(int opponent, unsigned seed) {
        Game g;
        g.opponent = opponent;
        const Code code = codes_after(seed, {opponent})[0];
        std::copy(code.begin(), code.end(), g.code);
        return g;
    }

    // Plays one game after srand(seed) with the script on the seam. Returns where the game
    // leads, or Go::Stay when it hung or a step failed; a game that ends before its script
    // does is a failure too.
    Next play(int opponent, unsigned seed, ScreenDriver& script) {
        const std::optional<Next> result = script.run([&] {
            std::srand(seed);
            return main_game(opponent);
        });
        if (!result) return Next{Go::Stay};
        EXPECT_TRUE(script.finished())
            << "the game ended after only " << script.steps_run() << " steps of its script";
        return *result;
    }
};

// ---- Presses in a game ----

struct ColourPress {
    const char* name;
    SDL_Event press;
    int colour;
};

// Row 1 mixes keys and buttons (green, yellow, purple, red); each row holds four different
// colours, so none can be the code of opponent 1, whose first three colours are equal.
const ColourPress colour_presses[] = {
    {"key b", key_down(KEY_B), 2},       {"button A", button_down(BTN_A), 4},
    {"key l", key_down(KEY_L), 6},       {"button X", button_down(BTN_X), 1},
    {"key x", key_down(KEY_X), 1},       {"key y", key_down(KEY_Y), 3},
    {"key a", key_down(KEY_A), 4},       {"key r", key_down(KEY_R), 5},
    {"button B", button_down(BTN_B), 2}, {"button Y", button_down(BTN_Y, 1), 3},
    {"button R", button_down(BTN_R), 5}, {"button L", button_down(BTN_L, 2), 6},
};

TEST_F(GameScreen, EachColourKeyAndButtonPutsItsBallIntoTheNextHole) {
    const unsigned seed = 5;
    Game model = fresh_game(1, seed);
    ScreenDriver s;
    for (size_t i = 0; i <= std::size(colour_presses); ++i)
        s.on_frame([&model, i] {
            SCOPED_TRACE(i == 0 ? std::string("first frame")
                                : std::string("after ") + colour_presses[i - 1].name);
            expect_board(model);
            if (i < std::size(colour_presses)) {
                push({colour_presses[i].press});
                place_ball(model, colour_presses[i].colour);
            } else {
                push({key_down(KEY_ESCAPE)});
            }
        });
    EXPECT_EQ(play(1, seed, s).go, Go::Quit);
}

TEST_F(GameScreen, FivePressesQueuedBeforeOneFrameAllLand) {
    const unsigned seed = 8;
    Game model = fresh_game(1, seed);
    ScreenDriver s;
    s.on_frame([&] {
         expect_board(model);
         for (int c : {1, 2, 3, 4, 5}) {
             push({key_down(colour_keys[c - 1])});
             place_ball(model, c);
         }
     }).on_frame([&] {
        expect_board(model); // five balls, and row 1's markers and false banner
        push({key_down(KEY_ESCAPE)});
    });
    EXPECT_EQ(play(1, seed, s).go, Go::Quit);
}

TEST_F(GameScreen, IgnoresReleasesMotionAndUnboundPresses) {
    const unsigned seed = 9;
    Game model = fresh_game(1, seed);
    auto queue_noise = [] {
        push({key_up(KEY_X), button_up(BTN_X), axis_motion(), key_down('z'), key_down(KEY_UP),
              key_down(KEY_DOWN), key_down(KEY_LEFT), key_down(KEY_RIGHT), key_down(SDLK_RETURN),
              button_down(BTN_UP), button_down(BTN_LEFT), button_down(BTN_DOWN),
              button_down(BTN_RIGHT), button_down(1), button_down(7), button_down(16)});
    };
    ScreenDriver s;
    s.on_frame([&] { queue_noise(); })
        .on_frame([&] {
            expect_board(model); // still empty, and the game goes on
            queue_noise();
            push({key_down(KEY_X)});
            place_ball(model, 1);
            queue_noise();
        })
        .on_frame([&] {
            expect_board(model); // the one red ball, nothing else
            push({key_down(KEY_ESCAPE)});
        });
    EXPECT_EQ(play(1, seed, s).go, Go::Quit);
}

// ---- Endings ----

TEST_F(GameScreen, SevenWrongRowsShowTheirVerdictsAndLoseAfterAPress) {
    const unsigned seed = 31;
    Game model = fresh_game(1, seed);
    std::vector<Row> rows;
    for (int r = 0; r < ROWS; ++r)
        rows.push_back(
            {r % COLOURS + 1, (r + 1) % COLOURS + 1, (r + 2) % COLOURS + 1, (r + 3) % COLOURS + 1});
    ScreenDriver s;
    // The last frame holds row 7's false banner and waits for a press.
    enter_rows(s, model, rows, [&] {
        EXPECT_TRUE(region_matches({{ball(rows[6][3]), 185, 195, 27, 25}}, rect(185, 195, 27, 25)))
            << "ball of row 7 hole 4";
    });
    s.idle(5).then([] { push({button_down(BTN_SELECT), key_down(KEY_X)}); });
    EXPECT_EQ(play(1, seed, s).go, Go::Loss);
    EXPECT_TRUE(take_queue().empty()) << "the press that ends the game is used up with the queue";
}

struct WinCase {
    int opponent;
    int right_row; // from 0
    unsigned seed;
};

std::ostream& operator<<(std::ostream& os, const WinCase& c) {
    return os << "opponent " << c.opponent << ", right in row " << c.right_row + 1;
}

class RightRow : public GameScreen, public testing::WithParamInterface<WinCase> {};

INSTANTIATE_TEST_SUITE_P(OpponentsOneToFive, RightRow,
                         testing::Values(WinCase{1, 0, 101}, WinCase{2, 1, 102}, WinCase{3, 3, 103},
                                         WinCase{4, 6, 104}, WinCase{5, 2, 105}),
                         [](const testing::TestParamInfo<WinCase>& i) {
                             return "Opponent" + std::to_string(i.param.opponent) + "Row" +
                                    std::to_string(i.param.right_row + 1);
                         });

TEST_P(RightRow, ShowsTheRightBannerWaitsForAPressAndWins) {
    const WinCase& c = GetParam();
    Game model = fresh_game(c.opponent, c.seed);
    const Game secret = model;
    std::vector<Row> rows;
    for (int r = 0; r < c.right_row; ++r)
        rows.push_back(almost(secret, r % HOLES));
    rows.push_back(code_of(secret));
    ScreenDriver s;
    enter_rows(s, model, rows); // the last frame holds the right banner and waits
    s.idle(5).then([] { push({button_down(BTN_Y, 3), key_up(KEY_Y)}); });
    EXPECT_EQ(play(c.opponent, c.seed, s).go, Go::Win);
    EXPECT_TRUE(take_queue().empty()) << "the press that ends the game is used up with the queue";
}

// The banner pictures are see-through in their lowest lines, which hides how much of them is
// drawn; opaque stand-ins four lines taller than any banner show every banner's height.
struct TallCase {
    const char* name;
    bool last_row_right;
    Go go;
};

std::ostream& operator<<(std::ostream& os, const TallCase& c) {
    return os << c.name;
}

class TallBanners : public GameScreen, public testing::WithParamInterface<TallCase> {};

INSTANTIATE_TEST_SUITE_P(LossAndWin, TallBanners,
                         testing::Values(TallCase{"SevenWrongRows", false, Go::Loss},
                                         TallCase{"RightInRowSeven", true, Go::Win}),
                         ByName());

TEST_P(TallBanners, EachRowsBannerIsDrawnAtItsOwnHeight) {
    StandIn false_banner(bmp::falce, gradient(banner_w, 40, 60));
    StandIn right_banner(bmp::rite, gradient(banner_w, 40, 230));
    ASSERT_TRUE(bmp::falce && bmp::rite);
    const unsigned seed = 77;
    Game model = fresh_game(1, seed);
    const Game secret = model;
    std::vector<Row> rows;
    for (int r = 0; r < ROWS - 1; ++r)
        rows.push_back(almost(secret, r % HOLES));
    rows.push_back(GetParam().last_row_right ? code_of(secret) : almost(secret, 1));
    ScreenDriver s;
    enter_rows(s, model, rows);
    s.then([] { push({key_down(KEY_B)}); });
    EXPECT_EQ(play(1, seed, s).go, GetParam().go);
}

TEST_F(GameScreen, BeatingOpponentSixEndsAtOnceWithoutBannerOrPress) {
    const unsigned seed = 606;
    Game model = fresh_game(6, seed);
    const Game secret = model;
    const std::vector<Row> rows = {almost(secret, 2), code_of(secret)};
    ScreenDriver s;
    s.on_frame([&] { enter_row(model, rows[0]); }).on_frame([&] {
        expect_board(model);
        enter_row(model, rows[1]);
    });
    EXPECT_EQ(play(6, seed, s).go, Go::Error);
    // The frame drawn last holds row 2's markers but no banner over the row.
    expect_board(model);
}

struct LeaveCase {
    const char* name;
    SDL_Event press;
    Go go;
};

std::ostream& operator<<(std::ostream& os, const LeaveCase& c) {
    return os << c.name;
}

class LeaveGame : public GameScreen, public testing::WithParamInterface<LeaveCase> {};

INSTANTIATE_TEST_SUITE_P(SelectAndEscape, LeaveGame,
                         testing::Values(LeaveCase{"Select", button_down(BTN_SELECT), Go::Title},
                                         LeaveCase{"Escape", key_down(KEY_ESCAPE), Go::Quit}),
                         ByName());

TEST_P(LeaveGame, ReturnsAtOnceAndLeavesTheLaterEventsQueued) {
    const std::vector<SDL_Event> later = {key_down(KEY_B),      button_down(BTN_A),
                                          key_down(KEY_ESCAPE), button_down(BTN_SELECT),
                                          key_up(KEY_B),        axis_motion()};
    ScreenDriver s;
    s.on_frame([&] {
        push({key_down(KEY_X), button_down(BTN_Y), GetParam().press});
        for (const SDL_Event& e : later)
            push({e});
    });
    EXPECT_EQ(play(1, 77, s).go, GetParam().go);
    const std::vector<SDL_Event> rest = take_queue();
    ASSERT_EQ(rest.size(), later.size());
    for (size_t i = 0; i < later.size(); ++i)
        EXPECT_TRUE(same_event(rest[i], later[i]))
            << "queued event " << i << " is " << describe(rest[i]) << ", expected "
            << describe(later[i]);
}

// ---- The balls under the banners ----

// A wrong row keeps its banner to the end of the game, over the middle of the row's balls, and
// the player still needs to read those guesses. A ball reads as itself while most of it shows and
// its symbol nearly whole: at least this share of its opaque pixels, and of those of its centre,
// must be as the board alone shows them.
constexpr double min_kept = 60, min_centre_kept = 80;

// The part of a ball sprite where its symbol sits: the middle two thirds of its opaque pixels'
// extent, each way. The symbol is drawn at half the ball's radius, and the star's points with
// the symbol's dark edge reach two thirds of the radius from the middle, so this box holds every
// symbol whole: the part that tells the ball's colour without its colour.
SDL_Rect centre_of(SDL_Surface* sprite) {
    int x0 = sprite->w, y0 = sprite->h, x1 = -1, y1 = -1;
    for (int y = 0; y < sprite->h; ++y)
        for (int x = 0; x < sprite->w; ++x)
            if (!is_magenta(sprite, x, y)) {
                x0 = std::min(x0, x), x1 = std::max(x1, x);
                y0 = std::min(y0, y), y1 = std::max(y1, y);
            }
    const int mx = static_cast<int>(std::lround((x1 - x0 + 1) / 6.0)),
              my = static_cast<int>(std::lround((y1 - y0 + 1) / 6.0));
    return rect(x0 + mx, y0 + my, x1 - x0 + 1 - 2 * mx, y1 - y0 + 1 - 2 * my);
}

using Pixels = std::vector<Uint32>;

Pixels snapshot() {
    Pixels out;
    for (int y = 0; y < screen->h; ++y)
        for (int x = 0; x < screen->w; ++x)
            out.push_back(raw_pixel(screen, x, y));
    return out;
}

// How much of one ball the frame shows as the board alone does.
struct Kept {
    int pixels = 0, pixels_kept = 0; // the sprite's opaque pixels
    int centre = 0, centre_kept = 0; // those of them in its centre
    double share() const { return 100.0 * pixels_kept / pixels; }
    double centre_share() const { return 100.0 * centre_kept / centre; }
};

Kept kept_of(const Pixels& board, int row, int hole, int colour) {
    SDL_Surface* sprite = ball(colour);
    const SDL_Rect at = hole_rect(row, hole), mid = centre_of(sprite);
    Kept k;
    for (int y = 0; y < sprite->h; ++y)
        for (int x = 0; x < sprite->w; ++x) {
            if (is_magenta(sprite, x, y)) continue;
            const int sx = at.x + x, sy = at.y + y;
            const bool same = raw_pixel(screen, sx, sy) == board[sy * screen->w + sx];
            const bool in_centre =
                x >= mid.x && x < mid.x + mid.w && y >= mid.y && y < mid.y + mid.h;
            ++k.pixels, k.pixels_kept += same;
            k.centre += in_centre, k.centre_kept += in_centre && same;
        }
    return k;
}

// The frame of this game drawn as the game draws it: the board with its balls (kept, as the
// frame without verdicts), then judge_rows over it, whose row that ends the game is answered by
// a press. Holds the frame to the ending expected, and each full row up to it to a banner drawn
// (a banner that is missing would hide nothing). Returns the board alone.
Pixels board_then_verdicts(const Game& g, Go ending) {
    draw_board(g);
    const Pixels board = snapshot();
    ScreenDriver s;
    s.then([] { push({key_down(KEY_B)}); });
    const std::optional<Next> end = s.run([&] { return judge_rows(g); });
    EXPECT_TRUE(end && end->go == ending) << "the rows do not end the game as the case says";
    EXPECT_TRUE(s.finished()) << "judge_rows returned without waiting for the press";
    for (int r = 0; r < ROWS && g.row_full[r]; ++r) {
        // Up to the next row's banner, which would stand in for a missing one.
        const int below = r + 1 < ROWS ? banner_top[r + 1] : banner_top[r] + false_banner_h[r];
        int drawn = 0;
        for (int y = banner_top[r]; y < below; ++y)
            for (int x = banner_x; x < banner_x + banner_w; ++x)
                drawn += raw_pixel(screen, x, y) != board[y * screen->w + x];
        EXPECT_GT(drawn, 0) << "no banner over row " << r + 1;
    }
    return board;
}

// Measures every ball of the full rows, prints them (opaque pixels kept / centre kept, in %) and
// holds each to the shares above.
void expect_balls_readable(const Game& g, const Pixels& board, const std::string& title) {
    std::ostringstream table;
    table << title << ": each ball as the board alone shows it, % of its opaque pixels / % of "
          << "its centre\nrow      hole 1      hole 2      hole 3      hole 4\n";
    char cell[32];
    double lowest = 100, lowest_centre = 100;
    std::vector<std::string> unreadable;
    for (int r = 0; r < ROWS && g.row_full[r]; ++r) {
        table << r + 1 << "  ";
        for (int h = 0; h < HOLES; ++h) {
            const Kept k = kept_of(board, r, h, g.board[r][h]);
            std::snprintf(cell, sizeof cell, "  %5.1f/%5.1f", k.share(), k.centre_share());
            table << cell;
            lowest = std::min(lowest, k.share());
            lowest_centre = std::min(lowest_centre, k.centre_share());
            if (k.share() < min_kept || k.centre_share() < min_centre_kept)
                unreadable.push_back("row " + std::to_string(r + 1) + " hole " +
                                     std::to_string(h + 1) + ":" + cell);
        }
        table << "\n";
    }
    std::snprintf(cell, sizeof cell, "%.1f %% / %.1f %%", lowest, lowest_centre);
    table << "lowest: " << cell << "\n";
    std::printf("%s", table.str().c_str());
    std::fflush(stdout);
    std::string list;
    for (const std::string& u : unreadable)
        list += "\n  " + u;
    EXPECT_TRUE(unreadable.empty())
        << "balls that keep less than " << min_kept << " % of their pixels or " << min_centre_kept
        << " % of their centre under the banners:" << list;
}

TEST_F(GameScreen, SevenWrongRowsLeaveEveryBallUnderTheirBannersReadable) {
    // Row r holds colours r+1.. in turn, so that every colour stands in every hole in one row or
    // another; four different colours never make the code, whose two colours come twice.
    Game g;
    g.opponent = 1;
    const int code[HOLES] = {1, 1, 2, 2};
    std::copy(std::begin(code), std::end(code), g.code);
    for (int r = 0; r < ROWS; ++r)
        for (int h = 0; h < HOLES; ++h)
            place_ball(g, (r + h) % COLOURS + 1);
    const Pixels board = board_then_verdicts(g, Go::Loss); // row 7's banner is the loss frame
    expect_balls_readable(g, board, "seven wrong rows");
}

struct RightCase {
    int opponent;
    int right_row; // from 0
    std::array<int, HOLES> code;
};

std::ostream& operator<<(std::ostream& os, const RightCase& c) {
    return os << "opponent " << c.opponent << ", right in row " << c.right_row + 1;
}

class RightBanner : public GameScreen, public testing::WithParamInterface<RightCase> {};

// Row 1's balls stand closest below their banner's top (3 px) and row 6's farthest (10 px), and
// row 7's is the last; each code repeats a colour, so that none of the wrong rows above, of four
// colours each, is right.
INSTANTIATE_TEST_SUITE_P(OpponentsOneToFive, RightBanner,
                         testing::Values(RightCase{1, 0, {3, 3, 5, 6}},
                                         RightCase{2, 1, {6, 4, 4, 1}},
                                         RightCase{3, 3, {2, 5, 1, 2}},
                                         RightCase{4, 5, {4, 6, 2, 6}},
                                         RightCase{5, 6, {5, 1, 3, 1}}),
                         [](const testing::TestParamInfo<RightCase>& i) {
                             return "Opponent" + std::to_string(i.param.opponent) + "Row" +
                                    std::to_string(i.param.right_row + 1);
                         });

TEST_P(RightBanner, LeavesEveryBallOfTheRowsReadable) {
    const RightCase& c = GetParam();
    Game g;
    g.opponent = c.opponent;
    std::copy(c.code.begin(), c.code.end(), g.code);
    for (int r = 0; r < c.right_row; ++r)
        for (int h = 0; h < HOLES; ++h)
            place_ball(g, (r + h) % COLOURS + 1);
    for (int colour : c.code)
        place_ball(g, colour);
    const Pixels board = board_then_verdicts(g, Go::Win);
    expect_balls_readable(g, board,
                          "right in row " + std::to_string(c.right_row + 1) + " against opponent " +
                              std::to_string(c.opponent));
}

// ---- Waiting for a press ----

struct WaitCase {
    const char* name;
    Batch queued;
    bool pressed; // what WaitForKey returns: true for a press, false for a close request
};

std::ostream& operator<<(std::ostream& os, const WaitCase& c) {
    return os << c.name;
}

class WaitForPress : public Sdl, public testing::WithParamInterface<WaitCase> {};

// Any press ends the wait and takes the whole queue with it; a close request ends it too, even
// behind a press, whose wait would otherwise swallow it.
INSTANTIATE_TEST_SUITE_P(
    Queued, WaitForPress,
    testing::Values(
        WaitCase{"Key", {key_up(KEY_A), axis_motion(), key_down('q'), key_down(KEY_B)}, true},
        WaitCase{"ButtonOfJoystick0", {button_up(3), button_down(BTN_B, 0), key_down(KEY_B)}, true},
        WaitCase{"ButtonOfJoystick3", {axis_motion(), button_down(5, 3), button_up(3)}, true},
        WaitCase{"QuitRequest", {key_up(KEY_A), axis_motion(), quit_request()}, false},
        WaitCase{"QuitRequestBehindAPress", {key_down(KEY_B), quit_request()}, false},
        WaitCase{"QuitRequestBeforeAPress", {quit_request(), button_down(BTN_B)}, false}),
    ByName());

TEST_P(WaitForPress, ReturnsAtOnceWithWhatEndedIt) {
    push(GetParam().queued);
    ScreenDriver nothing_more; // a wait that needs more than what is queued is stuck
    const std::optional<bool> pressed = nothing_more.run(WaitForKey);
    ASSERT_TRUE(pressed);
    EXPECT_EQ(*pressed, GetParam().pressed);
    if (*pressed) {
        EXPECT_TRUE(take_queue().empty());
    }
}

TEST_F(Sdl, WaitForKeyIsNotEndedByReleasesOrMotion) {
    push({key_up(KEY_B), button_up(BTN_B), axis_motion()});
    ScreenDriver s;
    s.idle(20)
        .then([] {
            push({key_up(KEY_X), axis_motion(), button_up(BTN_START)});
        })
        .idle(20)
        .then([] {
            push({button_down(BTN_START), key_up(KEY_B), key_down(KEY_A)});
        });
    EXPECT_EQ(s.run(WaitForKey), std::optional<bool>(true));
    EXPECT_TRUE(s.finished()) << "returned after " << s.steps_run() << " steps, before the press";
    EXPECT_TRUE(take_queue().empty());
}

// ---- Text ----

class Text : public Sdl {};

TEST_F(Text, DrawTextIntDrawsTheNumberAsDrawTextDoesItsDigits) {
    for (int value : {0, -42, 7, INT_MIN}) {
        SCOPED_TRACE(value);
        const Uint32 fill = 0x0010;
        SurfacePtr by_int = scratch(120, 20, fill), by_text = scratch(120, 20, fill);
        ASSERT_TRUE(by_int && by_text);
        drawTextInt(by_int.get(), value, 3, 2, 255, 255, 0);
        DrawText(by_text.get(), std::to_string(value).c_str(), 3, 2, 255, 255, 0);
        EXPECT_GT(pixels_not(by_int.get(), fill), 0) << "nothing drawn";
        EXPECT_TRUE(same_pixels(by_int.get(), by_text.get()));
    }
}

TEST_F(Text, DrawTextDrawsWithTheFontAndNothingWithoutText) {
    const Uint32 fill = 0x0010;
    SurfacePtr s = scratch(80, 20, fill);
    ASSERT_TRUE(s);
    DrawText(s.get(), "", 2, 2, 255, 255, 255);
    EXPECT_EQ(pixels_not(s.get(), fill), 0) << "an empty text draws nothing";
    DrawText(s.get(), "Opponent", 2, 2, 255, 255, 255);
    EXPECT_GT(pixels_not(s.get(), fill), 0);
}

// ---- Sprites ----

struct SpriteCase {
    const char* name;
    int sx, sy, dx, dy, w, h;
    SDL_Rect painted; // where the 5x4 bitmap's pixels must land
};

std::ostream& operator<<(std::ostream& os, const SpriteCase& c) {
    return os << c.name;
}

class Sprite : public Sdl, public testing::WithParamInterface<SpriteCase> {};

INSTANTIATE_TEST_SUITE_P(
    Sizes, Sprite,
    testing::Values(SpriteCase{"LargerThanTheBitmap", 0, 0, 3, 2, 12, 10, rect(3, 2, 5, 4)},
                    SpriteCase{"OffsetRunningOffTheBitmap", 2, 1, 6, 5, 10, 10, rect(6, 5, 3, 3)},
                    SpriteCase{"PartOfTheBitmap", 1, 1, 0, 0, 2, 2, rect(0, 0, 2, 2)}),
    ByName());

TEST_P(Sprite, CopiesOnlyWhatTheBitmapHas) {
    const SpriteCase& c = GetParam();
    SurfacePtr src = gradient(5, 4, 200);
    const Uint32 fill = 0x1234;
    SurfacePtr dst = scratch(24, 20, fill);
    ASSERT_TRUE(src && dst);
    drawSprite(src.get(), dst.get(), c.sx, c.sy, c.dx, c.dy, c.w, c.h);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 24; ++x) {
            const bool in = x >= c.painted.x && x < c.painted.x + c.painted.w && y >= c.painted.y &&
                            y < c.painted.y + c.painted.h;
            const Uint32 want = in ? raw_pixel(src.get(), c.sx + x - c.dx, c.sy + y - c.dy) : fill;
            EXPECT_EQ(raw_pixel(dst.get(), x, y), want) << "at (" << x << "," << y << ")";
        }
}

TEST_F(Sdl, NullBitmapsDrawNothing) {
    const Uint32 fill = 0x4321;
    SurfacePtr dst = scratch(16, 16, fill);
    SurfacePtr src = scratch(8, 8, 0xFFFF);
    ASSERT_TRUE(dst && src);
    drawSprite(nullptr, dst.get(), 0, 0, 0, 0, 16, 16);
    EXPECT_EQ(pixels_not(dst.get(), fill), 0);
    // Without a destination nothing is drawn anywhere: not into the screen in its stead.
    const Uint32 grey = SDL_MapRGB(screen->format, 70, 70, 70);
    SDL_FillRect(screen, nullptr, grey);
    drawSprite(src.get(), nullptr, 0, 0, 0, 0, 8, 8);
    DrawText(nullptr, "x", 0, 0, 255, 255, 255);
    EXPECT_EQ(pixels_not(screen, grey), 0) << "drawn into the screen instead of nowhere";
}

} // namespace
