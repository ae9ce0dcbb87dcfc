// The title, Quick Game selection, round, result and error screens driven in-process.
#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <optional>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "screens/flow.h"
#include "screens/screens.h"

static void PrintTo(Go go, std::ostream* os) {
    static const char* const names[] = {"Stay", "Title", "QuickGame", "Round", "Game",
                                        "Win",  "Loss",  "Error",     "Quit",  "Exit"};
    *os << "Go::" << names[static_cast<int>(go)];
}

static void PrintTo(const Next& n, std::ostream* os) {
    PrintTo(n.go, os);
    *os << " arg " << n.arg;
}

static bool operator==(const Next& a, const Next& b) {
    return a.go == b.go && a.arg == b.arg;
}

namespace {

// ---- Start-up, once per process ----

class HeadlessSdl : public testing::Environment {
  public:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        start_up(false); // no exit handler: the test's exit status stays its own
    }
};

[[maybe_unused]] testing::Environment* const headless =
    testing::AddGlobalTestEnvironment(new HeadlessSdl);

// ---- Drawing calls as recorded ----

struct Rgb {
    int r, g, b;
};
constexpr Rgb WHITE{255, 255, 255}, ORANGE{255, 160, 50}, PINK{255, 200, 255}, CYAN{0, 255, 255},
    BLACK{0, 0, 0}, GREY{79, 79, 79};

using Clock = std::chrono::steady_clock;

struct Call {
    DrawCall::Kind kind;
    std::string text;
    SDL_Surface* bitmap;
    int x, y, w, h;
    Rgb colour;
    Clock::time_point at; // when it was drawn (not compared)
};

Call text_at(const std::string& s, int x, int y, Rgb c) {
    return {DrawCall::Text, s, nullptr, x, y, 0, 0, c, {}};
}
Call sprite_at(SDL_Surface* bitmap, int x, int y, int w, int h) {
    return {DrawCall::Sprite, "", bitmap, x, y, w, h, {0, 0, 0}, {}};
}
Call fill_with(Rgb c) {
    return {DrawCall::Fill, "", nullptr, 0, 0, 0, 0, c, {}};
}
Call flip() {
    return {DrawCall::Flip, "", nullptr, 0, 0, 0, 0, {0, 0, 0}, {}};
}

