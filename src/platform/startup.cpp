// Start-up of SDL, screen, font, joystick, pictures and audio; shutdown back to the menu.
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

#include <SDL_mixer.h>

#include "sdl_globals.h"

// The seed comes from time(), which on a 32-bit time_t fails with -1 from January 2038 on, so
// that every later run would draw the same codes. glibc 2.34 and later give 32-bit ARM a 64-bit
// time_t when asked (_TIME_BITS=64, set for the game's sources by the build); older C libraries,
// such as an old handheld's, have none to give.
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
static_assert(sizeof(std::time_t) >= 8, "the seed's clock must run past 2038: build with "
                                        "_TIME_BITS=64 and _FILE_OFFSET_BITS=64");
#endif

SDL_Surface* screen;
TTF_Font* font;
SDL_Joystick* joy;

namespace {
const char menu_dir[] = "/usr/gp2x";
const char menu_program[] = "/usr/gp2x/gp2xmenu";

// A launcher may start the game with standard input, output or error closed. The X
// connection would then take the lowest free descriptor, and a start-up message or a
// library's complaint written there would corrupt it and freeze the game for good.
void fill_std_descriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // open takes the lowest free descriptor, which is this one. Without /dev/null the
        // root directory still fills the slot: writes to it fail and harm nothing.
        if (open("/dev/null", O_RDWR) == -1) open("/", O_RDONLY);
    }
}

// SDL catches the fatal signals to shut itself down from inside the handler; under X the
// signal nearly always lands in Xlib, where that shutdown deadlocks and leaves a frozen
// window. SIGINT and SIGTERM it turns into a quit event, which every screen ignores. With
// their default actions back, each of these ends the process as it should.
const int ending_signals[] = {SIGINT, SIGTERM, SIGSEGV, SIGBUS, SIGFPE, SIGQUIT};

} // namespace

void report(std::FILE* to, const char* format, ...) {
    // A pipe that nobody reads would kill the process with SIGPIPE; the message is lost
    // instead. Written at once, so that it survives the exec at shutdown.
    struct sigaction ignore = {}, old = {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &old);
    va_list args;
    va_start(args, format);
    std::vfprintf(to, format, args);
    va_end(args);
    std::fflush(to);
    sigaction(SIGPIPE, &old, nullptr);
}

unsigned seed_for_time(long long seconds) {
    // Through unsigned arithmetic, which wraps where a signed conversion could not.
    return static_cast<unsigned>(static_cast<unsigned long long>(seconds) & 0xFFFFFFFFu);
}

void start_up(bool register_exit_handler) {
    fill_std_descriptors();
    // The game plays no sound, so a machine without a sound device must still play it. SDL
    // 1.2 over SDL2 fails the whole of SDL_Init when its audio driver cannot start (no sound
    // server, no such driver), so SDL is brought up again without audio; when that fails too,
    // its reason is the one that counts. What the failed call left is taken down first:
    // sdl12-compat would otherwise answer the second call with success and video still down.
    // Mix_OpenAudio then finds no device and the game is silent.
    const Uint32 subsystems = SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_JOYSTICK;
    if (SDL_Init(subsystems) < 0) {
        SDL_QuitSubSystem(subsystems);
        if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_JOYSTICK) < 0) {
            report(stderr, "Couldn't initialize SDL: %s\n", SDL_GetError());
            std::exit(1);
        }
    }
    for (int sig : ending_signals)
        std::signal(sig, SIG_DFL);
    if (register_exit_handler) std::atexit(Terminate);
    std::srand(seed_for_time(std::time(nullptr)));
    SDL_ShowCursor(0);

    // Named before the window exists, so that it never shows without its name.
    SDL_WM_SetCaption("Code Breaker", "Code Breaker");
    screen = SDL_SetVideoMode(320, 240, 16, 0);
    if (!screen) {
        report(stderr, "Couldn't set 320x240x16 video mode: %s\n", SDL_GetError());
        std::exit(2);
    }
    TTF_Init();
    if (SDL_NumJoysticks() > 0) {
        joy = SDL_JoystickOpen(0);
        if (!joy) report(stderr, "Couldn't open joystick 0: %s\n", SDL_GetError());
    }
    // The launcher's map of the device's buttons to the handheld's; without one, or with a
    // damaged one, the buttons keep the handheld's own numbers. Empty counts as none given.
    button_map = ButtonMap();
    const char* map = std::getenv("CODEBREAKER_BUTTONS");
    std::string bad;
    if (map && *map && !read_button_map(map, button_map, bad))
        report(stderr,
               "CODEBREAKER_BUTTONS: \"%s\" is no entry of a button map (control:bN or "
               "control:h0.N); the buttons keep the handheld's numbers\n",
               bad.c_str());
    font = TTF_OpenFont("data/font.ttf", 8);
    // Without kerning: every text is rendered afresh each frame, and FreeType's look-up of each
    // pair of letters was a sixth of the selection's frame. At 8 points FreeType scales a pair's
    // kerning down and rounds it to whole pixels, so in the texts this game draws no letter
    // moves at all (the strongest pair, "To", comes to -0.43 px and rounds to 0); of all ASCII
    // pairs only "Y." would close up, by one pixel.
    if (font) TTF_SetFontKerning(font, 0);
    if (!font) report(stdout, "%s", "Font is missing (font.ttf)"); // no line end
    load_bitmaps();
    Mix_OpenAudio(22050, AUDIO_S16LSB, 2, 1024);
}

void (*on_terminate)();

void Terminate() {
    if (on_terminate) {
        on_terminate(); // every call, before the guard below: a test may shut down many times
        return;
    }
    // Runs once: either called directly (Quit, ESC) or as the exit handler, and when a
    // direct call could not start the menu the exit handler comes round again.
    static bool done = false;
    if (done) return;
    done = true;

    SDL_FreeSurface(bmp::title);
    SDL_FreeSurface(bmp::help);
    bmp::title = bmp::help = nullptr;
    if (font) TTF_CloseFont(font);
    font = nullptr;
    TTF_Quit();
    SDL_Quit(); // also closes the joystick, the audio device and the screen
    screen = nullptr;
    joy = nullptr;

    std::fflush(nullptr); // exec throws away whatever stdio still holds
    if (chdir(menu_dir) != 0) {
        // Nothing to report: the exec below fails too and the caller ends the process.
    }
    execl(menu_program, menu_program, static_cast<char*>(nullptr));
}
