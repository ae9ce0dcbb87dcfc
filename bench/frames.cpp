// Frame benchmark: every screen's frame, drawn and presented by the screens' own code on SDL's
// dummy drivers, from the shipped pictures, from 24-bit copies of them, and as its floor.
//
// Three sets per screen:
//   shipped  the pictures as shipped: full screens in the screen's own 16-bit 5-6-5, most keyed
//            pictures at 8 bits with a palette of 5-6-5 colours;
//   24bit    the same pictures re-saved as 24-bit BMPs in a temporary folder, so every copy
//            converts its pixels on the way;
//   floor    the frame's fills and picture copies alone, replayed from what the screen drew:
//            the least any drawing of that frame has to do.
//
// Timing goes through Google Benchmark (median of repeated runs). With --callgrind the program
// instead draws each frame a fixed number of times between callgrind client requests, for
// `valgrind --tool=callgrind --collect-atstart=no`: one dump per screen and set, named
// "SET/SCREEN/FRAMES", whose total divided by FRAMES is the cost of one frame in instructions.
// Start-up runs the game's start-up to its first frame (codebreaker_first_frame) as a fresh
// process each time; beside it, a program that only loads the game's libraries shows how much of
// the peak resident memory is theirs.
#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#ifdef NO_CALLGRIND
#define CALLGRIND_ZERO_STATS
#define CALLGRIND_DUMP_STATS_AT(label) (void)(label)
#else
#include <valgrind/callgrind.h>
#endif

#include "screens/screens.h"
#include "platform/sdl_globals.h"

namespace {

long long monotonic_ns() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000000000LL + t.tv_nsec;
}

// ---- The boards the game frames show ----

// The code is fixed so that every row below is wrong, and together they show all three
// markers: white, black, and black with a cross.
const int kCode[HOLES] = {1, 2, 3, 4};
const int kWrongRows[ROWS][HOLES] = {
    {1, 1, 5, 5}, {2, 1, 3, 6}, {4, 3, 2, 1}, {5, 6, 5, 6},
    {1, 2, 4, 3}, {3, 4, 1, 2}, {6, 2, 3, 5},
};

Game board_with_rows(int rows) {
    Game g;
    new_game(g, 1);
    std::memcpy(g.code, kCode, sizeof kCode);
    for (int r = 0; r < rows; ++r)
        for (int h = 0; h < HOLES; ++h)
            put_ball(g, kWrongRows[r][h]);
    return g;
}

Game empty_board, six_rows, seven_rows;

// A seventh wrong row ends the game: its frame shows the loss banner and waits for a press,
// so a press is queued before each such frame and the wait takes it at once.
void queue_press() {
    SDL_Event e = {};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = SDLK_b;
    SDL_PushEvent(&e);
}

// ---- The screens ----

struct Screen {
    const char* name;
    std::function<void()> frame;
};

const std::vector<Screen>& screens() {
    static const std::vector<Screen> all = {
        {"title", [] { what = 0, draw_title(); }},
        {"selection", [] { opt = 1, draw_selection(1); }},
        {"round", [] { draw_round(1); }},
        {"game_empty", [] { game_frame(empty_board); }},
        {"game_six_rows", [] { game_frame(six_rows); }},
        {"game_seven_rows", [] { queue_press(), game_frame(seven_rows); }},
        {"win", [] { cropp = 1, draw_result(1); }},
        {"loss", [] { cropp = 1, draw_result(2); }},
        {"help", [] { draw_help(); }},
        {"error_text", [] { draw_error_text(); }},
    };
    return all;
}

// ---- The floor: a frame's fills and copies, replayed ----

std::vector<DrawCall> recorded;

void record(const DrawCall& d) {
    if (d.kind == DrawCall::Fill || d.kind == DrawCall::Sprite) recorded.push_back(d);
}

// Every picture the screens copy is taken from its top left corner.
std::vector<DrawCall> fills_and_copies(const Screen& s) {
    recorded.clear();
    on_draw = record;
    s.frame();
    on_draw = nullptr;
    return recorded;
}

void replay(const std::vector<DrawCall>& calls) {
    for (const DrawCall& d : calls) {
        if (d.kind == DrawCall::Fill)
            fill_screen(d.r, d.g, d.b);
        else
            drawSprite(d.bitmap, screen, 0, 0, d.x, d.y, d.w, d.h);
    }
    present();
}

// ---- The picture sets ----

std::string data_root; // holds data/ as shipped
std::string deep_root; // holds data/ with the pictures at 24 bits

