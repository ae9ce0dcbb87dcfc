// The event queue as the screens see it: presses of keys and buttons, everything else dropped.
#include "sdl_globals.h"

static_assert(KEY_ESCAPE == SDLK_ESCAPE && KEY_SPACE == SDLK_SPACE && KEY_A == SDLK_a &&
                  KEY_B == SDLK_b && KEY_L == SDLK_l && KEY_R == SDLK_r && KEY_X == SDLK_x &&
                  KEY_Y == SDLK_y && KEY_UP == SDLK_UP && KEY_DOWN == SDLK_DOWN &&
                  KEY_RIGHT == SDLK_RIGHT && KEY_LEFT == SDLK_LEFT,
              "key numbers must be SDL's key symbols");

void (*on_queue_empty)();

bool poll_input(Input& in) {
    SDL_Event e;
    if (!SDL_PollEvent(&e)) {
        if (on_queue_empty) on_queue_empty();
        return false;
    }
    if (e.type == SDL_KEYDOWN)
        in = {Input::Key, static_cast<int>(e.key.keysym.sym)};
    else if (e.type == SDL_JOYBUTTONDOWN)
        in = {Input::Button, static_cast<int>(e.jbutton.button)};
    else if (e.type == SDL_QUIT)
        in = {Input::Quit, 0}; // the window's close button; a handheld never sends one
    else
        in = {Input::Other, 0}; // releases, motion, everything else
    return true;
}

int action_of(const Input& in, const Binding* table, int count) {
    for (int i = 0; i < count; ++i) {
        const Binding& b = table[i];
        if ((in.kind == Input::Key && in.code == b.key) ||
            (in.kind == Input::Button && in.code == b.button))
            return b.action;
    }
    return 0;
}

bool WaitForKey() {
    bool pressed = false;
    for (;;) {
        Input in;
        while (poll_input(in)) {
            // Even behind a press: the request would otherwise go with the rest of the queue.
            if (in.kind == Input::Quit) return false;
            if (in.kind != Input::Other) pressed = true;
        }
        if (pressed) return true; // the rest of the queue went with the press
    }
}
