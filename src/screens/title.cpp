// The title menu: four entries, a mark moved up and down, and the way out of the program.
#include "screens.h"
#include "../platform/platform.h"

namespace {

const char* const entries[4] = {"Quick Game", "Tournament", "Help", "Quit"};

enum Act { UP = 1, DOWN, ACTIVATE, END };

// Space stands for B here, and the key "b" is not bound.
const Binding bindings[] = {
    {KEY_UP, BTN_UP, UP},
    {KEY_DOWN, BTN_DOWN, DOWN},
    {KEY_SPACE, BTN_B, ACTIVATE},
    {KEY_ESCAPE, -1, END},
};

} // namespace

void draw_title() {
    drawSprite(bmp::title, screen, 0, 0, 0, 0, 320, 240);
    for (int i = 0; i < 4; ++i)
        DrawText(screen, "-", 228, 150 + 12 * i, 0, 255, 255);
    for (int i = 0; i < 4; ++i)
        DrawText(screen, entries[i], 240, 150 + 12 * i, 255, 255, 255);
    // The mark stands 3 px left of the bullet, so the bullet shows between its brackets.
    DrawText(screen, "[ ]", 225, 150 + 12 * what, 255, 255, 255);
    present();
}

Next title_screen_x() {
    bool end = false;
    for (;;) {
        draw_title();
        Input in;
        while (poll_input(in)) {
            if (in.kind == Input::Quit) return {Go::Exit}; // the window's close button
            switch (action_of(in, bindings)) {
            case UP: what = what == 0 ? 3 : what - 1; break;
            case DOWN: what = what == 3 ? 0 : what + 1; break;
            case END: end = true; break; // what is queued behind ESC still counts
            case ACTIVATE:
                switch (what) {
                case 0: return {Go::QuickGame};
                case 1: round_n = 1; return {Go::Round, 1};
                case 2: // back here with "Help" still marked
                    if (!Help()) return {Go::Exit};
                    break;
                default: return {Go::Quit};
                }
                break;
            }
        }
        if (end) return {Go::Exit};
    }
}
