// What start-up leaves behind: the screen, the cursor, key repeat, the sound device and the font.
#include <SDL.h>
#include <SDL_mixer.h>
#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <set>
#include <vector>

#include "game/rules.h"
#include "platform/sdl_globals.h"
#include "sdl_fixture.h"

namespace {

[[maybe_unused]] testing::Environment* const headless =
    testing::AddGlobalTestEnvironment(new HeadlessSdl);

// ---- Values SDL reports, each against the one the game asks for ----

struct AudioSpec {
    bool open;
    int frequency;
    Uint16 format;
    int channels;
};
AudioSpec audio_spec() {
    AudioSpec a{};
    a.open = Mix_QuerySpec(&a.frequency, &a.format, &a.channels) != 0;
    return a;
}

// The flag each library sets on its dummy driver's video surface whatever was asked for:
// classic SDL SDL_NOFRAME, sdl12-compat SDL_PREALLOC (the pixels are those of SDL2's surface).
// Classic SDL numbers its releases up to 1.2.15, sdl12-compat from 1.2.50 on. Both dummy drivers
// keep no other flag of a request than SDL_FULLSCREEN, so that is the one a wrong request can show
// here.
Uint32 library_own_flags() {
    return SDL_Linked_Version()->patch >= 50 ? SDL_PREALLOC : SDL_NOFRAME;
}

int key_repeat_delay() {
    int delay = -1, interval = -1;
    SDL_GetKeyRepeat(&delay, &interval);
    return delay;
}

// Wide enough for every value below: a surface's flags reach bit 31 (SDL_FULLSCREEN), which a
// 32-bit long, as on 32-bit ARM, would turn negative.
using Value = long long;

struct StateCase {
    const char* name;
    bool of_sound;   // a closed sound device reports nothing, so it must be open first
    Value (*read)(); // the value as SDL reports it once start-up is done
    Value expected;
    const char* meaning;
};

std::ostream& operator<<(std::ostream& os, const StateCase& c) {
    return os << c.name;
}

const StateCase state_cases[] = {
    {"ScreenWidth", false, [] { return Value{screen->w}; }, 320,
     "the handheld's screen is 320 wide"},
    {"ScreenHeight", false, [] { return Value{screen->h}; }, 240, "and 240 high"},
    {"ScreenBitsPerPixel", false, [] { return Value{screen->format->BitsPerPixel}; }, 16,
     "every picture and colour is drawn as 16-bit pixels"},
    {"ScreenFlags", false, [] { return Value{screen->flags & ~library_own_flags()}; }, 0,
     "a plain software surface, asked for with no flags"},
    {"CursorShown", false, [] { return Value{SDL_ShowCursor(SDL_QUERY)}; }, 0,
     "the handheld has no mouse, and a cursor would sit over the frame"},
    // A held key must place one ball, not a row of them.
    {"KeyRepeatDelay", false, [] { return Value{key_repeat_delay()}; }, 0, "key repeat is off"},
    {"AudioFrequency", true, [] { return Value{audio_spec().frequency}; }, 22050, "22,050 Hz"},
    {"AudioFormat", true, [] { return Value{audio_spec().format}; }, 0x8010,
     "signed 16-bit little-endian samples (AUDIO_S16LSB)"},
    {"AudioChannels", true, [] { return Value{audio_spec().channels}; }, 2, "stereo"},
};

class StartUpState : public testing::TestWithParam<StateCase> {};

INSTANTIATE_TEST_SUITE_P(Leaves, StartUpState, testing::ValuesIn(state_cases), ByName());

TEST_P(StartUpState, IsWhatTheGameAsksFor) {
    const StateCase& c = GetParam();
    ASSERT_NE(screen, nullptr) << "start-up opened no video surface";
    if (c.of_sound) {
        ASSERT_TRUE(audio_spec().open) << "start-up left no sound device open on SDL's dummy "
                                          "driver";
    }
    EXPECT_EQ(c.read(), c.expected) << c.meaning;
}

// ---- The font's size ----

// SDL_ttf 2.0 tells no font's size, so a font is known by what it measures: its lines and the
// boxes of a few texts. These change with every point of size.
struct FontMeasures {
    int height, ascent, descent, line_skip;
    std::vector<int> widths, heights;

