// Shared SDL test fixture: start-up, events, drawing calls, pixels, the screen driver, stack depth.
#pragma once

#include <SDL.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <optional>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "layout.h"
#include "platform/pictures.h"
#include "platform/platform.h"
#include "screens/flow.h"

inline void PrintTo(Go go, std::ostream* os) {
    static const char* const names[] = {"Stay", "Title", "QuickGame", "Round", "Game",
                                        "Win",  "Loss",  "Error",     "Quit",  "Exit"};
    *os << "Go::" << names[static_cast<int>(go)];
}

inline void PrintTo(const Next& n, std::ostream* os) {
    PrintTo(n.go, os);
    *os << " arg " << n.arg;
}

inline bool operator==(const Next& a, const Next& b) {
    return a.go == b.go && a.arg == b.arg;
}

// Names each case of a table of cases by its name field.
struct ByName {
    template <class Case> std::string operator()(const testing::TestParamInfo<Case>& i) const {
        return i.param.name;
    }
};

// ---- The SDL library under test ----

inline std::string real_path(const char* path) {
    char* p = realpath(path, nullptr);
    const std::string out = p ? p : path;
    std::free(p);
    return out;
}

// The test run names the SDL file each program must run on (EXPECTED_SDL_LIBRARY): the
// classic library or sdl12-compat, chosen through LD_LIBRARY_PATH. A program that finds
// another one loaded ends with status 1 before its first test, so that no run claims a library
// it does not use (a failed assertion here would mark every test skipped, not failed). Started
// by hand, without the name, a program runs on whichever library the loader finds.
class ExpectedSdlLibrary : public testing::Environment {
  public:
    void SetUp() override {
        const char* expected = std::getenv("EXPECTED_SDL_LIBRARY");
        if (!expected) return;
        // Looked up by name, so that the address is the library's own.
        Dl_info info{};
        void* symbol = dlsym(RTLD_DEFAULT, "SDL_Linked_Version");
        if (!symbol || !dladdr(symbol, &info) || !info.dli_fname) {
            std::fprintf(stderr, "cannot tell which file SDL comes from\n");
            std::exit(1);
        }
        if (real_path(info.dli_fname) != real_path(expected)) {
            const SDL_version* v = SDL_Linked_Version();
            std::fprintf(stderr, "this program runs on %s (SDL %d.%d.%d), not on %s\n",
                         info.dli_fname, v->major, v->minor, v->patch, expected);
            std::exit(1);
        }
    }
};

// Every program that includes the fixture checks its library before anything else.
inline testing::Environment* const expected_sdl_library =
    testing::AddGlobalTestEnvironment(new ExpectedSdlLibrary);

// ---- Start-up, once per process ----

class HeadlessSdl : public testing::Environment {
  public:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        start_up(false); // no exit handler: the test's exit status stays its own
    }
    // SDL goes down before the process does: on sdl12-compat, SDL2's audio thread would still
    // be running when the library's destructor empties its table of SDL2 functions, and now
    // and then the thread calls through an emptied entry and the program crashes at exit.
    // Never Terminate, which would start the handheld's menu program in this process's place.
    void TearDown() override {
        SDL_Quit();
        screen = nullptr;
    }
};

// ---- Events ----

using Batch = std::vector<SDL_Event>;

inline SDL_Event key_event(Uint8 type, int sym) {
    SDL_Event e{};
    e.type = type;
    e.key.type = type;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = static_cast<SDLKey>(sym);
    return e;
}
inline SDL_Event button_event(Uint8 type, int button, int joystick) {
    SDL_Event e{};
    e.type = type;
    e.jbutton.type = type;
    e.jbutton.which = static_cast<Uint8>(joystick);
    e.jbutton.button = static_cast<Uint8>(button);
    e.jbutton.state = type == SDL_JOYBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    return e;
}
inline SDL_Event key_down(int sym) {
    return key_event(SDL_KEYDOWN, sym);
}
inline SDL_Event key_up(int sym) {
    return key_event(SDL_KEYUP, sym);
}
inline SDL_Event button_down(int button, int joystick = 0) {
    return button_event(SDL_JOYBUTTONDOWN, button, joystick);
}
inline SDL_Event button_up(int button) {
    return button_event(SDL_JOYBUTTONUP, button, 0);
}
inline SDL_Event axis_motion() {
    SDL_Event e{};
    e.type = SDL_JOYAXISMOTION;
    e.jaxis.type = SDL_JOYAXISMOTION;
    e.jaxis.axis = 1;
    e.jaxis.value = -32000;
    return e;
}
inline SDL_Event quit_request() {
    SDL_Event e{};
    e.type = SDL_QUIT;
    e.quit.type = SDL_QUIT;
    return e;
}

