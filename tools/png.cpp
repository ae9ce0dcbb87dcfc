// PNG writer: CRC-32 and Adler-32 by hand, pixels in uncompressed ("stored") deflate blocks.
#include "png.h"

#include "canvas.h"

namespace art {

namespace {

using Bytes = std::vector<unsigned char>;

unsigned crc32(const Bytes& b, size_t from) {
    static unsigned table[256];
    static bool ready = false;
    if (!ready) {
        for (unsigned n = 0; n < 256; ++n) {
            unsigned c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
        ready = true;
    }
    unsigned c = 0xFFFFFFFFu;
    for (size_t i = from; i < b.size(); ++i)
        c = table[(c ^ b[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void be32(Bytes& b, unsigned v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        b.push_back((v >> shift) & 0xFF);
}

void chunk(Bytes& out, const char* kind, const Bytes& body) {
    be32(out, unsigned(body.size()));
    size_t start = out.size();
    out.insert(out.end(), kind, kind + 4);
    out.insert(out.end(), body.begin(), body.end());
    be32(out, crc32(out, start));
}

// A zlib stream of stored blocks: bigger than compressed data, but the same bytes from any
// build on any machine, which compressing libraries do not promise across their versions.
Bytes zlibStored(const Bytes& raw) {
    Bytes z = {0x78, 0x01};
    size_t at = 0;
    do {
        size_t n = raw.size() - at < 65535 ? raw.size() - at : 65535;
        bool last = at + n == raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(n & 0xFF);
        z.push_back((n >> 8) & 0xFF);
        z.push_back(~n & 0xFF);
        z.push_back((~n >> 8) & 0xFF);
        z.insert(z.end(), raw.begin() + long(at), raw.begin() + long(at + n));
        at += n;
    } while (at < raw.size());
    unsigned a = 1, b = 0;
    for (unsigned char v : raw) {
        a = (a + v) % 65521;
        b = (b + a) % 65521;
    }
    be32(z, (b << 16) | a);
    return z;
}

} // namespace

bool writePngRgba(const std::string& path, int w, int h, const std::vector<unsigned char>& rgba) {
    if (w <= 0 || h <= 0 || rgba.size() != size_t(w) * size_t(h) * 4) return false;
    Bytes raw;
    raw.reserve(size_t(h) * (1 + size_t(w) * 4));
    for (int y = 0; y < h; ++y) {
        raw.push_back(0); // no filter: it would only help a compressor
        auto row = rgba.begin() + long(y) * w * 4;
        raw.insert(raw.end(), row, row + long(w) * 4);
    }
    Bytes header;
    be32(header, unsigned(w));
    be32(header, unsigned(h));
    header.insert(header.end(), {8, 6, 0, 0, 0}); // 8 bits, RGBA, deflate, no filter, no interlace
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    chunk(png, "IHDR", header);
    chunk(png, "IDAT", zlibStored(raw));
    chunk(png, "IEND", {});
    return writeFile(path, png);
}

} // namespace art