bool same_colour(Rgb a, Rgb b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

bool same_call(const Call& a, const Call& b) {
    if (a.kind != b.kind) return false;
    switch (a.kind) {
    case DrawCall::Text:
        return a.text == b.text && a.x == b.x && a.y == b.y && same_colour(a.colour, b.colour);
    case DrawCall::Sprite:
        return a.bitmap == b.bitmap && a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h;
    case DrawCall::Fill: return same_colour(a.colour, b.colour);
    case DrawCall::Flip: return true;
    }
    return false;
}

struct NamedPicture {
    SDL_Surface** bitmap;
    const char* name;
};
// Every picture these screens draw, by the name its global has.
const NamedPicture pictures[] = {
    {&bmp::title, "title"},
    {&bmp::help, "help"},
    {&bmp::round, "round"},
    {&bmp::quickie, "quickie"},
    {&bmp::x_totitle, "x_totitle"},
    {&bmp::r_time, "r_time"},
    {&bmp::you_win, "you_win"},
    {&bmp::lost, "lost"},
    {&bmp::borin_quastle, "borin_quastle"},
    {&bmp::wenna_pollsby, "wenna_pollsby"},
    {&bmp::tovi_glimrat, "tovi_glimrat"},
    {&bmp::jory_vandle, "jory_vandle"},
    {&bmp::hollis_quibbleton, "hollis_quibbleton"},
    {&bmp::zebrolt_mm, "zebrolt_mm"},
};

std::string picture_name(SDL_Surface* s) {
    for (const NamedPicture& p : pictures)
        if (*p.bitmap == s) return p.name;
    std::ostringstream os;
    os << "picture " << static_cast<const void*>(s);
    return os.str();
}

std::string describe(const Call& c) {
    std::ostringstream os;
    const auto rgb = [&os](Rgb v) { os << " (" << v.r << "," << v.g << "," << v.b << ")"; };
    switch (c.kind) {
    case DrawCall::Text:
        os << "text \"" << c.text << "\" at " << c.x << "," << c.y;
        rgb(c.colour);
        break;
    case DrawCall::Sprite:
        os << "sprite " << picture_name(c.bitmap) << " at " << c.x << "," << c.y << " " << c.w
           << "x" << c.h;
        break;
    case DrawCall::Fill:
        os << "fill";
        rgb(c.colour);
        break;
    case DrawCall::Flip: os << "flip"; break;
    }
    return os.str();
}

std::string describe(const std::vector<Call>& calls) {
    std::ostringstream os;
    for (const Call& c : calls)
        os << "\n    " << describe(c);
    return os.str();
}

testing::AssertionResult same_calls(const std::vector<Call>& got, const std::vector<Call>& want) {
    for (size_t i = 0; i < got.size() || i < want.size(); ++i) {
        if (i < got.size() && i < want.size() && same_call(got[i], want[i])) continue;
        std::ostringstream os;
        os << "first difference at call " << i + 1 << ": expected "
           << (i < want.size() ? describe(want[i]) : "nothing") << ", drawn "
           << (i < got.size() ? describe(got[i]) : "nothing") << "\n  drawn:" << describe(got)
           << "\n  expected:" << describe(want);
        return testing::AssertionFailure() << os.str();
    }
    return testing::AssertionSuccess();
}

// ---- Events ----

using Batch = std::vector<SDL_Event>;

SDL_Event key_event(Uint8 type, int sym) {
    SDL_Event e{};
    e.type = type;
    e.key.type = type;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = static_cast<SDLKey>(sym);
    return e;
}
SDL_Event button_event(Uint8 type, int number) {
    SDL_Event e{};
    e.type = type;
    e.jbutton.type = type;
    e.jbutton.button = static_cast<Uint8>(number);
    e.jbutton.state = type == SDL_JOYBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    return e;
}
SDL_Event key(int sym) {
    return key_event(SDL_KEYDOWN, sym);
}
SDL_Event key_up(int sym) {
    return key_event(SDL_KEYUP, sym);
}
SDL_Event button(int number) {
    return button_event(SDL_JOYBUTTONDOWN, number);
}
SDL_Event button_up(int number) {
    return button_event(SDL_JOYBUTTONUP, number);
}
SDL_Event stick_moved() {
    SDL_Event e{};
    e.type = SDL_JOYAXISMOTION;
    e.jaxis.type = SDL_JOYAXISMOTION;
    e.jaxis.axis = 1;
    e.jaxis.value = -32000;
    return e;
}

std::string describe(const SDL_Event& e) {
    std::ostringstream os;
    switch (e.type) {
    case SDL_KEYDOWN: os << "key " << e.key.keysym.sym; break;
    case SDL_KEYUP: os << "key release " << e.key.keysym.sym; break;
    case SDL_JOYBUTTONDOWN: os << "button " << int(e.jbutton.button); break;
    case SDL_JOYBUTTONUP: os << "button release " << int(e.jbutton.button); break;
    default: os << "event type " << int(e.type); break;
    }
    return os.str();
}

std::string describe(const Batch& events) {
    std::string s;
    for (const SDL_Event& e : events)
        s += (s.empty() ? "" : ", ") + describe(e);
    return "[" + s + "]";
}

void push(const Batch& events) {
    for (SDL_Event e : events)
        if (SDL_PushEvent(&e) != 0) throw std::runtime_error("SDL's queue is full");
}

// Everything left in SDL's queue, taken out of it.
Batch drain() {
    Batch out;
    SDL_Event e;
    while (SDL_PollEvent(&e))
        out.push_back(e);
    return out;
}

// ---- The scripted player ----

struct Spun : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Feeds batches of events to a screen through the empty-queue seam and records what the screen
// draws. A batch counts as taken at the first empty poll after it went in; the next batch goes
// in once a frame has been presented after that, or after some empty polls without one (a
// screen that waits without redrawing). When every batch has been taken and the screen still
// polls past a bound, the run ends as a failure.
class Player {
  public:
    static constexpr int idle_polls = 20;
    static constexpr int bound = 500;

    struct Frame {
        std::vector<Call> calls; // up to and with the flip
        size_t taken;            // batches taken when it was flipped
    };

    explicit Player(std::vector<Batch> batches = {}) : batches_(std::move(batches)) {}

    // Runs at every empty poll, before anything is fed.
    std::function<void()> probe;

    template <class Screen> std::optional<Next> run(Screen screen) {
        Installed guard(*this);
        try {
            return screen();
        } catch (const Spun& e) {
            ADD_FAILURE() << e.what();
        }
        return std::nullopt;
    }

    size_t fed() const { return fed_; }
    size_t batch_count() const { return batches_.size(); }
    const std::vector<Call>& calls() const { return calls_; }
    const std::vector<Frame>& frames() const { return frames_; }

    // The first frame presented once this many batches had been taken; null when none was.
    const Frame* frame_after(size_t taken) const {
        for (const Frame& f : frames_)
            if (f.taken == taken) return &f;
        return nullptr;
    }

  private:
    struct Installed {
        explicit Installed(Player& p) {
            current() = &p;
            on_queue_empty = &Player::empty_hook;
            on_draw = &Player::draw_hook;
        }
        ~Installed() {
            on_queue_empty = nullptr;
            on_draw = nullptr;
            current() = nullptr;
        }
        Installed(const Installed&) = delete;
        Installed& operator=(const Installed&) = delete;
    };

    static Player*& current() {
        static Player* p = nullptr;
        return p;
    }
    static void empty_hook() { current()->empty_poll(); }
    static void draw_hook(const DrawCall& d) { current()->record(d); }

    void record(const DrawCall& d) {
        Call c{d.kind,      d.kind == DrawCall::Text && d.text ? d.text : "",
               d.bitmap,    d.x,
               d.y,         d.w,
               d.h,         {d.r, d.g, d.b},
               Clock::now()};
        if (d.kind == DrawCall::Fill) c.x = c.y = c.w = c.h = 0;
        calls_.push_back(c);
        pending_.push_back(c);
        if (d.kind == DrawCall::Flip) {
            frames_.push_back({pending_, taken_});
            pending_.clear();
            flipped_ = true;
        }
    }

    void empty_poll() {
        if (probe) probe();
        if (!taken_all_fed_) {
            taken_all_fed_ = true;
            ++taken_;
            flipped_ = false;
            idle_ = 0;
            return;
        }
        if (fed_ < batches_.size()) {
            if (flipped_ || ++idle_ >= idle_polls) {
                push(batches_[fed_]);
                ++fed_;
                taken_all_fed_ = false;
            }
            return;
        }
        if (++after_last_ > bound) {
            std::ostringstream os;
            os << "the screen still runs " << bound << " empty polls after all " << fed_
               << " batches were taken (" << frames_.size() << " frames drawn)";
            throw Spun(os.str());
        }
    }

    std::vector<Batch> batches_;
    size_t fed_ = 0, taken_ = 0;
    bool taken_all_fed_ = true, flipped_ = false;
    int idle_ = 0, after_last_ = 0;
    std::vector<Call> calls_, pending_;
    std::vector<Frame> frames_;
};

// Every test starts from the program's start values with an empty queue.
class Screens : public testing::Test {
  protected:
    void SetUp() override {
        drain();
        what = 0;
        opt = 1;
        cropp = 1;
        round_n = 1;
    }
    void TearDown() override { drain(); }
};

struct Globals {
    int what, opt, cropp, round_n;
};
Globals globals() {
    return {what, opt, cropp, round_n};
}
void set_globals(Globals g) {
    what = g.what;
    opt = g.opt;
    cropp = g.cropp;
    round_n = g.round_n;
}
std::string describe(Globals g) {
    std::ostringstream os;
    os << "what " << g.what << ", opt " << g.opt << ", cropp " << g.cropp << ", round_n "
       << g.round_n;
    return os.str();
}
testing::AssertionResult globals_are(Globals want) {
    const Globals got = globals();
    if (got.what == want.what && got.opt == want.opt && got.cropp == want.cropp &&
        got.round_n == want.round_n)
        return testing::AssertionSuccess();
    return testing::AssertionFailure()
           << "globals are " << describe(got) << ", expected " << describe(want);
}

// ---- The opponents as the menus must show them ----

struct SecondLine {
    const char* text; // null: no second line
    Rgb colour;
    int round_y; // on the round screen
};

struct Card {
    const char* name;
    const char* time;
    SDL_Surface** portrait;
    int w, h;
    const char* iq_round;
    const char* iq_selection;
    const char* comment_round;
    const char* comment_selection;
    SecondLine second_round;
    SecondLine second_selection;
};

constexpr SecondLine no_line{nullptr, {0, 0, 0}, 0};

const Card cards[6] = {
    {"Borin Quastle",
     "2:00",
     &bmp::borin_quastle,
     30,
     42,
     "75 (=Chimpanzee)",
     "75 (=Chimpanzee)",
     "Borin Quastle != Chimpanzee :@",
     "Borin Quastle != Chimpanzee  :@",
     no_line,
     {"(Well, that is what he's saying....)", WHITE, 0}},
    {"Wenna Pollsby",
     "2:00",
     &bmp::wenna_pollsby,
     43,
     42,
     "100 (=Fit chick ^^)",
     "100 (=Fit chick ^^)",
     "wubu2? c u ltr ... @%$!#!#@",
     "wubu2? c u ltr ... @%$!#!#@",
     {"(Her nail broke. Truly sad.)", WHITE, 79},
     {"(Her nail broke. Truly sad.)", WHITE, 0}},
    {"Tovi 'GlimRat'", "1:30", &bmp::tovi_glimrat, 42, 41, "125 (=Normal human being)",
     "125 (=Normal human being)", "l33t h4xx0rz attack!", "l33t h4xx0rz attack!", no_line, no_line},
    {"Jory Vandle", "1:30", &bmp::jory_vandle, 37, 36, "150 (=Smartass ><)", "150 (=Smartass ><}",
     "BALD! BALD!", "BALD! BALD!", no_line, no_line},
    {"Hollis Quibbleton", "1:00", &bmp::hollis_quibbleton, 39, 40,
     "175 (=Something smells fishy ><)", "175 (=Something smells fishy ><)", "e = mc2 (yawn)",
     "e = mc^2 (yawn)", no_line, no_line},
    {"'Zebrolt'",
     "1:00",
     &bmp::zebrolt_mm,
     40,
     46,
     "255 (=Smartest being known in existence)",
     "255 (=Smartest being known in existence)",
     "Please note that I'm IRL much more fitter",
     "Please note that I'm IRL much more fitter",
     {"then on the pixelated thingy.", PINK, 77},
     {"then on the pixelated thingy.", PINK, 0}},
};

// ---- Expected frames ----

std::vector<Call> title_frame(int marked) {
    const char* const entries[4] = {"Quick Game", "Tournament", "Help", "Quit"};
    const int ys[4] = {150, 162, 174, 186};
    std::vector<Call> f = {sprite_at(bmp::title, 0, 0, 320, 240)};
    for (int y : ys)
        f.push_back(text_at("-", 228, y, CYAN));
    for (int i = 0; i < 4; ++i)
        f.push_back(text_at(entries[i], 240, ys[i], WHITE));
    f.push_back(text_at("[ ]", 225, ys[marked], WHITE));
    f.push_back(flip());
    return f;
}

std::vector<Call> help_frame() {
    return {sprite_at(bmp::help, 0, 0, 320, 240), flip()};
}

// Opponent 1..6 marked, time entry 1..3 ("1:00", "1:30", "2:00") marked.
std::vector<Call> selection_frame(int marked, int time_entry) {
    const int portrait_x[6] = {18, 58, 108, 158, 208, 258};
    const int portrait_y[6] = {104, 104, 105, 110, 106, 100};
    const int bullet_x[6] = {31, 78, 128, 175, 225, 275};
    const int mark_x[6] = {28, 75, 125, 172, 222, 272};
    const int time_y[3] = {20, 32, 44};
    std::vector<Call> f = {fill_with(GREY), text_at("Please choose your opponent!", 80, 70, WHITE)};
    for (int i = 0; i < 6; ++i)
        f.push_back(
            sprite_at(*cards[i].portrait, portrait_x[i], portrait_y[i], cards[i].w, cards[i].h));
    f.push_back(sprite_at(bmp::quickie, 90, 20, 139, 33));
    f.push_back(text_at("Name: ", 25, 150, ORANGE));
    f.push_back(text_at("IQ: ", 25, 162, ORANGE));
    f.push_back(text_at("Comment: ", 25, 174, ORANGE));
    for (int x : bullet_x)
        f.push_back(text_at("-", x, 90, CYAN));
    for (int y : time_y)
        f.push_back(text_at("-", 275, y, CYAN));
    f.push_back(text_at("1:00", 290, 20, WHITE));
    f.push_back(text_at("1:30", 290, 32, WHITE));
    f.push_back(text_at("2:00", 290, 44, WHITE));
    f.push_back(sprite_at(bmp::x_totitle, 1, 1, 19, 9));
    f.push_back(sprite_at(bmp::r_time, 290, 1, 29, 15));
    f.push_back(text_at("[ ]", 272, time_y[time_entry - 1], WHITE));
    const Card& c = cards[marked - 1];
    f.push_back(text_at("[ ]", mark_x[marked - 1], 90, WHITE));
    f.push_back(text_at(c.name, 105, 150, WHITE));
    f.push_back(text_at(c.iq_selection, marked == 6 ? 100 : 105, 162, WHITE));
    f.push_back(text_at(c.comment_selection, 105, 174, PINK));
    if (c.second_selection.text)
        f.push_back(text_at(c.second_selection.text, 105, 184, c.second_selection.colour));
    f.push_back(flip());
    return f;
}

std::vector<Call> round_frame(int n) {
    const Card& c = cards[n - 1];
    std::vector<Call> f = {
        sprite_at(bmp::round, 0, 0, 320, 240),      sprite_at(bmp::x_totitle, 1, 1, 19, 9),
        text_at("Name: ", 20, 120, ORANGE),         text_at("IQ: ", 20, 132, ORANGE),
        text_at("Time Limit: ", 20, 144, ORANGE),   text_at("Press B to start!", 20, 200, WHITE),
        text_at(std::to_string(n), 137, 20, WHITE), sprite_at(*c.portrait, 15, 57, c.w, c.h),
        text_at(c.comment_round, 70, 67, PINK),
    };
    if (c.second_round.text)
        f.push_back(
            text_at(c.second_round.text, 70, c.second_round.round_y, c.second_round.colour));
    f.push_back(text_at(c.name, 105, 120, WHITE));
    f.push_back(text_at(c.iq_round, 105, 132, WHITE));
    f.push_back(text_at(c.time, 105, 144, WHITE));
    f.push_back(flip());
    return f;
}

// ---- Pictures ----

TEST(ScreenPictures, EveryPictureTheScreensDrawIsLoadedAndDistinct) {
    // Frames are told apart by picture; a missing or shared picture would hide a wrong one.
    for (const NamedPicture& p : pictures)
        EXPECT_NE(*p.bitmap, nullptr) << p.name << " did not load";
    for (const NamedPicture& a : pictures)
        for (const NamedPicture& b : pictures)
            if (&a != &b) {
                EXPECT_NE(*a.bitmap, *b.bitmap) << a.name << " is " << b.name;
            }
}

// ---- Title menu ----

using TitleMenu = Screens;

TEST_F(TitleMenu, FirstFrameMarksQuickGame) {
    Player p({{key(KEY_ESCAPE)}});
    const auto next = p.run(title_screen_x);
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, (Next{Go::Exit}));
    ASSERT_FALSE(p.frames().empty());
    EXPECT_TRUE(same_calls(p.frames()[0].calls, title_frame(0)));
    // Nothing moved the mark, so every frame drawn is the same.
    for (const Player::Frame& f : p.frames())
        EXPECT_TRUE(same_calls(f.calls, title_frame(0)));
    EXPECT_EQ(what, 0);
}

