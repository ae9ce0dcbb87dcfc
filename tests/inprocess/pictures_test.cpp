// Loading pictures: damaged headers count as missing pictures, sound small ones load, and the
// game's own load as listed.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/sdl_globals.h"
#include "sdl_fixture.h"

namespace {

// A 24-bit BMP header (file header and BITMAPINFOHEADER) with the given size fields, followed
// by data_bytes bytes of grey pixels: enough for the rows the header claims, or fewer.
std::vector<std::uint8_t> bmp24(std::int32_t width, std::int32_t height, std::size_t data_bytes) {
    std::vector<std::uint8_t> f(54, 0);
    const auto put = [&f](std::size_t at, std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            f[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    f[0] = 'B';
    f[1] = 'M';
    put(2, static_cast<std::uint32_t>(54 + data_bytes), 4);
    put(10, 54, 4); // pixels start right after the headers
    put(14, 40, 4); // BITMAPINFOHEADER
    put(18, static_cast<std::uint32_t>(width), 4);
    put(22, static_cast<std::uint32_t>(height), 4);
    put(26, 1, 2);  // planes
    put(28, 24, 2); // bits per pixel, no compression
    f.resize(54 + data_bytes, 0x80);
    return f;
}

// Bytes a 24-bit BMP row takes in the file: padded to four.
std::size_t row_bytes(std::int32_t width) {
    return (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
}

struct PictureCase {
    const char* name;
    std::int32_t width, height;
    std::size_t data_bytes;
    bool loads; // whether the picture counts as loaded
    int w, h;   // its size when it does
};

std::ostream& operator<<(std::ostream& os, const PictureCase& c) {
    return os << c.name;
}

const PictureCase cases[] = {
    {"Tiny4x4", 4, 4, 4 * row_bytes(4), true, 4, 4},
    {"TopDown4x4", 4, -4, 4 * row_bytes(4), true, 4, 4},
    {"OneByOne", 1, 1, row_bytes(1), true, 1, 1},
    // -2^31 has no positive counterpart: SDL keeps it negative and allocates nothing.
    {"HeightMinus2To31", 4, INT32_MIN, 4 * row_bytes(4), false, 0, 0},
    {"HeightZero", 4, 0, 0, false, 0, 0},
    {"WidthZero", 0, 4, 16, false, 0, 0},
    {"WidthNegative", -4, 4, 4 * row_bytes(4), false, 0, 0},
    // A row wider than SDL's 16-bit pitch can say: the pitch wraps below the row's bytes.
    {"RowWiderThanThePitch", 30000, 1, row_bytes(30000), false, 0, 0},
    {"RowsCutShort", 4, 4, 2 * row_bytes(4), false, 0, 0},
};

class Loading : public testing::TestWithParam<PictureCase> {
  protected:
    void SetUp() override {
        char dir[] = "/tmp/pictures_test.XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        dir_ = dir;
        file_ = dir_ + "/picture.bmp";
    }
    void TearDown() override {
        std::remove(file_.c_str());
        rmdir(dir_.c_str());
    }
    void write(const std::vector<std::uint8_t>& bytes) {
        std::FILE* f = std::fopen(file_.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
        ASSERT_EQ(std::fclose(f), 0);
    }
    std::string dir_, file_;
};

INSTANTIATE_TEST_SUITE_P(Headers, Loading, testing::ValuesIn(cases),
                         [](const testing::TestParamInfo<PictureCase>& i) { return i.param.name; });

TEST_P(Loading, DamagedHeadersCountAsMissingPictures) {
    const PictureCase& c = GetParam();
    write(bmp24(c.width, c.height, c.data_bytes));
    SDL_Surface* s = load_picture(file_.c_str());
    if (!c.loads) {
        EXPECT_EQ(s, nullptr) << "loaded as " << (s ? s->w : 0) << "x" << (s ? s->h : 0);
        SDL_FreeSurface(s);
        return;
    }
    ASSERT_NE(s, nullptr) << SDL_GetError();
    EXPECT_EQ(s->w, c.w);
    EXPECT_EQ(s->h, c.h);
    // A sound small picture draws what it has into a larger area, and nothing beyond it.
    SDL_Surface* dst = SDL_CreateRGBSurface(0, 16, 16, 16, 0xF800, 0x07E0, 0x001F, 0);
    ASSERT_NE(dst, nullptr);
    SDL_FillRect(dst, nullptr, 0);
    drawSprite(s, dst, 0, 0, 2, 2, 10, 10);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const bool inside = x >= 2 && y >= 2 && x < 2 + c.w && y < 2 + c.h;
            EXPECT_EQ(raw_pixel(dst, x, y) != 0, inside) << "at " << x << "," << y;
        }
    SDL_FreeSurface(dst);
    SDL_FreeSurface(s);
}

TEST(LoadingFiles, AMissingOrEmptyFileLoadsNothing) {
    EXPECT_EQ(load_picture("/nonexistent/picture.bmp"), nullptr);
    EXPECT_EQ(load_picture("/dev/null"), nullptr);
}

// The loader takes the game's list of pictures (platform/pictures.h) at its word: each of data/'s
// pictures goes into its global at the size listed, its magenta see-through exactly when it is
// listed as keyed, and freeing them empties every global again.
TEST(LoadingFiles, TheGamesPicturesLoadIntoTheirGlobalsAsListed) {
    struct Listed {
        const char* file;
        SDL_Surface** global;
        bool keyed;
        int w, h;
    };
    const Listed listed[] = {
#define LISTED(file, global, keyed, w, h) {file, &bmp::global, keyed, w, h},
        GAME_PICTURES(LISTED)
#undef LISTED
    };
    load_bitmaps();
    for (const Listed& p : listed) {
        const SDL_Surface* s = *p.global;
        ASSERT_NE(s, nullptr) << "data/" << p.file << " did not load";
        EXPECT_EQ(s->w, p.w) << p.file;
        EXPECT_EQ(s->h, p.h) << p.file;
        EXPECT_EQ((s->flags & SDL_SRCCOLORKEY) != 0, p.keyed) << p.file;
        if (p.keyed) {
            EXPECT_EQ(s->format->colorkey, SDL_MapRGB(s->format, 255, 0, 255)) << p.file;
        }
    }
    free_bitmaps();
    for (const Listed& p : listed)
        EXPECT_EQ(*p.global, nullptr) << p.file;
}

} // namespace
