// Soak of the whole program in-process: random and purposeful presses through every screen.
//
// The real dispatcher runs from the title menu while the empty-queue seam feeds it bursts of one
// to ten events: presses and releases of bound and unbound keys, buttons 0-20 of joysticks 0 and
// 1, stick motion and the window's close requests. A press chooser reading the drawn frames plays
// on purpose most of the time (menus, opponents, and games solved from the markers), so wins, whole
// tournaments and the error screen come round again and again. Every way out is intercepted and
// the screens start over: Escape on the title and a close request anywhere make run_screens()
// return, and a shutdown ("Quit", Escape in a game) goes to the on_terminate seam instead of
// quitting SDL and starting the handheld's menu.
//
// Checked all along: no crash, no hang (a watchdog thread aborts when no frame comes for a few
// seconds; a screen that keeps polling without drawing, or drawing without polling, fails), a
// flat stack, the flow globals in range, every game frame's balls, markers and banners against
// the rules' statement (tests/support/rules_model.h) and the code its opponent's rule drew, and
// where every game ends. Figures are printed at the end of each run.
//
// The short run, one fixed seed and about 50,000 events, is a CTest test. The long run, three
// seeds of a million events each, from the project root (any build folder will do):
//
//   SOAK_SEEDS="101 202 303" SOAK_EVENTS=1000000 build/tests/soak_test
//
// SOAK_SEEDS holds the seeds, separated by spaces; SOAK_EVENTS the events pushed in each run.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <optional>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "rules_model.h"
#include "game/rules.h"
#include "layout.h"
#include "platform/platform.h"
#include "screens/flow.h"
#include "sdl_fixture.h"