TEST_F(TitleMenu, EveryPassRedrawsWithTheMarkWhereWhatIs) {
    // Down three times wraps from Quit to Quick Game; up from there wraps to Quit.
    Player p({{key(KEY_DOWN)},
              {key(KEY_DOWN)},
              {key(KEY_DOWN)},
              {key(KEY_DOWN)},
              {key(KEY_UP)},
              {button(BTN_UP)},
              {key(KEY_ESCAPE)}});
    const auto next = p.run(title_screen_x);
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, (Next{Go::Exit}));
    const int marked_after[] = {0, 1, 2, 3, 0, 3, 2};
    for (size_t i = 0; i < std::size(marked_after); ++i) {
        const Player::Frame* f = p.frame_after(i);
        ASSERT_NE(f, nullptr) << "no frame after batch " << i;
        EXPECT_TRUE(same_calls(f->calls, title_frame(marked_after[i]))) << "after batch " << i;
    }
    EXPECT_EQ(what, 2);
}

TEST_F(TitleMenu, DownDownSpaceQueuedTogetherOpensHelpAndComesBackWithHelpMarked) {
    push({key(KEY_DOWN), key(KEY_DOWN), key(KEY_SPACE)});
    // The press closing help comes with more presses; help uses them all up.
    Player p({{key(KEY_A), key(KEY_DOWN), key(KEY_SPACE)}, {key(KEY_ESCAPE)}});
    const auto next = p.run(title_screen_x);
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, (Next{Go::Exit}));
    EXPECT_EQ(p.fed(), 2u);
    const auto& frames = p.frames();
    ASSERT_GE(frames.size(), 3u) << describe(p.calls());
    EXPECT_TRUE(same_calls(frames[0].calls, title_frame(0)));
    EXPECT_TRUE(same_calls(frames[1].calls, help_frame()));
    EXPECT_TRUE(same_calls(frames[2].calls, title_frame(2)));
    for (size_t i = 2; i < frames.size(); ++i)
        EXPECT_TRUE(same_calls(frames[i].calls, title_frame(2))) << "frame " << i + 1;
    EXPECT_EQ(what, 2);
}

