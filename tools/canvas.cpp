// Canvas, shapes, paints, text masks and the 16-bit BMP writer used by mkart.
#include "canvas.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace art {

const Col kMagenta(255, 0, 255);

namespace {

// 4x4 subsamples per pixel: enough for smooth 1 px outlines at these sizes.
constexpr int kSS = 4;

float len(float x, float y) {
    return std::sqrt(x * x + y * y);
}

} // namespace

Col mix(Col a, Col b, float t) {
    return Col(a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t);
}
Col scale(Col c, float k) {
    return Col(c.r * k, c.g * k, c.b * k);
}
Col add(Col a, Col b) {
    return Col(a.r + b.r, a.g + b.g, a.b + b.b);
}
float clamp01(float v) {
    return v < 0 ? 0 : (v > 1 ? 1 : v);
}
float smooth(float e0, float e1, float x) {
    float t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

Shape circle(float cx, float cy, float r) {
    return {[=](float x, float y) { return len(x - cx, y - cy) - r; }, cx - r, cy - r, cx + r,
            cy + r};
}

Shape ellipse(float cx, float cy, float rx, float ry) {
    return {[=](float x, float y) {
                float px = (x - cx) / rx, py = (y - cy) / ry;
                float k0 = len(px, py);
                float k1 = len(px / rx, py / ry);
                if (k1 < 1e-6f) return -std::min(rx, ry);
                return k0 * (k0 - 1.0f) / k1;
            },
            cx - rx, cy - ry, cx + rx, cy + ry};
}

Shape rect(float x0, float y0, float x1, float y1) {
    return roundRect(x0, y0, x1, y1, 0);
}

Shape roundRect(float x0, float y0, float x1, float y1, float radius) {
    float cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    float hx = (x1 - x0) / 2 - radius, hy = (y1 - y0) / 2 - radius;
    return {[=](float x, float y) {
                float qx = std::fabs(x - cx) - hx, qy = std::fabs(y - cy) - hy;
                float outside = len(std::max(qx, 0.0f), std::max(qy, 0.0f));
                return outside + std::min(std::max(qx, qy), 0.0f) - radius;
            },
            x0, y0, x1, y1};
}

Shape segment(float ax, float ay, float bx, float by, float radius) {
    return {[=](float x, float y) {
                float pax = x - ax, pay = y - ay, bax = bx - ax, bay = by - ay;
                float dd = bax * bax + bay * bay;
                float h = dd > 0 ? clamp01((pax * bax + pay * bay) / dd) : 0.0f;
                return len(pax - bax * h, pay - bay * h) - radius;
            },
            std::min(ax, bx) - radius, std::min(ay, by) - radius, std::max(ax, bx) + radius,
            std::max(ay, by) + radius};
}

Shape polygon(const std::vector<std::pair<float, float>>& pts) {
    Shape s;
    s.x0 = s.y0 = 1e9f;
    s.x1 = s.y1 = -1e9f;
    for (auto& p : pts) {
        s.x0 = std::min(s.x0, p.first);
        s.y0 = std::min(s.y0, p.second);
        s.x1 = std::max(s.x1, p.first);
        s.y1 = std::max(s.y1, p.second);
    }
    s.d = [pts](float x, float y) {
        size_t n = pts.size();
        float d = 1e18f, sign = 1;
        for (size_t i = 0, j = n - 1; i < n; j = i, ++i) {
            float ex = pts[j].first - pts[i].first, ey = pts[j].second - pts[i].second;
            float wx = x - pts[i].first, wy = y - pts[i].second;
            float h = clamp01((wx * ex + wy * ey) / (ex * ex + ey * ey));
            float bx = wx - ex * h, by = wy - ey * h;
            d = std::min(d, bx * bx + by * by);
            bool c1 = y >= pts[i].second, c2 = y<pts[j].second, c3 = ex * wy> ey * wx;
            if ((c1 && c2 && c3) || (!c1 && !c2 && !c3)) sign = -sign;
        }
        return sign * std::sqrt(d);
    };
    return s;
}

Shape stroke(const std::vector<std::pair<float, float>>& pts, float radius) {
    Shape s = segment(pts[0].first, pts[0].second, pts[0].first, pts[0].second, radius);
    for (size_t i = 1; i < pts.size(); ++i)
        s = unite(
            s, segment(pts[i - 1].first, pts[i - 1].second, pts[i].first, pts[i].second, radius));
    return s;
}

Shape curve(float ax, float ay, float cx, float cy, float bx, float by, float radius) {
    std::vector<std::pair<float, float>> pts;
    const int n = 10;
    for (int i = 0; i <= n; ++i) {
        float t = float(i) / n, u = 1 - t;
        pts.push_back(
            {u * u * ax + 2 * u * t * cx + t * t * bx, u * u * ay + 2 * u * t * cy + t * t * by});
    }
    return stroke(pts, radius);
}

Shape unite(const Shape& a, const Shape& b) {
    auto da = a.d, db = b.d;
    return {[=](float x, float y) { return std::min(da(x, y), db(x, y)); }, std::min(a.x0, b.x0),
            std::min(a.y0, b.y0), std::max(a.x1, b.x1), std::max(a.y1, b.y1)};
}

Shape intersect(const Shape& a, const Shape& b) {
    auto da = a.d, db = b.d;
    return {[=](float x, float y) { return std::max(da(x, y), db(x, y)); }, std::max(a.x0, b.x0),
            std::max(a.y0, b.y0), std::min(a.x1, b.x1), std::min(a.y1, b.y1)};
}

Shape subtract(const Shape& a, const Shape& b) {
    auto da = a.d, db = b.d;
    return {[=](float x, float y) { return std::max(da(x, y), -db(x, y)); }, a.x0, a.y0, a.x1,
            a.y1};
}

Shape grow(const Shape& s, float by) {
    auto d = s.d;
    return {[=](float x, float y) { return d(x, y) - by; }, s.x0 - by, s.y0 - by, s.x1 + by,
            s.y1 + by};
}

Shape moved(const Shape& s, float dx, float dy) {
    auto d = s.d;
    return {[=](float x, float y) { return d(x - dx, y - dy); }, s.x0 + dx, s.y0 + dy, s.x1 + dx,
            s.y1 + dy};
}

Paint flat(Col c) {
    return [=](float, float) { return c; };
}

Paint vgrad(float y0, Col top, float y1, Col bottom) {
    return [=](float, float y) { return mix(top, bottom, clamp01((y - y0) / (y1 - y0))); };
}

Paint hgrad(float x0, Col left, float x1, Col right) {
    return [=](float x, float) { return mix(left, right, clamp01((x - x0) / (x1 - x0))); };
}

Paint radial(float cx, float cy, float r, Col inner, Col outer) {
    return [=](float x, float y) { return mix(inner, outer, clamp01(len(x - cx, y - cy) / r)); };
}

Paint sphere(float cx, float cy, float r, Col base, float specular) {
    return [=](float x, float y) {
        float nx = (x - cx) / r, ny = (y - cy) / r;
        float d2 = nx * nx + ny * ny;
        if (d2 > 1) {
            float k = 1 / std::sqrt(d2);
            nx *= k;
            ny *= k;
            d2 = 1;
        }
        float nz = std::sqrt(1 - d2);
        // Key light from the top left, a faint bounce light from below.
        const float lx = -0.50f, ly = -0.62f, lz = 0.60f;
        float diff = std::max(0.0f, nx * lx + ny * ly + nz * lz);
        float bounce = std::max(0.0f, nx * 0.25f + ny * 0.85f + nz * 0.2f);
        float k = 0.22f + 0.95f * diff + 0.22f * bounce;
        Col c = scale(base, k);
        // Rim darkening keeps the ball round against dark and light backgrounds.
        c = scale(c, 0.55f + 0.45f * std::sqrt(nz));
        float hx = lx, hy = ly, hz = lz + 1;
        float hl = len(len(hx, hy), hz);
        float spec = std::max(0.0f, (nx * hx + ny * hy + nz * hz) / hl);
        float s = std::pow(spec, 60.0f) * specular;
        float glow = std::pow(spec, 8.0f) * 0.25f * specular;
        c = mix(c, Col(255, 255, 255), clamp01(s + glow));
        return Col(std::min(c.r, 255.0f), std::min(c.g, 255.0f), std::min(c.b, 255.0f));
    };
}

Mask dilate(const Mask& src, int r) {
    Mask out;
    out.w = src.w + 2 * r;
    out.h = src.h + 2 * r;
    out.m.assign(out.w * out.h, 0.0f);
    for (int y = 0; y < out.h; ++y)
        for (int x = 0; x < out.w; ++x) {
            float best = 0;
            for (int dy = -r; dy <= r; ++dy)
                for (int dx = -r; dx <= r; ++dx) {
                    float dist = len(float(dx), float(dy));
                    float w = clamp01(r + 0.5f - dist);
                    if (w <= 0) continue;
                    best = std::max(best, w * src.at(x - r + dx, y - r + dy));
                }
            out.m[y * out.w + x] = best;
        }
    return out;
}

Fonts::Fonts(std::string path) : path_(std::move(path)) {
    ok_ = TTF_Init() == 0;
    if (ok_) ok_ = get(8, false) != nullptr;
}

Fonts::~Fonts() {
    for (auto& f : open_)
        if (f.second) TTF_CloseFont(f.second);
    TTF_Quit();
}

TTF_Font* Fonts::get(int pt, bool bold) {
    auto key = std::make_pair(pt, bold);
    auto it = open_.find(key);
    if (it != open_.end()) return it->second;
    TTF_Font* f = TTF_OpenFont(path_.c_str(), pt);
    if (f && bold) TTF_SetFontStyle(f, TTF_STYLE_BOLD);
    open_[key] = f;
    return f;
}

int Fonts::width(const std::string& s, int pt, bool bold) {
    int w = 0, h = 0;
    TTF_Font* f = get(pt, bold);
    if (!f || TTF_SizeUTF8(f, s.c_str(), &w, &h) != 0) return 0;
    return w;
}

int Fonts::ascent(int pt, bool bold) {
    TTF_Font* f = get(pt, bold);
    return f ? TTF_FontAscent(f) : 0;
}

Mask Fonts::text(const std::string& s, int pt, bool bold) {
    Mask m;
    TTF_Font* f = get(pt, bold);
    if (!f || s.empty()) return m;
    SDL_Color white = {255, 255, 255, 0};
    SDL_Surface* surf = TTF_RenderUTF8_Blended(f, s.c_str(), white);
    if (!surf) return m;
    m.w = surf->w;
    m.h = surf->h;
    m.m.resize(m.w * m.h);
    SDL_LockSurface(surf);
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x) {
            Uint32 px = static_cast<Uint32*>(surf->pixels)[y * (surf->pitch / 4) + x];
            Uint8 r, g, b, a;
            SDL_GetRGBA(px, surf->format, &r, &g, &b, &a);
            m.m[y * m.w + x] = a / 255.0f;
        }
    SDL_UnlockSurface(surf);
    SDL_FreeSurface(surf);
    return m;
}