namespace {

// ---- No real shutdown, ever ----

// The process's shutdown hook whenever no soak runs: a shutdown that reached the real one would
// quit SDL and replace this process with the handheld's menu program.
void refuse_shutdown() {
    std::fputs("soak: Terminate was called with no soak counting shutdowns; refusing to shut "
               "down for real\n",
               stderr);
    std::abort();
}

// Start-up once for the whole process, with the shutdown seam taken before anything can run.
class HeadlessNoShutdown : public HeadlessSdl {
  public:
    void SetUp() override {
        on_terminate = &refuse_shutdown;
        HeadlessSdl::SetUp();
    }
};

[[maybe_unused]] testing::Environment* const headless =
    testing::AddGlobalTestEnvironment(new HeadlessNoShutdown);

// ---- Events ----

// Keys no screen binds, Escape apart, and the keys the screens bind.
const int unbound_keys[] = {SDLK_RETURN, SDLK_TAB,   SDLK_BACKSPACE, SDLK_DELETE, SDLK_z,
                            SDLK_q,      SDLK_c,     SDLK_1,         SDLK_F1,     SDLK_HOME,
                            SDLK_LSHIFT, SDLK_LCTRL, SDLK_KP8,       SDLK_UNKNOWN};
const int bound_keys[] = {KEY_SPACE, KEY_A,  KEY_B,    KEY_L,     KEY_R,   KEY_X,
                          KEY_Y,     KEY_UP, KEY_DOWN, KEY_RIGHT, KEY_LEFT};
constexpr int buttons = 21; // 0 to 20; the handheld has 0 to 15

bool is_press(const SDL_Event& e) {
    return e.type == SDL_KEYDOWN || e.type == SDL_JOYBUTTONDOWN;
}
bool is_b(const SDL_Event& e) {
    return (e.type == SDL_KEYDOWN && e.key.keysym.sym == KEY_B) ||
           (e.type == SDL_JOYBUTTONDOWN && e.jbutton.button == BTN_B);
}
bool is_quit_request(const SDL_Event& e) {
    return e.type == SDL_QUIT;
}
bool is_escape(const SDL_Event& e) {
    return e.type == SDL_KEYDOWN && e.key.keysym.sym == KEY_ESCAPE;
}
// A press that places a ball in a game.
bool is_colour(const SDL_Event& e) {
    for (int c = 0; c < COLOURS; ++c)
        if ((e.type == SDL_KEYDOWN && e.key.keysym.sym == colour_keys[c]) ||
            (e.type == SDL_JOYBUTTONDOWN && e.jbutton.button == colour_buttons[c]))
            return true;
    return false;
}

SDL_Event axis_event(int joystick, int axis, int value) {
    SDL_Event e{};
    e.type = SDL_JOYAXISMOTION;
    e.jaxis.type = SDL_JOYAXISMOTION;
    e.jaxis.which = static_cast<Uint8>(joystick);
    e.jaxis.axis = static_cast<Uint8>(axis);
    e.jaxis.value = static_cast<Sint16>(value);
    return e;
}

std::string describe_all(const std::vector<SDL_Event>& events, long more) {
    std::string s = describe(events);
    if (more > 0) s = "[" + std::to_string(more) + " earlier, then] " + s;
    return s;
}

// ---- What a frame shows ----

// What the screen waits for after showing a still frame: nothing (it redraws), any press (help,
// a deciding row's banner, the error screen) or B (the win and loss screens).
enum class Wait { No, AnyPress, B };

// The row and hole whose place, by rect_of(row, hole), the call covers exactly; row -1 when none.
struct Place {
    int row = -1, hole = -1;
};

Place place_of(const Call& c, SDL_Rect (*rect_of)(int, int)) {
    for (int r = 0; r < ROWS; ++r)
        for (int h = 0; h < HOLES; ++h) {
            const SDL_Rect at = rect_of(r, h);
            if (c.x == at.x && c.y == at.y && c.w == at.w && c.h == at.h) return {r, h};
        }
    return {};
}

// One game frame as drawn: the ball in each hole, the markers and banners by row, the opponent by
// portrait, and any call no game frame holds.
struct Board {
    int opponent = 0;
    int ball[ROWS][HOLES] = {};
    int balls = 0;
    int white[ROWS][HOLES] = {}, black[ROWS][HOLES] = {}, cross[ROWS][HOLES] = {};
    int rite[ROWS] = {}, falce[ROWS] = {};
    std::string problems;
};

std::string where(int row, int hole) {
    return "row " + std::to_string(row + 1) + " hole " + std::to_string(hole + 1);
}

Board read_board(const std::vector<Call>& segment) {
    Board b;
    const auto problem = [&b](const Call& c, const char* what) {
        b.problems += std::string("\n  ") + what + ": " + describe(c);
    };
    for (size_t k = 1; k < segment.size(); ++k) { // the first call is the background
        const Call& c = segment[k];
        if (c.kind == DrawCall::Text) {
            if (c.text != "Opponent" || c.x != 12 || c.y != 100) problem(c, "unexpected text");
            continue;
        }
        if (c.kind != DrawCall::Sprite) {
            problem(c, "unexpected call");
            continue;
        }
        bool known = false;
        for (int o = 0; o < COLOURS; ++o) {
            const Portrait& p = portraits[o];
            if (c.bitmap != *p.bitmap) continue;
            known = true;
            if (c.x != p.game_x || c.y != game_portrait_y || c.w != p.game_w || c.h != p.game_h ||
                b.opponent)
                problem(c, "portrait out of place");
            b.opponent = o + 1;
        }
        for (int colour = 1; colour <= COLOURS; ++colour) {
            if (c.bitmap != *balls[colour - 1]) continue;
            known = true;
            const Place at = place_of(c, hole_rect);
            if (at.row < 0) {
                problem(c, "ball off every hole");
                continue;
            }
            if (b.ball[at.row][at.hole]) problem(c, "second ball in one hole");
            b.ball[at.row][at.hole] = colour;
            ++b.balls;
        }
        if (c.bitmap == bmp::white || c.bitmap == bmp::black || c.bitmap == bmp::black_cross) {
            known = true;
            const Place at = place_of(c, marker_rect);
            if (at.row < 0) {
                problem(c, "marker off every marker place");
                continue;
            }
            ++(c.bitmap == bmp::white   ? b.white
               : c.bitmap == bmp::black ? b.black
                                        : b.cross)[at.row][at.hole];
        }
        if (c.bitmap == bmp::rite || c.bitmap == bmp::falce) {
            known = true;
            int r = 0;
            while (r < ROWS && banner_top[r] != c.y)
                ++r;
            const bool right = c.bitmap == bmp::rite;
            if (r == ROWS || c.x != banner_x || c.w != banner_w ||
                c.h != (right ? right_banner_h : false_banner_h[r])) {
                problem(c, "banner off every row");
                continue;
            }
            ++(right ? b.rite : b.falce)[r];
        }
        if (!known) problem(c, "unexpected picture");
    }
    if (!b.opponent) b.problems += "\n  no opponent's portrait";
    return b;
}

// ---- What a frame must show: the rules' statement ----

// The first full row that is right, or -1; a game with none whose last row is full is lost.
int right_row(const Game& g) {
    for (int r = 0; r < ROWS; ++r)
        if (g.row_full[r] && expected_verdict(g, r).right) return r;
    return -1;
}
bool lost(const Game& g) {
    return g.row_full[ROWS - 1] && right_row(g) < 0;
}
bool decided(const Game& g) {
    return right_row(g) >= 0 || lost(g);
}

// The game a frame must show for its count of balls and the code: as many balls placed as are
// drawn, where the rules put them, each of the colour drawn there. What the drawing shows
// otherwise is added to the problems.
Game game_of(const Board& b, const Code& code, std::ostringstream& problems) {
    Game g;
    g.opponent = b.opponent;
    std::copy(code.begin(), code.end(), g.code);
    for (int k = 0; k < b.balls; ++k)
        place_ball(g, COLOURS + 1); // a colour no ball has: only where each ball goes counts
    for (int r = 0; r < ROWS; ++r)
        for (int h = 0; h < HOLES; ++h) {
            const bool placed = g.board[r][h] != 0;
            if (placed && !b.ball[r][h])
                problems << "\n  " << where(r, h) << " is empty while " << b.balls
                         << " balls are drawn";
            if (!placed && b.ball[r][h])
                problems << "\n  " << where(r, h) << " holds a ball while only " << b.balls
                         << " balls are drawn";
            g.board[r][h] = b.ball[r][h];
        }
    return g;
}

const char* name_of(Mark m) {
    return m == Mark::White ? "white" : m == Mark::Black ? "black" : "crossed";
}

// The markers and banners the frame must show: on every full row up to the first right one, the
// row's verdict (a crossed marker is a black one with a cross over it) and a banner, none for the
// right row against opponent 6; nothing on any other row.
std::string verdict_problems(const Board& b, const Game& g) {
    std::ostringstream os;
    const int right = right_row(g);
    for (int r = 0; r < ROWS; ++r) {
        const bool judged = g.row_full[r] && (right < 0 || r <= right);
        const RowVerdict v = expected_verdict(g, r);
        for (int h = 0; h < HOLES; ++h) {
            const Mark m = v.marks[h];
            const int want_white = judged && m == Mark::White ? 1 : 0,
                      want_black = judged && m != Mark::White ? 1 : 0,
                      want_cross = judged && m == Mark::BlackCross ? 1 : 0;
            if (b.white[r][h] != want_white || b.black[r][h] != want_black ||
                b.cross[r][h] != want_cross) {
                os << "\n  " << where(r, h) << " shows " << b.white[r][h] << " white, "
                   << b.black[r][h] << " black, " << b.cross[r][h] << " crossed markers; ";
                if (judged)
                    os << "its verdict is " << name_of(m);
                else
                    os << "its row is " << (g.row_full[r] ? "below the right row" : "not full");
            }
        }
        const int want_rite = judged && v.right && g.opponent != 6 ? 1 : 0;
        const int want_falce = judged && !v.right ? 1 : 0;
        if (b.rite[r] != want_rite || b.falce[r] != want_falce)
            os << "\n  row " << r + 1 << " has " << b.rite[r] << " right and " << b.falce[r]
               << " false banners, expected " << want_rite << " and " << want_falce;
    }
    return os.str();
}

std::string describe_board(const Board& b, const Code& code) {
    std::ostringstream os;
    os << "opponent " << b.opponent << ", code " << code[0] << code[1] << code[2] << code[3] << ", "
       << b.balls << " balls (W white, B black, X cross)";
    for (int r = 0; r < ROWS; ++r) {
        if (!std::any_of(b.ball[r], b.ball[r] + HOLES, [](int c) { return c != 0; })) continue;
        os << "\n    row " << r + 1 << ":";
        for (int h = 0; h < HOLES; ++h)
            os << " " << b.ball[r][h]
               << (b.white[r][h]   ? "W"
                   : b.cross[r][h] ? "X"
                   : b.black[r][h] ? "B"
                                   : "");
    }
    return os.str();
}

// A presented frame as the chooser sees it.
struct View {
    Shown shown = Shown::Nothing;
    Wait wait = Wait::No;
    int title_mark = -1; // the marked title entry, when the title is shown
    int round = 0;       // the round number, when a round screen is shown
    Board board;         // when a game is shown
};

int title_mark_of(const std::vector<Call>& segment) {
    for (const Call& c : segment)
        if (c.kind == DrawCall::Text && c.text == "[ ]" && c.x == title_mark_x)
            for (int entry = 0; entry < 4; ++entry)
                if (c.y == title_entry_y[entry]) return entry;
    return -1;
}

int round_of(const std::vector<Call>& segment) {
    for (const Call& c : segment)
        if (c.kind == DrawCall::Text && c.x == round_number_x && c.y == round_number_y)
            return std::atoi(c.text.c_str());
    return 0;
}

// ---- Choosing presses ----

// Plays from the last presented frame. Most bursts do something on purpose (move to a menu
// entry and take it, start a game, fill the current row), padded with events that mean nothing
// anywhere; the rest are random events of every kind. In a game the chooser either breaks the
// code from the markers or guesses at random, chosen when the game starts.
class PressChooser {
  public:
    explicit PressChooser(unsigned seed) : rng_(seed) {}