// Every BMP in the data folder, by file name.
std::vector<std::string> picture_files() {
    std::vector<std::string> out;
    DIR* dir = opendir((data_root + "/data").c_str());
    if (!dir) return out;
    while (const dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".bmp") == 0) out.push_back(name);
    }
    closedir(dir);
    return out;
}

// A pixel's value at any depth SDL loads a BMP at (8, 16, 24 or 32 bits), as SDL_GetRGB reads it.
Uint32 pixel_at(const SDL_Surface* s, int x, int y) {
    const int bpp = s->format->BytesPerPixel;
    const Uint8* p = static_cast<const Uint8*>(s->pixels) + y * s->pitch + x * bpp;
    Uint32 v = 0;
    std::memcpy(&v, p, static_cast<size_t>(bpp)); // little-endian: the low bytes
    return v;
}

// Re-saves every picture at 24 bits, each pixel through SDL_GetRGB so that the magenta key
// stays exactly (255, 0, 255).
bool make_deep_copies() {
    char tmpl[] = "/tmp/codebreaker-bench-XXXXXX";
    if (!mkdtemp(tmpl)) return false;
    deep_root = tmpl;
    const std::string dir = deep_root + "/data";
    if (mkdir(dir.c_str(), 0700) != 0) return false;
    const std::string font_from = data_root + "/data/font.ttf", font_to = dir + "/font.ttf";
    if (symlink(font_from.c_str(), font_to.c_str()) != 0) return false;
    const std::vector<std::string> files = picture_files();
    if (files.empty()) return false;
    for (const std::string& name : files) {
        SDL_Surface* s = SDL_LoadBMP((data_root + "/data/" + name).c_str());
        if (!s) return false;
        SDL_Surface* d =
            SDL_CreateRGBSurface(SDL_SWSURFACE, s->w, s->h, 24, 0xFF0000, 0xFF00, 0xFF, 0);
        if (!d) return false;
        SDL_LockSurface(s);
        for (int y = 0; y < s->h; ++y)
            for (int x = 0; x < s->w; ++x) {
                Uint8 r, g, b;
                SDL_GetRGB(pixel_at(s, x, y), s->format, &r, &g, &b);
                Uint8* q = static_cast<Uint8*>(d->pixels) + y * d->pitch + x * 3;
                const Uint32 px = SDL_MapRGB(d->format, r, g, b);
                std::memcpy(q, &px, 3); // little-endian: the low three bytes
            }
        SDL_UnlockSurface(s);
        const int saved = SDL_SaveBMP(d, (dir + "/" + name).c_str());
        SDL_FreeSurface(s);
        SDL_FreeSurface(d);
        if (saved != 0) return false;
    }
    return true;
}

void remove_deep_copies() {
    if (deep_root.empty()) return;
    const std::string cmd = "rm -rf '" + deep_root + "'";
    if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", cmd.c_str());
}

enum class Set { Shipped, Deep, Floor };
const char* const set_names[] = {"shipped", "24bit", "floor"};
Set loaded = Set::Shipped;
bool failed = false; // a benchmark that could not measure makes the run fail

// Loads the set's pictures the way start-up does, from data/ below the set's folder.
void use(Set set) {
    const Set pictures = set == Set::Deep ? Set::Deep : Set::Shipped;
    const Set have = loaded == Set::Deep ? Set::Deep : Set::Shipped;
    if (pictures == have) {
        loaded = set;
        return;
    }
    const std::string& root = pictures == Set::Deep ? deep_root : data_root;
    if (chdir(root.c_str()) != 0) std::perror(root.c_str());
    free_bitmaps();
    load_bitmaps();
    loaded = set;
}

// One screen's frame in one set, ready to be drawn again and again: its pictures loaded, its
// floor recorded, and one frame drawn already (the font's glyph cache fills on the first).
struct Frame {
    const Screen& screen;
    Set set;
    std::vector<DrawCall> floor;

    void operator()() const {
        if (set == Set::Floor)
            replay(floor);
        else
            screen.frame();
    }
};

Frame ready(const Screen& s, Set set) {
    use(set);
    Frame f{s, set, set == Set::Floor ? fills_and_copies(s) : std::vector<DrawCall>()};
    f();
    return f;
}

// ---- Google Benchmark ----

void frame_benchmark(benchmark::State& state, const Screen* s, Set set) {
    const Frame frame = ready(*s, set);
    for (auto _ : state)
        frame();
}

// A fresh process of the program, started in the folder that holds data/ and waited for: what
// it printed (the clock at its first frame, for the first-frame program), its status and its
// peak resident memory.
struct Run {
    bool ok;
    long long printed;
    long peak_kib;
};

