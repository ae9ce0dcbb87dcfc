// art_check: loads every committed picture through SDL_LoadBMP and checks what the game relies on.
// The pictures, their sizes and which are keyed come from the game's list,
// src/platform/pictures.h; the checks of single pictures below name them by file.
//
// Usage: art_check DATADIR
#include <SDL.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "../src/platform/pictures.h"

namespace {

const Uint16 kKey = 0xF81F;

struct Picture {
    const char* file;
    int w, h;
    bool keyed;
};

// Every picture of the game's list, as the game loads and draws it.
const Picture kPictures[] = {
#define LISTED(file, global, keyed, w, h) {file, w, h, keyed},
    GAME_PICTURES(LISTED)
#undef LISTED
};

// A keyed picture's point that must be drawn, when not its centre: a banner's centre lies over
// the third ball of its row, which must show, so its sign stands in the gap left of it.
struct Point {
    const char* file;
    int x, y;
};
const Point kDrawnPoints[] = {{"false.bmp", 16, 18}, {"right.bmp", 16, 18}};

// Strips the game crops away: anything drawn there would show up cut off.
struct Rect {
    const char* file;
    int x0, y0, x1, y1; // inclusive
};
const Rect kMustBeTransparent[] = {
    {"borin_quastle.bmp", 30, 0, 31, 41}, {"tovi_glimrat.bmp", 42, 0, 42, 41},
    {"tovi_glimrat.bmp", 0, 41, 42, 41},  {"false.bmp", 0, 34, 53, 35},
    {"right.bmp", 0, 34, 53, 35},
};

// Where the game writes white text straight onto the picture.
const Rect kTextAreas[] = {
    {"title.bmp", 220, 145, 319, 200},   {"you_win.bmp", 45, 188, 319, 206},
    {"you_lost.bmp", 45, 188, 319, 206}, {"round.bmp", 70, 67, 310, 88},
    {"round.bmp", 20, 120, 310, 153},    {"round.bmp", 20, 200, 100, 209},
    {"round.bmp", 137, 20, 160, 29},     {"main.bmp", 12, 100, 57, 109},
};

struct Image {
    SDL_Surface* s = nullptr;
    ~Image() {
        if (s) SDL_FreeSurface(s);
    }
    Uint16 at(int x, int y) const {
        return static_cast<const Uint16*>(s->pixels)[y * (s->pitch / 2) + x];
    }
};

float luma(Uint16 p) {
    float r = ((p >> 11) & 31) * 255.0f / 31, g = ((p >> 5) & 63) * 255.0f / 63,
          b = (p & 31) * 255.0f / 31;
    return 0.299f * r + 0.587f * g + 0.114f * b;
}

int failures = 0;

void fail(const std::string& file, const std::string& what) {
    std::printf("FAIL %s: %s\n", file.c_str(), what.c_str());
    ++failures;
}

// A picture the checks below name by file; a file that is not in the game's list is a fault of
// this checker, reported before any other.
const Image& picture(const std::map<std::string, Image>& images, const std::string& file) {
    const auto it = images.find(file);
    if (it == images.end()) {
        std::printf("FAIL %s: checked here, but not in the game's list (pictures.h)\n",
                    file.c_str());
        std::exit(1);
    }
    return it->second;
}

// Mean colour of the drawn (non-key) pixels.
void meanColour(const Image& im, float out[3]) {
    double sum[3] = {0, 0, 0};
    int n = 0;
    for (int y = 0; y < im.s->h; ++y)
        for (int x = 0; x < im.s->w; ++x) {
            Uint16 p = im.at(x, y);
            if (p == kKey) continue;
            sum[0] += ((p >> 11) & 31) * 255.0 / 31;
            sum[1] += ((p >> 5) & 63) * 255.0 / 63;
            sum[2] += (p & 31) * 255.0 / 31;
            ++n;
        }
    for (int i = 0; i < 3; ++i)
        out[i] = n ? float(sum[i] / n) : 0.0f;
}

float distance(const float a[3], const float b[3]) {
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                     (a[2] - b[2]) * (a[2] - b[2]));
}

bool is565(const SDL_PixelFormat* f) {
    return f->BitsPerPixel == 16 && f->Rmask == 0xF800 && f->Gmask == 0x07E0 && f->Bmask == 0x001F;
}