Canvas::Canvas(int w, int h, Col background, bool keyed)
    : w_(w), h_(h), keyed_(keyed), matte_(background), c_(w * h, background),
      a_(w * h, keyed ? 0.0f : 1.0f) {}

void Canvas::put(int x, int y, Col c, float cov) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_ || cov <= 0) return;
    cov = std::min(cov, 1.0f);
    int i = y * w_ + x;
    c_[i] = mix(c_[i], c, cov);
    a_[i] = a_[i] + cov * (1 - a_[i]);
}

void Canvas::fill(const Shape& s, const Paint& p, float opacity) {
    int x0 = std::max(0, int(std::floor(s.x0 - 1))), y0 = std::max(0, int(std::floor(s.y0 - 1)));
    int x1 = std::min(w_ - 1, int(std::ceil(s.x1 + 1))),
        y1 = std::min(h_ - 1, int(std::ceil(s.y1 + 1)));
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            int hits = 0;
            Col sum;
            for (int sy = 0; sy < kSS; ++sy)
                for (int sx = 0; sx < kSS; ++sx) {
                    float fx = x + (sx + 0.5f) / kSS, fy = y + (sy + 0.5f) / kSS;
                    if (s.d(fx, fy) < 0) {
                        ++hits;
                        sum = add(sum, p(fx, fy));
                    }
                }
            if (!hits) continue;
            put(x, y, scale(sum, 1.0f / hits), opacity * hits / float(kSS * kSS));
        }
}

