// The one place where screens follow each other: each returns where the player goes next.
#include "flow.h"
#include "screens.h"
#include "../platform/platform.h"

int what = 0;
int opt = 1;
int cropp = 1;
int round_n = 1;

int run_screens() {
    Next next{Go::Title};
    for (;;) {
        switch (next.go) {
        case Go::Title: next = title_screen_x(); break;
        case Go::QuickGame: next = quick_game_select(); break;
        case Go::Round: next = round_no(next.arg); break;
        case Go::Game: next = main_game(next.arg); break;
        case Go::Win: next = you(1); break;
        case Go::Loss: next = you(2); break;
        case Go::Error: next = error(); break;
        case Go::Quit:
            Terminate();
            return 0; // the menu program could not start: end here, drawing nothing more
        case Go::Exit:
        case Go::Stay: return 0;
        }
    }
}
