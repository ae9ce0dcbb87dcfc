// The joke ending after beating the last opponent: a flash, then a fake system failure.
#include "screens.h"
#include "../platform/platform.h"

namespace {

struct Line {
    int y;
    const char* text;
};

const Line lines[] = {
    {10, "Sorry, an error occured in the system."},
    {22, "Error 404: Page 'zebroltdefeated();' could not be found."},
    {34, "Zebrolt was not defeated BTW :)"},
    {100, "Press B to return to the titlescreen."},
};

} // namespace

void draw_error_text() {
    fill_screen(255, 255, 255);
    for (const Line& l : lines)
        DrawText(screen, l.text, 10, l.y, 0, 0, 0);
    present();
}

Next error() {
    // Presses made during the flash stay queued and end the wait below at once.
    fill_screen(255, 255, 255);
    present();
    pause_ms(100);
    fill_screen(0, 0, 0);
    present();
    pause_ms(100);
    draw_error_text();
    // Any key or button, although the text names B; a close request queued during the flash
    // ends the program here.
    if (!WaitForKey()) return {Go::Exit};
    return {Go::Title};
}