    void new_game(bool tournament) { solving_ = chance(tournament ? 0.95 : 0.7); }

    Batch next(const View& v, bool tournament) {
        const double random_share = v.shown == Shown::Game    ? (tournament ? 0.08 : 0.2)
                                    : v.shown == Shown::Round ? 0.1
                                    : v.wait != Wait::No      ? 0.3
                                                              : 0.15;
        Batch on_purpose;
        if (!chance(random_share)) on_purpose = purpose(v);
        if (on_purpose.empty()) return random_burst();
        const int noise = roll(11 - static_cast<int>(on_purpose.size()));
        for (int i = 0; i < noise; ++i)
            on_purpose.insert(on_purpose.begin() + roll(static_cast<int>(on_purpose.size()) + 1),
                              harmless());
        return on_purpose;
    }

    // Events queued while the error screen flashes, which its wait then takes.
    Batch during_pause() { return chance(0.3) ? random_burst(3) : Batch{}; }

    // The guess for each hole from the rows judged so far: a white marker fixes the hole's
    // colour, a black one rules the colour out there and a cross rules it out everywhere. Each
    // wrong row rules out one colour more at each hole still open, so the code falls within six.
    static std::array<int, HOLES> solve(const Board& b) {
        bool out[HOLES][COLOURS + 1] = {};
        int fixed[HOLES] = {};
        for (int r = 0; r < ROWS; ++r)
            for (int h = 0; h < HOLES; ++h) {
                const int c = b.ball[r][h];
                if (c < 1 || c > COLOURS) continue;
                if (b.white[r][h]) {
                    fixed[h] = c;
                    continue;
                }
                if (!b.black[r][h]) continue; // not judged yet
                out[h][c] = true;
                if (b.cross[r][h])
                    for (auto& hole : out)
                        hole[c] = true;
            }
        std::array<int, HOLES> guess{};
        for (int h = 0; h < HOLES; ++h) {
            guess[h] = fixed[h];
            for (int c = 1; c <= COLOURS && !guess[h]; ++c)
                if (!out[h][c]) guess[h] = c;
            if (!guess[h]) guess[h] = 1; // markers that contradict each other: the check tells
        }
        return guess;
    }

  private:
    Batch purpose(const View& v) {
        switch (v.shown) {
        case Shown::Title: return title(v.title_mark);
        case Shown::Selection: return selection();
        case Shown::Round: return {chance(0.95) ? press(KEY_B, BTN_B) : press(KEY_X, BTN_X)};
        case Shown::Game: return v.wait != Wait::No ? Batch{any_press()} : game(v.board);
        case Shown::Help:
        case Shown::Error: return {any_press()};
        case Shown::Win:
        case Shown::Loss: return {press(KEY_B, BTN_B)};
        default: return {};
        }
    }

