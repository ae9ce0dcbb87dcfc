// What start-up leaves behind: the screen, the cursor, key repeat, the sound device and the font.
#include <SDL.h>
#include <SDL_mixer.h>
#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <vector>

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

} // namespace
