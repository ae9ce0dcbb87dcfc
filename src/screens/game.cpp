// The game loop: draw, judge, flip, then every queued press, until the game ends.
#include "screens.h"
#include "../platform/platform.h"

namespace {

// Actions 1 to 6 are the colours they place.
enum Act { RED = 1, GREEN, BLUE, YELLOW, BROWN, PURPLE, HELP, LEAVE, QUIT };

// Each colour key and the button of the same letter place the same colour. The stick does
// nothing in a game, SELECT has no key and ESC exists only on the keyboard.
const Binding bindings[] = {
    {KEY_X, BTN_X, RED},          {KEY_B, BTN_B, GREEN},   {KEY_Y, BTN_Y, BLUE},
    {KEY_A, BTN_A, YELLOW},       {KEY_R, BTN_R, BROWN},   {KEY_L, BTN_L, PURPLE},
    {KEY_SPACE, BTN_START, HELP}, {-1, BTN_SELECT, LEAVE}, {KEY_ESCAPE, -1, QUIT},
};

} // namespace

Next game_frame(const Game& g) {
    draw_board(g);
    const Next end = judge_rows(g);
    if (end.go == Go::Stay) present();
    return end;
}

Next main_game(int opponent) {
    Game g;
    new_game(g, opponent);
    while (!g.leave_game) {
        const Next end = game_frame(g);
        if (end.go != Go::Stay) return end;

        Input in;
        while (!g.leave_game && poll_input(in)) {
            if (in.kind == Input::Quit) return {Go::Exit}; // the window's close button
            const int act = action_of(in, bindings);
            if (act >= RED && act <= PURPLE) put_ball(g, act);
            if (act == HELP && !Help()) return {Go::Exit}; // else back in this very game
            if (act == LEAVE) g.leave_game = true; // what follows stays queued for the title
            if (act == QUIT) return {Go::Quit};
        }
    }
    return {Go::Title};
}