void Canvas::inked(const Shape& s, const Paint& p, Col ink, float width) {
    fill(grow(s, width), ink);
    fill(s, p);
}

void Canvas::mask(const Mask& m, int x, int y, const Paint& p, float opacity) {
    for (int j = 0; j < m.h; ++j)
        for (int i = 0; i < m.w; ++i) {
            float v = m.m[j * m.w + i];
            if (v > 0) put(x + i, y + j, p(x + i + 0.5f, y + j + 0.5f), v * opacity);
        }
}

void Canvas::paintAll(const Paint& p) {
    for (int y = 0; y < h_; ++y)
        for (int x = 0; x < w_; ++x)
            put(x, y, p(x + 0.5f, y + 0.5f));
}

void Canvas::clear(int x0, int y0, int x1, int y1) {
    for (int y = std::max(0, y0); y <= std::min(h_ - 1, y1); ++y)
        for (int x = std::max(0, x0); x <= std::min(w_ - 1, x1); ++x)
            a_[y * w_ + x] = 0;
}

void Canvas::paste(const Canvas& src, int x, int y) {
    for (int j = 0; j < src.h_; ++j)
        for (int i = 0; i < src.w_; ++i) {
            int k = j * src.w_ + i;
            // Same half-coverage cut as the key, so a pasted sprite looks as it will in game.
            if (src.a_[k] >= 0.5f) put(x + i, y + j, src.c_[k]);
        }
}