TEST_F(TitleMenu, HelpWaitsForAPressNotForReleasesOrTheStick) {
    what = 2;
    // If a release closed help, the down after it would move the mark to Quit.
    Player p({{key(KEY_SPACE)},
              {key_up(KEY_SPACE), button_up(BTN_B), stick_moved()},
              {key(KEY_DOWN)},
              {key(KEY_ESCAPE)}});
    const auto next = p.run(title_screen_x);
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, (Next{Go::Exit}));
    EXPECT_EQ(what, 2);
    // Help shows once and stays up while nothing is pressed: no frame in between.
    int helps = 0;
    for (size_t i = 0; i < p.frames().size(); ++i) {
        if (!same_calls(p.frames()[i].calls, help_frame())) continue;
        ++helps;
        ASSERT_LT(i + 1, p.frames().size());
        EXPECT_TRUE(same_calls(p.frames()[i + 1].calls, title_frame(2)));
    }
    EXPECT_EQ(helps, 1);
}

struct TitleCase {
    const char* name;
    int what_before, round_before;
    std::vector<Batch> batches;
    Next want;
    int what_after, round_after;
};

void PrintTo(const TitleCase& c, std::ostream* os) {
    *os << c.name;
}

class TitleBindings : public Screens, public testing::WithParamInterface<TitleCase> {};

TEST_P(TitleBindings, LeadWhereTheMenuSays) {
    const TitleCase& c = GetParam();
    set_globals({c.what_before, 4, 2, c.round_before});
    Player p(c.batches);
    const auto next = p.run(title_screen_x);
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, c.want);
    EXPECT_EQ(p.fed(), c.batches.size()) << "returned before all presses were fed";
    EXPECT_TRUE(globals_are({c.what_after, 4, 2, c.round_after}));
    EXPECT_TRUE(drain().empty()) << "presses left queued";
}

const Batch unbound_on_title = {
    key(KEY_LEFT),     key(KEY_RIGHT),     key(KEY_A),        key(KEY_B),       key(KEY_X),
    key(KEY_L),        key(KEY_R),         key(KEY_Y),        button(BTN_LEFT), button(BTN_RIGHT),
    button(BTN_START), button(BTN_SELECT), button(BTN_L),     button(BTN_R),    button(BTN_A),
    button(BTN_X),     button(BTN_Y),      key_up(KEY_SPACE), key_up(KEY_UP),   button_up(BTN_B),
    stick_moved(),
};

Batch with_escape(Batch b) {
    b.push_back(key(KEY_ESCAPE));
    return b;
}

