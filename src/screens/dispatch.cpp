// The one place where screens follow each other: each returns where the player goes next.
#include "flow.h"
#include "../game/game.h"
#include "../platform/platform.h"

int what = 0;
int opt = 1;
int cropp = 1;
int round_n = 1;

namespace {

// Stand-in until the title menu and the result screens exist: every way back to the menu
// and every ending of a game opens a fresh game against the first opponent.
Next stand_in(Next) {
    return {Go::Game, 1};
}

} // namespace

int run_screens() {
    Next next = stand_in({Go::Title});
    for (;;) {
        switch (next.go) {
        case Go::Game: next = main_game(next.arg); break;
        case Go::Quit:
            Terminate();
            return 0; // the menu program could not start: end here, drawing nothing more
        case Go::Exit: return 0;
        default: next = stand_in(next); break;
        }
    }
}