std::vector<unsigned short> Canvas::to565(bool dither) const {
    static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    std::vector<unsigned short> out(w_ * h_);
    for (int y = 0; y < h_; ++y)
        for (int x = 0; x < w_; ++x) {
            int i = y * w_ + x;
            if (keyed_ && a_[i] < 0.5f) {
                out[i] = 0xF81F;
                continue;
            }
            float t = dither ? (bayer[y & 3][x & 3] + 0.5f) / 16.0f : 0.5f;
            auto q = [t](float v, int levels) {
                int n = int(std::floor(clamp01(v / 255.0f) * levels + t));
                return std::min(n, levels);
            };
            Col c = c_[i];
            unsigned short v =
                static_cast<unsigned short>((q(c.r, 31) << 11) | (q(c.g, 63) << 5) | q(c.b, 31));
            // A drawn pixel must never turn into the key by rounding.
            if (v == 0xF81F) v = 0xF81E;
            out[i] = v;
        }
    return out;
}

std::vector<unsigned char> Canvas::toRgba() const {
    std::vector<unsigned char> out(size_t(w_) * h_ * 4, 0);
    auto byte = [](float v) { return static_cast<unsigned char>(std::lround(clamp01(v) * 255)); };
    for (int i = 0; i < w_ * h_; ++i) {
        float a = a_[i];
        unsigned char alpha = byte(a);
        if (alpha == 0) continue;
        // Each put() blends towards its colour by its coverage from a start of the matte at
        // no coverage, so the colour holds the matte times (1 - a) plus the premultiplied
        // paint: taking the matte's share out leaves the paint alone.
        Col c = c_[i];
        float keep = 1 - a;
        unsigned char* px = &out[size_t(i) * 4];
        px[0] = byte((c.r - matte_.r * keep) / a / 255);
        px[1] = byte((c.g - matte_.g * keep) / a / 255);
        px[2] = byte((c.b - matte_.b * keep) / a / 255);
        px[3] = alpha;
    }
    return out;
}

