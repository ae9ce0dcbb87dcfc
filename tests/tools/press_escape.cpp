// Preloaded shim: the first time the program finds SDL's event queue empty, Escape is pressed.
//
//   LD_PRELOAD=libpress_escape.so PROGRAM...
//
// SDL's dummy video driver has no keyboard, so no press can reach a game started on it from
// outside. The game polls first on its title menu, once start-up is over: the press this puts
// into SDL's own queue there is the player's Escape, which ends the program as the title menu
// ends it, through the shutdown into the handheld's menu program. SDL's symbols are looked up on
// first use: the shim links no SDL and serves whichever library the program loads. It takes
// LD_PRELOAD out of the environment of the programs the game starts, which may be of another
// machine's kind than the shim (the menu program, when the game runs under an emulator).
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>

#include <SDL_events.h>

namespace {

template <typename F> F next(const char* name) {
    const auto f = reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
    if (!f) {
        std::fprintf(stderr, "press_escape: no %s to hand over to\n", name);
        std::abort();
    }
    return f;
}

bool pressed = false;

__attribute__((constructor)) void leave_no_trace() {
    unsetenv("LD_PRELOAD");
}

} // namespace

extern "C" int SDL_PollEvent(SDL_Event* event) {
    static const auto poll = next<int (*)(SDL_Event*)>("SDL_PollEvent");
    const int got = poll(event);
    if (got || pressed) return got;
    pressed = true;
    SDL_Event escape = {};
    escape.key.type = SDL_KEYDOWN;
    escape.key.state = SDL_PRESSED;
    escape.key.keysym.sym = SDLK_ESCAPE;
    if (next<int (*)(SDL_Event*)>("SDL_PushEvent")(&escape) != 0) {
        std::fputs("press_escape: SDL_PushEvent failed\n", stderr);
        std::abort();
    }
    return poll(event);
}
