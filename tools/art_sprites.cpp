// Small keyed sprites: balls, markers, row banners, button hints and the quick game logo.
#include <algorithm>
#include <cmath>
#include <vector>

#include "art.h"

namespace art {

const Col kBallColours[6] = {
    Col(222, 34, 30),  // red
    Col(40, 178, 58),  // green
    Col(38, 92, 232),  // blue
    Col(248, 212, 36), // yellow
    Col(128, 84, 46),  // brown: kept clear of red, which the symbols' light and dark pull closer
    Col(140, 52, 188), // purple: kept well away from the magenta key
};
const Col kHoleMatte(34, 24, 18);
const Col kPortraitBackdrop(52, 58, 78);
const Col kMenuGrey(79, 79, 79); // the selection's fill, which the keyed edges blend into

void drawBall(Canvas& c, float cx, float cy, float r, Col base) {
    c.fill(circle(cx, cy, r), sphere(cx, cy, r, base));
}

Shape ballSymbol(int colour, float cx, float cy, float r) {
    // Half the ball's radius: big enough to read on the board's 27x25 balls and the help
    // picture's small ones, small enough to leave the colour all around it.
    const float s = r * 0.5f;
    switch (colour) {
    case 0: // red: a ring
        return subtract(circle(cx, cy, s), circle(cx, cy, s * 0.45f));
    case 1: // green: a triangle, point up
        return polygon({{cx, cy - s * 1.1f}, {cx + s, cy + s * 0.75f}, {cx - s, cy + s * 0.75f}});
    case 2: // blue: a square
        return rect(cx - s * 0.78f, cy - s * 0.78f, cx + s * 0.78f, cy + s * 0.78f);
    case 3: { // yellow: a five-pointed star
        std::vector<std::pair<float, float>> pts;
        for (int i = 0; i < 10; ++i) {
            float a = -1.5707963f + i * 0.6283185f, k = i % 2 ? s * 0.5f : s * 1.15f;
            pts.push_back({cx + k * std::cos(a), cy + 0.08f * s + k * std::sin(a)});
        }
        return polygon(pts);
    }
    case 4: // brown: a diamond
        return polygon({{cx, cy - s * 1.1f}, {cx + s, cy}, {cx, cy + s * 1.1f}, {cx - s, cy}});
    default: // purple: a cross
        return unite(
            segment(cx - s * 0.75f, cy - s * 0.75f, cx + s * 0.75f, cy + s * 0.75f, s * 0.25f),
            segment(cx + s * 0.75f, cy - s * 0.75f, cx - s * 0.75f, cy + s * 0.75f, s * 0.25f));
    }
}

void drawGameBall(Canvas& c, float cx, float cy, float r, int colour) {
    const Col base = kBallColours[colour];
    drawBall(c, cx, cy, r, base);
    // A light symbol in a dark outline: it stands out from every colour, light or dark, and
    // from each other colour's symbol in lightness alone.
    Shape mark = ballSymbol(colour, cx, cy, r);
    c.fill(grow(mark, std::max(0.8f, r * 0.08f)), scale(base, 0.3f));
    // Tinted with the ball's colour, so that it still reads as that colour's ball.
    c.fill(mark, vgrad(cy - r * 0.5f, mix(base, Col(255, 255, 255), 0.85f), cy + r * 0.5f,
                       mix(base, Col(255, 255, 255), 0.45f)));
}

void drawMarker(Canvas& c, float x, float y, bool white) {
    Shape outer = roundRect(x, y, x + 14, y + 8, 3.6f);
    Shape body = roundRect(x + 1, y + 1, x + 13, y + 7, 2.7f);
    if (white) {
        c.fill(outer, Col(96, 96, 104));
        c.fill(body, vgrad(y + 1, Col(255, 255, 255), y + 7, Col(176, 182, 196)));
        c.fill(roundRect(x + 3, y + 1.6f, x + 10, y + 3.2f, 0.8f), Col(255, 255, 255), 0.9f);
    } else {
        // A black peg still needs a lit rim, or it vanishes into a dark hole.
        c.fill(outer, Col(132, 134, 142));
        c.fill(body, vgrad(y + 1, Col(62, 62, 70), y + 7, Col(8, 8, 12)));
        c.fill(roundRect(x + 3, y + 1.6f, x + 10, y + 3.0f, 0.8f), Col(120, 122, 134), 0.8f);
    }
}

void drawMarkerCross(Canvas& c, float x, float y) {
    Col ink(255, 48, 36);
    c.fill(segment(x + 3.6f, y + 1.2f, x + 10.4f, y + 6.8f, 1.05f), ink);
    c.fill(segment(x + 10.4f, y + 1.2f, x + 3.6f, y + 6.8f, 1.05f), ink);
}

void drawMarkerSocket(Canvas& c, int x, int y) {
    // Recessed slot the size of a marker: shadow on the upper left, lit lip below right.
    c.fill(roundRect(x - 0.5f, y - 0.5f, x + 14.5f, y + 8.5f, 4.0f), Col(200, 160, 110), 0.35f);
    c.fill(roundRect(x, y, x + 14, y + 8, 3.6f), Col(6, 6, 6));
    c.fill(roundRect(x + 1, y + 1.5f, x + 14, y + 8, 3.0f), Col(20, 22, 20));
}

void textAt(Canvas& c, Fonts& f, const std::string& s, int x, int y, int pt, bool bold, Col col) {
    c.mask(f.text(s, pt, bold), x, y, col);
}

void heading(Canvas& c, Fonts& f, const std::string& s, int x, int y, int pt, const Paint& fill,
             Col outline, int outlineWidth, int shadow) {
    Mask m = f.text(s, pt, true);
    Mask o = dilate(m, outlineWidth);
    if (shadow) c.mask(o, x - outlineWidth + shadow, y - outlineWidth + shadow, Col(0, 0, 0), 0.7f);
    c.mask(o, x - outlineWidth, y - outlineWidth, outline);
    c.mask(m, x, y, fill);
}

Canvas ballSprite(int colour) {
    Canvas c(27, 25, kHoleMatte, true);
    drawGameBall(c, 13.5f, 12.5f, 11.8f, colour);
    return c;
}

Canvas markerWhite() {
    Canvas c(14, 8, kHoleMatte, true);
    drawMarker(c, 0, 0, true);
    return c;
}

Canvas markerBlack() {
    Canvas c(14, 8, kHoleMatte, true);
    drawMarker(c, 0, 0, false);
    return c;
}

Canvas markerCross() {
    // Matte is the black peg's body: the cross always lies on one.
    Canvas c(14, 8, Col(30, 30, 36), true);
    drawMarkerCross(c, 0, 0);
    return c;
}

namespace {

// Banners lie over a row's balls, and wrong rows keep theirs to the end of the game, so a banner
// draws only where no ball lies in any row: the gap between the second and third holes, x 9..22
// of the picture (136..149 on the screen), which is also the middle of the row. The second ball
// reaches x 8 and the third fills x 23..45, in rows whose tops stand 3 to 10 px below the
// banner's. The bottom two lines stay clear because most rows show only 54x34 of it.
const float kRibbonX0 = 9.6f, kRibbonX1 = 22.4f, kRibbonTop = 7, kRibbonEnd = 31;
const float kMarkX = 16, kMarkY = 17.5f;

// A ribbon hanging in the gap with a swallow-tail end, in the verdict's colour: its shape is
// like no ball's, so it never passes for a seventh ball. by grows it for the outline.
Shape ribbon(float by) {
    return polygon({{kRibbonX0 - by, kRibbonTop - by},
                    {kRibbonX1 + by, kRibbonTop - by},
                    {kRibbonX1 + by, kRibbonEnd + by},
                    {kMarkX, kRibbonEnd - 4 + by * 0.4f},
                    {kRibbonX0 - by, kRibbonEnd + by}});
}

// The ribbon in a dark outline that keeps it apart from the felt, then the sign on it: light
// with a dark edge, as the balls' symbols are.
Canvas banner(Col light, Col deep, Col outline, const Shape& sign) {
    Canvas c(54, 36, Col(44, 66, 55), true); // the board's felt
    c.fill(ribbon(0.9f), outline);
    c.fill(ribbon(0), vgrad(kRibbonTop, light, kRibbonEnd, deep));
    c.fill(rect(kRibbonX0 + 1, kRibbonTop + 0.8f, kRibbonX1 - 1, kRibbonTop + 2),
           Col(255, 255, 255), 0.3f);
    c.fill(grow(sign, 0.7f), outline, 0.8f);
    c.fill(sign, Col(255, 250, 242));
    c.clear(0, 34, 53, 35);
    return c;
}

} // namespace

Canvas bannerWrong(Fonts&) {
    const float a = 3.3f, w = 1.15f;
    return banner(Col(246, 70, 54), Col(160, 14, 14), Col(50, 4, 4),
                  unite(segment(kMarkX - a, kMarkY - a, kMarkX + a, kMarkY + a, w),
                        segment(kMarkX + a, kMarkY - a, kMarkX - a, kMarkY + a, w)));
}

Canvas bannerRight(Fonts&) {
    return banner(Col(110, 230, 96), Col(22, 130, 36), Col(6, 44, 10),
                  stroke({{kMarkX - 3.6f, kMarkY + 0.2f},
                          {kMarkX - 1.1f, kMarkY + 3},
                          {kMarkX + 3.8f, kMarkY - 3.4f}},
                         1.15f));
}

Canvas hintToTitle() {
    // Drawn over the grey selection screens and the dark round screen.
    Canvas c(19, 9, Col(70, 70, 76), true);
    c.fill(circle(4.4f, 4.5f, 4.4f), Col(40, 40, 48));
    c.fill(circle(4.4f, 4.5f, 3.6f), vgrad(1, Col(250, 250, 255), 8, Col(190, 196, 210)));
    Col ink(30, 30, 40);
    for (int i = 0; i < 5; ++i) {
        c.put(2 + i, 2 + i, ink);
        c.put(6 - i, 2 + i, ink);
    }
    // A little house: "back to the title".
    Col wall(240, 240, 230), roof(236, 90, 60);
    c.fill(polygon({{8.6f, 5}, {14, 0.2f}, {19.4f, 5}}), roof);
    c.fill(rect(10, 5, 18, 9), wall);
    c.fill(rect(13.3f, 6, 14.7f, 9), Col(90, 60, 40));
    return c;
}

Canvas hintTime(Fonts& f) {
    Canvas c(29, 15, kMenuGrey, true);
    // Shoulder button: flat top edge rounded, like the handheld's R.
    c.fill(roundRect(0, 2, 13, 13, 3.5f), Col(36, 36, 44));
    c.fill(roundRect(1, 3, 12, 12, 2.6f), vgrad(3, Col(250, 250, 255), 12, Col(180, 186, 200)));
    Mask r = f.text("R", 8, true);
    c.mask(r, (13 - r.w) / 2, 7 - r.h / 2 + 1, Col(30, 30, 40));
    // Clock face.
    c.fill(circle(21.5f, 7.5f, 7.1f), Col(36, 36, 44));
    c.fill(circle(21.5f, 7.5f, 6.0f), radial(20, 6, 7, Col(255, 255, 250), Col(210, 214, 224)));
    for (int i = 0; i < 4; ++i) {
        float a = i * 1.5707963f;
        c.fill(circle(21.5f + 4.6f * std::cos(a), 7.5f + 4.6f * std::sin(a), 0.6f),
               Col(60, 60, 70));
    }
    c.fill(segment(21.5f, 7.5f, 21.5f, 3.4f, 0.6f), Col(30, 30, 40));
    c.fill(segment(21.5f, 7.5f, 24.6f, 7.5f, 0.6f), Col(200, 40, 30));
    return c;
}

Canvas quickGameLogo(Fonts& f) {
    Canvas c(139, 33, kMenuGrey, true);
    // Speed streaks trailing off to the left of the words.
    const float ys[3] = {10, 16.5f, 23};
    const float lens[3] = {12, 17, 10};
    for (int i = 0; i < 3; ++i) {
        c.fill(segment(19 - lens[i], ys[i], 19, ys[i], 1.9f), Col(40, 24, 8));
        c.fill(segment(19 - lens[i], ys[i], 19, ys[i], 1.0f),
               hgrad(0, Col(255, 170, 40), 19, Col(255, 236, 120)));
    }
    int pt = 17;
    while (pt > 8 && f.width("QUICK GAME", pt, true) > 112)
        --pt;
    Mask m = f.text("QUICK GAME", pt, true);
    int x = 24 + (112 - m.w) / 2, y = (33 - m.h) / 2;
    heading(c, f, "QUICK GAME", x, y, pt,
            vgrad(float(y + 4), Col(255, 246, 150), float(y + m.h - 4), Col(244, 128, 20)),
            Col(40, 24, 8), 2, 2);
    return c;
}

} // namespace art