namespace {

// Little-endian fields of a BMP file.
struct Bytes {
    std::vector<unsigned char> b;
    void u8(unsigned v) { b.push_back((unsigned char)(v & 0xFF)); }
    void u16(unsigned v) {
        u8(v);
        u8(v >> 8);
    }
    void u32(unsigned v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
};

// The file header and a 40-byte info header for w x h pixels of the given depth, rows stored
// bottom-up, with `extra` bytes (bit masks or palette) between the headers and the pixels.
Bytes bmpHeaders(int w, int h, unsigned bits, unsigned compression, unsigned extra,
                 unsigned colours) {
    const unsigned stride = (unsigned(w) * bits / 8 + 3) & ~3u;
    const unsigned dataOffset = 14 + 40 + extra;
    const unsigned imageSize = stride * unsigned(h);
    Bytes f;
    f.u8('B');
    f.u8('M');
    f.u32(dataOffset + imageSize);
    f.u32(0);
    f.u32(dataOffset);
    f.u32(40);
    f.u32(unsigned(w));
    f.u32(unsigned(h)); // positive height: rows stored bottom-up
    f.u16(1);
    f.u16(bits);
    f.u32(compression);
    f.u32(imageSize);
    f.u32(2835);
    f.u32(2835);
    f.u32(colours);
    f.u32(0);
    return f;
}

} // namespace

bool writeBmp565(const std::string& path, int w, int h, const std::vector<unsigned short>& px) {
    const int stride = (w * 2 + 3) & ~3;
    Bytes f = bmpHeaders(w, h, 16, 3 /* BI_BITFIELDS */, 12, 0);
    f.u32(0xF800);
    f.u32(0x07E0);
    f.u32(0x001F);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x)
            f.u16(px[y * w + x]);
        for (int p = w * 2; p < stride; ++p)
            f.u8(0);
    }
    return writeFile(path, f.b);
}

std::vector<unsigned short> distinctColours(const std::vector<unsigned short>& px) {
    std::vector<unsigned short> colours(px);
    std::sort(colours.begin(), colours.end());
    colours.erase(std::unique(colours.begin(), colours.end()), colours.end());
    return colours;
}

bool writeBmpPalette(const std::string& path, int w, int h, const std::vector<unsigned short>& px) {
    const std::vector<unsigned short> colours = distinctColours(px);
    if (colours.size() > 256) return false;
    const int stride = (w + 3) & ~3;
    Bytes f = bmpHeaders(w, h, 8, 0 /* BI_RGB */, 256 * 4, 256);
    // Each channel widened by repeating its top bits, so that the copy to the 5-6-5 screen,
    // which keeps the top bits, gives back the very pixel painted; magenta stays (255, 0, 255).
    for (size_t i = 0; i < 256; ++i) {
        const unsigned v = i < colours.size() ? colours[i] : 0;
        const unsigned r = v >> 11, g = (v >> 5) & 63, b = v & 31;
        f.u8((b << 3) | (b >> 2));
        f.u8((g << 2) | (g >> 4));
        f.u8((r << 3) | (r >> 2));
        f.u8(0);
    }
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const auto at = std::lower_bound(colours.begin(), colours.end(), px[y * w + x]);
            f.u8(unsigned(at - colours.begin()));
        }
        for (int p = w; p < stride; ++p)
            f.u8(0);
    }
    return writeFile(path, f.b);
}

bool writeFile(const std::string& path, const std::vector<unsigned char>& bytes) {
    FILE* fp = std::fopen(path.c_str(), "wb");
    if (!fp) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), fp) == bytes.size();
    ok = (std::fclose(fp) == 0) && ok;
    return ok;
}

} // namespace art