INSTANTIATE_TEST_SUITE_P(
    Screens, TitleBindings,
    testing::Values(
        TitleCase{"UpKeyWrapsFromQuickGameToQuit",
                  0,
                  1,
                  {{key(KEY_UP), key(KEY_ESCAPE)}},
                  {Go::Exit},
                  3,
                  1},
        TitleCase{"DownKeyWrapsFromQuitToQuickGame",
                  3,
                  1,
                  {{key(KEY_DOWN), key(KEY_ESCAPE)}},
                  {Go::Exit},
                  0,
                  1},
        TitleCase{"UpButtonMovesUp", 1, 1, {{button(BTN_UP), key(KEY_ESCAPE)}}, {Go::Exit}, 0, 1},
        TitleCase{
            "DownButtonMovesDown", 2, 1, {{button(BTN_DOWN), key(KEY_ESCAPE)}}, {Go::Exit}, 3, 1},
        TitleCase{"DownButtonWrapsFromQuit",
                  3,
                  1,
                  {{button(BTN_DOWN), key(KEY_ESCAPE)}},
                  {Go::Exit},
                  0,
                  1},
        TitleCase{
            "SpaceOnQuickGameOpensTheSelection", 0, 3, {{key(KEY_SPACE)}}, {Go::QuickGame}, 0, 3},
        TitleCase{
            "ButtonBOnQuickGameOpensTheSelection", 0, 3, {{button(BTN_B)}}, {Go::QuickGame}, 0, 3},
        TitleCase{
            "SpaceOnTournamentStartsRoundOne", 1, 4, {{key(KEY_SPACE)}}, {Go::Round, 1}, 1, 1},
        TitleCase{
            "ButtonBOnTournamentStartsRoundOne", 1, 6, {{button(BTN_B)}}, {Go::Round, 1}, 1, 1},
        TitleCase{"SpaceOnQuitQuits", 3, 2, {{key(KEY_SPACE)}}, {Go::Quit}, 3, 2},
        TitleCase{"ButtonBOnQuitQuits", 3, 2, {{button(BTN_B)}}, {Go::Quit}, 3, 2},
        TitleCase{"MovesAndActivateInOneBatch",
                  1,
                  1,
                  {{key(KEY_DOWN), key(KEY_UP), key(KEY_DOWN), key(KEY_DOWN), key(KEY_SPACE)}},
                  {Go::Quit},
                  3,
                  1},
        TitleCase{"MovesOverSeveralPasses",
                  0,
                  1,
                  {{key(KEY_DOWN)}, {button(BTN_DOWN)}, {key(KEY_DOWN)}, {key(KEY_SPACE)}},
                  {Go::Quit},
                  3,
                  1},
        TitleCase{
            "UnboundPressesDoNothing", 1, 5, {with_escape(unbound_on_title)}, {Go::Exit}, 1, 5},
        TitleCase{"EscapeAloneExits", 1, 1, {{key(KEY_ESCAPE)}}, {Go::Exit}, 1, 1},
        TitleCase{"MoveQueuedBehindEscapeStillCounts",
                  0,
                  1,
                  {{key(KEY_ESCAPE), key(KEY_DOWN)}},
                  {Go::Exit},
                  1,
                  1},
        TitleCase{"ActivateQueuedBehindEscapeStillCounts",
                  0,
                  1,
                  {{key(KEY_ESCAPE), key(KEY_SPACE)}},
                  {Go::QuickGame},
                  0,
                  1},
        TitleCase{"HelpQueuedBehindEscapeThenExit",
                  0,
                  1,
                  {{key(KEY_ESCAPE), key(KEY_DOWN), key(KEY_DOWN), key(KEY_SPACE)}, {key(KEY_A)}},
                  {Go::Exit},
                  2,
                  1},
        TitleCase{
            "HelpUsesUpThePressesQueuedWithTheClosingOne",
            2,
            1,
            {{key(KEY_SPACE)}, {button(BTN_X), key(KEY_DOWN), key(KEY_SPACE)}, {key(KEY_ESCAPE)}},
            {Go::Exit},
            2,
            1},
        TitleCase{"BackFromHelpTheMenuGoesOn",
                  2,
                  1,
                  {{button(BTN_B)}, {button(BTN_START)}, {key(KEY_DOWN), key(KEY_SPACE)}},
                  {Go::Quit},
                  3,
                  1}),
    [](const testing::TestParamInfo<TitleCase>& i) { return std::string(i.param.name); });

// ---- Quick Game selection ----

using QuickGameSelection = Screens;

TEST_F(QuickGameSelection, FirstOpeningMarksOpponentOneAndOneMinute) {
    Player p({{key(KEY_X)}});
    const auto next = p.run(quick_game_select);
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, (Next{Go::Title}));
    ASSERT_FALSE(p.frames().empty());
    EXPECT_TRUE(same_calls(p.frames()[0].calls, selection_frame(1, 1)));
}

class SelectionCard : public Screens, public testing::WithParamInterface<int> {};

TEST_P(SelectionCard, ShowsTheMarkedOpponent) {
    const int n = GetParam();
    set_globals({0, n, 2, 1});
    Player p({{key(KEY_X)}});
    const auto next = p.run(quick_game_select);
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, (Next{Go::Title}));
    ASSERT_FALSE(p.frames().empty());
    EXPECT_TRUE(same_calls(p.frames()[0].calls, selection_frame(n, 1)));
    EXPECT_TRUE(globals_are({0, n, 1, 1}));
}

INSTANTIATE_TEST_SUITE_P(Screens, SelectionCard, testing::Range(1, 7),
                         [](const testing::TestParamInfo<int>& i) {
                             return "Opponent" + std::to_string(i.param);
                         });

TEST_F(QuickGameSelection, EveryPassRedrawsWithTheMarks) {
    // Time list: "l" steps down and wraps, R does the same; opponents: left and right wrap.
    Player p({{key(KEY_L)},
              {key(KEY_L)},
              {key(KEY_L)},
              {button(BTN_R)},
              {key(KEY_LEFT)},
              {button(BTN_RIGHT)},
              {key(KEY_RIGHT), key(KEY_RIGHT)},
              {button(BTN_LEFT)},
              {key(KEY_X)}});
    const auto next = p.run(quick_game_select);
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, (Next{Go::Title}));
    struct Marks {
        int opponent, time;
    };
    const Marks after[] = {{1, 1}, {1, 2}, {1, 3}, {1, 1}, {1, 2}, {6, 2}, {1, 2}, {3, 2}, {2, 2}};
    for (size_t i = 0; i < std::size(after); ++i) {
        const Player::Frame* f = p.frame_after(i);
        ASSERT_NE(f, nullptr) << "no frame after batch " << i;
        EXPECT_TRUE(same_calls(f->calls, selection_frame(after[i].opponent, after[i].time)))
            << "after batch " << i;
    }
    EXPECT_EQ(opt, 2);
}

TEST_F(QuickGameSelection, ReopeningMarksTheLastOpponentAndOneMinuteAgain) {
    Player first(
        {{key(KEY_L), key(KEY_L)}, {key(KEY_RIGHT), key(KEY_RIGHT), key(KEY_RIGHT)}, {key(KEY_B)}});
    const auto started = first.run(quick_game_select);
    ASSERT_TRUE(started);
    EXPECT_EQ(*started, (Next{Go::Game, 4}));
    const Player::Frame* before = first.frame_after(2);
    ASSERT_NE(before, nullptr);
    EXPECT_TRUE(same_calls(before->calls, selection_frame(4, 3)));

    Player again({{key(KEY_X)}});
    const auto back = again.run(quick_game_select);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, (Next{Go::Title}));
    ASSERT_FALSE(again.frames().empty());
    EXPECT_TRUE(same_calls(again.frames()[0].calls, selection_frame(4, 1)));
}

