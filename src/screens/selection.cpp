// The Quick Game selection: six portraits, the marked opponent's card and a time list.
#include "roster.h"
#include "screens.h"
#include "../platform/platform.h"

namespace {

struct Spot {
    int x, y;
};

// Portraits stand on one base line at y 146; each has a bullet above it at y 90.
const Spot portrait_at[6] = {{18, 104}, {58, 104}, {108, 105}, {158, 110}, {208, 106}, {258, 100}};
const int bullet_x[6] = {31, 78, 128, 175, 225, 275};
const char* const time_captions[3] = {"1:00", "1:30", "2:00"};

enum Act { LEFT = 1, RIGHT, TIME, START, BACK };

// Here "l" stands for R: it steps the time list.
const Binding bindings[] = {
    {KEY_LEFT, BTN_LEFT, LEFT}, {KEY_RIGHT, BTN_RIGHT, RIGHT}, {KEY_L, BTN_R, TIME},
    {KEY_B, BTN_B, START},      {KEY_X, BTN_X, BACK},
};

} // namespace

void draw_selection(int time_opt) {
    fill_screen(79, 79, 79);
    DrawText(screen, "Please choose your opponent!", 80, 70, 255, 255, 255);
    for (int i = 0; i < 6; ++i) {
        const Opponent& o = opponent(i + 1);
        drawSprite(*o.portrait, screen, 0, 0, portrait_at[i].x, portrait_at[i].y, o.w, o.h);
    }
    drawSprite(bmp::quickie, screen, 0, 0, 90, 20, 139, 33);
    DrawText(screen, "Name: ", 25, 150, 255, 160, 50);
    DrawText(screen, "IQ: ", 25, 162, 255, 160, 50);
    DrawText(screen, "Comment: ", 25, 174, 255, 160, 50);
    for (int x : bullet_x)
        DrawText(screen, "-", x, 90, 0, 255, 255);
    for (int i = 0; i < 3; ++i)
        DrawText(screen, "-", 275, 20 + 12 * i, 0, 255, 255);
    for (int i = 0; i < 3; ++i)
        DrawText(screen, time_captions[i], 290, 20 + 12 * i, 255, 255, 255);
    drawSprite(bmp::x_totitle, screen, 0, 0, 1, 1, 19, 9);
    drawSprite(bmp::r_time, screen, 0, 0, 290, 1, 29, 15);
    // Marks stand 3 px left of their bullets, so each bullet shows between the brackets.
    DrawText(screen, "[ ]", 272, 20 + 12 * (time_opt - 1), 255, 255, 255);

    const Opponent& o = opponent(opt);
    DrawText(screen, "[ ]", bullet_x[opt - 1] - 3, 90, 255, 255, 255);
    DrawText(screen, o.name, 105, 150, 255, 255, 255);
    // The longest caption, the last opponent's, starts a little further left.
    DrawText(screen, o.iq[ON_SELECTION], opt == 6 ? 100 : 105, 162, 255, 255, 255);
    const TextLine& c = o.comment[ON_SELECTION];
    DrawText(screen, c.text, 105, 174, c.r, c.g, c.b);
    const TextLine& c2 = o.second_line[ON_SELECTION];
    if (c2.text) DrawText(screen, c2.text, 105, 184, c2.r, c2.g, c2.b);
    present();
}

Next quick_game_select() {
    int time_opt = 1; // a choice without effect: no game has a time limit
    for (;;) {
        cropp = 1;
        draw_selection(time_opt);
        Input in;
        while (poll_input(in)) {
            if (in.kind == Input::Quit) return {Go::Exit}; // the window's close button
            switch (action_of(in, bindings)) {
            case LEFT: opt = opt == 1 ? 6 : opt - 1; break;
            case RIGHT: opt = opt == 6 ? 1 : opt + 1; break;
            case TIME: time_opt = time_opt == 3 ? 1 : time_opt + 1; break;
            case START: cropp = 1; return {Go::Game, opt};
            case BACK: return {Go::Title};
            }
        }
    }
}