    // Moves the mark to an entry, mostly by the shorter way round, and takes it; Escape now
    // and then.
    Batch title(int marked) {
        if (marked < 0) return {};
        const int r = roll(100);
        if (r < 1) return {key_down(KEY_ESCAPE)};
        const int target = r < 5 ? 3 : r < 15 ? 2 : r < 55 ? 1 : 0;
        const int down = (target - marked + 4) % 4;
        const bool go_down = down == 0 || (down <= 2 ? chance(0.8) : chance(0.2));
        Batch b;
        for (int i = 0; i < (go_down ? down : 4 - down); ++i)
            b.push_back(go_down ? press(KEY_DOWN, BTN_DOWN) : press(KEY_UP, BTN_UP));
        b.push_back(press(KEY_SPACE, BTN_B));
        return b;
    }

    Batch selection() {
        Batch b;
        for (int i = roll(7); i > 0; --i)
            b.push_back(chance(0.5) ? press(KEY_LEFT, BTN_LEFT) : press(KEY_RIGHT, BTN_RIGHT));
        if (chance(0.3)) b.push_back(press(KEY_L, BTN_R));
        b.push_back(chance(0.92) ? press(KEY_B, BTN_B) : press(KEY_X, BTN_X));
        return b;
    }

    // The rest of the current row, and no further: the next row waits for this one's markers.
    Batch game(const Board& board) {
        const std::array<int, HOLES> guess = solve(board);
        Batch b;
        for (int h = board.balls % HOLES; h < HOLES; ++h) {
            const int c = solving_ ? guess[h] : 1 + roll(COLOURS);
            b.push_back(press(colour_keys[c - 1], colour_buttons[c - 1]));
        }
        return b;
    }

    Batch random_burst(int most = 10) {
        Batch b(1 + roll(most));
        for (SDL_Event& e : b)
            e = any_event();
        return b;
    }

    SDL_Event any_key_down() {
        if (chance(0.01)) return key_down(KEY_ESCAPE);
        if (chance(0.6)) return key_down(pick(bound_keys));
        return key_down(pick(unbound_keys));
    }

    SDL_Event any_press() {
        if (chance(0.5)) return any_key_down();
        return button_event(SDL_JOYBUTTONDOWN, roll(buttons), roll(2));
    }

    // Releases and stick motion: nothing on any screen.
    SDL_Event harmless() {
        switch (roll(3)) {
        case 0:
            return key_up(chance(0.05)  ? KEY_ESCAPE
                          : chance(0.5) ? pick(bound_keys)
                                        : pick(unbound_keys));
        case 1: return button_event(SDL_JOYBUTTONUP, roll(buttons), roll(2));
        default: return axis_event(roll(2), roll(4), roll(65536) - 32768);
        }
    }

    SDL_Event any_event() {
        // About as often as Escape: each one ends the run, wherever it comes.
        if (chance(0.004)) return quit_request();
        const int r = roll(100);
        if (r < 35) return any_key_down();
        if (r < 60) return button_event(SDL_JOYBUTTONDOWN, roll(buttons), roll(2));
        return harmless();
    }

    // The key or the button that does the same, half and half.
    SDL_Event press(int key, int button) {
        return chance(0.5) ? key_down(key) : button_event(SDL_JOYBUTTONDOWN, button, roll(2));
    }

    template <int N> int pick(const int (&from)[N]) { return from[roll(N)]; }
    int roll(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    bool chance(double p) { return std::bernoulli_distribution(p)(rng_); }

    std::mt19937 rng_;
    bool solving_ = true;
};

// ---- The soak ----

// Where the program waits for presses; each reaches the seam at a depth of its own.
enum Reached {
    AtTitle,
    AtSelection,
    AtRound,
    InGame,
    AtBanner,
    HelpFromTitle,
    HelpFromGame,
    AtWin,
    AtLoss,
    AtError,
    ReachedKinds
};

const char* const reached_names[ReachedKinds] = {"title",
                                                 "selection",
                                                 "round screen",
                                                 "game",
                                                 "deciding row's banner",
                                                 "help from the title",
                                                 "help from a game",
                                                 "win screen",
                                                 "loss screen",
                                                 "error screen"};

struct Figures {
    unsigned seed = 0;
    long events = 0, frames = 0, game_frames = 0;
    long games = 0, won = 0, won_against_6 = 0, lost = 0, left = 0, escaped = 0;
    long rounds[6] = {}; // entries into the round screen of round 1..6
    long errors = 0, errors_ending_tournament = 0;
    long help = 0, help_from_game = 0;
    long title_escapes = 0, shutdowns = 0, quits_on_title = 0;
    long close_requests = 0, close_requests_in_game = 0; // runs ended by the close button
    long depth = 0;                 // deepest call of the seam, bytes below the runner's frame
    long depths[ReachedKinds] = {}; // each wait's reference depth, likewise
    long growth = 0;                // deepest call of a wait below its reference
    long reference_events = 0;      // events pushed when the references were taken
    double seconds = 0;
};

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};
struct Done {};

class Soak {
  public:
    static constexpr int patience = 2000; // empty polls with nothing to go on
    static constexpr int frames_without_poll = 1000;
    static constexpr long early_events = 5000; // before each wait's depth is fixed
    static constexpr auto watchdog_limit = std::chrono::seconds(5);

    Soak(unsigned seed, long events) : chooser_(seed), target_(events) { f_.seed = seed; }