TEST_F(QuickGameSelection, EventsQueuedAfterBStayQueuedForTheGame) {
    opt = 2;
    const Batch rest = {key(KEY_A), button(BTN_Y), key_up(KEY_L), key(KEY_X)};
    Batch queued = {key(KEY_RIGHT), key(KEY_RIGHT), key(KEY_B)};
    queued.insert(queued.end(), rest.begin(), rest.end());
    push(queued);
    Player p;
    const auto next = p.run(quick_game_select);
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, (Next{Go::Game, 4}));
    EXPECT_EQ(opt, 4);
    EXPECT_EQ(cropp, 1);
    EXPECT_EQ(describe(drain()), describe(rest));
}

struct SelectionCase {
    const char* name;
    int opt_before, cropp_before;
    std::vector<Batch> batches;
    Next want;
    int opt_after;
};

void PrintTo(const SelectionCase& c, std::ostream* os) {
    *os << c.name;
}

class SelectionBindings : public Screens, public testing::WithParamInterface<SelectionCase> {};

TEST_P(SelectionBindings, LeadWhereTheSelectionSays) {
    const SelectionCase& c = GetParam();
    set_globals({3, c.opt_before, c.cropp_before, 5});
    Player p(c.batches);
    const auto next = p.run(quick_game_select);
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, c.want);
    EXPECT_EQ(p.fed(), c.batches.size()) << "returned before all presses were fed";
    EXPECT_TRUE(globals_are({3, c.opt_after, 1, 5}));
    EXPECT_TRUE(drain().empty()) << "presses left queued";
}

const Batch unbound_on_selection = {
    key(KEY_UP),        key(KEY_DOWN), key(KEY_SPACE),   key(KEY_ESCAPE),  key(KEY_A),
    key(KEY_R),         key(KEY_Y),    button(BTN_UP),   button(BTN_DOWN), button(BTN_START),
    button(BTN_SELECT), button(BTN_L), button(BTN_A),    button(BTN_Y),    key_up(KEY_B),
    button_up(BTN_B),   key_up(KEY_X), button_up(BTN_X), stick_moved(),
};

Batch then_x(Batch b) {
    b.push_back(key(KEY_X));
    return b;
}

INSTANTIATE_TEST_SUITE_P(
    Screens, SelectionBindings,
    testing::Values(
        SelectionCase{
            "LeftKeyWrapsFromOneToSix", 1, 2, {{key(KEY_LEFT), key(KEY_X)}}, {Go::Title}, 6},
        SelectionCase{
            "RightKeyWrapsFromSixToOne", 6, 2, {{key(KEY_RIGHT), key(KEY_X)}}, {Go::Title}, 1},
        SelectionCase{
            "LeftButtonMovesLeft", 3, 1, {{button(BTN_LEFT), key(KEY_X)}}, {Go::Title}, 2},
        SelectionCase{
            "RightButtonMovesRight", 3, 1, {{button(BTN_RIGHT), key(KEY_X)}}, {Go::Title}, 4},
        SelectionCase{
            "LeftButtonWrapsFromOne", 1, 1, {{button(BTN_LEFT), key(KEY_X)}}, {Go::Title}, 6},
        SelectionCase{
            "KeyBStartsAGameAgainstTheMarkedOpponent", 5, 2, {{key(KEY_B)}}, {Go::Game, 5}, 5},
        SelectionCase{"ButtonBStartsAGameAgainstTheMarkedOpponent",
                      2,
                      2,
                      {{button(BTN_B)}},
                      {Go::Game, 2},
                      2},
        SelectionCase{"RightRightBQueuedTogether",
                      3,
                      2,
                      {{key(KEY_RIGHT), key(KEY_RIGHT), key(KEY_B)}},
                      {Go::Game, 5},
                      5},
        SelectionCase{"MovesOverSeveralPassesThenB",
                      6,
                      2,
                      {{key(KEY_RIGHT)}, {button(BTN_RIGHT)}, {key(KEY_L)}, {button(BTN_B)}},
                      {Go::Game, 2},
                      2},
        SelectionCase{"KeyXGoesBackToTheTitle", 4, 2, {{key(KEY_X)}}, {Go::Title}, 4},
        SelectionCase{"ButtonXGoesBackToTheTitle", 4, 2, {{button(BTN_X)}}, {Go::Title}, 4},
        SelectionCase{"TimeStepsLeaveTheOpponent",
                      2,
                      2,
                      {{key(KEY_L), button(BTN_R), key(KEY_L), key(KEY_L), key(KEY_X)}},
                      {Go::Title},
                      2},
        SelectionCase{
            "UnboundPressesDoNothing", 3, 2, {then_x(unbound_on_selection)}, {Go::Title}, 3}),
    [](const testing::TestParamInfo<SelectionCase>& i) { return std::string(i.param.name); });

// ---- Round screen ----

using RoundScreen = Screens;

TEST_F(RoundScreen, RoundOneShowsOneAndTheFirstOpponent) {
    Player p({{key(KEY_B)}});
    const auto next = p.run([] { return round_no(1); });
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, (Next{Go::Game, 1}));
    ASSERT_FALSE(p.frames().empty());
    // Written out in full: the number, "2:00" and the single comment line.
    const std::vector<Call> want = {
        sprite_at(bmp::round, 0, 0, 320, 240),
        sprite_at(bmp::x_totitle, 1, 1, 19, 9),
        text_at("Name: ", 20, 120, ORANGE),
        text_at("IQ: ", 20, 132, ORANGE),
        text_at("Time Limit: ", 20, 144, ORANGE),
        text_at("Press B to start!", 20, 200, WHITE),
        text_at("1", 137, 20, WHITE),
        sprite_at(bmp::borin_quastle, 15, 57, 30, 42),
        text_at("Borin Quastle != Chimpanzee :@", 70, 67, PINK),
        text_at("Borin Quastle", 105, 120, WHITE),
        text_at("75 (=Chimpanzee)", 105, 132, WHITE),
        text_at("2:00", 105, 144, WHITE),
        flip(),
    };
    EXPECT_TRUE(same_calls(p.frames()[0].calls, want));
}

class RoundCard : public Screens, public testing::WithParamInterface<int> {};

TEST_P(RoundCard, ShowsTheRoundAndItsOpponent) {
    const int n = GetParam();
    set_globals({1, 3, 1, 2});
    Player p({Batch{}, {key(KEY_X)}});
    const auto next = p.run([n] { return round_no(n); });
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, (Next{Go::Title}));
    ASSERT_GE(p.frames().size(), 2u);
    for (const Player::Frame& f : p.frames())
        EXPECT_TRUE(same_calls(f.calls, round_frame(n)));
    EXPECT_TRUE(globals_are({1, 3, 2, 2}));
}

