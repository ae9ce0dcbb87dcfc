// Where the player goes next, and the four globals that carry the flow between screens.
#pragma once

// Each screen is a loop that returns where the player goes next; one dispatcher starts
// that screen, so leaving a screen never nests inside it.
enum class Go {
    Stay,      // no ending yet (used inside a screen, never returned to the dispatcher)
    Title,     // the title menu
    QuickGame, // the Quick Game opponent selection
    Round,     // a tournament round screen; arg is the round
    Game,      // a game; arg is the opponent
    Win,       // the win screen
    Loss,      // the loss screen
    Error,     // the joke error screen after beating opponent 6
    Quit,      // shut down and hand over to the handheld's menu program
    Exit,      // end the program with status 0 (the exit handler shuts down): Escape on the
               // title, or the window's close button on any screen
};

struct Next {
    Go go;
    int arg = 0;
};

extern int what;    // marked title entry, 0..3
extern int opt;     // opponent marked on the Quick Game selection, 1..6
extern int cropp;   // mode of the game being played: 1 Quick Game, 2 Tournament
extern int round_n; // tournament round, 1..6

// Runs screens from the first one until the program ends; returns the exit status.
int run_screens();

// The help picture until any press; returns true to the screen that opened it, or false when
// the window was asked to close meanwhile and the program is to end.
[[nodiscard]] bool Help();
