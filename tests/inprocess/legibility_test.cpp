// Every text every screen draws lies inside the screen and stands out from what lies under it.
#include <SDL.h>
#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "screens/screens.h"
#include "platform/sdl_globals.h"
#include "screens/flow.h"
#include "sdl_fixture.h"

namespace {

[[maybe_unused]] testing::Environment* const headless =
    testing::AddGlobalTestEnvironment(new HeadlessSdl);

// ---- WCAG 2 contrast ----

double linear(int channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(Rgb c) {
    return 0.2126 * linear(c.r) + 0.7152 * linear(c.g) + 0.0722 * linear(c.b);
}

double contrast(Rgb a, Rgb b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The contrast that at least 95 % of the background pixels under a text reach with its colour:
// the 5th percentile of the per-pixel ratios. A mean would let a small bright spot under light
// text pass; the percentile still lets a few stray pixels (an anti-aliased edge) through.
constexpr double kShareBelowAllowed = 0.05;
constexpr double kMinContrast = 4.5;

// Texts that stand below kMinContrast where the game draws them, each held instead to the ratio
// it has there, so that it can drop no further. Nothing else may join this table without a
// reason of the same kind.
struct Allowance {
    Label label; // the text, its place and colour
    double floor;
    const char* why;
};
constexpr const char* kGivenColours =
    "the orange of every label on the selection's grey fill: both colours are the game's own, "
    "and neither may move to lift the ratio";
const Allowance allowances[] = {
    {selection_labels[1], 4.21, kGivenColours},
    {selection_labels[2], 4.21, kGivenColours},
    {selection_labels[3], 4.21, kGivenColours},
};

double low_percentile(std::vector<double> ratios) {
    std::sort(ratios.begin(), ratios.end());
    return ratios[static_cast<size_t>(kShareBelowAllowed * static_cast<double>(ratios.size()))];
}

// Reference pairs: the ends of the scale, and the greys on white on either side of 4.5:1.
struct ContrastCase {
    const char* name;
    Rgb a, b;
    double ratio;
};

std::ostream& operator<<(std::ostream& os, const ContrastCase& c) {
    return os << c.name;
}

class Contrast : public testing::TestWithParam<ContrastCase> {};

INSTANTIATE_TEST_SUITE_P(
    Wcag, Contrast,
    testing::Values(ContrastCase{"BlackOnWhite", BLACK, WHITE, 21.0},
                    ContrastCase{"WhiteOnBlack", WHITE, BLACK, 21.0},
                    ContrastCase{"SameColour", ORANGE, ORANGE, 1.0},
                    ContrastCase{"Grey118OnWhite", {118, 118, 118}, WHITE, 4.54},
                    ContrastCase{"Grey119OnWhite", {119, 119, 119}, WHITE, 4.48},
                    ContrastCase{"PureGreenOnBlack", {0, 255, 0}, BLACK, 15.3}),
    ByName());

TEST_P(Contrast, MatchesTheReferenceRatio) {
    EXPECT_NEAR(contrast(GetParam().a, GetParam().b), GetParam().ratio, 0.01);
}

// The worst 5 % of the pixels may be anything; one pixel more decides.
TEST(LowPercentile, LetsFivePerCentOfThePixelsBeWorse) {
    std::vector<double> ratios(100, 10.0);
    std::fill(ratios.begin(), ratios.begin() + 5, 1.0);
    EXPECT_EQ(low_percentile(ratios), 10.0);
    ratios[5] = 1.0;
    EXPECT_EQ(low_percentile(ratios), 1.0);
}

// ---- One text as drawn ----

struct Measured {
    std::string text;
    int x, y;
    Rgb colour;
    int w, h;        // the box TTF_SizeText gives with the program's font
    double contrast; // the 5th-percentile ratio over the pixels of the box inside the screen
};

bool inside_screen(const Measured& m) {
    return m.x >= 0 && m.y >= 0 && m.x + m.w <= 320 && m.y + m.h <= 240;
}

// The lowest ratio a text may have where it is drawn: kMinContrast, or its allowance.
const Allowance* allowance_of(const Measured& m) {
    for (const Allowance& a : allowances)
        if (m.text == a.label.text && m.x == a.label.x && m.y == a.label.y &&
            same_colour(m.colour, a.label.colour))
            return &a;
    return nullptr;
}

std::string describe(const Measured& m) {
    char line[256];
    std::snprintf(line, sizeof line, "\"%s\" at %d,%d (%d,%d,%d) box %dx%d: %.2f:1", m.text.c_str(),
                  m.x, m.y, m.colour.r, m.colour.g, m.colour.b, m.w, m.h, m.contrast);
    return line;
}

// The background is the video surface at the moment the screen asks for the text: the drawing
// seam is called before the text is rendered, so the surface holds everything the frame drew
// before it (its picture, the portraits and sprites over it, earlier texts), exactly what the
// text is blended onto, in the screen's own 16-bit colours.
Measured measure(const DrawCall& d) {
    Measured m{d.text, d.x, d.y, {d.r, d.g, d.b}, 0, 0, 0.0};
    if (TTF_SizeText(font, d.text, &m.w, &m.h) != 0) return m;
    std::vector<double> ratios;
    for (int y = std::max(m.y, 0); y < std::min(m.y + m.h, 240); ++y)
        for (int x = std::max(m.x, 0); x < std::min(m.x + m.w, 320); ++x) {
            Uint8 r, g, b;
            SDL_GetRGB(raw_pixel(screen, x, y), screen->format, &r, &g, &b);
            ratios.push_back(contrast(m.colour, {r, g, b}));
        }
    if (!ratios.empty()) m.contrast = low_percentile(std::move(ratios));
    return m;
}

// ---- Running a screen ----

// Each distinct text, place and colour once, with the worst contrast it was drawn with.
class Texts {
  public:
    void add(const DrawCall& d) {
        if (d.kind != DrawCall::Text) return;
        const Measured m = measure(d);
        const auto key = std::make_tuple(m.text, m.x, m.y, m.colour.r, m.colour.g, m.colour.b);
        const auto seen = texts_.find(key);
        if (seen == texts_.end())
            texts_.emplace(key, m);
        else if (m.contrast < seen->second.contrast)
            seen->second = m;
    }
    std::vector<Measured> all() const {
        std::vector<Measured> out;
        for (const auto& entry : texts_)
            out.push_back(entry.second);
        return out;
    }

  private:
    std::map<std::tuple<std::string, int, int, int, int, int>, Measured> texts_;
};

// ---- Every screen that draws text ----

// The help screen is left out: its words are part of its picture, and it draws no text.
struct ScreenCase {
    std::string name;
    Globals start;
    std::vector<Batch> presses; // one batch after each frame: marks moved, then the way out
    std::function<Next()> loop;
};

std::ostream& operator<<(std::ostream& os, const ScreenCase& c) {
    return os << c.name;
}

std::vector<ScreenCase> screen_cases() {
    const Globals start{0, 1, 1, 1};
    // Down three times shows the title's mark at each of its four entries.
    std::vector<ScreenCase> cases = {
        {"Title",
         start,
         {{key_down(KEY_DOWN)}, {key_down(KEY_DOWN)}, {key_down(KEY_DOWN)}, {key_down(KEY_ESCAPE)}},
         title_screen_x},
    };
    // On the selection, L steps the time mark through its three places, Right the opponent mark
    // (with that opponent's card) through all six.
    std::vector<Batch> selection = {{key_down(KEY_L)}, {key_down(KEY_L)}};
    for (int i = 0; i < 5; ++i)
        selection.push_back({key_down(KEY_RIGHT)});
    selection.push_back({key_down(KEY_X)});
    cases.push_back({"QuickGameSelection", start, selection, quick_game_select});
    for (int n = 1; n <= 6; ++n) {
        cases.push_back({"Round" + std::to_string(n), {0, 1, 2, n}, {{key_down(KEY_X)}}, [n] {
                             return round_no(n);
                         }});
        cases.push_back(
            {"GameAgainst" + std::to_string(n), start, {{button_down(BTN_SELECT)}}, [n] {
                 return main_game(n);
             }});
    }
    for (int cropp : {1, 2}) {
        const std::string mode = cropp == 1 ? "QuickGame" : "Tournament";
        cases.push_back(
            {"Win" + mode, {0, 1, cropp, 1}, {{key_down(KEY_B)}}, [] { return you(1); }});
        cases.push_back(
            {"Loss" + mode, {0, 1, cropp, 1}, {{key_down(KEY_B)}}, [] { return you(2); }});
    }
    cases.push_back({"Error", start, {{key_down(KEY_B)}}, error});
    return cases;
}

class Legibility : public FreshStart, public testing::WithParamInterface<ScreenCase> {};

INSTANTIATE_TEST_SUITE_P(EveryScreen, Legibility, testing::ValuesIn(screen_cases()), ByName());

TEST_P(Legibility, EveryTextLiesInsideTheScreenAndStandsOutFromItsBackground) {
    ASSERT_NE(font, nullptr) << "start-up opened no font, so no text can be measured";
    ASSERT_NE(screen, nullptr);
    const ScreenCase& c = GetParam();
    set_globals(c.start);
    Texts seen;
    ScreenDriver driver(c.presses);
    driver.real_pauses = false; // the error screen's flashes need not take their time here
    driver.on_call = [&seen](const DrawCall& d) { seen.add(d); };
    const auto next = driver.run(c.loop);
    ASSERT_TRUE(next) << "the screen did not end on its last press";
    EXPECT_EQ(driver.steps_run(), c.presses.size()) << "the screen ended before all its presses";

    const std::vector<Measured> texts = seen.all();
    ASSERT_FALSE(texts.empty()) << "the screen drew no text";
    for (const Measured& m : texts) {
        std::printf("  %-20s %s\n", c.name.c_str(), describe(m).c_str());
        EXPECT_GT(m.w, 0) << describe(m) << ": the font gives it no width";
        EXPECT_TRUE(inside_screen(m)) << describe(m) << ": the box runs off the 320x240 screen";
        const Allowance* a = allowance_of(m);
        const double floor = a ? a->floor : kMinContrast;
        EXPECT_GE(m.contrast, floor)
            << describe(m) << ": fewer than 95 % of the pixels under it give " << floor << ":1"
            << (a ? std::string(", the floor it keeps for ") + a->why : std::string());
    }
}

} // namespace
