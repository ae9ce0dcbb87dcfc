// Start-up of SDL, screen, font, joystick, pictures and audio; shutdown back to the menu.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <unistd.h>

#include <SDL/SDL_mixer.h>

#include "sdl_globals.h"

SDL_Surface* screen;
TTF_Font* font;
SDL_Joystick* joy;

namespace {
const char menu_dir[] = "/usr/gp2x";
const char menu_program[] = "/usr/gp2x/gp2xmenu";
} // namespace

void start_up(bool register_exit_handler) {
    if (SDL_Init(SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_JOYSTICK) < 0) {
        std::fprintf(stderr, "Couldn't initialize SDL: %s\n", SDL_GetError());
        std::exit(1);
    }
    // SDL turns Ctrl-C and kill into a quit event, which every screen ignores; without the
    // default handlers back the process could not be stopped from outside at all.
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    if (register_exit_handler) std::atexit(Terminate);
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    SDL_ShowCursor(0);

    screen = SDL_SetVideoMode(320, 240, 16, 0);
    if (!screen) {
        std::fprintf(stderr, "Couldn't set 320x240x16 video mode: %s\n", SDL_GetError());
        std::exit(2);
    }
    TTF_Init();
    if (SDL_NumJoysticks() > 0) {
        joy = SDL_JoystickOpen(0);
        if (!joy) std::fprintf(stderr, "Couldn't open joystick 0: %s\n", SDL_GetError());
    }
    font = TTF_OpenFont("data/font.ttf", 8);
    if (!font) {
        // No line end by design; flushed so that it survives the exec at shutdown.
        std::fputs("Font is missing (font.ttf)", stdout);
        std::fflush(stdout);
    }
    load_bitmaps();
    Mix_OpenAudio(22050, AUDIO_S16LSB, 2, 1024);
}

void Terminate() {
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
