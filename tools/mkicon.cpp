// mkicon: paints the application icon at each size and writes it as an RGBA PNG.
//
// Usage: mkicon OUTDIR
// Writes OUTDIR/16x16.png, OUTDIR/32x32.png and so on, one per size of kSizes.
#include <cstdio>
#include <string>

#include "art.h"
#include "png.h"

using namespace art;

namespace {

// The sizes desktops ask the hicolor theme for most.
const int kSizes[] = {16, 24, 32, 48, 64, 128, 256};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    int failures = 0;
    for (int size : kSizes) {
        Canvas c = appIcon(size);
        std::string path =
            std::string(argv[1]) + "/" + std::to_string(size) + "x" + std::to_string(size) + ".png";
        if (!writePngRgba(path, c.w(), c.h(), c.toRgba())) {
            std::fprintf(stderr, "mkicon: cannot write %s\n", path.c_str());
            ++failures;
        }
    }
    return failures ? 1 : 0;
}
