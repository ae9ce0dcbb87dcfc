// The tournament round screen: the round number and the card of the opponent to beat.
#include "roster.h"
#include "screens.h"
#include "../platform/platform.h"

namespace {

enum Act { START = 1, BACK };

const Binding bindings[] = {{KEY_B, BTN_B, START}, {KEY_X, BTN_X, BACK}};

// Only opponents 2 and 6 have a second comment line here, and not at the same height.
const int second_line_y[6] = {0, 79, 0, 0, 0, 77};

} // namespace

void draw_round(int n) {
    drawSprite(bmp::round, screen, 0, 0, 0, 0, 320, 240);
    drawSprite(bmp::x_totitle, screen, 0, 0, 1, 1, 19, 9);
    DrawText(screen, "Name: ", 20, 120, 255, 160, 50);
    DrawText(screen, "IQ: ", 20, 132, 255, 160, 50);
    DrawText(screen, "Time Limit: ", 20, 144, 255, 160, 50);
    DrawText(screen, "Press B to start!", 20, 200, 255, 255, 255);
    drawTextInt(screen, n, 137, 20, 255, 255, 255);

    const Opponent& o = opponent(n);
    drawSprite(*o.portrait, screen, 0, 0, 15, 57, o.w, o.h);
    const TextLine& c = o.comment[ON_ROUND];
    DrawText(screen, c.text, 70, 67, c.r, c.g, c.b);
    const TextLine& c2 = o.second_line[ON_ROUND];
    if (c2.text) DrawText(screen, c2.text, 70, second_line_y[n - 1], c2.r, c2.g, c2.b);
    DrawText(screen, o.name, 105, 120, 255, 255, 255);
    DrawText(screen, o.iq[ON_ROUND], 105, 132, 255, 255, 255);
    DrawText(screen, o.time_limit, 105, 144, 255, 255, 255);
    present();
}

Next round_no(int n) {
    cropp = 2;
    for (;;) {
        draw_round(n);
        Input in;
        while (poll_input(in)) {
            if (in.kind == Input::Quit) return {Go::Exit}; // the window's close button
            switch (action_of(in, bindings)) {
            case START: return {Go::Game, n}; // round n is always played against opponent n
            case BACK: return {Go::Title};
            }
        }
    }
}