    bool operator==(const FontMeasures& o) const {
        return height == o.height && ascent == o.ascent && descent == o.descent &&
               line_skip == o.line_skip && widths == o.widths && heights == o.heights;
    }
    bool operator!=(const FontMeasures& o) const { return !(*this == o); }
};

std::ostream& operator<<(std::ostream& os, const FontMeasures& m) {
    os << "height " << m.height << ", ascent " << m.ascent << ", descent " << m.descent
       << ", line skip " << m.line_skip << ", texts";
    for (size_t i = 0; i < m.widths.size(); ++i)
        os << " " << m.widths[i] << "x" << m.heights[i];
    return os;
}

FontMeasures measures(TTF_Font* f) {
    FontMeasures m{
        TTF_FontHeight(f), TTF_FontAscent(f), TTF_FontDescent(f), TTF_FontLineSkip(f), {}, {}};
    for (const char* text : {"W", "m", "0", "Quick Game", "Please choose your opponent!",
                             "255 (=Smartest being known in existence)"}) {
        int w = -1, h = -1;
        TTF_SizeText(f, text, &w, &h);
        m.widths.push_back(w);
        m.heights.push_back(h);
    }
    return m;
}

constexpr const char* font_file = "data/font.ttf";
constexpr int font_points = 8;

using FontPtr = std::unique_ptr<TTF_Font, decltype(&TTF_CloseFont)>;

// The file opened afresh at that size, kerned as the game's font is, so that only the size
// can set the two apart.
FontPtr reference_font(int points) {
    FontPtr f(TTF_OpenFont(font_file, points), TTF_CloseFont);
    if (f && font) TTF_SetFontKerning(f.get(), TTF_GetFontKerning(font));
    return f;
}

TEST(StartUpFont, IsTheGamesFileAtItsSizeAndNoOther) {
    ASSERT_NE(font, nullptr) << "start-up opened no font from " << font_file;
    const FontPtr at_size = reference_font(font_points);
    ASSERT_TRUE(at_size) << font_file << " does not open at " << font_points << " points";
    const FontMeasures want = measures(at_size.get());
    EXPECT_EQ(measures(font), want)
        << "the font does not measure as " << font_file << " at " << font_points << " points";

    // The sizes a slip would give are each told apart from the game's by these measures.
    for (int points : {7, 9, 10}) {
        SCOPED_TRACE(testing::Message() << points << " points");
        const FontPtr other = reference_font(points);
        ASSERT_TRUE(other) << font_file << " does not open";
        const FontMeasures got = measures(other.get());
        EXPECT_NE(got, want) << "the measures cannot tell " << points << " points from "
                             << font_points;
    }
}

// ---- The seed start-up gives rand ----

// The seed is the time's low 32 bits, so each second has its own wherever the clock stands:
// before 1970, across the end of a 32-bit time_t in 2038 and across 2106, on 32-bit and 64-bit
// machines alike.
TEST(Seed, IsTheTimesLow32BitsForAnyTime) {
    const struct {
        long long seconds;
        unsigned seed;
    } cases[] = {
        {0, 0u},
        {1767225600, 1767225600u},   // 2026-01-01, as the plain cast of time() gave it
        {2147483647, 0x7FFFFFFFu},   // 2038-01-19 03:14:07, a 32-bit time_t's last second
        {2147483648LL, 0x80000000u}, // one second later
        {4294967295LL, 0xFFFFFFFFu}, // 2106-02-07 06:28:15
        {4294967296LL, 0u},          // one second later the seeds go round
        {4294967296LL + 1767225600, 1767225600u},
        {-1, 0xFFFFFFFFu},     // 1969-12-31 23:59:59
        {-86400, 0xFFFEAE80u}, // 1969-12-31 00:00:00: 2^32 - 86400
        {LLONG_MIN, 0u},
        {LLONG_MAX, 0xFFFFFFFFu},
    };
    for (const auto& c : cases)
        EXPECT_EQ(seed_for_time(c.seconds), c.seed) << c.seconds << " s";
}

TEST(Seed, SecondsInARowGiveSeedsInARow) {
    // Before 1970, at 2038, at 2106, and at the end of 9999.
    for (long long start : {-5LL, 2147483640LL, 4294967290LL, 253402300790LL})
        for (long long t = start; t < start + 10; ++t)
            EXPECT_EQ(seed_for_time(t + 1), seed_for_time(t) + 1u) << t << " s";
}

// A clock that failed past 2038 would seed every run alike; past it the codes still change.
TEST(Seed, RunsPast2038DrawDifferentCodes) {
    std::set<std::vector<int>> codes;
    for (long long t = 2147483600LL; t < 2147483700LL; ++t) {
        std::srand(seed_for_time(t));
        Game g;
        new_game(g, 5);
        codes.emplace(g.code, g.code + HOLES);
    }
    EXPECT_GT(codes.size(), 80u) << "100 seconds around 2038 drew too few different codes";
}

// rand is the C library's, and the seed 32 bits wide, on every machine the game is built for: a
// time draws the same codes on x86-64 as on 32-bit and 64-bit ARM.
TEST(Seed, ATimeDrawsTheSameCodesOnEveryMachine) {
    std::srand(seed_for_time(1767225600)); // 2026-01-01
    std::vector<std::vector<int>> got;
    for (int op = 1; op <= COLOURS; ++op) {
        Game g;
        new_game(g, op);
        got.emplace_back(g.code, g.code + HOLES);
    }
    const std::vector<std::vector<int>> want = {{1, 1, 1, 5}, {5, 5, 4, 1}, {6, 6, 5, 2},
                                                {3, 3, 3, 3}, {6, 3, 6, 3}, {3, 6, 1, 5}};
    EXPECT_EQ(got, want);
}

} // namespace