Run run_program(const char* program) {
    int out[2];
    if (pipe(out) != 0) return {false, 0, 0};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);
        close(out[0]);
        close(out[1]);
        if (chdir(data_root.c_str()) == 0) execl(program, program, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    char line[64] = {};
    size_t got = 0;
    ssize_t n;
    while (got < sizeof line - 1 && (n = read(out[0], line + got, sizeof line - 1 - got)) > 0)
        got += static_cast<size_t>(n);
    close(out[0]);
    int status = 0;
    rusage use = {};
    if (pid < 0 || wait4(pid, &status, 0, &use) != pid) return {false, 0, 0};
    const bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return {ok, std::atoll(line), use.ru_maxrss};
}

// One whole start-up in a fresh process, from before the fork to the first frame presented.
void startup_benchmark(benchmark::State& state) {
    long peak_kib = 0;
    for (auto _ : state) {
        const long long begin = monotonic_ns();
        const Run r = run_program(FIRST_FRAME_PROGRAM);
        if (!r.ok || r.printed <= begin) {
            state.SkipWithError("the first-frame program failed");
            failed = true;
            return;
        }
        state.SetIterationTime(static_cast<double>(r.printed - begin) / 1e9);
        peak_kib = std::max(peak_kib, r.peak_kib);
    }
    state.counters["peak_rss_KiB"] = static_cast<double>(peak_kib);
}

// The same libraries loaded by a program that does nothing else.
void libraries_benchmark(benchmark::State& state) {
    long peak_kib = 0;
    for (auto _ : state) {
        const Run r = run_program(LIBRARIES_ONLY_PROGRAM);
        if (!r.ok) {
            state.SkipWithError("the libraries-only program failed");
            failed = true;
            return;
        }
        peak_kib = std::max(peak_kib, r.peak_kib);
    }
    state.counters["peak_rss_KiB"] = static_cast<double>(peak_kib);
}

// ---- The modes ----

void start(const std::string& root) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (chdir(root.c_str()) != 0) {
        std::perror(root.c_str());
        std::exit(2);
    }
    start_up(false);
    if (!screen || !font || !bmp::title) {
        std::fprintf(stderr, "start-up found no screen, font or pictures below %s\n", root.c_str());
        std::exit(2);
    }
}

void make_boards() {
    empty_board = board_with_rows(0);
    six_rows = board_with_rows(6);
    seven_rows = board_with_rows(7);
}

int callgrind(int frames) {
    for (Set set : {Set::Shipped, Set::Deep, Set::Floor}) {
        for (const Screen& s : screens()) {
            const Frame frame = ready(s, set);
            CALLGRIND_ZERO_STATS;
            for (int i = 0; i < frames; ++i)
                frame();
            const std::string label = std::string(set_names[static_cast<int>(set)]) + "/" + s.name +
                                      "/" + std::to_string(frames);
            CALLGRIND_DUMP_STATS_AT(label.c_str());
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // The folder that holds data/: the source tree the benchmark was built from, unless named.
    data_root = BENCH_DATA_ROOT;
    std::vector<char*> rest = {argv[0]};
    int callgrind_frames = 0;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--data") && i + 1 < argc)
            data_root = argv[++i];
        else if (!std::strncmp(argv[i], "--callgrind=", 12))
            callgrind_frames = std::atoi(argv[i] + 12);
        else
            rest.push_back(argv[i]);
    }

    start(data_root);
    make_boards();
    if (!make_deep_copies()) {
        std::fprintf(stderr, "could not write the 24-bit pictures: %s\n", SDL_GetError());
        remove_deep_copies();
        return 2;
    }
    if (callgrind_frames > 0) {
        const int status = callgrind(callgrind_frames);
        remove_deep_copies();
        return status;
    }

    for (const Screen& s : screens())
        for (Set set : {Set::Shipped, Set::Deep, Set::Floor}) {
            const std::string name =
                std::string("frame/") + set_names[static_cast<int>(set)] + "/" + s.name;
            benchmark::RegisterBenchmark(name.c_str(), frame_benchmark, &s, set)
                ->Unit(benchmark::kMicrosecond);
        }
    benchmark::RegisterBenchmark("startup/first_frame", startup_benchmark)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(20);
    benchmark::RegisterBenchmark("startup/libraries_only", libraries_benchmark)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(5);

    int n = static_cast<int>(rest.size());
    benchmark::Initialize(&n, rest.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    remove_deep_copies();
    return failed ? 1 : 0;
}