    // Runs the screens until the events are pushed; failures are reported.
    Figures run() {
        volatile char base = 0;
        depths_.start(reinterpret_cast<std::uintptr_t>(&base));
        code_seed_ = f_.seed; // the opponents' codes too follow the seed
        std::srand(code_seed_);
        const auto started = Clock::now();
        last_frame_ns_ = now_ns();
        {
            Installed seams(*this);
            Watchdog dog(*this);
            try {
                for (;;) {
                    start_over();
                    // A shutdown that missed the counter would quit SDL and start the menu.
                    if (on_terminate != &Soak::shutdown_hook) {
                        std::fputs("soak: the shutdown seam is not set; not starting\n", stderr);
                        std::abort();
                    }
                    run_screens();
                    returned();
                }
            } catch (const Done&) {
            } catch (const Failure& e) {
                ADD_FAILURE() << e.what() << "\n" << context();
            }
        }
        take_queue();
        f_.events = events_pushed_;
        f_.frames = frames_;
        f_.seconds = std::chrono::duration<double>(Clock::now() - started).count();
        f_.depth = depths_.depth();
        f_.growth = depths_.growth();
        for (int k = 0; k < ReachedKinds; ++k)
            f_.depths[k] = depths_.depth(k);
        return f_;
    }

  private:
    // ---- Seams ----

    struct Installed : OnSeams<Soak> {
        explicit Installed(Soak& s) : OnSeams(s, &Soak::empty_hook, &Soak::draw_hook) {
            on_pause = &Soak::pause_hook;
            on_terminate = &Soak::shutdown_hook;
        }
        ~Installed() {
            on_pause = nullptr;
            on_terminate = &refuse_shutdown;
        }
    };

    static void empty_hook() {
        volatile char here = 0;
        OnSeams<Soak>::installed().empty_poll(reinterpret_cast<std::uintptr_t>(&here));
    }
    static void draw_hook(const DrawCall& d) { OnSeams<Soak>::installed().draw(d); }
    static void pause_hook(int) {
        Soak& s = OnSeams<Soak>::installed();
        s.push(s.chooser_.during_pause());
    }
    static void shutdown_hook() { OnSeams<Soak>::installed().shutdown(); }

    // ---- The watchdog ----

    // Aborts the process when no frame has been drawn for a while: a loop that neither draws
    // nor comes back to the seam can be stopped no other way.
    class Watchdog {
      public:
        explicit Watchdog(Soak& s) : soak_(s), thread_([this] { watch(); }) {}
        ~Watchdog() {
            {
                std::lock_guard<std::mutex> lock(m_);
                stop_ = true;
            }
            cv_.notify_one();
            thread_.join();
        }
        Watchdog(const Watchdog&) = delete;
        Watchdog& operator=(const Watchdog&) = delete;

      private:
        void watch() {
            std::unique_lock<std::mutex> lock(m_);
            while (!cv_.wait_for(lock, std::chrono::milliseconds(100), [this] { return stop_; }))
                if (now_ns() - soak_.last_frame_ns_ > watchdog_limit.count() * 1000000000LL) {
                    std::fprintf(stderr, "soak: HANG: no frame drawn for %lld s. %s\n",
                                 static_cast<long long>(watchdog_limit.count()),
                                 soak_.context().c_str());
                    std::fflush(stderr);
                    std::abort();
                }
        }

        Soak& soak_;
        std::mutex m_;
        std::condition_variable cv_;
        bool stop_ = false;
        std::thread thread_;
    };

    static long long now_ns() {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
            .count();
    }

    // Where the run stands, for failures and the watchdog (which reads it from its thread).
    std::string context() {
        std::lock_guard<std::mutex> lock(shared_);
        std::ostringstream os;
        os << "Seed " << f_.seed << ", " << events_pushed_ << " events pushed, " << frames_
           << " frames; the last frame shows the " << name_of(last_screen_) << " screen; "
           << since_frame_count_ << " events pushed since it: "
           << describe_all(since_frame_,
                           since_frame_count_ - static_cast<long>(since_frame_.size()));
        return os.str();
    }

    [[noreturn]] void fail(const std::string& what) { throw Failure(what); }

    // ---- Pushing and taking ----

    void push(const Batch& burst) {
        for (SDL_Event e : burst) {
            if (SDL_PushEvent(&e) != 0) fail("SDL's queue is full at " + describe(e));
            queued_.push_back(e);
        }
        std::lock_guard<std::mutex> lock(shared_);
        events_pushed_ += static_cast<long>(burst.size());
        since_frame_count_ += static_cast<long>(burst.size());
        for (const SDL_Event& e : burst) {
            if (since_frame_.size() == 40) since_frame_.erase(since_frame_.begin());
            since_frame_.push_back(e);
        }
    }

    static int queue_length() {
        static SDL_Event peeked[128];
        return SDL_PeepEvents(peeked, 128, SDL_PEEKEVENT, SDL_ALLEVENTS);
    }

    // Moves what the program has taken from SDL's queue out of the copy kept here; the queue is
    // first in, first out, so the program has taken the oldest.
    void note_taken() {
        const int left = queue_length();
        if (left > static_cast<int>(queued_.size()))
            fail("SDL's queue holds " + std::to_string(left) + " events, " +
                 std::to_string(queued_.size()) + " pushed");
        while (static_cast<int>(queued_.size()) > left) {
            const SDL_Event& e = queued_.front();
            ++taken_since_flip_;
            if (is_colour(e)) ++colour_taken_;
            if ((view_.wait == Wait::AnyPress && is_press(e)) || (view_.wait == Wait::B && is_b(e)))
                ender_since_flip_ = true;
            if (is_escape(e) && view_.shown == Shown::Title) escape_on_title_ = true;
            if (is_quit_request(e)) quit_taken_ = true;
            queued_.pop_front();
        }
    }