// A palette entry that the copy to the 5-6-5 screen narrows to exactly the colour painted: each
// channel's low bits repeat its top bits, as the generator widens them.
bool widened565(const SDL_Color& c) {
    const int r = c.r >> 3, g = c.g >> 2, b = c.b >> 3;
    return c.r == ((r << 3) | (r >> 2)) && c.g == ((g << 2) | (g >> 4)) &&
           c.b == ((b << 3) | (b >> 2));
}

int distinctPixels(const SDL_Surface* s) {
    std::map<Uint32, int> seen;
    const int bpp = s->format->BytesPerPixel;
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x) {
            Uint32 v = 0;
            std::memcpy(&v, static_cast<const Uint8*>(s->pixels) + y * s->pitch + x * bpp,
                        static_cast<size_t>(bpp));
            ++seen[v];
        }
    return static_cast<int>(seen.size());
}

// Full screens are copied whole, fastest in the screen's own 5-6-5. Keyed pictures are copied
// pixel by pixel past the key, which costs fewer instructions from 8-bit pixels with a palette:
// every keyed picture of at most 256 colours is stored so, the others at 5-6-5. Either way the
// picture is then checked as the screen receives it, in 5-6-5.
bool checkFormat(const Picture& p, Image& im) {
    const SDL_PixelFormat* f = im.s->format;
    const bool palette = f->BitsPerPixel == 8 && f->palette;
    if (!is565(f) && !(p.keyed && palette)) {
        char buf[128];
        std::snprintf(buf, sizeof buf, "loads as %d bpp R%04X G%04X B%04X, want %s",
                      f->BitsPerPixel, unsigned(f->Rmask), unsigned(f->Gmask), unsigned(f->Bmask),
                      p.keyed ? "8 bpp with a palette or 16 bpp 5-6-5" : "16 bpp 5-6-5");
        fail(p.file, buf);
        return false;
    }
    if (palette) {
        for (int i = 0; i < f->palette->ncolors; ++i)
            if (!widened565(f->palette->colors[i])) {
                fail(p.file, "palette entry " + std::to_string(i) + " is no 5-6-5 colour");
                return false;
            }
        SDL_PixelFormat to = *f;
        to.palette = nullptr;
        to.BitsPerPixel = 16;
        to.BytesPerPixel = 2;
        to.Rmask = 0xF800, to.Gmask = 0x07E0, to.Bmask = 0x001F, to.Amask = 0;
        to.Rshift = 11, to.Gshift = 5, to.Bshift = 0, to.Ashift = 0;
        to.Rloss = 3, to.Gloss = 2, to.Bloss = 3, to.Aloss = 8;
        to.colorkey = 0, to.alpha = 255;
        SDL_Surface* wide = SDL_ConvertSurface(im.s, &to, SDL_SWSURFACE);
        if (!wide) {
            fail(p.file, std::string("cannot convert to 5-6-5: ") + SDL_GetError());
            return false;
        }
        SDL_FreeSurface(im.s);
        im.s = wide;
    } else if (p.keyed && distinctPixels(im.s) <= 256) {
        fail(p.file, "a keyed picture of " + std::to_string(distinctPixels(im.s)) +
                         " colours at 16 bits: with a palette it copies for fewer instructions");
    }
    return true;
}

void checkPicture(const Picture& p, Image& im) {
    if (!checkFormat(p, im)) return;
    if (im.s->w != p.w || im.s->h != p.h) {
        fail(p.file, "is " + std::to_string(im.s->w) + "x" + std::to_string(im.s->h) + ", want " +
                         std::to_string(p.w) + "x" + std::to_string(p.h));
        return;
    }
    int keyPixels = 0;
    for (int y = 0; y < p.h; ++y)
        for (int x = 0; x < p.w; ++x)
            keyPixels += im.at(x, y) == kKey;
    if (p.keyed) {
        const int cx[4] = {0, p.w - 1, 0, p.w - 1}, cy[4] = {0, 0, p.h - 1, p.h - 1};
        for (int i = 0; i < 4; ++i)
            if (im.at(cx[i], cy[i]) != kKey) fail(p.file, "corner is not transparent");
        int x = p.w / 2, y = p.h / 2;
        bool centre = true;
        for (const Point& d : kDrawnPoints)
            if (std::strcmp(d.file, p.file) == 0) x = d.x, y = d.y, centre = false;
        if (im.at(x, y) == kKey)
            fail(p.file, "pixel " + std::to_string(x) + "," + std::to_string(y) +
                             (centre ? " (the centre)" : "") + " is transparent");
    } else if (keyPixels) {
        fail(p.file, std::to_string(keyPixels) + " pixels in the key colour on an unkeyed picture");
    }
}

