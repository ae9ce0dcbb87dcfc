// The win and loss screens: one picture, one line for the mode, and B to go on.
#include "screens.h"
#include "../platform/platform.h"

namespace {

const Binding bindings[] = {{KEY_B, BTN_B, 1}};

// [win, loss][Quick Game, Tournament]; the tournament loss line has its own typo.
const char* const lines[2][2] = {
    {"Press B to return to the title screen :)", "Get your ass ready for the next Round!"},
    {"Press B to return to the title screen :)", "Press B to return tot the title screen :)"},
};

} // namespace

void draw_result(int kind) {
    const bool win = kind == 1;
    drawSprite(win ? bmp::you_win : bmp::lost, screen, 0, 0, 0, 0, 320, 240);
    DrawText(screen, lines[win ? 0 : 1][cropp == 2 ? 1 : 0], 51, 193, 255, 255, 255);
    present();
}

Next you(int kind) {
    const bool win = kind == 1;
    const bool tournament = cropp == 2;
    draw_result(kind);
    for (;;) {
        Input in;
        while (poll_input(in)) {
            if (in.kind == Input::Quit) return {Go::Exit}; // the window's close button
            if (!action_of(in, bindings)) continue;
            if (!win || !tournament) return {Go::Title};
            ++round_n;
            return {Go::Round, round_n};
        }
    }
}