    // ---- The empty-queue seam ----

    void empty_poll(std::uintptr_t here) {
        if (shut_down_) fail("the screens polled the queue after the shutdown");
        if (on_terminate != &Soak::shutdown_hook) {
            std::fputs("soak: the shutdown seam was taken away during the run\n", stderr);
            std::abort();
        }
        flips_since_poll_ = 0;
        check_globals();
        note_taken();

        // The frame shows all that was taken when nothing was taken since it; a still screen
        // waits while nothing that ends it was taken since it was shown.
        const bool fresh = taken_since_flip_ == 0;
        const bool waiting = view_.wait != Wait::No && !ender_since_flip_;
        if (!fresh && !waiting) {
            if (++idle_ > patience) {
                std::ostringstream os;
                os << "HANG: " << patience << " empty polls and no new frame of the "
                   << name_of(view_.shown) << " screen after the " << taken_since_flip_
                   << " events it took since its last frame:" << describe(last_frame_);
                fail(os.str());
            }
            return;
        }
        idle_ = 0;
        check_stack(here); // where the program waits: the frame is up to date or still
        if (events_pushed_ >= target_) throw Done{};
        push(chooser_.next(view_, tournament_));
    }

    void check_globals() {
        if (what < 0 || what > 3 || opt < 1 || opt > 6 || cropp < 1 || cropp > 2 || round_n < 1 ||
            round_n > 6)
            fail("a flow global is out of range: " + describe(globals()));
    }

    // Each wait is a place of its own for the stack's check (sdl_fixture.h): its reference is its
    // deepest call in the first events, fixed once every wait was seen. Compared wait by wait, one
    // nested screen shows even though the ways out restart the screens often, and even below the
    // run's deepest point (a deciding row's banner).
    void check_stack(std::uintptr_t here) {
        const Reached kind = reached();
        if (kind == ReachedKinds) return;
        const long growth = depths_.reached(kind, here);
        if (!depths_.fixed()) {
            bool all = events_pushed_ >= early_events;
            for (int k = 0; k < ReachedKinds; ++k)
                all = all && depths_.seen(k);
            if (all) {
                depths_.fix();
                f_.reference_events = events_pushed_;
            }
            return;
        }
        if (SeamDepths::nested(growth))
            fail("the stack grew: the " + std::string(reached_names[kind]) + " reaches the seam " +
                 std::to_string(growth) + " bytes deeper than at any time in the first " +
                 std::to_string(f_.reference_events) + " events; screens nest");
    }

    // Where the program waits now (the frame shown is up to date or a still one waiting).
    Reached reached() const {
        switch (view_.shown) {
        case Shown::Title: return AtTitle;
        case Shown::Selection: return AtSelection;
        case Shown::Round: return AtRound;
        case Shown::Game: return view_.wait == Wait::No ? InGame : AtBanner;
        case Shown::Help: return help_from_game_ ? HelpFromGame : HelpFromTitle;
        case Shown::Win: return AtWin;
        case Shown::Loss: return AtLoss;
        case Shown::Error: return AtError;
        default: return ReachedKinds;
        }
    }

    // ---- The drawing seam ----

    void draw(const DrawCall& d) {
        if (shut_down_) fail("a screen drew after the shutdown: " + describe(recorded(d)));
        if (quit_taken_)
            fail("a screen drew after it took a close request: " + describe(recorded(d)));
        if (d.kind == DrawCall::Flip) {
            finish_segment(true);
            flipped();
            return;
        }
        Call c = recorded(d);
        if (background_of(c) || segment_.empty()) {
            if (!segment_.empty()) finish_segment(false);
            check_globals(); // a screen may draw with them before the queue runs empty
            note_taken();
            segment_colour_taken_ = colour_taken_;
        }
        segment_.push_back(std::move(c));
    }

    void flipped() {
        note_taken();
        if (++flips_since_poll_ > frames_without_poll)
            fail("HANG: the " + std::string(name_of(view_.shown)) + " screen drew " +
                 std::to_string(frames_without_poll) + " frames without looking at the queue");
        taken_since_flip_ = 0;
        ender_since_flip_ = false;
        if (view_.shown != Shown::Help) escape_on_title_ = false;
        last_frame_ns_ = now_ns();
        std::lock_guard<std::mutex> lock(shared_);
        ++frames_;
        last_screen_ = view_.shown;
        since_frame_.clear();
        since_frame_count_ = 0;
    }

    // One screen's drawing: every frame starts with a background, and only the last drawing
    // before a flip is presented (a right row against opponent 6 goes to the error screen
    // unpresented).
    void finish_segment(bool presented) {
        if (segment_.empty()) {
            if (presented) fail("a frame was presented with nothing drawn");
            return;
        }
        const std::optional<Shown> background = background_of(segment_.front());
        if (!background || *background == Shown::Nothing)
            fail("a frame does not start with a screen's background:" + describe(segment_));
        const Shown shown = *background;
        entered(shown);
        View v;
        v.shown = shown;
        if (shown == Shown::Game) {
            v.board = read_board(segment_);
            if (decided(game_frame(v.board))) v.wait = Wait::AnyPress;
        }
        if (shown == Shown::Title) v.title_mark = title_mark_of(segment_);
        if (shown == Shown::Round) v.round = round_of(segment_);
        if (shown == Shown::Help || shown == Shown::Error) v.wait = Wait::AnyPress;
        if (shown == Shown::Win || shown == Shown::Loss) v.wait = Wait::B;
        if (presented) {
            view_ = v;
            last_frame_.swap(segment_);
            if (shown == Shown::Round) {
                if (previous_ != Shown::Round && v.round >= 1 && v.round <= 6)
                    ++f_.rounds[v.round - 1];
                tournament_ = true;
            }
            if (shown == Shown::Selection) tournament_ = false;
        }
        previous_ = shown;
        if (shown != Shown::Help) previous_not_help_ = shown;
        segment_.clear();
    }