INSTANTIATE_TEST_SUITE_P(Screens, RoundCard, testing::Range(1, 7),
                         [](const testing::TestParamInfo<int>& i) {
                             return "Round" + std::to_string(i.param);
                         });

struct RoundCase {
    const char* name;
    int n;
    Globals before;
    std::vector<Batch> batches;
    Next want;
};

void PrintTo(const RoundCase& c, std::ostream* os) {
    *os << c.name;
}

class RoundBindings : public Screens, public testing::WithParamInterface<RoundCase> {};

TEST_P(RoundBindings, LeadWhereTheRoundScreenSays) {
    const RoundCase& c = GetParam();
    set_globals(c.before);
    Player p(c.batches);
    const int n = c.n;
    const auto next = p.run([n] { return round_no(n); });
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, c.want);
    EXPECT_EQ(p.fed(), c.batches.size()) << "returned before all presses were fed";
    // Only the mode changes: the round number stays as the title or the result screen set it.
    Globals after = c.before;
    after.cropp = 2;
    EXPECT_TRUE(globals_are(after));
    EXPECT_TRUE(drain().empty()) << "presses left queued";
}

const Batch unbound_on_round = {
    key(KEY_SPACE),     key(KEY_ESCAPE),  key(KEY_A),       key(KEY_L),        key(KEY_R),
    key(KEY_Y),         key(KEY_UP),      key(KEY_DOWN),    key(KEY_LEFT),     key(KEY_RIGHT),
    button(BTN_UP),     button(BTN_DOWN), button(BTN_LEFT), button(BTN_RIGHT), button(BTN_START),
    button(BTN_SELECT), button(BTN_L),    button(BTN_R),    button(BTN_A),     button(BTN_Y),
    key_up(KEY_B),      button_up(BTN_B), key_up(KEY_X),    stick_moved(),
};

INSTANTIATE_TEST_SUITE_P(
    Screens, RoundBindings,
    testing::Values(
        RoundCase{"KeyBPlaysOpponentN", 3, {0, 1, 1, 3}, {{key(KEY_B)}}, {Go::Game, 3}},
        RoundCase{"ButtonBPlaysOpponentN", 5, {2, 6, 1, 5}, {{button(BTN_B)}}, {Go::Game, 5}},
        RoundCase{"RoundDiffersFromRoundNumber", 6, {1, 2, 1, 2}, {{key(KEY_B)}}, {Go::Game, 6}},
        RoundCase{"KeyXGoesBackToTheTitle", 2, {1, 4, 1, 2}, {{key(KEY_X)}}, {Go::Title}},
        RoundCase{"ButtonXGoesBackToTheTitle", 4, {1, 4, 2, 4}, {{button(BTN_X)}}, {Go::Title}},
        RoundCase{"UnboundPressesDoNothing",
                  2,
                  {1, 1, 1, 2},
                  {unbound_on_round, Batch{}, {key(KEY_B)}},
                  {Go::Game, 2}}),
    [](const testing::TestParamInfo<RoundCase>& i) { return std::string(i.param.name); });

// ---- Win and loss screens ----

struct ResultCase {
    const char* name;
    int kind, cropp_before, round_before;
    SDL_Event b_press;
    SDL_Surface** picture;
    const char* line;
    Next want;
    int round_after;
};

void PrintTo(const ResultCase& c, std::ostream* os) {
    *os << c.name;
}

class ResultScreens : public Screens, public testing::WithParamInterface<ResultCase> {};

const Batch ignored_on_results = {
    key(KEY_A),        key(KEY_X),         key(KEY_SPACE),   key(KEY_ESCAPE),  key(KEY_L),
    key(KEY_R),        key(KEY_Y),         key(KEY_UP),      key(KEY_DOWN),    key(KEY_LEFT),
    key(KEY_RIGHT),    button(BTN_UP),     button(BTN_DOWN), button(BTN_LEFT), button(BTN_RIGHT),
    button(BTN_START), button(BTN_SELECT), button(BTN_L),    button(BTN_R),    button(BTN_A),
    button(BTN_X),     button(BTN_Y),      key_up(KEY_B),    button_up(BTN_B), stick_moved(),
};

TEST_P(ResultScreens, DrawOnceAndLeaveOnlyOnB) {
    const ResultCase& c = GetParam();
    set_globals({2, 5, c.cropp_before, c.round_before});
    Player p({ignored_on_results, Batch{}, {c.b_press}});
    const int kind = c.kind;
    const auto next = p.run([kind] { return you(kind); });
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, c.want);
    EXPECT_EQ(p.fed(), 3u) << "left before B";
    // One picture, one line, one flip, and nothing drawn again while presses are ignored.
    EXPECT_TRUE(same_calls(p.calls(), {sprite_at(*c.picture, 0, 0, 320, 240),
                                       text_at(c.line, 51, 193, WHITE), flip()}));
    EXPECT_TRUE(globals_are({2, 5, c.cropp_before, c.round_after}));
}

INSTANTIATE_TEST_SUITE_P(Screens, ResultScreens,
                         testing::Values(ResultCase{"WinQuickGameKeyB",
                                                    1,
                                                    1,
                                                    3,
                                                    key(KEY_B),
                                                    &bmp::you_win,
                                                    "Press B to return to the title screen :)",
                                                    {Go::Title},
                                                    3},
                                         ResultCase{"WinQuickGameButtonB",
                                                    1,
                                                    1,
                                                    5,
                                                    button(BTN_B),
                                                    &bmp::you_win,
                                                    "Press B to return to the title screen :)",
                                                    {Go::Title},
                                                    5},
                                         ResultCase{"WinTournamentRoundOneKeyB",
                                                    1,
                                                    2,
                                                    1,
                                                    key(KEY_B),
                                                    &bmp::you_win,
                                                    "Get your ass ready for the next Round!",
                                                    {Go::Round, 2},
                                                    2},
                                         ResultCase{"WinTournamentRoundThreeButtonB",
                                                    1,
                                                    2,
                                                    3,
                                                    button(BTN_B),
                                                    &bmp::you_win,
                                                    "Get your ass ready for the next Round!",
                                                    {Go::Round, 4},
                                                    4},
                                         ResultCase{"WinTournamentRoundFiveLeadsToRoundSix",
                                                    1,
                                                    2,
                                                    5,
                                                    key(KEY_B),
                                                    &bmp::you_win,
                                                    "Get your ass ready for the next Round!",
                                                    {Go::Round, 6},
                                                    6},
                                         ResultCase{"LossQuickGameKeyB",
                                                    2,
                                                    1,
                                                    2,
                                                    key(KEY_B),
                                                    &bmp::lost,
                                                    "Press B to return to the title screen :)",
                                                    {Go::Title},
                                                    2},
                                         ResultCase{"LossQuickGameButtonB",
                                                    2,
                                                    1,
                                                    4,
                                                    button(BTN_B),
                                                    &bmp::lost,
                                                    "Press B to return to the title screen :)",
                                                    {Go::Title},
                                                    4},
                                         ResultCase{"LossTournamentKeyB",
                                                    2,
                                                    2,
                                                    3,
                                                    key(KEY_B),
                                                    &bmp::lost,
                                                    "Press B to return tot the title screen :)",
                                                    {Go::Title},
                                                    3},
                                         ResultCase{"LossTournamentButtonB",
                                                    2,
                                                    2,
                                                    6,
                                                    button(BTN_B),
                                                    &bmp::lost,
                                                    "Press B to return tot the title screen :)",
                                                    {Go::Title},
                                                    6}),
                         [](const testing::TestParamInfo<ResultCase>& i) {
                             return std::string(i.param.name);
                         });

