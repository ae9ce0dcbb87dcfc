// A small PNG writer for the art generator: 8-bit RGBA, stored deflate blocks, no library.
#pragma once

#include <string>
#include <vector>

namespace art {

// Writes w x h pixels, four bytes each (red, green, blue, straight alpha), row by row from the
// top. The file depends on nothing but the pixels, so it is byte for byte reproducible.
bool writePngRgba(const std::string& path, int w, int h, const std::vector<unsigned char>& rgba);

} // namespace art
