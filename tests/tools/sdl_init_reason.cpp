// Prints SDL's reason when SDL_Init fails with the subsystems the game asks for; status 1 then.
#include <cstdio>

#include <SDL/SDL.h>

int main() {
    if (SDL_Init(SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_JOYSTICK) < 0) {
        std::fputs(SDL_GetError(), stdout);
        return 1;
    }
    SDL_Quit();
    return 0;
}