void checkRects(const std::map<std::string, Image>& images) {
    for (const Rect& r : kMustBeTransparent) {
        const Image& im = picture(images, r.file);
        for (int y = r.y0; y <= r.y1; ++y)
            for (int x = r.x0; x <= r.x1; ++x)
                if (im.at(x, y) != kKey) {
                    fail(r.file, "pixel " + std::to_string(x) + "," + std::to_string(y) +
                                     " should stay transparent");
                    return;
                }
    }
    // White 8 pt text needs a dark ground to read.
    for (const Rect& r : kTextAreas) {
        const Image& im = picture(images, r.file);
        float worst = 0;
        for (int y = r.y0; y <= r.y1; ++y)
            for (int x = r.x0; x <= r.x1; ++x)
                worst = std::max(worst, luma(im.at(x, y)));
        if (worst > 90)
            fail(r.file, "text area at " + std::to_string(r.x0) + "," + std::to_string(r.y0) +
                             " has a pixel of luma " + std::to_string(int(worst)));
    }
}

void checkBalls(const std::map<std::string, Image>& images) {
    const char* balls[6] = {"ball_red.bmp",    "ball_green.bmp", "ball_blue.bmp",
                            "ball_yellow.bmp", "ball_brown.bmp", "ball_purple.bmp"};
    float mean[6][3];
    for (int i = 0; i < 6; ++i)
        meanColour(picture(images, balls[i]), mean[i]);
    for (int i = 0; i < 6; ++i)
        for (int j = i + 1; j < 6; ++j)
            if (distance(mean[i], mean[j]) < 50)
                fail(balls[i], std::string("too close in colour to ") + balls[j]);
    const float magenta[3] = {255, 0, 255};
    if (distance(mean[5], magenta) < 120) fail(balls[5], "purple is too close to the magenta key");
}

void checkMarkers(const std::map<std::string, Image>& images) {
    float white[3], black[3];
    meanColour(picture(images, "1.bmp"), white);
    meanColour(picture(images, "2.bmp"), black);
    float lw = 0.299f * white[0] + 0.587f * white[1] + 0.114f * white[2];
    float lb = 0.299f * black[0] + 0.587f * black[1] + 0.114f * black[2];
    if (lw - lb < 100) fail("1.bmp", "white and black markers are not told apart at a glance");
}

// Balls and markers are drawn at fixed spots: their sockets must be right under them.
void checkBoard(const Image& im) {
    for (int row = 0; row < 7; ++row) {
        for (int k = 0; k < 4; ++k) {
            int cx = 74 + 37 * k + 13, cy = 21 + 29 * row + 12;
            float hole = luma(im.at(cx, cy)), around = luma(im.at(cx, cy - 14));
            if (hole > 40 || around < hole + 15)
                fail("main.bmp",
                     "no ball socket centred at " + std::to_string(cx) + "," + std::to_string(cy));
        }
        for (int m = 0; m < 4; ++m) {
            int x = 222 + 17 * (m % 2), y = 25 + 29 * row + 11 * (m / 2);
            float inside = luma(im.at(x + 7, y + 3)), above = luma(im.at(x + 7, y - 2));
            if (inside > 40 || above < inside + 15)
                fail("main.bmp",
                     "no marker socket at " + std::to_string(x) + "," + std::to_string(y));
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DATADIR\n", argv[0]);
        return 2;
    }
    std::map<std::string, Image> images;
    for (const Picture& p : kPictures) {
        std::string path = std::string(argv[1]) + "/" + p.file;
        Image& im = images[p.file];
        im.s = SDL_LoadBMP(path.c_str());
        if (!im.s) {
            fail(p.file, std::string("cannot load: ") + SDL_GetError());
            continue;
        }
        checkPicture(p, im);
    }
    for (const Point& d : kDrawnPoints)
        picture(images, d.file);
    if (failures) {
        std::printf("%d problems\n", failures);
        return 1;
    }
    checkRects(images);
    checkBalls(images);
    checkMarkers(images);
    checkBoard(picture(images, "main.bmp"));
    if (failures) {
        std::printf("%d problems\n", failures);
        return 1;
    }
    std::printf("all pictures look right\n");
    return 0;
}
