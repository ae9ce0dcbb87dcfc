// SDL's own answers for the whole-program tests: the library loaded, and its reasons for failing.
//
//   sdl_probe library     "MAJOR.MINOR.PATCH PATH": SDL_Linked_Version() and the file the
//                         running libSDL was loaded from
//   sdl_probe init        SDL_Init the way the game's start-up calls it (all three subsystems,
//                         then without audio): status 1 and SDL's reason when both fail
//   sdl_probe video-mode  that, then the steps up to and including the 320x240x16 mode:
//                         status 2 and SDL's reason when the mode cannot be had
//   sdl_probe audio       that, then the game's Mix_OpenAudio; one line for each step:
//                         "init: all" or "init: without audio: REASON",
//                         "device: open" or "device: none: REASON"
//
// Reasons go to standard output as SDL words them, without a line end, so that a test can hold
// a message of the game against them byte for byte. Each probe does exactly what start-up does
// up to its step, so that the library is in the same state when it answers.
#include <cstdio>
#include <cstring>
#include <dlfcn.h>

#include <SDL.h>
#include <SDL_mixer.h>

namespace {

int usage() {
    std::fputs("usage: sdl_probe library|init|video-mode|audio\n", stderr);
    return 64;
}

int library() {
    const SDL_version* v = SDL_Linked_Version();
    // Looked up by name, so that the address is the library's own and never a stub of ours.
    Dl_info info{};
    void* symbol = dlsym(RTLD_DEFAULT, "SDL_Linked_Version");
    if (!symbol || !dladdr(symbol, &info) || !info.dli_fname) {
        std::fputs("cannot tell which file SDL_Linked_Version comes from\n", stderr);
        return 1;
    }
    std::printf("%d.%d.%d %s\n", v->major, v->minor, v->patch, info.dli_fname);
    return 0;
}

// Start-up's first step; false, with SDL's reason to be had, when SDL cannot start at all.
bool init(bool& with_audio, char* first_reason, std::size_t size) {
    const Uint32 subsystems = SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_JOYSTICK;
    with_audio = SDL_Init(subsystems) >= 0;
    if (with_audio) return true;
    std::snprintf(first_reason, size, "%s", SDL_GetError());
    SDL_QuitSubSystem(subsystems);
    return SDL_Init(SDL_INIT_VIDEO | SDL_INIT_JOYSTICK) >= 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) return usage();
    const char* what = argv[1];
    if (std::strcmp(what, "library") == 0) return library();
    if (std::strcmp(what, "init") != 0 && std::strcmp(what, "video-mode") != 0 &&
        std::strcmp(what, "audio") != 0)
        return usage();

    bool with_audio = false;
    char first_reason[512] = "";
    if (!init(with_audio, first_reason, sizeof first_reason)) {
        std::fputs(SDL_GetError(), stdout);
        return 1;
    }
    if (std::strcmp(what, "init") == 0) {
        SDL_Quit();
        return 0;
    }

    SDL_ShowCursor(0);
    SDL_WM_SetCaption("Code Breaker", "Code Breaker");
    if (!SDL_SetVideoMode(320, 240, 16, 0)) {
        std::fputs(SDL_GetError(), stdout);
        return 2;
    }
    if (std::strcmp(what, "audio") == 0) {
        if (with_audio)
            std::printf("init: all\n");
        else
            std::printf("init: without audio: %s\n", first_reason);
        if (Mix_OpenAudio(22050, AUDIO_S16LSB, 2, 1024) == 0)
            std::printf("device: open\n");
        else
            std::printf("device: none: %s\n", SDL_GetError());
    }
    SDL_Quit();
    return 0;
}
