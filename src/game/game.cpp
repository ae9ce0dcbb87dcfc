// The game loop: draw, judge, flip, then every queued press, until the game ends.
#include "game.h"
#include "../platform/platform.h"

namespace {

enum class Act { Ball, Help, Leave, Quit };

struct Binding {
    Input::Kind kind;
    int code;
    Act act;
    int colour;
};

// Each colour key and the button of the same letter place the same colour. The stick does
// nothing in a game, and ESC exists only on the keyboard.
const Binding bindings[] = {
    {Input::Key, KEY_X, Act::Ball, 1},       {Input::Key, KEY_B, Act::Ball, 2},
    {Input::Key, KEY_Y, Act::Ball, 3},       {Input::Key, KEY_A, Act::Ball, 4},
    {Input::Key, KEY_R, Act::Ball, 5},       {Input::Key, KEY_L, Act::Ball, 6},
    {Input::Key, KEY_SPACE, Act::Help, 0},   {Input::Key, KEY_ESCAPE, Act::Quit, 0},
    {Input::Button, BTN_X, Act::Ball, 1},    {Input::Button, BTN_B, Act::Ball, 2},
    {Input::Button, BTN_Y, Act::Ball, 3},    {Input::Button, BTN_A, Act::Ball, 4},
    {Input::Button, BTN_R, Act::Ball, 5},    {Input::Button, BTN_L, Act::Ball, 6},
    {Input::Button, BTN_START, Act::Help, 0}, {Input::Button, BTN_SELECT, Act::Leave, 0},
};

const Binding* binding_for(const Input& in) {
    for (const Binding& b : bindings)
        if (b.kind == in.kind && b.code == in.code) return &b;
    return nullptr;
}

} // namespace

Next main_game(int opponent) {
    Game g;
    new_game(g, opponent);
    while (!g.leave_game) {
        draw_board(g);
        const Next end = judge_rows(g);
        if (end.go != Go::Stay) return end;
        present();

        Input in;
        while (!g.leave_game && poll_input(in)) {
            const Binding* b = binding_for(in);
            if (!b) continue;
            switch (b->act) {
            case Act::Ball: put_ball(g, b->colour); break;
            case Act::Help: Help(); break; // comes back to this very game
            case Act::Leave: g.leave_game = true; break; // what follows stays queued for the title
            case Act::Quit: return {Go::Quit};
            }
        }
    }
    return {Go::Title};
}