    // Counts the screens entered, and ends the game when its board is left for another screen.
    void entered(Shown shown) {
        if (shown == previous_) return;
        if (shown == Shown::Help) {
            ++f_.help;
            help_from_game_ = previous_not_help_ == Shown::Game;
            f_.help_from_game += help_from_game_;
        }
        if (shown == Shown::Error && previous_ != Shown::Flash) {
            ++f_.errors;
            f_.errors_ending_tournament += tournament_;
        }
        if (game_on_ && shown != Shown::Game && shown != Shown::Help) end_game(shown);
    }

    // ---- One game, frame by frame ----

    // Each game's code is the first the opponent's rule draws after the seed the soak gave rand
    // for it: only the games draw from rand, and as each starts the soak seeds it again for the
    // next. Returns the game the frame must show.
    Game game_frame(const Board& b) {
        std::ostringstream os;
        os << b.problems;
        if (!game_on_) {
            if (b.opponent < 1 || b.opponent > COLOURS)
                fail("a game starts without its opponent's portrait:" + b.problems +
                     "\n  frame:" + describe(segment_));
            game_on_ = true;
            game_ = Seen{};
            game_.code = codes_after(code_seed_, {b.opponent})[0];
            code_seed_ = code_seed_ * 2654435761u + 1u;
            std::srand(code_seed_);
            ++f_.games;
            chooser_.new_game(tournament_);
            if (b.balls != 0) os << "\n  a new game starts with " << b.balls << " balls";
        } else {
            const Board& last = game_.board;
            const long pressed = segment_colour_taken_ - game_.colour_taken;
            if (b.opponent != last.opponent)
                os << "\n  the opponent changed from " << last.opponent << " to " << b.opponent;
            if (b.balls < last.balls)
                os << "\n  the balls went down from " << last.balls << " to " << b.balls;
            if (b.balls - last.balls > pressed)
                os << "\n  " << b.balls - last.balls << " balls more than the last frame, but "
                   << pressed << " colour presses were taken since";
            for (int r = 0; r < ROWS; ++r)
                for (int h = 0; h < HOLES; ++h)
                    if (last.ball[r][h] && b.ball[r][h] && b.ball[r][h] != last.ball[r][h])
                        os << "\n  " << where(r, h) << " changed colour from " << last.ball[r][h]
                           << " to " << b.ball[r][h];
        }
        const Game g = game_of(b, game_.code, os);
        os << verdict_problems(b, g);
        ++f_.game_frames;
        if (!os.str().empty())
            fail("a game frame does not agree with its board and code:" + os.str() +
                 "\n  board: " + describe_board(b, game_.code) + "\n  frame:" + describe(segment_));
        game_.colour_taken = segment_colour_taken_;
        game_.board = b;
        game_.game = g;
        return g;
    }

    // The screen after a game follows from its last board: a right row leads to the win screen
    // (the error screen against opponent 6), a wrong seventh row to the loss screen, and an
    // undecided board only to the title (SELECT) or a shutdown (Escape).
    void end_game(Shown next) {
        game_on_ = false;
        const Game& g = game_.game;
        const Shown want = right_row(g) >= 0 ? (g.opponent == 6 ? Shown::Error : Shown::Win)
                           : lost(g)         ? Shown::Loss
                                             : Shown::Title;
        if (next != want)
            fail(std::string("a game ended on the ") + name_of(next) +
                 " screen; its board calls for the " + name_of(want) +
                 " screen: " + describe_board(game_.board, game_.code));
        if (right_row(g) >= 0) {
            ++f_.won;
            f_.won_against_6 += g.opponent == 6;
        } else if (lost(g)) {
            ++f_.lost;
        } else {
            ++f_.left;
        }
    }

    // ---- The ways out ----

    void shutdown() {
        if (shut_down_) fail("a second shutdown without the screens returning");
        if (previous_not_help_ == Shown::Title) {
            ++f_.quits_on_title;
        } else if (previous_not_help_ == Shown::Game && game_on_) {
            game_on_ = false;
            if (decided(game_.game)) fail("a decided game was shut down");
            ++f_.escaped;
        } else {
            fail(std::string("shutdown from the ") + name_of(previous_not_help_) + " screen");
        }
        ++f_.shutdowns;
        shut_down_ = true;
    }

    // run_screens() returned: after Escape on the title, or a close request on any screen or in
    // any wait, which ends a game in the middle too.
    void returned() {
        if (shut_down_) return;
        note_taken();
        if (quit_taken_) {
            ++f_.close_requests;
            if (game_on_) {
                game_on_ = false;
                ++f_.close_requests_in_game;
            }
            return;
        }
        if (!escape_on_title_ || previous_not_help_ != Shown::Title)
            fail("run_screens() returned without a shutdown, a close request or Escape on the "
                 "title");
        ++f_.title_escapes;
    }

    // The program's start values, an empty queue and nothing on the screen, as a new process.
    void start_over() {
        take_queue();
        queued_.clear();
        set_globals({0, 1, 1, 1});
        if (game_on_) fail("the screens returned in the middle of a game");
        view_ = View{};
        previous_ = previous_not_help_ = Shown::Nothing;
        segment_.clear();
        last_frame_.clear();
        shut_down_ = false;
        escape_on_title_ = false;
        quit_taken_ = false;
        tournament_ = false;
        taken_since_flip_ = 0;
        ender_since_flip_ = false;
        idle_ = 0;
    }

