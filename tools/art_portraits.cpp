// The six opponents' portraits: keyed cartoon heads and shoulders.
#include <cmath>

#include "art.h"

namespace art {

namespace {

const Col kInk(30, 22, 26);

using Pts = std::vector<std::pair<float, float>>;

Pts oval(float cx, float cy, float rx, float ry, float angle) {
    Pts p;
    float ca = std::cos(angle), sa = std::sin(angle);
    for (int i = 0; i < 28; ++i) {
        float t = i * 6.2831853f / 28;
        float x = rx * std::cos(t), y = ry * std::sin(t);
        p.push_back({cx + x * ca - y * sa, cy + x * sa + y * ca});
    }
    return p;
}

Col lighter(Col c, float k) {
    return mix(c, Col(255, 255, 255), k);
}
Col darker(Col c, float k) {
    return scale(c, 1 - k);
}

// Skin lit from the top left like the balls, so all the art shares one light.
Paint skin(float cx, float cy, float r, Col base) {
    return radial(cx - r * 0.35f, cy - r * 0.4f, r * 1.7f, lighter(base, 0.18f),
                  darker(base, 0.28f));
}

void eye(Canvas& c, float x, float y, float rx, float ry, float lookX, float lookY, Col iris) {
    c.inked(ellipse(x, y, rx, ry), flat(Col(250, 250, 250)), kInk, 0.7f);
    float pr = std::min(rx, ry) * 0.75f;
    c.fill(circle(x + lookX, y + lookY, pr), iris);
    c.fill(circle(x + lookX, y + lookY, pr * 0.5f), Col(15, 12, 14));
    c.fill(circle(x + lookX - pr * 0.35f, y + lookY - pr * 0.4f, 0.45f), Col(255, 255, 255));
}

} // namespace

Canvas portraitBorin() {
    // A brute who swears he is no chimpanzee: furry head, ape face, heavy brow, underbite.
    Canvas c(32, 42, kPortraitBackdrop, true);
    Col fur(92, 60, 38), skinC(204, 160, 120), vest(112, 124, 62);
    Paint furPaint = radial(10, 8, 30, lighter(fur, 0.15f), darker(fur, 0.3f));
    c.inked(ellipse(15, 45, 14, 11), furPaint, kInk);
    c.inked(polygon({{8, 34}, {22, 34}, {25, 42}, {5, 42}}),
            vgrad(34, vest, 42, darker(vest, 0.3f)), kInk, 0.7f);
    c.fill(curve(9, 36.5f, 15, 39.5f, 21, 36.5f, 0.7f), darker(vest, 0.45f));
    c.inked(roundRect(8, 25, 22, 36, 4), furPaint, kInk);
    // Ears stick out of the fur, low on the head as an ape's do.
    c.inked(ellipse(3.6f, 20, 2.6f, 3.4f), skin(3.6f, 20, 3, skinC), kInk);
    c.inked(ellipse(26.4f, 20, 2.6f, 3.4f), skin(26.4f, 20, 3, skinC), kInk);
    c.fill(ellipse(3.9f, 20, 1.1f, 1.9f), darker(skinC, 0.3f));
    c.fill(ellipse(26.1f, 20, 1.1f, 1.9f), darker(skinC, 0.3f));
    Shape head = unite(
        ellipse(15, 18.5f, 11, 12.5f),
        polygon({{9, 8}, {11, 3}, {13, 6.5f}, {15.5f, 2}, {17.5f, 6.5f}, {20, 3.5f}, {21, 8}}));
    c.inked(head, furPaint, kInk);
    // The bare face: two eye lobes over a broad muzzle.
    Shape face = unite(unite(circle(11.2f, 16.8f, 4.6f), circle(18.8f, 16.8f, 4.6f)),
                       ellipse(15, 24, 8.4f, 6.6f));
    c.inked(face, skin(15, 20, 10, skinC), darker(fur, 0.4f), 0.6f);
    c.fill(curve(10, 28.8f, 15, 30.6f, 20, 28.8f, 0.5f), darker(skinC, 0.25f), 0.7f);
    // One continuous, overhanging brow ridge.
    c.inked(roundRect(5.8f, 11.8f, 24.2f, 15.6f, 1.9f),
            vgrad(11.8f, darker(skinC, 0.2f), 15.6f, darker(skinC, 0.45f)), kInk, 0.7f);
    c.fill(curve(7.5f, 13.2f, 11, 11.8f, 14, 13.6f, 0.5f), darker(fur, 0.3f));
    c.fill(curve(16, 13.6f, 19, 11.8f, 22.5f, 13.2f, 0.5f), darker(fur, 0.3f));
    c.fill(rect(7, 15.6f, 23, 16.4f), darker(skinC, 0.45f), 0.6f);
    for (float x : {11.2f, 18.8f}) {
        c.fill(ellipse(x, 17.9f, 1.9f, 1.3f), Col(236, 226, 210));
        c.fill(circle(x + (x < 15 ? 0.4f : -0.4f), 18, 1.05f), Col(40, 24, 16));
        c.fill(circle(x + (x < 15 ? 0.1f : -0.7f), 17.6f, 0.35f), Col(255, 255, 255));
    }
    c.fill(ellipse(15, 21.6f, 3.8f, 2.2f), darker(skinC, 0.15f));
    c.fill(ellipse(13.3f, 22.3f, 1.2f, 0.85f), kInk);
    c.fill(ellipse(16.7f, 22.3f, 1.2f, 0.85f), kInk);
    c.fill(curve(9.2f, 27.6f, 15, 25.6f, 20.8f, 27.6f, 0.65f), kInk);
    c.fill(polygon({{10.8f, 27.2f}, {12.6f, 26.1f}, {12.4f, 24.8f}, {11.2f, 25.2f}}),
           Col(250, 245, 220));
    c.fill(polygon({{19.2f, 27.2f}, {17.4f, 26.1f}, {17.6f, 24.8f}, {18.8f, 25.2f}}),
           Col(250, 245, 220));
    // The selection screen shows only the left 30 columns.
    c.clear(30, 0, 31, 41);
    return c;
}

Canvas portraitWenna() {
    Canvas c(43, 42, kPortraitBackdrop, true);
    Col hair(250, 212, 104), hairDark(200, 146, 50), skinC(255, 214, 190), top(240, 88, 160);
    Paint hairPaint = vgrad(2, lighter(hair, 0.2f), 40, hairDark);
    c.inked(unite(ellipse(21.5f, 17, 16.5f, 15.5f), roundRect(5, 14, 38, 41, 9)), hairPaint, kInk);
    c.inked(ellipse(21.5f, 45, 19, 10.5f), vgrad(35, lighter(top, 0.15f), 44, darker(top, 0.25f)),
            kInk);
    c.inked(roundRect(18, 27, 25, 37, 3), skin(21.5f, 32, 5, darker(skinC, 0.08f)), kInk);
    c.fill(polygon({{15, 35}, {21.5f, 40}, {28, 35}, {28, 35.5f}, {21.5f, 41.5f}, {15, 35.5f}}),
           darker(top, 0.3f));
    for (int i = 0; i < 7; ++i) {
        float t = (i - 3) / 3.0f;
        c.fill(circle(21.5f + t * 6.5f, 36.6f + 1.8f * (1 - t * t), 0.85f),
               sphere(21.5f + t * 6.5f, 36.6f + 1.8f * (1 - t * t), 0.85f, Col(240, 236, 226)));
    }
    c.inked(ellipse(21.5f, 20, 9.5f, 11.3f), skin(21.5f, 20, 10, skinC), kInk);
    // Side-swept fringe.
    c.inked(intersect(ellipse(18, 9.5f, 13.5f, 7.5f),
                      subtract(rect(0, 0, 43, 20), ellipse(29, 17, 6.5f, 5))),
            hairPaint, kInk, 0.7f);
    c.fill(curve(10, 10, 17, 5, 28, 8, 0.5f), lighter(hair, 0.5f));
    // Big lashed eyes.
    eye(c, 17.3f, 20.5f, 2.3f, 1.9f, 0.4f, 0.2f, Col(60, 140, 225));
    eye(c, 25.7f, 20.5f, 2.3f, 1.9f, 0.4f, 0.2f, Col(60, 140, 225));
    c.fill(curve(14.6f, 19.7f, 17.3f, 17.8f, 20, 19.6f, 0.55f), kInk);
    c.fill(curve(23, 19.6f, 25.7f, 17.8f, 28.4f, 19.7f, 0.55f), kInk);
    c.fill(segment(14.6f, 19.7f, 13.6f, 18.6f, 0.4f), kInk);
    c.fill(segment(28.4f, 19.7f, 29.4f, 18.6f, 0.4f), kInk);
    c.fill(curve(15, 16.4f, 17.5f, 15.4f, 19.6f, 16.2f, 0.4f), darker(hairDark, 0.3f));
    c.fill(curve(23.4f, 16.2f, 25.5f, 15.4f, 28, 16.4f, 0.4f), darker(hairDark, 0.3f));
    c.fill(ellipse(15, 24.6f, 2, 1.2f), Col(255, 120, 140), 0.45f);
    c.fill(ellipse(28, 24.6f, 2, 1.2f), Col(255, 120, 140), 0.45f);
    c.fill(curve(21.4f, 21.8f, 22.4f, 24, 21, 24.2f, 0.35f), darker(skinC, 0.3f));
    c.inked(ellipse(21.5f, 27.6f, 2.9f, 1.4f),
            vgrad(26.2f, Col(236, 60, 110), 29, Col(170, 20, 70)), Col(120, 20, 50), 0.4f);
    c.fill(ellipse(20.6f, 27.1f, 0.9f, 0.35f), Col(255, 200, 220));
    c.fill(circle(12.2f, 27, 1.1f), sphere(12.2f, 27, 1.1f, Col(250, 200, 60)));
    c.fill(circle(30.8f, 27, 1.1f), sphere(30.8f, 27, 1.1f, Col(250, 200, 60)));
    // Bow in the hair.
    Col bow(232, 40, 130);
    c.inked(polygon({{31, 6}, {26, 2}, {26, 10}}), flat(bow), kInk, 0.6f);
    c.inked(polygon({{31, 6}, {36, 2}, {36, 10}}), flat(bow), kInk, 0.6f);
    c.inked(circle(31, 6, 1.5f), flat(lighter(bow, 0.3f)), kInk, 0.5f);
    return c;
}

Canvas portraitTovi() {
    // Hacker kid in a rat-eared hoodie, code glowing in his glasses.
    Canvas c(43, 42, kPortraitBackdrop, true);
    Col hood(70, 76, 88), hoodDark(34, 36, 44), skinC(238, 200, 168), glow(60, 255, 130);
    Paint hoodPaint = vgrad(2, lighter(hood, 0.12f), 40, darker(hood, 0.25f));
    c.inked(ellipse(21, 45, 20, 11), hoodPaint, kInk);
    c.inked(circle(9, 7, 4.6f), hoodPaint, kInk);
    c.inked(circle(33, 7, 4.6f), hoodPaint, kInk);
    c.fill(circle(9.3f, 7.3f, 2.5f), Col(230, 150, 170));
    c.fill(circle(32.7f, 7.3f, 2.5f), Col(230, 150, 170));
    c.inked(ellipse(21, 20, 15, 16), hoodPaint, kInk);
    c.fill(ellipse(21, 22, 11.5f, 13), vgrad(10, hoodDark, 34, darker(hoodDark, 0.4f)));
    c.inked(ellipse(21, 23, 8.8f, 10), skin(21, 23, 9, skinC), kInk);
    // Messy fringe with one dyed strand.
    c.inked(polygon({{11.5f, 19},
                     {12, 11},
                     {18, 9},
                     {27, 9.5f},
                     {31, 13},
                     {30.5f, 19},
                     {28, 14.5f},
                     {26, 18},
                     {23.5f, 14},
                     {21, 17.5f},
                     {18.5f, 14},
                     {16, 18},
                     {14, 14.5f}}),
            vgrad(9, Col(70, 50, 40), 18, Col(30, 22, 20)), kInk, 0.6f);
    c.fill(curve(22, 10, 24.5f, 13, 23.5f, 15.5f, 0.55f), glow);
    // Glasses glowing with scrolling code.
    for (int side = 0; side < 2; ++side) {
        float x0 = side ? 22.3f : 12, x1 = side ? 30 : 19.7f;
        c.fill(roundRect(x0 - 1, 18.5f, x1 + 1, 25.5f, 1.8f), kInk);
        c.fill(roundRect(x0, 19.5f, x1, 24.5f, 1.2f),
               vgrad(19.5f, Col(20, 90, 50), 24.5f, Col(10, 40, 24)));
        for (int line = 0; line < 3; ++line) {
            float y = 20.6f + line * 1.4f, len = (line * 3 + side * 2) % 5 + 2.5f;
            c.fill(rect(x0 + 1, y, x0 + 1 + len, y + 0.7f), glow, 0.9f);
        }
        c.fill(segment(x1 - 1.6f, 20, x1 - 2.8f, 21.4f, 0.35f), Col(220, 255, 230), 0.8f);
    }
    c.fill(rect(19.7f, 20.5f, 22.3f, 21.5f), kInk);
    c.fill(curve(17.5f, 29.2f, 21.5f, 30.5f, 25.5f, 28, 0.55f), kInk);
    c.fill(curve(24.8f, 28.2f, 25.8f, 28.3f, 26.2f, 27.3f, 0.4f), kInk);
    // Hoodie strings and a code tag on the chest.
    c.fill(segment(16, 35, 15.5f, 40, 0.5f), Col(220, 220, 230));
    c.fill(segment(26, 35, 26.5f, 40, 0.5f), Col(220, 220, 230));
    c.fill(stroke({{19.5f, 36.5f}, {18, 38}, {19.5f, 39.5f}}, 0.45f), glow);
    c.fill(stroke({{22.5f, 36.5f}, {24, 38}, {22.5f, 39.5f}}, 0.45f), glow);
    // The selection screen shows 42x41 of it.
    c.clear(42, 0, 42, 41);
    c.clear(0, 41, 42, 41);
    return c;
}

Canvas portraitJory() {
    // Bald smart-arse: shiny dome, half-lidded eyes, one raised brow, smirk.
    Canvas c(37, 36, kPortraitBackdrop, true);
    Col skinC(246, 202, 162), suit(52, 62, 116);
    c.inked(ellipse(18.5f, 41, 17.5f, 10), vgrad(31, lighter(suit, 0.15f), 40, darker(suit, 0.3f)),
            kInk);
    c.inked(polygon({{13, 31}, {18.5f, 36}, {24, 31}}), flat(Col(246, 246, 250)), kInk, 0.6f);
    c.inked(roundRect(15, 24, 22, 32, 3), skin(18.5f, 28, 4, darker(skinC, 0.1f)), kInk);
    c.inked(polygon({{14.5f, 30.5f}, {18.5f, 32.5f}, {14.5f, 34.5f}}), flat(Col(210, 30, 40)), kInk,
            0.5f);
    c.inked(polygon({{22.5f, 30.5f}, {18.5f, 32.5f}, {22.5f, 34.5f}}), flat(Col(210, 30, 40)), kInk,
            0.5f);
    c.inked(circle(18.5f, 32.5f, 1), flat(Col(240, 60, 60)), kInk, 0.4f);
    c.inked(ellipse(7.4f, 17.5f, 2.3f, 3.3f), skin(7.4f, 17.5f, 3, skinC), kInk);
    c.inked(ellipse(29.6f, 17.5f, 2.3f, 3.3f), skin(29.6f, 17.5f, 3, skinC), kInk);
    c.inked(ellipse(18.5f, 15.5f, 11, 13), skin(18.5f, 15.5f, 12, skinC), kInk);
    c.fill(ellipse(14, 6.5f, 4, 2.2f), Col(255, 255, 255), 0.7f);
    c.fill(circle(19.5f, 4.6f, 0.8f), Col(255, 255, 255), 0.6f);
    c.fill(ellipse(8.5f, 13.5f, 1.5f, 2.2f), Col(120, 100, 90));
    c.fill(ellipse(28.5f, 13.5f, 1.5f, 2.2f), Col(120, 100, 90));
    // Half-lidded eyes: the lid hides the top of each eye.
    for (int side = 0; side < 2; ++side) {
        float x = side ? 23 : 14, y = 17;
        eye(c, x, y, 2.5f, 1.7f, 0.9f, 0.3f, Col(80, 120, 60));
        c.fill(intersect(ellipse(x, y, 2.5f, 1.7f), rect(0, 0, 37, y - 0.1f)),
               skin(18.5f, 15.5f, 12, skinC));
        c.fill(segment(x - 2.7f, y - 0.1f, x + 2.7f, y - 0.1f, 0.45f), kInk);
    }
    c.fill(segment(11.5f, 13.6f, 16.4f, 13.8f, 0.55f), Col(110, 80, 60));
    c.fill(curve(20.3f, 13, 23, 10.2f, 26, 12, 0.55f), Col(110, 80, 60));
    c.fill(curve(18.8f, 18.5f, 20.6f, 21.6f, 18.2f, 21.8f, 0.4f), darker(skinC, 0.35f));
    c.fill(curve(14, 24, 19, 25.2f, 23.8f, 22.4f, 0.55f), kInk);
    c.fill(circle(24.4f, 22.8f, 0.5f), darker(skinC, 0.35f));
    return c;
}

Canvas portraitHollis() {
    // Eccentric professor: wild white hair, round spectacles, walrus moustache, yawning.
    Canvas c(39, 40, kPortraitBackdrop, true);
    Col skinC(242, 198, 168), tweed(136, 100, 62), white(244, 244, 248);
    c.inked(ellipse(19.5f, 46, 18.5f, 11),
            vgrad(35, lighter(tweed, 0.12f), 42, darker(tweed, 0.25f)), kInk);
    for (int i = 0; i < 14; ++i) {
        float x = 4 + (i * 7) % 31, y = 37.5f + (i * 3) % 3;
        c.fill(rect(x, y, x + 1, y + 0.6f), darker(tweed, 0.35f));
    }
    c.inked(polygon({{14, 34}, {19.5f, 40}, {25, 34}}), flat(white), kInk, 0.6f);
    c.inked(roundRect(16, 27, 23, 35, 3), skin(19.5f, 31, 4, darker(skinC, 0.1f)), kInk);
    c.inked(polygon({{16, 33}, {19.5f, 35}, {16, 37}}), flat(Col(40, 110, 70)), kInk, 0.5f);
    c.inked(polygon({{23, 33}, {19.5f, 35}, {23, 37}}), flat(Col(40, 110, 70)), kInk, 0.5f);
    // Wild hair: puffs on both sides and stray wisps.
    const float puffs[][3] = {{7, 9, 4.5f},  {4.5f, 15, 4.5f},  {5.5f, 22, 4},  {9, 5.5f, 3.5f},
                              {32, 9, 4.5f}, {34.5f, 15, 4.5f}, {33.5f, 22, 4}, {30, 5.5f, 3.5f}};
    Shape hair = circle(puffs[0][0], puffs[0][1], puffs[0][2]);
    for (auto& p : puffs)
        hair = unite(hair, circle(p[0], p[1], p[2]));
    const float tufts[][3] = {{2, 10, 2.6f},        {37, 10, 2.6f}, {2.5f, 25.5f, 2.4f},
                              {36.5f, 25.5f, 2.4f}, {13, 4, 2.4f},  {26, 4, 2.4f},
                              {19.5f, 6.5f, 2.2f}};
    for (auto& p : tufts)
        hair = unite(hair, circle(p[0], p[1], p[2]));
    c.inked(hair, radial(14, 6, 26, white, Col(190, 190, 204)), kInk);
    for (auto& p : puffs) {
        float side = p[0] < 19.5f ? -1.0f : 1.0f;
        c.fill(curve(p[0] - side * 1.5f, p[1] - 2, p[0] + side * 1.5f, p[1] - 0.5f,
                     p[0] + side * 0.5f, p[1] + 2, 0.3f),
               Col(160, 160, 176), 0.8f);
    }
    c.inked(ellipse(19.5f, 18.5f, 10, 11.5f), skin(19.5f, 18.5f, 11, skinC), kInk);
    c.fill(curve(15, 10.2f, 19.5f, 9.3f, 24, 10.2f, 0.35f), darker(skinC, 0.3f));
    c.fill(curve(16, 12, 19.5f, 11.2f, 23, 12, 0.35f), darker(skinC, 0.3f));
    c.inked(stroke({{11.5f, 15}, {14, 13.6f}, {17.3f, 14.4f}}, 0.9f), flat(white), kInk, 0.5f);
    c.inked(stroke({{21.7f, 14.4f}, {25, 13.6f}, {27.5f, 15}}, 0.9f), flat(white), kInk, 0.5f);
    c.fill(circle(15.2f, 18.5f, 1.1f), kInk);
    c.fill(circle(23.8f, 18.5f, 1.1f), kInk);
    for (float x : {15.2f, 23.8f}) {
        c.fill(subtract(circle(x, 18.5f, 3.6f), circle(x, 18.5f, 2.9f)), Col(120, 96, 40));
        c.fill(circle(x, 18.5f, 2.9f), Col(200, 230, 255), 0.25f);
        c.fill(circle(x - 1.2f, 17.3f, 0.55f), Col(255, 255, 255), 0.9f);
    }
    c.fill(rect(18.6f, 17.6f, 20.4f, 18.4f), Col(120, 96, 40));
    c.inked(ellipse(19.5f, 22.3f, 2, 2.3f), skin(19.5f, 22, 2.3f, Col(240, 160, 140)), kInk, 0.5f);
    c.inked(ellipse(19.5f, 29.2f, 1.6f, 1.5f), flat(Col(90, 20, 30)), kInk, 0.5f);
    Shape tache =
        unite(polygon({{19.5f, 24.2f}, {14.5f, 25}, {12, 28.5f}, {16, 27.3f}, {19.5f, 27}}),
              polygon({{19.5f, 24.2f}, {24.5f, 25}, {27, 28.5f}, {23, 27.3f}, {19.5f, 27}}));
    c.inked(tache, vgrad(24, white, 28, Col(196, 196, 206)), kInk, 0.6f);
    return c;
}

Canvas portraitZebrolt() {
    // The final boss: a zebra-striped villain and genius with a striped mane, monocle and high
    // collar.
    Canvas c(40, 46, kPortraitBackdrop, true);
    Col cape(74, 22, 96), lining(186, 24, 44), light(238, 238, 244), dark(22, 20, 26);
    auto zebra = [=](float cx, float pitch, float bend) {
        return [=](float x, float y) {
            float phase = (y - std::fabs(x - cx) * bend) * 6.2831853f / pitch;
            float v = std::sin(phase + 0.6f * std::sin(x * 0.7f));
            Col base = v > 0.25f ? dark : light;
            return mix(base, scale(base, 0.7f), clamp01((x - cx + 6) / 18.0f) * 0.6f);
        };
    };
    c.inked(ellipse(20, 53, 20, 14), vgrad(40, Col(40, 34, 48), 46, Col(20, 16, 24)), kInk);
    // High collar, red lining inside.
    c.inked(polygon({{1, 17}, {12, 33}, {20, 44}, {28, 33}, {39, 17}, {38, 44}, {2, 44}}),
            vgrad(17, lighter(cape, 0.15f), 44, darker(cape, 0.3f)), kInk);
    c.fill(polygon({{3.5f, 21}, {12, 34}, {20, 43}, {28, 34}, {36.5f, 21}, {33, 38}, {7, 38}}),
           vgrad(21, lining, 40, darker(lining, 0.4f)));
    c.inked(roundRect(15.5f, 29, 24.5f, 40, 3), zebra(20, 3.2f, 0.2f), kInk);
    c.fill(circle(20, 40.5f, 1.8f), sphere(20, 40.5f, 1.8f, Col(250, 200, 60)));
    // Ears and mane.
    c.inked(polygon(oval(9.5f, 9, 2.4f, 5, -0.6f)), zebra(20, 3, 0.0f), kInk);
    c.inked(polygon(oval(30.5f, 9, 2.4f, 5, 0.6f)), zebra(20, 3, 0.0f), kInk);
    // Upright striped mane, stripes running across it as on a zebra's neck.
    c.inked(
        unite(roundRect(16.6f, 0.8f, 23.4f, 13, 3.4f), ellipse(20, 4, 2.5f, 3.5f)),
        [=](float, float y) { return std::fmod(y + 0.5f, 3.0f) < 1.4f ? dark : light; }, kInk);
    Shape head = ellipse(20, 21.5f, 10.5f, 12);
    c.inked(head, zebra(20, 4.2f, 0.55f), kInk);
    // Dark muzzle with nostrils and a wide, sly grin.
    c.inked(ellipse(20, 28.2f, 5.8f, 4.6f), radial(18, 27, 7, Col(92, 88, 100), Col(44, 42, 50)),
            kInk, 0.5f);
    c.fill(ellipse(18, 25.8f, 0.9f, 0.6f), Col(10, 8, 10));
    c.fill(ellipse(22, 25.8f, 0.9f, 0.6f), Col(10, 8, 10));
    Shape grin = subtract(ellipse(20, 28.4f, 6.4f, 3.6f), ellipse(20, 26.4f, 7.4f, 3.0f));
    c.fill(grow(grin, 0.5f), kInk);
    c.fill(grin, Col(130, 14, 24));
    c.fill(intersect(grin, rect(0, 0, 40, 30.0f)), Col(250, 250, 236));
    for (float x : {16.5f, 18.5f, 20.5f, 22.5f})
        c.fill(rect(x, 28.6f, x + 0.35f, 30.2f), Col(150, 150, 150), 0.6f);
    // Glowing red eyes under a furious brow.
    Col glowRed(255, 60, 30);
    for (int side = 0; side < 2; ++side) {
        float s = side ? 1 : -1, x = 20 + s * 4.6f;
        c.fill(ellipse(x, 19.8f, 3.8f, 2.9f), Col(20, 16, 22));
        c.fill(ellipse(x, 19.6f, 3.4f, 2.4f), Col(255, 120, 40), 0.35f);
        c.inked(polygon({{x - s * 2.6f, 18.4f},
                         {x + s * 2.6f, 19.2f},
                         {x + s * 1.6f, 21},
                         {x - s * 1.8f, 20.6f}}),
                flat(glowRed), kInk, 0.6f);
        c.fill(circle(x, 19.7f, 0.7f), Col(255, 240, 160));
        c.fill(segment(x - s * 3.2f, 16.2f, x + s * 2.8f, 17.6f, 0.9f), dark);
    }
    // Gold monocle on his left eye.
    c.fill(subtract(circle(24.6f, 19.6f, 3.9f), circle(24.6f, 19.6f, 3.1f)), Col(236, 196, 70));
    c.fill(curve(28.3f, 21, 30, 26, 28.5f, 32, 0.3f), Col(236, 196, 70));
    return c;
}

} // namespace art
