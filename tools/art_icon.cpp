// The application icon: four of the game's balls on a little board, with a white marker.
#include <algorithm>

#include "art.h"

namespace art {

namespace {

// The icon is laid out on a grid of 64 units whatever its size; each size is painted afresh
// from the shapes, so that every size is sharp, and the smallest ones get sturdier strokes.
struct Layout {
    float u;      // pixels per unit
    float ink;    // width of the dark outlines, in units
    float frame;  // width of the wooden frame, in units
    float radius; // of the balls, in units
    bool detail;  // felt texture, shadows and the holes' rims
};

Layout layoutFor(int size) {
    Layout l;
    l.u = size / 64.0f;
    // Below 32 pixels a hairline would vanish into its neighbours: at least 0.8 px of ink and
    // a frame of 2 px, bigger balls, and nothing that only shows when there is room for it.
    l.ink = std::max(1.0f, 0.8f / l.u);
    l.frame = std::max(5.0f, 2.0f / l.u);
    l.radius = size < 32 ? 10.0f : 9.2f;
    l.detail = size >= 32;
    return l;
}

// A paint given in units, evaluated as a 64-pixel picture would be: the grain of the wood and
// the felt keeps its look at every size instead of turning to noise or to smears.
Paint inUnits(const Paint& p, float u) {
    return [=](float x, float y) { return p(x / u, y / u); };
}

} // namespace

Canvas appIcon(int size) {
    const Layout l = layoutFor(size);
    const float u = l.u;
    auto at = [u](float v) { return v * u; };
    const Col ink(28, 16, 8);
    Canvas c(size, size, Col(0, 0, 0), true);

    // The board: a rounded walnut frame around dark green felt.
    const float b0 = 2, b1 = 62, corner = 11;
    if (l.detail)
        c.fill(roundRect(at(b0 + 1), at(b0 + 2), at(b1 + 1), at(b1 + 1.5f), at(corner)),
               Col(0, 0, 0), 0.35f);
    c.fill(roundRect(at(b0), at(b0), at(b1), at(b1), at(corner)), ink);
    c.fill(roundRect(at(b0 + l.ink), at(b0 + l.ink), at(b1 - l.ink), at(b1 - l.ink),
                     at(corner - l.ink)),
           inUnits(wood(Col(92, 50, 22), Col(168, 108, 58)), u));
    const float f0 = b0 + l.frame, f1 = b1 - l.frame, fc = std::max(2.0f, corner - l.frame);
    c.fill(roundRect(at(f0 - l.ink * 0.6f), at(f0 - l.ink * 0.6f), at(f1 + l.ink * 0.6f),
                     at(f1 + l.ink * 0.6f), at(fc + l.ink * 0.6f)),
           ink);
    const Col baize(34, 56, 46);
    c.fill(roundRect(at(f0), at(f0), at(f1), at(f1), at(fc)),
           l.detail ? inUnits(felt(baize), u) : flat(baize));

    // Four balls in a block, up and to the left, leaving the lower right corner to the marker.
    const int colours[4] = {0, 3, 2, 1}; // red, yellow / blue, green
    const float cx[2] = {21.5f, 41.5f}, cy[2] = {21.5f, 41.5f};
    for (int k = 0; k < 4; ++k) {
        float x = at(cx[k % 2]), y = at(cy[k / 2]), r = at(l.radius);
        if (l.detail) {
            c.fill(circle(x, y, r + at(1.2f)), Col(14, 22, 18));
            c.fill(circle(x + at(0.8f), y + at(1.2f), r), Col(0, 0, 0), 0.5f);
        }
        drawBall(c, x, y, r, kBallColours[colours[k]]);
    }

    // The white marker the game gives a right ball in its right hole, laid over the last ball
    // and the frame's corner: the first thing to tell this board from any other.
    const float mx0 = 36, my0 = 47, mx1 = 60, my1 = 59, mr = 6;
    Shape peg = roundRect(at(mx0), at(my0), at(mx1), at(my1), at(mr));
    if (l.detail) c.fill(moved(peg, at(0.8f), at(1.4f)), Col(0, 0, 0), 0.45f);
    c.fill(grow(peg, at(l.ink)), Col(70, 70, 80));
    c.fill(peg, vgrad(at(my0), Col(255, 255, 255), at(my1), Col(176, 182, 196)));
    c.fill(roundRect(at(mx0 + 4), at(my0 + 1.5f), at(mx1 - 5), at(my0 + 4.2f), at(1.3f)),
           Col(255, 255, 255), 0.9f);
    return c;
}

} // namespace art
