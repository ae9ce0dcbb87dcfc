// The event queue as the screens see it: presses of keys and of the handheld's buttons (the
// joystick's through the button map), the window's close request; everything else dropped.
#include "sdl_globals.h"

static_assert(KEY_ESCAPE == SDLK_ESCAPE && KEY_SPACE == SDLK_SPACE && KEY_A == SDLK_a &&
                  KEY_B == SDLK_b && KEY_L == SDLK_l && KEY_R == SDLK_r && KEY_X == SDLK_x &&
                  KEY_Y == SDLK_y && KEY_UP == SDLK_UP && KEY_DOWN == SDLK_DOWN &&
                  KEY_RIGHT == SDLK_RIGHT && KEY_LEFT == SDLK_LEFT,
              "key numbers must be SDL's key symbols");

void (*on_queue_empty)();

namespace {
Uint8 hat_now = SDL_HAT_CENTERED; // where hat 0 of the joystick points
int hat_pending = 0;              // mapped directions of its last move not yet handed out

// The first mapped direction of hat_pending as a press of the control it stands for.
Input next_hat_press() {
    for (int bit = 0; bit < 4; ++bit) {
        if (hat_pending & 1 << bit) {
            hat_pending &= ~(1 << bit);
            return {Input::Button, mapped_hat(button_map, bit)};
        }
    }
    return {Input::Other, 0};
}
} // namespace

bool poll_input(Input& in) {
    // A hat moved into two mapped directions at once (a diagonal) presses both, one by one.
    if (hat_pending) {
        in = next_hat_press();
        return true;
    }
    SDL_Event e;
    if (!SDL_PollEvent(&e)) {
        if (on_queue_empty) on_queue_empty();
        return false;
    }
    if (e.type == SDL_KEYDOWN) {
        in = {Input::Key, static_cast<int>(e.key.keysym.sym)};
    } else if (e.type == SDL_JOYBUTTONDOWN) {
        if (button_map.show) report(stderr, "joystick button b%d\n", e.jbutton.button);
        const int button = mapped_button(button_map, e.jbutton.button);
        in = button >= 0 ? Input{Input::Button, button} : Input{Input::Other, 0};
    } else if (e.type == SDL_JOYHATMOTION && e.jhat.hat == 0) {
        if (button_map.show && e.jhat.value != SDL_HAT_CENTERED)
            report(stderr, "joystick hat h0.%d\n", e.jhat.value);
        // A direction pressed is one the hat points to now and did not before.
        const int pressed = e.jhat.value & ~hat_now & 0xF;
        hat_now = e.jhat.value;
        for (int bit = 0; bit < 4; ++bit)
            if (pressed & 1 << bit && mapped_hat(button_map, bit) >= 0) hat_pending |= 1 << bit;
        in = next_hat_press();
    } else if (e.type == SDL_QUIT) {
        in = {Input::Quit, 0}; // the window's close button; a handheld never sends one
    } else {
        in = {Input::Other, 0}; // releases, motion, everything else
    }
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
