// The real dispatcher driven in-process: long runs of games, presses queued across screens.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "rules_model.h"
#include "game/rules.h"
#include "layout.h"
#include "platform/platform.h"
#include "screens/flow.h"
#include "sdl_fixture.h"

namespace {

[[maybe_unused]] testing::Environment* const headless =
    testing::AddGlobalTestEnvironment(new HeadlessSdl);

// ---- Running the dispatcher ----

// Runs run_screens() with the script on the seams until the script's end, which stops it; the
// pauses are only recorded. True when the script ran to its end; failures are reported.
bool run_script(ScreenDriver& d) {
    d.stop_at_end = true;
    d.real_pauses = false;
    d.history = false;
    d.blank = false;
    if (const std::optional<int> status = d.run(run_screens)) {
        ADD_FAILURE() << "run_screens() returned " << *status << " with " << d.steps_run()
                      << " steps run";
        return false;
    }
    return d.finished();
}

// ---- What the frames must hold ----

bool has(const std::vector<Call>& frame, const Call& want) {
    return std::any_of(frame.begin(), frame.end(),
                       [&want](const Call& c) { return same_call(c, want); });
}

int count_sprites(const std::vector<Call>& frame, SDL_Surface* bitmap) {
    return static_cast<int>(std::count_if(frame.begin(), frame.end(), [bitmap](const Call& c) {
        return c.kind == DrawCall::Sprite && c.bitmap == bitmap;
    }));
}

int count_balls(const std::vector<Call>& frame) {
    int n = 0;
    for (SDL_Surface** b : balls)
        n += count_sprites(frame, *b);
    return n;
}

Call game_portrait(int opponent) {
    const Portrait& p = portraits[opponent - 1];
    return sprite_at(*p.bitmap, p.game_x, game_portrait_y, p.game_w, p.game_h);
}

// Help draws its picture and nothing over it.
testing::AssertionResult help_alone(const std::vector<Call>& frame) {
    return same_calls(frame, {sprite_at(bmp::help, 0, 0, 320, 240)});
}

// ---- Presses ----

using Row = Code;

Batch ball_presses(const Row& row, bool buttons, int first = 0, int count = HOLES) {
    Batch b;
    for (int h = first; h < first + count; ++h)
        b.push_back(buttons ? button_down(colour_buttons[row[h] - 1])
                            : key_down(colour_keys[row[h] - 1]));
    return b;
}

Batch operator+(Batch a, const Batch& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Red, green, blue, yellow: never the code of opponents 1 to 4, whose codes repeat a colour;
// opponents 5 and 6 may have drawn it, and then the reverse is taken.
Row wrong_row(const Row& code) {
    const Row row = {1, 2, 3, 4};
    return verdict_of(row.data(), code.data()).right ? Row{4, 3, 2, 1} : row;
}

// ---- Scripts ----

// Where the globals must stand, as the script has led the player so far.
struct Model {
    int what = 0, opt = 1, cropp = 1, round_n = 1;
};

// Builds the steps of a script, following the globals and the board the screens must show.
class Plan {
  public:
    Plan(std::vector<Step>& out, Model& m) : out_(out), m_(m) {}

    // The title with the mark where the model has it; the caller moves the model on.
    void on_title(const char* name, Batch press) {
        const Model m = m_;
        add({Shown::Title, name,
             [m](const ScreenDriver& d) {
                 EXPECT_TRUE(has(d.frame(), title_mark(m.what))) << describe(d.frame());
                 EXPECT_TRUE(globals_are({m.what, m.opt, m.cropp, m.round_n}));
             },
             std::move(press)});
    }

    // From the title to the Quick Game selection; a mark on "Tournament" is moved up first.
    void title_to_quick_game(bool buttons) {
        Batch press;
        if (m_.what == 1) press.push_back(buttons ? button_down(BTN_UP) : key_down(KEY_UP));
        press.push_back(buttons ? button_down(BTN_B) : key_down(KEY_SPACE));
        on_title("title to Quick Game", press);
        m_.what = 0;
        m_.cropp = 1;
    }

    void title_to_tournament(bool buttons) {
        Batch press;
        if (m_.what == 0) press.push_back(buttons ? button_down(BTN_DOWN) : key_down(KEY_DOWN));
        press.push_back(buttons ? button_down(BTN_B) : key_down(KEY_SPACE));
        on_title("title to Tournament", press);
        m_.what = 1;
        m_.round_n = 1;
        m_.cropp = 2;
    }

    // The selection with the marked opponent; Right moves the mark on.
    void on_selection(const char* name, Batch press, int seed = -1) {
        const Model m = m_;
        add({Shown::Selection, name,
             [m](const ScreenDriver& d) {
                 EXPECT_TRUE(has(d.frame(), selection_mark(m.opt))) << describe(d.frame());
                 EXPECT_TRUE(globals_are({m.what, m.opt, 1, m.round_n}));
             },
             std::move(press), seed});
    }

    void step_right() {
        on_selection("Right on the selection", {key_down(KEY_RIGHT)});
        m_.opt = m_.opt % 6 + 1;
    }

    // "b" on the selection starts a game against the marked opponent with the seed's code.
    void start_quick_game(unsigned seed, bool buttons) {
        begin_game(m_.opt, seed);
        on_selection("b on the selection", {buttons ? button_down(BTN_B) : key_down(KEY_B)},
                     static_cast<int>(seed));
    }

    // The round screen of the model's round, whose opponent is that round's; "b" starts it.
    void start_round(unsigned seed, bool buttons) {
        const Model m = m_;
        begin_game(m.round_n, seed);
        add({Shown::Round,
             "round screen",
             [m](const ScreenDriver& d) {
                 EXPECT_TRUE(has(d.frame(), round_number(m.round_n))) << describe(d.frame());
                 EXPECT_TRUE(
                     has(d.frame(), menu_portrait(m.round_n, round_portrait_x, round_portrait_y)))
                     << describe(d.frame());
                 EXPECT_TRUE(globals_are({m.what, m.opt, 2, m.round_n}));
             },
             {buttons ? button_down(BTN_B) : key_down(KEY_B)},
             static_cast<int>(seed)});
    }

    // "x" on the round screen goes back to the title.
    void leave_round() {
        const Model m = m_;
        add({Shown::Round,
             "x on the round screen",
             [m](const ScreenDriver& d) {
                 EXPECT_TRUE(has(d.frame(), round_number(m.round_n)));
                 EXPECT_TRUE(globals_are({m.what, m.opt, 2, m.round_n}));
             },
             {key_down(KEY_X)}});
    }

    // A frame of the game: its opponent's portrait, every ball placed so far, a false banner
    // for each wrong row and the right banner once a row is right.
    void on_game(const char* name, Batch press) {
        const Model m = m_;
        const int opponent = game_.opponent, placed = game_.pegs_entered, wrong = wrong_rows(),
                  right = right_row() ? 1 : 0;
        add({Shown::Game, name,
             [=](const ScreenDriver& d) {
                 EXPECT_TRUE(has(d.frame(), game_portrait(opponent))) << describe(d.frame());
                 EXPECT_EQ(count_balls(d.frame()), placed);
                 EXPECT_EQ(count_sprites(d.frame(), bmp::falce), wrong);
                 EXPECT_EQ(count_sprites(d.frame(), bmp::rite), right);
                 EXPECT_TRUE(globals_are({m.what, m.opt, m.cropp, m.round_n}));
             },
             std::move(press)});
    }

    // Rows entered one per frame, by keys or by buttons.
    void enter_rows(const std::vector<Row>& rows, bool buttons) {
        for (const Row& row : rows) {
            on_game("a row", ball_presses(row, buttons));
            for (int c : row)
                place(c);
        }
    }

    // Seven rows that are not the code, one per frame or all in one batch.
    void lose(bool buttons, bool in_one_batch) {
        const std::vector<Row> rows(ROWS, wrong_row(code_));
        if (!in_one_batch) return enter_rows(rows, buttons);
        Batch all;
        for (const Row& row : rows)
            all = all + ball_presses(row, buttons);
        on_game("seven rows at once", all);
        for (const Row& row : rows)
            for (int c : row)
                place(c);
    }

    // Wrong rows, then the code.
    void win(int wrong_rows_first, bool buttons) {
        enter_rows(std::vector<Row>(wrong_rows_first, wrong_row(code_)), buttons);
        enter_rows({code_}, buttons);
    }

    // Help opened from the game after the first balls of the next row, closed by a press that
    // must not reach the game, then the rest of that row.
    void row_around_help(const Row& row, int before, SDL_Event open, SDL_Event close) {
        on_game("balls, then help", ball_presses(row, false, 0, before) + Batch{open});
        for (int h = 0; h < before; ++h)
            place(row[h]);
        add({Shown::Help,
             "help from the game",
             [](const ScreenDriver& d) { EXPECT_TRUE(help_alone(d.frame())); },
             {close}});
        on_game("the rest of the row after help", ball_presses(row, true, before, HOLES - before));
        for (int h = before; h < HOLES; ++h)
            place(row[h]);
    }

    // SELECT after some balls of wrong rows (and whatever is queued behind it).
    void select_after(int count, Batch behind = {}) {
        const Row row = wrong_row(code_);
        Batch press;
        for (int i = 0; i < count; ++i)
            press.push_back(key_down(colour_keys[row[i % HOLES] - 1]));
        on_game("SELECT", press + Batch{button_down(BTN_SELECT)} + behind);
    }

    // The banner of the deciding row waits for any press; then the win or loss screen, whose
    // "b" leads on. Beating opponent 6 ends on the error screen instead.
    void end_game(SDL_Event close, SDL_Event b) {
        const bool won = right_row();
        if (won && game_.opponent == 6) return on_error(close);
        on_game("the deciding row's banner", {close});
        const Model m = m_;
        add({won ? Shown::Win : Shown::Loss,
             won ? "win screen" : "loss screen",
             [m, won](const ScreenDriver& d) {
                 EXPECT_TRUE(has(d.frame(), text_at(result_line(won, m.cropp == 2), result_line_x,
                                                    result_line_y, WHITE)))
                     << describe(d.frame());
                 EXPECT_TRUE(globals_are({m.what, m.opt, m.cropp, m.round_n}));
             },
             {b}});
        if (won && m_.cropp == 2) ++m_.round_n;
    }

    // The error screen: two flashes of 100 ms asked for, then its text until any press.
    void on_error(SDL_Event close, bool press = true) {
        const Model m = m_;
        add({Shown::Error, "error screen",
             [m](const ScreenDriver& d) {
                 EXPECT_EQ(d.pauses(), (std::vector<int>{100, 100}))
                     << "pauses asked for by the error screen's flashes";
                 EXPECT_TRUE(has(d.frame(),
                                 text_at("Sorry, an error occured in the system.", 10, 10, BLACK)))
                     << describe(d.frame());
                 EXPECT_TRUE(globals_are({m.what, m.opt, m.cropp, m.round_n}));
             },
             press ? Batch{close} : Batch{}});
    }

    const Row& code() const { return code_; }

  private:
    void add(Step s) { out_.push_back(std::move(s)); }

    // The game the screens must show: its code as the opponent's rule draws it after srand(seed),
    // and the balls placed so far.
    void begin_game(int opponent, unsigned seed) {
        game_ = Game{};
        game_.opponent = opponent;
        code_ = codes_after(seed, {opponent})[0];
        std::copy(code_.begin(), code_.end(), game_.code);
    }

    void place(int colour) { place_ball(game_, colour); }

    // Full rows judged wrong before the first right one.
    int wrong_rows() const {
        int n = 0;
        while (n < ROWS && game_.row_full[n] && !expected_verdict(game_, n).right)
            ++n;
        return n;
    }

    // The full row after the wrong ones, if any, is right.
    bool right_row() const {
        const int r = wrong_rows();
        return r < ROWS && game_.row_full[r];
    }

    std::vector<Step>& out_;
    Model& m_;
    Game game_;
    Row code_{};
};

// ---- Fixture ----

class Flow : public FreshStart {
  protected:
    void SetUp() override {
        FreshStart::SetUp();
        ASSERT_NE(screen, nullptr) << "no video surface";
        // Screens are told apart by their pictures.
        ASSERT_TRUE(pictures_loaded_and_distinct());
        // Balls are counted by picture.
        for (SDL_Surface** ball : balls)
            ASSERT_NE(*ball, nullptr) << "a ball did not load";
    }
};

// Presses that close a banner, help or the error screen: any key or button will do, and none
// may reach the screen after it.
SDL_Event any_press(int i) {
    const SDL_Event presses[] = {key_down(KEY_B),        button_down(BTN_A),  key_down(KEY_X),
                                 button_down(BTN_START), key_down(KEY_SPACE), button_down(BTN_Y)};
    return presses[i % 6];
}

SDL_Event b_press(bool button) {
    return button ? button_down(BTN_B) : key_down(KEY_B);
}

// ---- Thousands of round trips ----

// Quick Games played, tournaments played, and how many blocks go before each wait's depth is
// fixed as its reference: ten Quick Games of every kind, then a tournament, make a block.
constexpr int quick_games = 10000, tournaments = 1000;
constexpr int block = quick_games / tournaments + 1;
constexpr int early_blocks = 3;

// One Quick Game from the title back to it, the kind chosen by its place in the block: kinds
// 0, 2, 3, 6 and 9 are lost (3 by buttons, 6 with all seven rows in one batch), 1, 5 and 7 won,
// 4 and 8 left with SELECT; 5 and 8 open help in the game, 2 and 7 move on with Right first.
void quick_game(Plan& p, int kind, unsigned seed, int b) {
    const bool buttons = kind == 3;
    p.title_to_quick_game(buttons);
    if (kind == 2) p.step_right();
    if (kind == 7)
        for (int i = 0; i <= b % 2; ++i)
            p.step_right();
    p.start_quick_game(seed, buttons || kind == 1);
    switch (kind) {
    case 1: p.win(b % ROWS, false); break;
    case 4: return p.select_after(b % 9);
    case 5: p.row_around_help(p.code(), 2, key_down(KEY_SPACE), key_down(KEY_B)); break;
    case 6: p.lose(false, true); break;
    case 7: p.win(0, true); break;
    case 8:
        p.row_around_help(wrong_row(p.code()), 0, button_down(BTN_START), button_down(BTN_B));
        return p.select_after(1);
    default: p.lose(buttons, false); break;
    }
    p.end_game(any_press(kind + b), b_press(kind % 2 == 1));
}

// One tournament from the title: six rounds, each won in row 1, then the error screen.
void tournament(Plan& p, unsigned seed, int b) {
    p.title_to_tournament(b % 2 == 1);
    for (int n = 1; n <= 6; ++n) {
        p.start_round(seed + n, (b + n) % 3 == 0);
        p.enter_rows({p.code()}, n % 2 == 0);
        p.end_game(any_press(b + n), b_press(n % 2 == 1));
    }
}

// Every place where the run waits, each reached in the first blocks already: each kind of Quick
// Game, a whole tournament, help over a game, banners, the error screen. A dispatcher that nested
// the next screen inside the one before would reach them deeper at every change of screen.
TEST_F(Flow, ThousandsOfRoundTripsLeaveTheStackAsDeepAsTheFirstFew) {
    const Shown waits[] = {Shown::Title, Shown::Selection, Shown::Round, Shown::Game,
                           Shown::Help,  Shown::Win,       Shown::Loss,  Shown::Error};
    Model m;
    ScreenDriver d;
    int session = 0, quick_played = 0, tournaments_played = 0;
    d.more = [&](std::vector<Step>& out) {
        if (session == early_blocks * block) {
            for (Shown s : waits)
                EXPECT_TRUE(d.depths().seen(static_cast<size_t>(s)))
                    << "the " << name_of(s) << " screen waited nowhere in the first sessions";
            d.depths().fix();
        }
        if (session > quick_games + tournaments) return false;
        Plan p(out, m);
        if (session == quick_games + tournaments) {
            p.on_title("the title after the last session", {});
        } else {
            const int b = session / block, kind = session % block;
            const unsigned seed = 1000u + 10u * static_cast<unsigned>(session);
            d.context = "session " + std::to_string(session + 1) +
                        (kind == block - 1 ? " (tournament)"
                                           : " (Quick Game of kind " + std::to_string(kind) + ")");
            if (kind == block - 1) {
                tournament(p, seed, b);
                ++tournaments_played;
            } else {
                quick_game(p, kind, seed, b);
                ++quick_played;
            }
        }
        ++session;
        return true;
    };
    ASSERT_TRUE(run_script(d));
    std::printf("%d Quick Games, %d tournaments, %zu steps; the seam was called at most %ld bytes "
                "below the driver's frame, and at most %ld bytes deeper after the first %d "
                "sessions than in them; the depth of each wait:",
                quick_played, tournaments_played, d.steps_run(), d.depths().depth(),
                d.depths().growth(), early_blocks * block);
    for (Shown s : waits)
        std::printf("%s %s %ld", s == waits[0] ? "" : ",", name_of(s),
                    d.depths().depth(static_cast<size_t>(s)));
    std::printf("\n");
    EXPECT_TRUE(d.depths().flat());
}

// ---- Presses queued across screens ----

struct SelectCase {
    const char* name;
    Batch behind; // queued behind SELECT
    Shown next;
    int what_after;
};

std::ostream& operator<<(std::ostream& os, const SelectCase& c) {
    return os << c.name;
}

class SelectThenQueued : public Flow, public testing::WithParamInterface<SelectCase> {};

INSTANTIATE_TEST_SUITE_P(
    Game, SelectThenQueued,
    testing::Values(SelectCase{"DownMovesTheTitleMark", {key_down(KEY_DOWN)}, Shown::Title, 1},
                    SelectCase{"UpWrapsTheTitleMarkToQuit", {button_down(BTN_UP)}, Shown::Title, 3},
                    SelectCase{"ThreeMovesAllCount",
                               {key_down(KEY_DOWN), button_down(BTN_DOWN), key_down(KEY_UP)},
                               Shown::Title,
                               1},
                    SelectCase{
                        "SpaceOpensTheSelection", {key_down(KEY_SPACE)}, Shown::Selection, 0},
                    SelectCase{"DownSpaceStartsATournament",
                               {key_down(KEY_DOWN), key_down(KEY_SPACE)},
                               Shown::Round,
                               1}),
    ByName());

TEST_P(SelectThenQueued, PressesQueuedBehindSelectReachTheTitle) {
    const SelectCase& c = GetParam();
    Model m;
    std::vector<Step> steps;
    Plan p(steps, m);
    p.title_to_quick_game(false);
    p.start_quick_game(33, false);
    p.select_after(2, c.behind);
    const Shown next = c.next;
    const int what_after = c.what_after;
    steps.push_back({next,
                     "the screen after SELECT",
                     [next, what_after](const ScreenDriver& d) {
                         EXPECT_EQ(what, what_after);
                         if (next == Shown::Title) {
                             EXPECT_TRUE(has(d.frame(), title_mark(what_after)))
                                 << describe(d.frame());
                             EXPECT_EQ(cropp, 1);
                         }
                         if (next == Shown::Selection) {
                             EXPECT_TRUE(has(d.frame(), selection_mark(1)));
                             EXPECT_EQ(cropp, 1);
                         }
                         if (next == Shown::Round) {
                             EXPECT_TRUE(has(d.frame(), round_number(1)));
                             EXPECT_EQ(round_n, 1);
                             EXPECT_EQ(cropp, 2);
                         }
                     },
                     {}});
    ScreenDriver d(steps);
    EXPECT_TRUE(run_script(d));
}

// ---- The window's close button ----

// Where the close request comes: the script's steps up to that screen or wait, and whether it
// comes during the error screen's flash instead of at the last step.
struct QuitCase {
    const char* name;
    std::function<void(Plan&, Model&, std::vector<Step>&)> lead;
    bool during_flash = false;
};

std::ostream& operator<<(std::ostream& os, const QuitCase& c) {
    return os << c.name;
}

// A close request, and behind it a press that would act on the screen where it comes.
Batch quit_then(SDL_Event press) {
    return {quit_request(), press};
}

// A game against opponent `to` of the selection (moved left from opponent 1).
void quick_game_against(Plan& p, Model& m, int to, unsigned seed) {
    p.title_to_quick_game(false);
    for (int o = 1; o != to; o = o == 1 ? 6 : o - 1) {
        p.on_selection("left", {key_down(KEY_LEFT)});
        m.opt = m.opt == 1 ? 6 : m.opt - 1;
    }
    p.start_quick_game(seed, false);
}

const QuitCase quit_cases[] = {
    {"Title", [](Plan& p, Model&,
                 std::vector<Step>&) { p.on_title("close", quit_then(key_down(KEY_SPACE))); }},
    {"HelpFromTitle",
     [](Plan& p, Model& m, std::vector<Step>& s) {
         p.on_title("to help", {key_down(KEY_DOWN), key_down(KEY_DOWN), key_down(KEY_SPACE)});
         m.what = 2;
         s.push_back({Shown::Help, "close", nullptr, quit_then(key_down(KEY_DOWN))});
     }},
    {"Selection",
     [](Plan& p, Model&, std::vector<Step>&) {
         p.title_to_quick_game(false);
         p.on_selection("close", quit_then(key_down(KEY_B)));
     }},
    {"RoundScreen",
     [](Plan& p, Model&, std::vector<Step>& s) {
         p.title_to_tournament(false);
         s.push_back({Shown::Round, "close", nullptr, quit_then(key_down(KEY_B))});
     }},
    {"Game",
     [](Plan& p, Model& m, std::vector<Step>&) {
         quick_game_against(p, m, 1, 71);
         p.on_game("close", quit_then(key_down(KEY_X)));
     }},
    {"HelpFromGame",
     [](Plan& p, Model& m, std::vector<Step>& s) {
         quick_game_against(p, m, 1, 72);
         p.on_game("help", {key_down(KEY_SPACE)});
         s.push_back({Shown::Help, "close", nullptr, quit_then(key_down(KEY_SPACE))});
     }},
    {"RightRowBanner",
     [](Plan& p, Model& m, std::vector<Step>&) {
         quick_game_against(p, m, 1, 73);
         p.enter_rows({p.code()}, false);
         p.on_game("close", quit_then(key_down(KEY_B)));
     }},
    {"WrongSeventhRowBanner",
     [](Plan& p, Model& m, std::vector<Step>&) {
         quick_game_against(p, m, 1, 74);
         p.lose(false, false);
         p.on_game("close", quit_then(key_down(KEY_B)));
     }},
    {"TournamentWinScreen",
     [](Plan& p, Model&, std::vector<Step>& s) {
         p.title_to_tournament(false);
         p.start_round(75, false);
         p.enter_rows({p.code()}, false);
         p.on_game("the right banner", {key_down(KEY_A)});
         s.push_back({Shown::Win, "close", nullptr, quit_then(key_down(KEY_B))});
     }},
    {"LossScreen",
     [](Plan& p, Model& m, std::vector<Step>& s) {
         quick_game_against(p, m, 1, 76);
         p.lose(false, false);
         p.on_game("the false banner", {key_down(KEY_A)});
         s.push_back({Shown::Loss, "close", nullptr, quit_then(key_down(KEY_B))});
     }},
    {"ErrorScreen",
     [](Plan& p, Model& m, std::vector<Step>&) {
         quick_game_against(p, m, 6, 77);
         p.enter_rows({p.code()}, false);
         p.on_error(quit_request());
     }},
    {"ErrorScreenFlash",
     [](Plan& p, Model& m, std::vector<Step>&) {
         quick_game_against(p, m, 6, 78);
         p.enter_rows({p.code()}, false);
     },
     true},
};

class CloseRequest : public Flow, public testing::WithParamInterface<QuitCase> {};

INSTANTIATE_TEST_SUITE_P(EveryScreenAndWait, CloseRequest, testing::ValuesIn(quit_cases), ByName());

int shutdowns = 0;
void count_shutdown() {
    ++shutdowns;
}

// The window's close button ends the program as Escape on the title does: run_screens() returns
// status 0 for the exit handler to shut down, nothing is drawn after the request is taken, what
// is queued behind it does nothing, and no flow global moves (a win in a tournament would count
// the round on).
TEST_P(CloseRequest, EndsTheProgramWithStatusZeroAtOnce) {
    const QuitCase& c = GetParam();
    Model m;
    std::vector<Step> steps;
    Plan p(steps, m);
    c.lead(p, m, steps);
    size_t calls_before_quit = 0; // calls drawn when the request was queued
    if (!c.during_flash)
        steps.back().check = [&calls_before_quit,
                              check = steps.back().check](const ScreenDriver& d) {
            if (check) check(d);
            calls_before_quit = d.calls().size();
        };
    ScreenDriver d(steps);
    d.real_pauses = false;
    bool queued = !c.during_flash;
    d.during_pause = [&](int) {
        if (queued) return;
        push(quit_then(key_down(KEY_DOWN)));
        queued = true;
    };
    shutdowns = 0;
    on_terminate = count_shutdown;
    const std::optional<int> status = d.run(run_screens);
    on_terminate = nullptr;

    ASSERT_EQ(status, std::optional<int>(0)) << "run_screens() did not end with status 0";
    EXPECT_TRUE(d.finished()) << d.steps_run() << " of " << steps.size() << " steps ran";
    EXPECT_TRUE(queued) << "the close request was never queued";
    EXPECT_EQ(shutdowns, 0) << "shut down in place instead of by the exit handler";
    if (c.during_flash) {
        // Queued while nothing is taken, it ends the wait that follows the flash.
        EXPECT_EQ(d.shown(), Shown::Error);
    } else {
        // A screen that redraws shows one more frame of itself before it takes what was queued
        // at its empty poll; a wait takes it at once. Nothing is drawn after that.
        const std::vector<Call> after(d.calls().begin() + static_cast<long>(calls_before_quit),
                                      d.calls().end());
        const long flips = std::count_if(after.begin(), after.end(), [](const Call& call) {
            return call.kind == DrawCall::Flip;
        });
        EXPECT_TRUE(after.empty() || (flips == 1 && after.back().kind == DrawCall::Flip &&
                                      screen_of(after) == steps.back().expect))
            << "drawn after the close request was queued on the " << name_of(*steps.back().expect)
            << " screen:" << describe(after);
    }
    EXPECT_TRUE(globals_are({m.what, m.opt, m.cropp, m.round_n}));
}

struct FirstTournament {
    const char* name;
    int last_round; // the round the first tournament reaches
    bool lost;      // lost there; else left with "x" on its round screen
};

std::ostream& operator<<(std::ostream& os, const FirstTournament& c) {
    return os << c.name;
}

class SecondTournament : public Flow, public testing::WithParamInterface<FirstTournament> {};

INSTANTIATE_TEST_SUITE_P(Tournament, SecondTournament,
                         testing::Values(FirstTournament{"LeftOnRoundOne", 1, false},
                                         FirstTournament{"LeftOnRoundThree", 3, false},
                                         FirstTournament{"LeftOnRoundSix", 6, false},
                                         FirstTournament{"LostInRoundTwo", 2, true},
                                         FirstTournament{"LostInRoundFive", 5, true}),
                         ByName());

TEST_P(SecondTournament, StartsAtRoundOneWhateverRoundTheFirstReached) {
    const FirstTournament& c = GetParam();
    Model m;
    std::vector<Step> steps;
    Plan p(steps, m);
    p.title_to_tournament(false);
    for (int n = 1; n < c.last_round; ++n) {
        p.start_round(500 + n, false);
        p.enter_rows({p.code()}, false);
        p.end_game(key_down(KEY_A), key_down(KEY_B));
    }
    if (c.lost) {
        p.start_round(500 + c.last_round, true);
        p.lose(false, false);
        p.end_game(key_down(KEY_A), key_down(KEY_B));
    } else {
        p.leave_round();
    }
    p.title_to_tournament(false); // the title checks round_n is still the round reached
    p.start_round(900, false);    // round 1 against opponent 1 again
    ScreenDriver d(steps);
    EXPECT_TRUE(run_script(d));
}

} // namespace
