// Supersampled drawing canvas for the art generator: shapes, paints, text masks, BMP output (16-bit
// 5-6-5, or 8-bit with a palette) and 8-bit RGBA output.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

struct _TTF_Font;

namespace art {

// Colours are kept as floats 0..255 while drawing so that blending and
// shading never lose precision before the single 5-6-5 quantisation step.
struct Col {
    float r = 0, g = 0, b = 0;
    Col() = default;
    Col(float r_, float g_, float b_) : r(r_), g(g_), b(b_) {}
};

Col mix(Col a, Col b, float t);
Col scale(Col c, float k);
Col add(Col a, Col b);
float clamp01(float v);
float smooth(float e0, float e1, float x);

// The transparent key colour of every keyed picture.
extern const Col kMagenta;

// A shape is a signed distance function (negative inside) with a bounding box.
// Distances only need to be roughly right near the edge: coverage comes from
// supersampling, and the distance is only used for outlines and unions.
struct Shape {
    std::function<float(float, float)> d;
    float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

Shape circle(float cx, float cy, float r);
Shape ellipse(float cx, float cy, float rx, float ry);
Shape rect(float x0, float y0, float x1, float y1);
Shape roundRect(float x0, float y0, float x1, float y1, float radius);
Shape segment(float ax, float ay, float bx, float by, float radius);
Shape polygon(const std::vector<std::pair<float, float>>& pts);
// A polyline of capsules: handy for hair strands, smiles and brows.
Shape stroke(const std::vector<std::pair<float, float>>& pts, float radius);
// Quadratic curve sampled into a stroke.
Shape curve(float ax, float ay, float cx, float cy, float bx, float by, float radius);

Shape unite(const Shape& a, const Shape& b);
Shape intersect(const Shape& a, const Shape& b);
Shape subtract(const Shape& a, const Shape& b);
Shape grow(const Shape& s, float by);
Shape moved(const Shape& s, float dx, float dy);

using Paint = std::function<Col(float, float)>;
Paint flat(Col c);
Paint vgrad(float y0, Col top, float y1, Col bottom);
Paint hgrad(float x0, Col left, float x1, Col right);
Paint radial(float cx, float cy, float r, Col inner, Col outer);
// Lit sphere: light from the top left, darker rim, optional white specular.
Paint sphere(float cx, float cy, float r, Col base, float specular = 1.0f);

// Greyscale coverage mask, e.g. rendered text.
struct Mask {
    int w = 0, h = 0;
    std::vector<float> m;
    float at(int x, int y) const {
        return (x < 0 || y < 0 || x >= w || y >= h) ? 0.0f : m[y * w + x];
    }
};

// Grows a mask by a round brush; the result is padded by r on every side.
Mask dilate(const Mask& src, int r);

class Fonts {
  public:
    explicit Fonts(std::string path);
    ~Fonts();
    Fonts(const Fonts&) = delete;
    Fonts& operator=(const Fonts&) = delete;
    bool ok() const { return ok_; }
    Mask text(const std::string& s, int pt, bool bold = false);
    int width(const std::string& s, int pt, bool bold = false);
    // Pixels from the top of a rendered line to its baseline.
    int ascent(int pt, bool bold = false);

  private:
    _TTF_Font* get(int pt, bool bold);
    std::string path_;
    std::map<std::pair<int, bool>, _TTF_Font*> open_;
    bool ok_ = false;
};

class Canvas {
  public:
    // Keyed canvases start fully transparent, but their colour starts as the
    // matte: the colour the picture will mostly be drawn over, so that soft
    // edges blend towards it rather than towards the magenta key.
    Canvas(int w, int h, Col background, bool keyed);

    int w() const { return w_; }
    int h() const { return h_; }
    bool keyed() const { return keyed_; }

    void fill(const Shape& s, const Paint& p, float opacity = 1.0f);
    void fill(const Shape& s, Col c, float opacity = 1.0f) { fill(s, flat(c), opacity); }
    // A cartoon part: dark outline of the given width, then the body.
    void inked(const Shape& s, const Paint& p, Col ink, float width = 0.9f);
    void mask(const Mask& m, int x, int y, const Paint& p, float opacity = 1.0f);
    void mask(const Mask& m, int x, int y, Col c, float opacity = 1.0f) {
        mask(m, x, y, flat(c), opacity);
    }
    // Whole-pixel paint without supersampling, for backgrounds.
    void paintAll(const Paint& p);
    void put(int x, int y, Col c, float cov = 1.0f);
    // Forces an area back to transparent (for keep-clear strips).
    void clear(int x0, int y0, int x1, int y1);
    Col get(int x, int y) const { return c_[y * w_ + x]; }
    // Copies another canvas in at x,y using its coverage.
    void paste(const Canvas& src, int x, int y);

    // Converts to 5-6-5; dithering smooths the large gradients of full screens.
    std::vector<unsigned short> to565(bool dither) const;
    // Straight (not premultiplied) RGBA bytes with real transparency, for icons: the matte
    // is taken back out of the soft edges, so they suit any background.
    std::vector<unsigned char> toRgba() const;

  private:
    int w_, h_;
    bool keyed_;
    Col matte_;
    std::vector<Col> c_;
    std::vector<float> a_;
};

bool writeBmp565(const std::string& path, int w, int h, const std::vector<unsigned short>& px);
// Each 5-6-5 value that occurs, once, in ascending order.
std::vector<unsigned short> distinctColours(const std::vector<unsigned short>& px);
// The same 5-6-5 pixels as an 8-bit BMP whose palette holds exactly their colours, each widened
// the way SDL narrows it back; false, writing nothing, when there are more than 256 colours.
bool writeBmpPalette(const std::string& path, int w, int h, const std::vector<unsigned short>& px);

// Writes the bytes as the whole file; false when it cannot be opened, written or closed.
bool writeFile(const std::string& path, const std::vector<unsigned char>& bytes);

// Small deterministic generator so confetti and textures never change between runs.
class Rng {
  public:
    explicit Rng(unsigned seed) : s_(seed ? seed : 1u) {}
    unsigned next() {
        s_ ^= s_ << 13;
        s_ ^= s_ >> 17;
        s_ ^= s_ << 5;
        return s_;
    }
    float unit() { return (next() & 0xFFFFFF) / float(0x1000000); }
    float range(float a, float b) { return a + (b - a) * unit(); }

  private:
    unsigned s_;
};

} // namespace art