    // The game as its frames have shown it so far.
    struct Seen {
        long colour_taken = 0; // colour presses taken when its last frame was drawn
        Code code{};           // as the opponent's rule drew it
        Board board;           // the last frame as drawn
        Game game;             // and the game it must show
    };

    PressChooser chooser_;
    const long target_;
    Figures f_;

    SeamDepths depths_{ReachedKinds};
    unsigned code_seed_ = 0; // rand's seed for the next game's code

    std::deque<SDL_Event> queued_; // pushed and not yet taken
    long colour_taken_ = 0, segment_colour_taken_ = 0;
    long taken_since_flip_ = 0;
    bool ender_since_flip_ = false, escape_on_title_ = false;
    bool quit_taken_ = false; // a close request was taken: the screens must end without drawing
    int idle_ = 0, flips_since_poll_ = 0;

    std::vector<Call> segment_, last_frame_;
    View view_;
    Shown previous_ = Shown::Nothing, previous_not_help_ = Shown::Nothing;
    bool help_from_game_ = false, tournament_ = false, shut_down_ = false;
    bool game_on_ = false;
    Seen game_;

    // Read by the watchdog's thread.
    std::atomic<long long> last_frame_ns_{0};
    std::mutex shared_;
    long events_pushed_ = 0, since_frame_count_ = 0;
    long frames_ = 0;
    Shown last_screen_ = Shown::Nothing;
    std::vector<SDL_Event> since_frame_;
};

// ---- The runs ----

std::vector<unsigned> seeds() {
    const char* s = std::getenv("SOAK_SEEDS");
    std::vector<unsigned> out;
    std::istringstream in(s ? s : "1");
    for (unsigned seed; in >> seed;)
        out.push_back(seed);
    return out;
}

long events_per_run() {
    const char* s = std::getenv("SOAK_EVENTS");
    return s ? std::atol(s) : 50000;
}

void print(const Figures& f) {
    std::printf("soak seed %u: %ld events in %.2f s (%.0f events/s), %ld frames (%ld of games, "
                "their boards checked)\n",
                f.seed, f.events, f.seconds, f.events / f.seconds, f.frames, f.game_frames);
    std::printf("  games: %ld started, %ld won (%ld against opponent 6), %ld lost, %ld left with "
                "SELECT, %ld ended by Escape\n",
                f.games, f.won, f.won_against_6, f.lost, f.left, f.escaped);
    std::printf("  tournament rounds reached: 1: %ld, 2: %ld, 3: %ld, 4: %ld, 5: %ld, 6: %ld; "
                "error screens %ld (%ld ending a tournament)\n",
                f.rounds[0], f.rounds[1], f.rounds[2], f.rounds[3], f.rounds[4], f.rounds[5],
                f.errors, f.errors_ending_tournament);
    std::printf("  help screens %ld (%ld from a game); Escapes on the title %ld; close requests "
                "%ld (%ld in a game); shutdowns intercepted %ld (%ld Quit on the title, %ld "
                "Escape in a game)\n",
                f.help, f.help_from_game, f.title_escapes, f.close_requests,
                f.close_requests_in_game, f.shutdowns, f.quits_on_title, f.escaped);
    std::printf("  stack: the seam at most %ld bytes below the runner; waits at most %ld bytes "
                "deeper after the first %ld events than in them; their depths:",
                f.depth, f.growth, f.reference_events);
    for (int k = 0; k < ReachedKinds; ++k)
        std::printf("%s %s %ld", k ? "," : "", reached_names[k], f.depths[k]);
    std::printf("\n");
    std::fflush(stdout);
}

class SoakTest : public FreshStart {
  protected:
    void SetUp() override {
        FreshStart::SetUp();
        ASSERT_NE(screen, nullptr) << "no video surface";
        // Screens are told apart, balls read by colour and markers by kind, all by picture.
        ASSERT_TRUE(pictures_loaded_and_distinct());
    }
};

TEST_F(SoakTest, RandomPressesThroughEveryScreenKeepTheProgramSound) {
    const long events = events_per_run();
    ASSERT_GT(events, 0) << "SOAK_EVENTS";
    const std::vector<unsigned> all = seeds();
    ASSERT_FALSE(all.empty()) << "SOAK_SEEDS holds no seed";
    for (unsigned seed : all) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Soak soak(seed, events);
        const Figures f = soak.run();
        print(f);
        if (HasFailure()) return;
        // A soak that never got there proves nothing about it.
        EXPECT_GT(f.won - f.won_against_6, 0) << "no game won";
        EXPECT_GT(f.lost, 0) << "no game lost";
        EXPECT_GT(f.left, 0) << "no game left with SELECT";
        EXPECT_GT(f.rounds[5], 0) << "no tournament reached round 6";
        EXPECT_GT(f.errors_ending_tournament, 0) << "no tournament won";
        EXPECT_GT(f.help_from_game, 0) << "no help from a game";
        EXPECT_GT(f.help - f.help_from_game, 0) << "no help from the title";
        EXPECT_GT(f.title_escapes, 0) << "no Escape on the title";
        EXPECT_GT(f.close_requests, 0) << "no close request";
        EXPECT_GT(f.close_requests_in_game, 0) << "no close request in a game";
        EXPECT_GT(f.quits_on_title, 0) << "no Quit on the title";
        EXPECT_GT(f.escaped, 0) << "no Escape in a game";
        EXPECT_GT(f.reference_events, 0) << "the stack's reference depth was never taken: not "
                                            "every screen and wait was reached";
    }
}

} // namespace