inline std::string describe(const SDL_Event& e) {
    std::ostringstream os;
    switch (e.type) {
    case SDL_KEYDOWN: os << "key down " << e.key.keysym.sym; break;
    case SDL_KEYUP: os << "key up " << e.key.keysym.sym; break;
    case SDL_JOYBUTTONDOWN:
        os << "button down " << int(e.jbutton.button) << " (joystick " << int(e.jbutton.which)
           << ")";
        break;
    case SDL_JOYBUTTONUP:
        os << "button up " << int(e.jbutton.button) << " (joystick " << int(e.jbutton.which) << ")";
        break;
    case SDL_JOYAXISMOTION:
        os << "axis " << int(e.jaxis.axis) << " of joystick " << int(e.jaxis.which) << " to "
           << e.jaxis.value;
        break;
    case SDL_QUIT: os << "quit request"; break;
    default: os << "event type " << int(e.type); break;
    }
    return os.str();
}

inline std::string describe(const Batch& events) {
    std::string s;
    for (const SDL_Event& e : events)
        s += (s.empty() ? "" : ", ") + describe(e);
    return "[" + s + "]";
}

inline void push(const Batch& events) {
    for (SDL_Event e : events)
        ASSERT_EQ(SDL_PushEvent(&e), 0) << "queue full at " << describe(e);
}

// Everything still queued, taken out of SDL's queue.
inline Batch take_queue() {
    Batch out;
    SDL_Event e;
    while (SDL_PollEvent(&e))
        out.push_back(e);
    return out;
}

// ---- Start values of the screens' globals ----

struct Globals {
    int what, opt, cropp, round_n;
};
inline Globals globals() {
    return {what, opt, cropp, round_n};
}
inline void set_globals(Globals g) {
    what = g.what;
    opt = g.opt;
    cropp = g.cropp;
    round_n = g.round_n;
}
inline std::string describe(Globals g) {
    std::ostringstream os;
    os << "what " << g.what << ", opt " << g.opt << ", cropp " << g.cropp << ", round_n "
       << g.round_n;
    return os.str();
}
inline testing::AssertionResult globals_are(Globals want) {
    const Globals got = globals();
    if (got.what == want.what && got.opt == want.opt && got.cropp == want.cropp &&
        got.round_n == want.round_n)
        return testing::AssertionSuccess();
    return testing::AssertionFailure()
           << "globals are " << describe(got) << ", expected " << describe(want);
}

// Every test of the screens starts from the program's start values with an empty queue.
class FreshStart : public testing::Test {
  protected:
    void SetUp() override {
        take_queue();
        set_globals({0, 1, 1, 1});
    }
    void TearDown() override { take_queue(); }
};

// ---- Drawing calls as recorded ----

using Clock = std::chrono::steady_clock;

// One drawing call as the on_draw seam reports it, with its text copied.
struct Call {
    DrawCall::Kind kind;
    std::string text;
    SDL_Surface* bitmap;
    int x, y, w, h;
    Rgb colour;
    Clock::time_point at; // when it was drawn (not compared)
};

inline Call recorded(const DrawCall& d) {
    Call c{d.kind,      d.kind == DrawCall::Text && d.text ? d.text : "",
           d.bitmap,    d.x,
           d.y,         d.w,
           d.h,         {d.r, d.g, d.b},
           Clock::now()};
    if (d.kind == DrawCall::Fill) c.x = c.y = c.w = c.h = 0;
    return c;
}

