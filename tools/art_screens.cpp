// Full-screen pictures: title, help, round intro, game board, win and loss screens.
#include <cmath>
#include <string>

#include "art.h"

namespace art {

namespace {

const Col kGold(255, 214, 90), kGoldDark(176, 110, 20), kInkDark(18, 12, 10);

float hash(int x, int y) {
    unsigned h = unsigned(x) * 374761393u + unsigned(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return float((h ^ (h >> 16)) & 0xFFFFFF) / float(0xFFFFFF);
}

float vnoise(float x, float y) {
    int ix = int(std::floor(x)), iy = int(std::floor(y));
    float fx = x - ix, fy = y - iy;
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    float a = hash(ix, iy), b = hash(ix + 1, iy), c = hash(ix, iy + 1), d = hash(ix + 1, iy + 1);
    return a + (b - a) * fx + (c - a) * fy + (a - b - c + d) * fx * fy;
}

} // namespace

// Walnut with long horizontal grain.
Paint wood(Col darkC, Col lightC) {
    return [=](float x, float y) {
        float t = y * 0.55f + 5 * vnoise(x * 0.025f, y * 0.06f) + 2 * vnoise(x * 0.1f, y * 0.3f);
        float rings = 0.5f + 0.5f * std::sin(t);
        float fine = vnoise(x * 0.6f, y * 3.0f);
        return mix(darkC, lightC, clamp01(0.55f * rings * rings + 0.3f * fine));
    };
}

// Felt: nearly flat, with a faint fibre noise so it does not look like a fill.
Paint felt(Col base) {
    return [=](float x, float y) {
        float n = vnoise(x * 0.9f, y * 0.9f) * 0.6f + vnoise(x * 0.2f, y * 0.2f) * 0.4f;
        return scale(base, 0.9f + 0.2f * n);
    };
}

namespace {

// A bevelled frame: light upper-left edge, dark lower-right edge, flat face.
void bevelFrame(Canvas& c, float x0, float y0, float x1, float y1, float width, Col face) {
    c.fill(roundRect(x0 - 1, y0 - 1, x1 + 1, y1 + 1, 3), kInkDark);
    c.fill(roundRect(x0, y0, x1, y1, 2.5f), [=](float x, float y) {
        float t = clamp01(((x - x0) / (x1 - x0) + (y - y0) / (y1 - y0)) / 2);
        return mix(mix(face, Col(255, 255, 255), 0.45f), scale(face, 0.55f), t);
    });
    c.fill(roundRect(x0 + width * 0.45f, y0 + width * 0.45f, x1 - width * 0.45f, y1 - width * 0.45f,
                     2),
           face);
    c.fill(rect(x0 + width, y0 + width, x1 - width, y1 - width), kInkDark);
}

// A dark translucent panel with a thin light border, for text to sit on.
void panel(Canvas& c, float x0, float y0, float x1, float y1, Col border, float opacity = 0.85f) {
    c.fill(roundRect(x0, y0, x1, y1, 4), border, 0.9f);
    c.fill(roundRect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, 3.2f), Col(10, 10, 22), opacity + 0.1f);
}

void centred(Canvas& c, Fonts& f, const std::string& s, float cx, int y, int pt, bool bold,
             Col col) {
    Mask m = f.text(s, pt, bold);
    c.mask(m, int(std::floor(cx - m.w / 2.0f)), y, col);
}

Paint goldText(int y, int h) {
    return vgrad(float(y + h * 0.25f), Col(255, 250, 190), float(y + h * 0.8f), Col(250, 150, 20));
}

void bigHeading(Canvas& c, Fonts& f, const std::string& s, float cx, int y, int pt,
                const Paint& fill, Col outline) {
    Mask m = f.text(s, pt, true);
    heading(c, f, s, int(std::floor(cx - m.w / 2.0f)), y, pt, fill, outline, 2, 3);
}

// A capped hole of the hidden code: a plain grey ball wearing a question mark.
void hiddenBall(Canvas& c, Fonts& f, float cx, float cy, float r) {
    c.fill(circle(cx, cy, r), sphere(cx, cy, r, Col(104, 106, 120), 0.25f));
    Mask q = f.text("?", 9, true);
    heading(c, f, "?", int(std::floor(cx - q.w / 2.0f + 0.5f)),
            int(std::floor(cy - q.h / 2.0f + 0.5f)), 9, flat(Col(255, 255, 255)), Col(30, 30, 40),
            1, 0);
}

void confettiPiece(Canvas& c, Rng& r, float x, float y) {
    Col col = kBallColours[r.next() % 6];
    float a = r.range(0, 3.14159f), l = r.range(1.5f, 3.2f), w = r.range(0.6f, 1.1f);
    c.fill(segment(x - l * std::cos(a), y - l * std::sin(a), x + l * std::cos(a),
                   y + l * std::sin(a), w),
           mix(col, Col(255, 255, 255), r.range(0, 0.3f)));
}

} // namespace

Canvas titleScreen(Fonts& f) {
    Canvas c(320, 240, Col(0, 0, 0), false);
    c.paintAll(vgrad(0, Col(18, 26, 78), 240, Col(44, 12, 58)));
    // Soft out-of-focus balls floating in the background.
    Rng r(7);
    for (int i = 0; i < 26; ++i) {
        float x = r.range(0, 320), y = r.range(0, 240), rad = r.range(5, 16);
        c.fill(circle(x, y, rad), kBallColours[i % 6], r.range(0.06f, 0.14f));
    }
    // Logo: two lines, the O of CODE being a red ball.
    int pt = 30;
    Paint gold = goldText(6, 34);
    int wC = f.width("C", pt, true), wDE = f.width("DE", pt, true), ball = 30;
    int total = wC + ball + 2 + wDE;
    int x = 160 - total / 2, y = 4;
    heading(c, f, "C", x, y, pt, gold, Col(60, 20, 4), 2, 3);
    float bx = x + wC + 1 + ball / 2.0f, by = y + f.ascent(pt, true) - 11.5f;
    c.fill(circle(bx + 3, by + 3, 14), Col(0, 0, 0), 0.5f);
    c.fill(circle(bx, by, 14), Col(60, 20, 4));
    drawBall(c, bx, by, 12.2f, kBallColours[0]);
    heading(c, f, "DE", x + wC + ball + 2, y, pt, gold, Col(60, 20, 4), 2, 3);
    bigHeading(c, f, "BREAKER", 160, 40, pt, goldText(40, 34), Col(60, 20, 4));
    // The six colours in a row under the logo.
    for (int i = 0; i < 6; ++i) {
        float cx = 160 + (i - 2.5f) * 26;
        c.fill(ellipse(cx + 1, 100, 10, 3), Col(0, 0, 0), 0.35f);
        drawGameBall(c, cx, 89, 10, i);
    }
    // A small wooden board with a game in progress, lower left.
    c.fill(roundRect(17, 123, 205, 232, 7), Col(0, 0, 0), 0.45f);
    c.fill(roundRect(12, 118, 200, 227, 7), wood(Col(70, 38, 18), Col(150, 96, 52)));
    c.fill(roundRect(18, 124, 194, 221, 5), felt(Col(34, 56, 46)));
    // Guesses against the hidden code yellow, blue, red, green; 1 white, 2 black, 3 crossed.
    const int rows[4][4] = {{0, 1, 4, 5}, {3, 0, 2, 4}, {3, 2, 1, 0}, {-1, -1, -1, -1}};
    const int marks[4][4] = {{2, 2, 3, 3}, {1, 2, 2, 3}, {1, 1, 2, 2}, {0, 0, 0, 0}};
    for (int row = 0; row < 4; ++row) {
        float cy = 137 + row * 24;
        for (int k = 0; k < 4; ++k) {
            float cx = 38 + k * 26;
            c.fill(circle(cx, cy, 9.5f), Col(16, 24, 20));
            if (rows[row][k] >= 0) {
                drawGameBall(c, cx, cy, 10, rows[row][k]);
            } else {
                hiddenBall(c, f, cx, cy, 10);
            }
        }
        for (int m = 0; m < 4; ++m) {
            int mx = 144 + (m % 2) * 17, my = int(cy) - 9 + (m / 2) * 10;
            drawMarkerSocket(c, mx, my);
            if (marks[row][m]) drawMarker(c, float(mx), float(my), marks[row][m] == 1);
            if (marks[row][m] == 3) drawMarkerCross(c, float(mx), float(my));
        }
    }
    // Menu panel: the game writes the entries here.
    panel(c, 213, 141, 330, 204, Col(90, 210, 230));
    // Tiny sparkle accents around the logo.
    for (auto p :
         {std::make_pair(36.0f, 18.0f), {290.0f, 30.0f}, {268.0f, 66.0f}, {50.0f, 62.0f}}) {
        c.fill(segment(p.first - 4, p.second, p.first + 4, p.second, 0.5f), Col(255, 255, 220));
        c.fill(segment(p.first, p.second - 4, p.first, p.second + 4, 0.5f), Col(255, 255, 220));
    }
    return c;
}

Canvas helpScreen(Fonts& f) {
    Canvas c(320, 240, Col(0, 0, 0), false);
    c.paintAll(vgrad(0, Col(20, 30, 70), 240, Col(12, 14, 36)));
    bigHeading(c, f, "HOW TO PLAY", 160, 1, 14, goldText(1, 18), Col(60, 20, 4));
    centred(c, f, "Break the secret code of 4 balls before your 7 rows run out.", 160, 21, 8, false,
            Col(255, 255, 255));
    const Col head(255, 180, 60), body(226, 232, 246), border(90, 110, 170);

    panel(c, 4, 34, 157, 101, border);
    c.mask(f.text("COLOURS", 8, true), 10, 37, head);
    c.mask(f.text("button / key", 8, false), 64, 37, Col(160, 170, 200));
    const char* keys[6] = {"X / x", "B / b", "Y / y", "A / a", "R / r", "L / l"};
    const char* names[6] = {"red", "green", "blue", "yellow", "brown", "purple"};
    for (int i = 0; i < 6; ++i) {
        // Balls as large as the rows allow, so that their symbols read.
        int col = i % 2, row = i / 2;
        int x = 9 + col * 73, y = 51 + row * 16;
        drawGameBall(c, x + 7.5f, y + 5.5f, 7.7f, i);
        c.mask(f.text(keys[i], 8, true), x + 18, y, Col(255, 255, 255));
        c.mask(f.text(names[i], 8, false), x + 42, y, body);
    }

    panel(c, 163, 34, 316, 101, border);
    c.mask(f.text("MARKERS", 8, true), 169, 37, head);
    const char* meaning[3] = {"right colour in the right place", "wrong ball for this hole",
                              "colour is nowhere in the code"};
    for (int i = 0; i < 3; ++i) {
        int y = 51 + i * 16;
        drawMarkerSocket(c, 169, y + 1);
        drawMarker(c, 169, float(y + 1), i == 0);
        if (i == 2) drawMarkerCross(c, 169, float(y + 1));
        c.mask(f.text(meaning[i], 8, false), 188, y, body);
    }

    panel(c, 4, 107, 157, 175, border);
    c.mask(f.text("IN A GAME", 8, true), 10, 110, head);
    const char* game[3][2] = {{"START / space", "help"},
                              {"SELECT", "back to title"},
                              {"ESC", "quit the game (keyboard)"}};
    for (int i = 0; i < 3; ++i) {
        int y = 124 + i * 16;
        Mask k = f.text(game[i][0], 8, true);
        c.mask(k, 10, y, Col(255, 255, 255));
        c.mask(f.text(std::string(": ") + game[i][1], 8, false), 10 + k.w, y, body);
    }

    panel(c, 163, 107, 316, 175, border);
    c.mask(f.text("MENUS", 8, true), 169, 110, head);
    const char* menu[3][2] = {
        {"Stick / cursor keys", "move"}, {"B", "choose (space on title)"}, {"X", "back"}};
    for (int i = 0; i < 3; ++i) {
        int y = 124 + i * 16;
        Mask k = f.text(menu[i][0], 8, true);
        c.mask(k, 169, y, Col(255, 255, 255));
        c.mask(f.text(std::string(": ") + menu[i][1], 8, false), 169 + k.w, y, body);
    }

    // An example row: one ball placed right, one misplaced, two not in the code.
    panel(c, 4, 181, 316, 215, border, 0.6f);
    c.mask(f.text("EXAMPLE", 8, true), 10, 184, head);
    const int ex[4] = {0, 3, 1, 5};
    for (int k = 0; k < 4; ++k) {
        float cx = 84 + k * 24;
        c.fill(circle(cx, 198, 9.5f), Col(16, 24, 20));
        drawGameBall(c, cx, 198, 10, ex[k]);
    }
    for (int m = 0; m < 4; ++m) {
        int mx = 186 + (m % 2) * 17, my = 189 + (m / 2) * 10;
        drawMarkerSocket(c, mx, my);
        drawMarker(c, float(mx), float(my), m == 0);
        if (m >= 2) drawMarkerCross(c, float(mx), float(my));
    }
    c.mask(f.text("1 right, 1 to move,", 8, false), 226, 188, body);
    c.mask(f.text("2 not in the code", 8, false), 226, 199, body);
    centred(c, f, "Press any key", 160, 224, 8, true, Col(255, 226, 120));
    return c;
}

Canvas roundScreen(Fonts& f) {
    Canvas c(320, 240, Col(0, 0, 0), false);
    c.paintAll(vgrad(0, Col(16, 18, 44), 240, Col(30, 10, 34)));
    // Stage light falling on the opponent.
    c.fill(polygon({{20, -10}, {56, -10}, {90, 240}, {-20, 240}}), Col(120, 140, 255), 0.06f);
    c.fill(ellipse(37, 106, 34, 6), Col(120, 140, 255), 0.12f);
    // "ROUND" sits on the same baseline as the number the game writes at 137,20.
    int pt = 16;
    Mask m = f.text("ROUND", pt, true);
    int baseline = 20 + f.ascent(8);
    heading(c, f, "ROUND", 132 - m.w, baseline - f.ascent(pt, true), pt,
            goldText(baseline - 13, 14), Col(60, 20, 4), 1, 2);
    for (int i = 0; i < 6; ++i)
        drawGameBall(c, 206 + i * 17.0f, 24, 6.5f, i);
    c.fill(rect(10, 38, 310, 39), kGoldDark, 0.8f);
    c.fill(rect(10, 39, 310, 40), kGold, 0.4f);

    bevelFrame(c, 10, 52, 63, 108, 4, Col(200, 150, 60));
    c.fill(rect(14, 56, 59, 104), kPortraitBackdrop);
    c.fill(rect(14, 56, 59, 68), Col(255, 255, 255), 0.04f);

    // Speech bubble for the opponent's remark.
    Shape bubble = unite(roundRect(68, 61, 314, 93, 7), polygon({{69, 70}, {62, 78}, {69, 82}}));
    c.fill(grow(bubble, 1.2f), Col(190, 200, 240));
    c.fill(bubble, Col(20, 22, 48));

    panel(c, 12, 114, 314, 160, Col(200, 150, 60));
    for (int i = 0; i < 3; ++i)
        c.fill(rect(18, 130.5f + i * 12, 308, 131 + i * 12), Col(200, 150, 60), 0.25f);

    // Decorative code row to the lower right, clear of the start prompt.
    c.fill(roundRect(176, 188, 312, 228, 6), wood(Col(70, 38, 18), Col(150, 96, 52)));
    c.fill(roundRect(181, 193, 307, 223, 4), felt(Col(34, 56, 46)));
    for (int k = 0; k < 4; ++k) {
        float cx = 198 + k * 26;
        c.fill(circle(cx, 208, 10), Col(16, 24, 20));
        hiddenBall(c, f, cx, 208, 10);
    }
    c.fill(roundRect(15, 196, 125, 213, 4), Col(0, 0, 0), 0.35f);
    return c;
}

Canvas boardScreen(Fonts& f) {
    Canvas c(320, 240, Col(0, 0, 0), false);
    c.paintAll(wood(Col(58, 32, 16), Col(128, 80, 42)));
    // Edge shading so the board reads as a raised slab.
    c.fill(subtract(rect(0, 0, 320, 240), roundRect(3, 3, 317, 237, 6)), Col(10, 6, 4), 0.6f);

    // Felt tray for the rows and the marker pegs.
    const float tx0 = 61, ty0 = 15, tx1 = 259, ty1 = 225;
    c.fill(roundRect(tx0 - 2, ty0 - 2, tx1 + 2, ty1 + 2, 8), Col(255, 220, 170), 0.25f);
    c.fill(roundRect(tx0 - 1, ty0 - 1, tx1 + 1, ty1 + 1, 7), Col(14, 8, 4));
    c.fill(roundRect(tx0, ty0, tx1, ty1, 6), felt(Col(36, 58, 48)));
    c.fill(rect(tx0 + 3, ty0, tx1 - 3, ty0 + 2), Col(0, 0, 0), 0.35f);
    c.fill(rect(216.5f, ty0 + 3, 217.5f, ty1 - 3), Col(0, 0, 0), 0.35f);

    for (int row = 0; row < 7; ++row) {
        float y = 21.0f + 29 * row;
        // Each row is a slightly lighter strip, so the eye follows it to its markers.
        c.fill(roundRect(tx0 + 2, y - 1.5f, tx1 - 2, y + 26.5f, 5), Col(255, 255, 255), 0.045f);
        centred(c, f, std::to_string(row + 1), 67.5f, int(y + 7), 8, true, Col(150, 186, 160));
        for (int k = 0; k < 4; ++k) {
            float cx = 74 + 37 * k + 13.5f, cy = y + 12.5f;
            // Bevelled hole: lit lower lip, shaded upper wall, dark floor.
            c.fill(circle(cx, cy, 11.4f), Col(170, 200, 180), 0.22f);
            c.fill(circle(cx, cy, 10.6f), [=](float x, float yy) {
                float dx = (x - cx) / 10.6f, dy = (yy - cy) / 10.6f;
                float d = std::sqrt(dx * dx + dy * dy);
                float lit = clamp01(0.5f + 0.5f * (dx + dy) * 0.7f);
                return mix(Col(10, 14, 12), mix(Col(4, 6, 6), Col(56, 76, 64), lit),
                           smooth(0.55f, 1.0f, d));
            });
            c.fill(circle(cx - 2, cy - 2, 5), Col(255, 255, 255), 0.03f);
        }
        int t = 25 + 29 * row;
        for (int m = 0; m < 4; ++m)
            drawMarkerSocket(c, 222 + (m % 2) * 17, t + (m / 2) * 11);
    }

    // Left panel: small emblem, portrait frame, name plate.
    heading(c, f, "CODE", 35 - f.width("CODE", 9, true) / 2, 8, 9, goldText(8, 11), Col(40, 16, 4),
            1, 1);
    heading(c, f, "BREAKER", 35 - f.width("BREAKER", 9, true) / 2, 21, 9, goldText(21, 11),
            Col(40, 16, 4), 1, 1);
    // Portraits land at x 13..18, y 50, up to 43x46: the frame's opening fits the largest.
    bevelFrame(c, 8, 45, 62, 99, 3, Col(200, 150, 60));
    c.fill(rect(11, 48, 59, 96), kPortraitBackdrop);
    c.fill(rect(11, 48, 59, 61), Col(255, 255, 255), 0.04f);
    c.fill(roundRect(8, 99, 62, 113, 3), Col(14, 8, 4));
    c.fill(roundRect(9, 100, 61, 112, 2.5f), Col(26, 18, 14));
    // Brass screws in the corners of the left panel.
    for (auto p :
         {std::make_pair(12.0f, 122.0f), {58.0f, 122.0f}, {12.0f, 226.0f}, {58.0f, 226.0f}}) {
        c.fill(circle(p.first, p.second, 2.6f),
               sphere(p.first, p.second, 2.6f, Col(200, 160, 70), 0.6f));
        c.fill(segment(p.first - 1.6f, p.second + 1.2f, p.first + 1.6f, p.second - 1.2f, 0.35f),
               Col(80, 50, 20));
    }
    // Hidden code: four capped holes, the code the player is after.
    c.fill(roundRect(18, 128, 52, 220, 6), Col(14, 8, 4));
    c.fill(roundRect(19, 129, 51, 219, 5), felt(Col(36, 58, 48)));
    for (int k = 0; k < 4; ++k) {
        float cy = 141 + k * 22.5f;
        c.fill(circle(35, cy, 9), Col(10, 14, 12));
        hiddenBall(c, f, 35, cy, 8.6f);
    }

    // Right: which button drops which colour.
    c.fill(roundRect(266, 15, 314, 225, 6), Col(14, 8, 4), 0.85f);
    c.fill(roundRect(267, 16, 313, 224, 5), Col(30, 20, 14), 0.85f);
    centred(c, f, "KEYS", 290, 21, 8, true, Col(255, 200, 100));
    const char* keys[6] = {"X", "B", "Y", "A", "R", "L"};
    for (int i = 0; i < 6; ++i) {
        float cy = 48 + i * 31;
        drawGameBall(c, 281, cy, 9, i);
        c.fill(circle(302, cy, 7), Col(14, 8, 4));
        c.fill(circle(302, cy, 6.2f),
               vgrad(cy - 6, Col(240, 240, 248), cy + 6, Col(170, 176, 192)));
        Mask m = f.text(keys[i], 8, true);
        c.mask(m, int(302 - m.w / 2.0f + 0.5f), int(cy - 5), Col(30, 30, 40));
    }
    return c;
}

Canvas winScreen(Fonts& f) {
    Canvas c(320, 240, Col(0, 0, 0), false);
    // Sun rays behind the trophy.
    c.paintAll([](float x, float y) {
        float a = std::atan2(y - 120, x - 160);
        float ray = std::sin(a * 12) > 0 ? 1.0f : 0.0f;
        float d = std::sqrt((x - 160) * (x - 160) + (y - 120) * (y - 120));
        Col base = mix(Col(250, 170, 40), Col(120, 30, 70), clamp01(d / 200));
        return mix(base, scale(base, 0.78f), ray);
    });
    Rng r(42);
    for (int i = 0; i < 140; ++i) {
        float x = r.range(0, 320), y = r.range(0, 240);
        if (y > 180 && y < 214) continue;
        confettiPiece(c, r, x, y);
    }
    bigHeading(c, f, "YOU WIN!", 160, 4, 30, goldText(4, 40), Col(90, 20, 10));

    // Trophy: cup, handles, stem and a plinth.
    Col gold(246, 190, 50);
    Paint goldShade = [=](float x, float) {
        float t = (x - 128) / 64;
        float k = 0.55f + 0.9f * std::exp(-(t - 0.32f) * (t - 0.32f) * 18) + 0.25f * t;
        Col g = scale(gold, std::min(k, 1.25f));
        return Col(std::min(g.r, 255.0f), std::min(g.g, 255.0f), std::min(g.b, 255.0f));
    };
    c.fill(ellipse(160, 178, 50, 6), Col(0, 0, 0), 0.35f);
    Shape handles = unite(subtract(circle(133, 86, 13), circle(133, 86, 8.5f)),
                          subtract(circle(187, 86, 13), circle(187, 86, 8.5f)));
    c.inked(handles, goldShade, Col(80, 40, 0), 1);
    Shape cup = intersect(ellipse(160, 74, 30, 48), rect(128, 62, 192, 116));
    c.inked(unite(cup, polygon({{152, 114}, {168, 114}, {164, 140}, {156, 140}})), goldShade,
            Col(80, 40, 0), 1);
    c.inked(roundRect(143, 138, 177, 146, 3), goldShade, Col(80, 40, 0), 1);
    c.inked(roundRect(134, 146, 186, 174, 3), vgrad(146, Col(110, 60, 34), 174, Col(60, 30, 16)),
            Col(30, 14, 6), 1);
    c.fill(roundRect(143, 153, 177, 167, 2), goldShade);
    centred(c, f, "No. 1", 160, 154, 8, true, Col(90, 40, 0));
    c.fill(ellipse(160, 63, 30, 4.5f), Col(140, 80, 10));
    c.fill(ellipse(147, 88, 3, 14), Col(255, 255, 230), 0.55f);
    // Balls tumbling around the trophy.
    const float balls[6][3] = {{96, 150, 12},  {72, 165, 11},  {224, 150, 12},
                               {250, 164, 11}, {112, 168, 10}, {206, 168, 10}};
    for (int i = 0; i < 6; ++i) {
        c.fill(ellipse(balls[i][0] + 2, balls[i][1] + balls[i][2] - 1, balls[i][2], 3),
               Col(0, 0, 0), 0.3f);
        drawGameBall(c, balls[i][0], balls[i][1], balls[i][2], i);
    }
    // Band for the game's closing line.
    c.fill(rect(0, 186, 320, 209), Col(10, 6, 20), 0.85f);
    c.fill(rect(0, 185, 320, 186), kGold, 0.9f);
    c.fill(rect(0, 209, 320, 210), kGold, 0.9f);
    return c;
}

Canvas lostScreen(Fonts& f) {
    Canvas c(320, 240, Col(0, 0, 0), false);
    c.paintAll(vgrad(0, Col(44, 50, 66), 240, Col(12, 12, 20)));
    // Heavy clouds.
    Rng r(13);
    for (int i = 0; i < 24; ++i) {
        float x = r.range(-10, 330), y = r.range(-10, 40), rad = r.range(14, 30);
        c.fill(circle(x, y, rad), mix(Col(70, 74, 90), Col(40, 42, 54), r.unit()), 0.8f);
    }
    // Rain, kept out of the text band.
    for (int i = 0; i < 170; ++i) {
        float x = r.range(0, 330), y = r.range(30, 240), l = r.range(5, 10);
        if (y + l > 182 && y < 212) continue;
        c.fill(segment(x, y, x - l * 0.3f, y + l, 0.35f), Col(170, 190, 220), 0.35f);
    }
    // The words droop in the middle, as if dejected.
    const int pt = 30;
    Mask word = f.text("YOU LOST", pt, true);
    Mask sag;
    sag.w = word.w;
    sag.h = word.h + 6;
    sag.m.assign(sag.w * sag.h, 0.0f);
    for (int x = 0; x < word.w; ++x) {
        float shift = 5.0f * std::sin(3.14159265f * (x + 0.5f) / word.w);
        int whole = int(shift);
        float frac = shift - whole;
        for (int y = 0; y < sag.h; ++y) {
            float a = word.at(x, y - whole), b = word.at(x, y - whole - 1);
            sag.m[y * sag.w + x] = a * (1 - frac) + b * frac;
        }
    }
    Mask rim = dilate(sag, 2);
    int x0 = 160 - sag.w / 2, y0 = 38;
    c.mask(rim, x0 - 2 + 3, y0 - 2 + 3, Col(0, 0, 0), 0.7f);
    c.mask(rim, x0 - 2, y0 - 2, Col(16, 18, 28));
    c.mask(sag, x0, y0, vgrad(48, Col(200, 210, 230), 84, Col(96, 104, 130)));
    centred(c, f, "The code stays a secret...", 160, 104, 8, false, Col(150, 160, 186));
    // The broken code: greyed balls on wet ground, one cracked.
    c.fill(rect(0, 168, 320, 186), vgrad(168, Col(30, 32, 42), 186, Col(18, 18, 26)));
    c.fill(ellipse(160, 172, 90, 5), Col(90, 100, 130), 0.25f);
    const float pos[4] = {112, 144, 176, 208};
    for (int k = 0; k < 4; ++k) {
        Col grey = mix(kBallColours[k * 2 % 6], Col(96, 98, 108), 0.75f);
        float cy = 156 + (k % 2) * 2;
        c.fill(ellipse(pos[k] + 2, cy + 12, 12, 3), Col(0, 0, 0), 0.4f);
        drawBall(c, pos[k], cy, 13, grey);
    }
    c.fill(stroke({{170, 144}, {174, 150}, {171, 155}, {177, 162}, {175, 168}}, 0.6f),
           Col(20, 20, 26));
    c.fill(stroke({{174, 150}, {180, 152}}, 0.5f), Col(20, 20, 26));
    c.fill(rect(0, 186, 320, 209), Col(6, 6, 12), 0.85f);
    c.fill(rect(0, 185, 320, 186), Col(90, 100, 130), 0.8f);
    c.fill(rect(0, 209, 320, 210), Col(90, 100, 130), 0.8f);
    return c;
}

} // namespace art
