// Preloaded shim: SDL counts one joystick, and opening it fails with the reason below.
//
//   LD_PRELOAD=libjoystick_fails.so PROGRAM...
//
// A joystick that is there but cannot be opened (taken by another program, or a device node
// the user may not read) is hard to come by on a test machine; this stands in for it. SDL's
// own SDL_SetError is looked up on first use and given the reason, so that SDL_GetError tells
// it as it would tell the library's own: the shim links no SDL and serves whichever SDL 1.2
// library the program loads.
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>

struct SDL_Joystick;

namespace {

// What process.joystick_fails expects after "Couldn't open joystick 0: ".
const char reason[] = "joystick_fails: joystick 0 refused to open";

using SetError = void (*)(const char*, ...);

} // namespace

extern "C" {

int SDL_NumJoysticks() {
    return 1;
}

SDL_Joystick* SDL_JoystickOpen(int) {
    static const auto set_error = reinterpret_cast<SetError>(dlsym(RTLD_NEXT, "SDL_SetError"));
    if (!set_error) {
        std::fputs("joystick_fails: no SDL_SetError to hand the reason to\n", stderr);
        std::abort();
    }
    set_error("%s", reason);
    return nullptr;
}

} // extern "C"