inline Call text_at(const std::string& s, int x, int y, Rgb c) {
    return {DrawCall::Text, s, nullptr, x, y, 0, 0, c, {}};
}
inline Call sprite_at(SDL_Surface* bitmap, int x, int y, int w, int h) {
    return {DrawCall::Sprite, "", bitmap, x, y, w, h, {0, 0, 0}, {}};
}
inline Call flip() {
    return {DrawCall::Flip, "", nullptr, 0, 0, 0, 0, {0, 0, 0}, {}};
}

inline bool same_colour(Rgb a, Rgb b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

inline bool same_call(const Call& a, const Call& b) {
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
    const char* name; // its global's
    const char* file; // in data/
};
// Every picture of the game, from the game's one list of them, by the name its global has.
#define NAMED_PICTURE(file, global, keyed, w, h) {&bmp::global, #global, file},
inline const NamedPicture pictures[] = {GAME_PICTURES(NAMED_PICTURE)};
#undef NAMED_PICTURE

inline std::string picture_name(SDL_Surface* s) {
    for (const NamedPicture& p : pictures)
        if (*p.bitmap == s) return p.name;
    std::ostringstream os;
    os << "picture " << static_cast<const void*>(s);
    return os.str();
}

// Frames are told apart, balls read by colour and markers by kind, all by picture; a missing or
// shared picture would hide a wrong one.
inline testing::AssertionResult pictures_loaded_and_distinct() {
    std::string problems;
    for (const NamedPicture& p : pictures)
        if (!*p.bitmap) problems += std::string("\n  data/") + p.file + " did not load";
    for (const NamedPicture& a : pictures)
        for (const NamedPicture& b : pictures)
            if (&a != &b && *a.bitmap == *b.bitmap)
                problems += std::string("\n  ") + a.name + " is " + b.name;
    if (problems.empty()) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "pictures:" << problems;
}

inline std::string describe(const Call& c) {
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

inline std::string describe(const std::vector<Call>& calls) {
    std::ostringstream os;
    for (const Call& c : calls)
        os << "\n    " << describe(c);
    return os.str();
}

inline testing::AssertionResult same_calls(const std::vector<Call>& got,
                                           const std::vector<Call>& want) {
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

// ---- Calls the screens' frames hold, from the layout table ----

inline Call title_mark(int entry) { // entry 0..3
    return text_at("[ ]", title_mark_x, title_entry_y[entry], WHITE);
}
inline Call selection_mark(int opponent) {
    return text_at("[ ]", selection_bullet_x[opponent - 1] - 3, selection_bullet_y, WHITE);
}
inline Call round_number(int n) {
    return text_at(std::to_string(n), round_number_x, round_number_y, WHITE);
}
// A portrait as the menus draw it.
inline Call menu_portrait(int opponent, int x, int y) {
    const Portrait& p = portraits[opponent - 1];
    return sprite_at(*p.bitmap, x, y, p.menu_w, p.menu_h);
}

// ---- Telling the screens apart ----

enum class Shown { Nothing, Title, Selection, Round, Game, Help, Win, Loss, Error, Flash };

inline const char* name_of(Shown s) {
    static const char* const names[] = {"no screen", "title", "selection", "round", "game",
                                        "help",      "win",   "loss",      "error", "flash"};
    return names[static_cast<int>(s)];
}

// Every screen starts its frame with a full-screen picture or fill: the screen such a call
// belongs to (Nothing for a picture or colour no screen uses), or no value for any other call.
inline std::optional<Shown> background_of(const Call& c) {
    if (c.kind == DrawCall::Sprite && c.x == 0 && c.y == 0 && c.w == 320 && c.h == 240) {
        const std::pair<SDL_Surface*, Shown> backgrounds[] = {
            {bmp::title, Shown::Title}, {bmp::round, Shown::Round}, {bmp::main_scr, Shown::Game},
            {bmp::help, Shown::Help},   {bmp::you_win, Shown::Win}, {bmp::lost, Shown::Loss}};
        for (const auto& [bitmap, shown] : backgrounds)
            if (c.bitmap == bitmap) return shown;
        return Shown::Nothing;
    }
    if (c.kind == DrawCall::Fill)
        return same_colour(c.colour, GREY)    ? Shown::Selection
               : same_colour(c.colour, WHITE) ? Shown::Error
               : same_colour(c.colour, BLACK) ? Shown::Flash
                                              : Shown::Nothing;
    return std::nullopt;
}

// A frame's screen is told by its background: the last full-screen picture or fill in it.
inline Shown screen_of(const std::vector<Call>& frame) {
    Shown s = Shown::Nothing;
    for (const Call& c : frame)
        if (const std::optional<Shown> b = background_of(c)) s = *b;
    return s;
}

// ---- Pixels ----

inline Uint32 raw_pixel(SDL_Surface* s, int x, int y) {
    if (SDL_MUSTLOCK(s)) SDL_LockSurface(s);
    const Uint8* p =
        static_cast<const Uint8*>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel;
    Uint32 v = 0;
    switch (s->format->BytesPerPixel) {
    case 1: v = *p; break;
    case 2: v = *reinterpret_cast<const Uint16*>(p); break;
    case 3: v = p[0] | p[1] << 8 | p[2] << 16; break;
    default: v = *reinterpret_cast<const Uint32*>(p); break;
    }
    if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
    return v;
}

// ---- Telling a new frame ----

// The screen is painted over with one colour that no picture of the game's holds: whatever the
// next frame leaves undrawn shows in it.
inline Uint32 sentinel() {
    return SDL_MapRGB(screen->format, 0x12, 0xF4, 0x38);
}
inline void mark_screen() {
    SDL_FillRect(screen, nullptr, sentinel());
}

// ---- The seams ----

// Hands the empty-queue and drawing seams to one object of type T while the guard lives; its
// static hooks reach it through installed().
template <class T> class OnSeams {
  public:
    OnSeams(T& t, void (*empty)(), void (*draw)(const DrawCall&)) {
        current() = &t;
        on_queue_empty = empty;
        on_draw = draw;
    }
    ~OnSeams() {
        on_queue_empty = nullptr;
        on_draw = nullptr;
        current() = nullptr;
    }
    OnSeams(const OnSeams&) = delete;
    OnSeams& operator=(const OnSeams&) = delete;

    static T& installed() { return *current(); }

  private:
    static T*& current() {
        static T* t = nullptr;
        return t;
    }
};

// ---- Screens never nest ----

// Only run_screens starts a screen, so each place where the program waits for presses (a
// screen's loop, help over the title or over a game, a deciding row's banner) reaches the
// empty-queue seam through one fixed chain of calls, as deep every time it comes round. A screen
// started from inside another would reach it deeper by at least the frame of the one it was
// started from. A long run takes each place's deepest call in its first part as that place's
// reference, then holds every later call to it; every place the run reaches must have been
// reached before the references are fixed.
class SeamDepths {
  public:
    // No growth at all: one chain of calls comes to the same byte every time (both long runs
    // print the growth they saw), while one level of nesting can add very little: a dispatcher
    // that started itself again after a game added 32 bytes a level on x86-64, its own frame.
    static constexpr long slack = 0;

    explicit SeamDepths(size_t places) : reference_(places, 0), seen_(places, false) {}

    // The address of a local in the frame that runs the program: depths are counted from it
    // (the stack grows downward here).
    void start(std::uintptr_t base) { base_ = deepest_ = base; }

    // A call of the seam at `here` (the address of a local of the hook) while the program waits
    // at `place`. Returns how far below its place's reference it came: 0 while the references
    // are being taken.
    long reached(size_t place, std::uintptr_t here) {
        deepest_ = std::min(deepest_, here);
        if (!fixed_) {
            reference_[place] = seen_[place] ? std::min(reference_[place], here) : here;
            seen_[place] = true;
            return 0;
        }
        if (!seen_[place]) {
            unseen_ = true;
            return 0;
        }
        const long growth =
            here < reference_[place] ? static_cast<long>(reference_[place] - here) : 0;
        growth_ = std::max(growth_, growth);
        return growth;
    }

    // From now on every call is held to its place's reference.
    void fix() { fixed_ = true; }
    bool fixed() const { return fixed_; }
    bool seen(size_t place) const { return seen_[place]; }

    // True when a call came deeper than its place allows: a screen was started inside another.
    static bool nested(long growth) { return growth > slack; }

    // The deepest any call came below its place's reference since they were fixed.
    long growth() const { return growth_; }
    // How far below the base the seam was called at the deepest, and each place's reference.
    long depth() const { return static_cast<long>(base_ - deepest_); }
    long depth(size_t place) const { return static_cast<long>(base_ - reference_[place]); }

    testing::AssertionResult flat() const {
        if (!fixed_) return testing::AssertionFailure() << "the references were never fixed";
        if (unseen_)
            return testing::AssertionFailure()
                   << "a place was first reached after the references were fixed";
        if (nested(growth_))
            return testing::AssertionFailure()
                   << "the seam was called " << growth_
                   << " bytes deeper than its place's reference: screens nest";
        return testing::AssertionSuccess();
    }

  private:
    std::vector<std::uintptr_t> reference_;
    std::vector<bool> seen_;
    std::uintptr_t base_ = 0, deepest_ = 0;
    long growth_ = 0;
    bool fixed_ = false, unseen_ = false;
};

// ---- Driving a screen ----

// Screens that draw once and then wait: the first frame of one shows all that was queued.
inline bool draws_once(Shown s) {
    return s == Shown::Help || s == Shown::Win || s == Shown::Loss || s == Shown::Error;
}

class ScreenDriver;

// When a step runs. Each is counted from the moment all that the step before queued has
// been taken: the first empty poll after it.
enum class When {
    Idle,    // after this many more empty polls (0: at once), in which the screen keeps waiting
    Frame,   // a frame presented after that moment; for a screen that draws once and waits, the
             // frame it presented since the step before
    Settled, // a frame presented after that moment, or idle_polls empty polls without one: for
             // presses that may or may not change what is shown
};

// One step of a script: when it is due, the checks of what is shown, then what is pressed.
struct Step {
    std::optional<Shown> expect;                    // the screen the last frame must show
    const char* name = "a step";                    // named in failures
    std::function<void(const ScreenDriver&)> check; // may be empty; may queue presses itself
    Batch press;                                    // queued after the checks
    int seed = -1;                                  // when set: srand(seed) just before pressing
    When when = When::Frame;
    int polls = 0; // for When::Idle
};

struct Stuck : std::runtime_error {
    using std::runtime_error::runtime_error;
};
struct StepFailed : std::runtime_error {
    using std::runtime_error::runtime_error;
};
struct ScriptEnd {};

// Drives a screen's loop (or the whole dispatcher) from the game's empty-queue seam through a
// script of steps and records what it draws. The steps run one after the other, each when what it
// waits for has come; the presses a step queues are taken before the screen next finds the queue
// empty. A run ends when the loop returns, when a step fails, when the screen keeps polling for
// patience empty polls without the next step coming due (or after the last step: the loop should
// have ended), or, with stop_at_end, right after the last step. It also records the pauses asked
// for and, screen by screen, how deep in the stack the seam was called.
class ScreenDriver {
  public:
    static constexpr int patience = 2000;
    static constexpr int idle_polls = 20; // for When::Settled

    struct Frame {
        std::vector<Call> calls; // up to and with the flip
        size_t taken;            // steps whose presses had been taken when it was flipped
    };

    ScreenDriver() = default;
    explicit ScreenDriver(std::vector<Step> steps) : steps_(std::move(steps)) {}
    // One batch after each settled frame.
    explicit ScreenDriver(const std::vector<Batch>& batches) {
        for (const Batch& b : batches)
            steps_.push_back({std::nullopt, "a batch of presses", nullptr, b, -1, When::Settled});
    }

    // Steps of a scripted check: f runs on the screen as it stands and queues presses itself.
    ScreenDriver& on_frame(std::function<void()> f) { return add(When::Frame, "a frame", f); }
    ScreenDriver& idle(int polls) { return add(When::Idle, "a wait", nullptr, polls); }
    ScreenDriver& then(std::function<void()> f) { return add(When::Idle, "a press", f); }

    // Called when the steps run out, to append the next ones; false ends the script.
    std::function<bool(std::vector<Step>&)> more;
    // Ends the run by an exception right after the last step, for loops that never return.
    bool stop_at_end = false;
    // Pauses take their time; when false they are only recorded.
    bool real_pauses = true;
    // Keeps every call and frame, for calls() and frames(); a long run turns it off.
    bool history = true;
    // Paints the screen over with the sentinel while a When::Frame step waits for its frame, so
    // that only what that frame draws shows; a long run that reads no pixels turns it off.
    bool blank = true;
    // Runs at every empty poll, before anything else.
    std::function<void()> probe;
    // Runs at each drawing call, before it is drawn: the screen then holds all drawn before it.
    std::function<void(const DrawCall&)> on_call;
    // Runs at each pause, after it is recorded.
    std::function<void(int)> during_pause;
    // Named in failures: which part of a long script a step belongs to.
    std::string context = "the script";

    // Runs a loop with the driver on the seams and gives back what it returned: nothing when it
    // was stuck, a step failed (both reported as failures), or the script's end stopped it.
    template <class Loop> auto run(Loop loop) -> std::optional<decltype(loop())> {
        volatile char base = 0;
        depths_.start(reinterpret_cast<std::uintptr_t>(&base));
        Installed guard(*this);
        try {
            return loop();
        } catch (const ScriptEnd&) {
        } catch (const Stuck& e) {
            ADD_FAILURE() << e.what();
        } catch (const StepFailed& e) {
            ADD_FAILURE() << e.what();
        }
        return std::nullopt;
    }

    // All steps run (with stop_at_end: the run was ended by its script, not by a failure).
    bool finished() const { return next_ == steps_.size() && !failed_; }
    size_t steps_run() const { return steps_run_; }
    // The last frame presented, and the screen it shows.
    const std::vector<Call>& frame() const { return frame_; }
    Shown shown() const { return shown_; }
    // The pauses asked for since the last presses were queued.
    const std::vector<int>& pauses() const { return pauses_; }
    // How deep the seam was called, each place told by the screen its last frame showed.
    SeamDepths& depths() { return depths_; }
    const SeamDepths& depths() const { return depths_; }
    // With history: every call, and every frame presented.
    const std::vector<Call>& calls() const { return calls_; }
    const std::vector<Frame>& frames() const { return frames_; }
    // The first frame presented once this many steps' presses had been taken; null when none
    // was.
    const Frame* frame_after(size_t taken) const {
        for (const Frame& f : frames_)
            if (f.taken == taken) return &f;
        return nullptr;
    }

  private:
    struct Installed : OnSeams<ScreenDriver> {
        explicit Installed(ScreenDriver& d)
            : OnSeams(d, &ScreenDriver::empty_hook, &ScreenDriver::draw_hook) {
            on_pause = &ScreenDriver::pause_hook;
        }
        ~Installed() { on_pause = nullptr; }
    };

    static void empty_hook() {
        volatile char here = 0;
        OnSeams<ScreenDriver>::installed().empty_poll(reinterpret_cast<std::uintptr_t>(&here));
    }
    static void draw_hook(const DrawCall& d) { OnSeams<ScreenDriver>::installed().record(d); }
    static void pause_hook(int ms) {
        ScreenDriver& d = OnSeams<ScreenDriver>::installed();
        d.pauses_.push_back(ms);
        if (d.during_pause) d.during_pause(ms);
        if (d.real_pauses) SDL_Delay(static_cast<Uint32>(ms));
    }

    ScreenDriver& add(When w, const char* name, std::function<void()> f, int polls = 0) {
        std::function<void(const ScreenDriver&)> check;
        if (f) check = [f = std::move(f)](const ScreenDriver&) { f(); };
        steps_.push_back({std::nullopt, name, std::move(check), {}, -1, w, polls});
        return *this;
    }

    void record(const DrawCall& d) {
        if (on_call) on_call(d);
        const Call c = recorded(d);
        if (history) calls_.push_back(c);
        if (d.kind != DrawCall::Flip) {
            drawing_.push_back(c);
            return;
        }
        frame_.swap(drawing_);
        drawing_.clear();
        shown_ = screen_of(frame_);
        ++flips_;
        if (history) {
            frames_.push_back({frame_, taken_count_});
            frames_.back().calls.push_back(c);
        }
    }

    void empty_poll(std::uintptr_t here) {
        depths_.reached(static_cast<size_t>(shown_), here);
        if (probe) probe();
        const bool at_taken = !taken_;
        if (at_taken) {
            taken_ = true;
            ++taken_count_;
            flips_at_taken_ = flips_;
            idle_ = 0;
        } else {
            ++idle_;
        }
        const Step* s = upcoming();
        if (s && due(*s, at_taken)) return run_step();
        if (idle_ <= patience) return;
        std::ostringstream os;
        os << context << ": ";
        if (s)
            os << "step \"" << s->name << "\" (" << steps_run_ + 1 << ") not due";
        else
            os << "the screen still runs after all " << steps_run_ << " steps";
        os << " after " << patience << " empty polls; the last frame shows the " << name_of(shown_)
           << " screen:" << describe(frame_);
        throw Stuck(os.str());
    }

    // The next step, asking for more when the steps are over; null when the script has ended.
    const Step* upcoming() {
        if (next_ == steps_.size()) {
            if (!more) return nullptr;
            steps_.clear();
            next_ = 0;
            if (!more(steps_) || steps_.empty()) {
                more = nullptr;
                if (stop_at_end) throw ScriptEnd{};
                return nullptr;
            }
        }
        return &steps_[next_];
    }

    // What is on the screen counts as shown once it was flipped since the presses were queued
    // and nothing was drawn after the flip.
    bool presented() const { return flips_ > flips_at_queue_ && drawing_.empty(); }

    bool due(const Step& s, bool at_taken) {
        switch (s.when) {
        case When::Idle: return idle_ >= s.polls;
        case When::Frame:
            if (at_taken) {
                if (draws_once(shown_) && shown_ != shown_at_queue_ && presented()) return true;
                if (blank) mark_screen();
                return false;
            }
            if (flips_ == flips_at_taken_) return false;
            EXPECT_TRUE(presented())
                << "the screen waits for presses while its picture is not presented";
            return true;
        case When::Settled: return !at_taken && (flips_ > flips_at_taken_ || idle_ >= idle_polls);
        }
        return false;
    }

    void run_step() {
        const Step& s = steps_[next_];
        const auto where = [&] {
            std::ostringstream os;
            os << context << ", step \"" << s.name << "\" (" << steps_run_ + 1 << ")";
            return os.str();
        };
        if (s.expect && shown_ != *s.expect) {
            failed_ = true;
            std::ostringstream os;
            os << where() << ": expected the " << name_of(*s.expect) << " screen, the last frame "
               << "shows the " << name_of(shown_) << " screen:" << describe(frame_);
            throw StepFailed(os.str());
        }
        const bool failed_before = testing::Test::HasFailure();
        if (s.check) s.check(*this);
        if (testing::Test::HasFailure() && !failed_before) {
            failed_ = true;
            throw StepFailed(where() + " failed");
        }
        if (s.seed >= 0) std::srand(static_cast<unsigned>(s.seed));
        push(s.press);
        taken_ = false;
        shown_at_queue_ = shown_;
        flips_at_queue_ = flips_;
        pauses_.clear();
        ++next_;
        ++steps_run_;
        if (stop_at_end && next_ == steps_.size() && !more) throw ScriptEnd{};
    }

    std::vector<Step> steps_;
    size_t next_ = 0, steps_run_ = 0, taken_count_ = 0;
    bool taken_ = true, failed_ = false;
    long flips_ = 0, flips_at_queue_ = 0, flips_at_taken_ = 0;
    int idle_ = 0;
    Shown shown_ = Shown::Nothing, shown_at_queue_ = Shown::Nothing;
    std::vector<Call> frame_, drawing_, calls_;
    std::vector<Frame> frames_;
    std::vector<int> pauses_;
    SeamDepths depths_{static_cast<size_t>(Shown::Flash) + 1};
};
