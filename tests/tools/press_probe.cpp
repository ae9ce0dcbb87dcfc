// Every key event an SDL 1.2 window of our own receives, with the time it was taken from the queue.
//
//   press_probe [draw]
//
// Opens a 320x240x16 window called "press probe", as the game opens its own, and prints "ready"
// once the video mode is set, then one line for each key event and focus change it takes from
// the queue: "TICKS down NAME", "TICKS up NAME", "TICKS focus gained|lost", TICKS being
// SDL_GetTicks(). With draw it fills and flips the whole window between polls, as the game's
// screens do, so that it keeps the X server and a core busy; without, it waits for events. It
// ends on the window's close request (or SIGTERM, which SDL turns into one) and prints "end".
// tests/tools/press_count.py sends it presses from outside and counts what arrives: whether a
// press can go missing between the X server and an SDL 1.2 program, apart from any game.
#include <cstdio>
#include <cstring>

#include <SDL.h>

int main(int argc, char** argv) {
    const bool draw = argc == 2 && std::strcmp(argv[1], "draw") == 0;
    if (argc > 2 || (argc == 2 && !draw)) {
        std::fputs("usage: press_probe [draw]\n", stderr);
        return 64;
    }
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        std::fprintf(stderr, "press_probe: %s\n", SDL_GetError());
        return 1;
    }
    SDL_ShowCursor(0);
    SDL_WM_SetCaption("press probe", "press probe");
    SDL_Surface* screen = SDL_SetVideoMode(320, 240, 16, 0);
    if (!screen) {
        std::fprintf(stderr, "press_probe: %s\n", SDL_GetError());
        SDL_Quit();
        return 2;
    }
    // As the game: a held key is one press.
    SDL_EnableKeyRepeat(0, 0);
    std::printf("ready\n");
    std::fflush(stdout);

    Uint32 frame = 0;
    for (;;) {
        SDL_Event e;
        const bool got = draw ? SDL_PollEvent(&e) != 0 : SDL_WaitEvent(&e) != 0;
        if (!got) {
            // The whole frame, in a colour that changes, so that every flip sends pixels.
            ++frame;
            SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, frame & 0xff, 0, 0));
            SDL_Flip(screen);
            continue;
        }
        const Uint32 now = SDL_GetTicks();
        if (e.type == SDL_KEYDOWN || e.type == SDL_KEYUP) {
            std::printf("%u %s %s\n", now, e.type == SDL_KEYDOWN ? "down" : "up",
                        SDL_GetKeyName(e.key.keysym.sym));
        } else if (e.type == SDL_ACTIVEEVENT && (e.active.state & SDL_APPINPUTFOCUS)) {
            std::printf("%u focus %s\n", now, e.active.gain ? "gained" : "lost");
        } else if (e.type == SDL_QUIT) {
            break;
        } else {
            continue;
        }
        std::fflush(stdout);
    }
    std::printf("end\n");
    std::fflush(stdout);
    SDL_Quit();
    return 0;
}