// ---- Error screen ----

using ErrorScreen = Screens;

const std::vector<Call> error_calls = {
    fill_with(WHITE),
    flip(),
    fill_with(BLACK),
    flip(),
    fill_with(WHITE),
    text_at("Sorry, an error occured in the system.", 10, 10, BLACK),
    text_at("Error 404: Page 'zebroltdefeated();' could not be found.", 10, 22, BLACK),
    text_at("Zebrolt was not defeated BTW :)", 10, 34, BLACK),
    text_at("Press B to return to the titlescreen.", 10, 100, BLACK),
    flip(),
};

long long ms_between(const Call& a, const Call& b) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(b.at - a.at).count();
}

TEST_F(ErrorScreen, FlashesThenShowsTheTextAndLeavesTheGlobals) {
    set_globals({3, 6, 2, 6});
    Player p({{key(KEY_A)}});
    const auto next = p.run(error);
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, (Next{Go::Title}));
    ASSERT_TRUE(same_calls(p.calls(), error_calls));
    // A 100 ms pause after each flip of the flash.
    EXPECT_GE(ms_between(p.calls()[1], p.calls()[2]), 95) << "pause after the white flash";
    EXPECT_GE(ms_between(p.calls()[3], p.calls()[4]), 95) << "pause after the black flash";
    EXPECT_TRUE(globals_are({3, 6, 2, 6}));
}

struct Press {
    const char* name;
    SDL_Event event;
};

void PrintTo(const Press& p, std::ostream* os) {
    *os << p.name;
}

class ErrorEndsOn : public Screens, public testing::WithParamInterface<Press> {};

TEST_P(ErrorEndsOn, AnyPress) {
    Player p({{GetParam().event}});
    const auto next = p.run(error);
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, (Next{Go::Title}));
    EXPECT_EQ(p.fed(), 1u);
    EXPECT_TRUE(same_calls(p.calls(), error_calls));
}

INSTANTIATE_TEST_SUITE_P(
    Screens, ErrorEndsOn,
    testing::Values(Press{"KeyB", key(KEY_B)}, Press{"Space", key(KEY_SPACE)},
                    Press{"Escape", key(KEY_ESCAPE)}, Press{"KeyA", key(KEY_A)},
                    Press{"LeftKey", key(KEY_LEFT)}, Press{"ButtonB", button(BTN_B)},
                    Press{"Start", button(BTN_START)}, Press{"ButtonA", button(BTN_A)},
                    Press{"ButtonX", button(BTN_X)}, Press{"StickUp", button(BTN_UP)}),
    [](const testing::TestParamInfo<Press>& i) { return std::string(i.param.name); });

TEST_F(ErrorScreen, ReleasesAndTheStickDoNotEndIt) {
    Player p({{key_up(KEY_B), button_up(BTN_B), stick_moved()}, Batch{}, {button(BTN_Y)}});
    const auto next = p.run(error);
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, (Next{Go::Title}));
    EXPECT_EQ(p.fed(), 3u) << "ended before a press";
    EXPECT_TRUE(same_calls(p.calls(), error_calls));
}

TEST_F(ErrorScreen, PressQueuedDuringTheFlashEndsItOnceTheTextIsShown) {
    push({button(BTN_START), key(KEY_DOWN)});
    Player p;
    const auto next = p.run(error);
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, (Next{Go::Title}));
    EXPECT_TRUE(same_calls(p.calls(), error_calls));
    EXPECT_TRUE(drain().empty()) << "the presses queued with it are used up";
}

TEST_F(ErrorScreen, ScreenIsWhiteWhereNoTextIsAfterTheLastFlip) {
    const Uint32 white = SDL_MapRGB(screen->format, 255, 255, 255);
    const Uint32 black = SDL_MapRGB(screen->format, 0, 0, 0);
    // Text lines are 8-point, so each fits a 12 px band from its top; it starts at x 10.
    const int line_top[] = {10, 22, 34, 100};
    const auto in_text = [&line_top](int x, int y) {
        for (int top : line_top)
            if (x >= 10 && y >= top && y < top + 12) return true;
        return false;
    };
    bool looked = false;
    int stray = 0, dark_in_text = 0, first_x = -1, first_y = -1;
    Player p({{key(KEY_B)}});
    p.probe = [&] {
        if (looked || p.calls().size() != error_calls.size()) return;
        looked = true;
        SDL_LockSurface(screen);
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x) {
                const Uint8* row = static_cast<const Uint8*>(screen->pixels) + y * screen->pitch;
                const Uint32 v = screen->format->BytesPerPixel == 2
                                     ? *reinterpret_cast<const Uint16*>(row + 2 * x)
                                     : *reinterpret_cast<const Uint32*>(row + 4 * x);
                if (in_text(x, y)) {
                    if (v == black) ++dark_in_text;
                } else if (v != white && stray++ == 0) {
                    first_x = x;
                    first_y = y;
                }
            }
        SDL_UnlockSurface(screen);
    };
    const auto next = p.run(error);
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, (Next{Go::Title}));
    ASSERT_TRUE(looked) << "the screen never waited after its last flip";
    EXPECT_EQ(stray, 0) << "pixels not white outside the text, first at (" << first_x << ","
                        << first_y << ")";
    EXPECT_GT(dark_in_text, 0) << "no black text on the screen";
}

} // namespace
