// The six opponents as the selection and round screens show them.
#pragma once

struct SDL_Surface;

// The two screens keep slightly different copies of some texts; each shows its own.
enum RosterScreen { ON_ROUND = 0, ON_SELECTION = 1 };

struct TextLine {
    const char* text; // null when there is no such line
    int r, g, b;
};

struct Opponent {
    const char* name;
    const char* time_limit;
    SDL_Surface** portrait;
    int w, h; // the rectangle the menus copy; the game copies its own
    const char* iq[2];
    TextLine comment[2];
    TextLine second_line[2];
};

// Opponent 1..6.
const Opponent& opponent(int number);
