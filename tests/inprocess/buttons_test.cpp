// The button map: a device's raw joystick buttons and hat as the handheld's controls.
#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

#include "sdl_fixture.h"

namespace {

[[maybe_unused]] testing::Environment* const headless =
    testing::AddGlobalTestEnvironment(new HeadlessSdl);

// ---- Reading a map ----

struct MapText {
    const char* name;
    const char* text;
    bool good;
    const char* bad; // the entry a damaged map is reported by
};

// The pad of a typical handheld as the port managers' gamecontrollerdb.txt describes it, in
// the game's names.
const char TYPICAL[] =
    "b:b0,a:b1,x:b2,y:b3,l:b4,r:b5,select:b8,start:b9,up:b13,down:b14,left:b15,right:b16";
const char HAT_DPAD[] =
    "b:b0,a:b1,x:b2,y:b3,l:b4,r:b5,select:b8,start:b9,up:h0.1,right:h0.2,down:h0.4,left:h0.8";

const MapText map_texts[] = {
    {"TypicalPad", TYPICAL, true, ""},
    {"DpadAsHat", HAT_DPAD, true, ""},
    {"None", "none", true, ""},
    {"Show", "show", true, ""},
    {"SomeControlsOnly", "a:b1,start:b255", true, ""},
    {"UnknownControl", "a:b1,home:b10", false, "home:b10"},
    {"ControlNamedTwice", "a:b1,a:b2", false, "a:b2"},
    {"RawButtonServesTwo", "a:b1,b:b1", false, "b:b1"},
    {"HatDirectionServesTwo", "up:h0.1,down:h0.1", false, "down:h0.1"},
    {"ButtonPast255", "a:b256", false, "a:b256"},
    {"ButtonNotANumber", "a:bx", false, "a:bx"},
    {"NegativeButton", "a:b-1", false, "a:b-1"},
    {"NoSource", "a:", false, "a:"},
    {"NoColon", "a", false, "a"},
    {"HatDiagonal", "up:h0.3", false, "up:h0.3"},
    {"SecondHat", "up:h1.1", false, "up:h1.1"},
    {"AxisSource", "up:-a1", false, "up:-a1"},
    {"EmptyEntry", "a:b1,,b:b0", false, ""},
    {"TrailingComma", "a:b1,", false, ""},
    {"CapitalName", "A:b1", false, "A:b1"},
    {"NoneAmongEntries", "none,a:b1", false, "none"},
    {"Blank", " a:b1", false, " a:b1"},
};

class ReadMap : public testing::TestWithParam<MapText> {};
INSTANTIATE_TEST_SUITE_P(Texts, ReadMap, testing::ValuesIn(map_texts), ByName());

TEST_P(ReadMap, TakesAWholeMapOrNamesItsFirstBadEntry) {
    const MapText& c = GetParam();
    // A map read before: a damaged one must leave it as it was.
    ButtonMap map;
    std::string bad = "unset";
    ASSERT_TRUE(read_button_map("x:b7", map, bad));
    EXPECT_TRUE(bad.empty());
    EXPECT_EQ(read_button_map(c.text, map, bad), c.good);
    EXPECT_EQ(bad, c.bad);
    if (!c.good) {
        EXPECT_EQ(map.kind, ButtonMap::Mapped);
        EXPECT_EQ(mapped_button(map, 7), BTN_X);
    }
}

// ---- What a device's events become ----

SDL_Event hat_to(int value) {
    SDL_Event e{};
    e.type = SDL_JOYHATMOTION;
    e.jhat.type = SDL_JOYHATMOTION;
    e.jhat.hat = 0;
    e.jhat.value = static_cast<Uint8>(value);
    return e;
}

// What the screens are handed: "B13" a button of that handheld number, "K32" a key, "-"
// anything else.
std::string inputs_of(const Batch& events) {
    push(events);
    std::string out;
    Input in;
    while (poll_input(in)) {
        if (!out.empty()) out += " ";
        if (in.kind == Input::Button)
            out += "B" + std::to_string(in.code);
        else if (in.kind == Input::Key)
            out += "K" + std::to_string(in.code);
        else
            out += "-";
    }
    return out;
}

struct Through {
    const char* name;
    const char* map; // nullptr: no map, the handheld's own numbers
    Batch events;    // every case leaves the hat centred, as it found it
    const char* inputs;
};

const Through cases[] = {
    // The handheld's own numbers: every raw button as it is, and the hat is no control.
    {"NoMapButtonsKeepTheirNumbers",
     nullptr,
     {button_down(0), button_down(8), button_down(13), button_down(16), button_up(13)},
     "B0 B8 B13 B16 -"},
    {"NoMapHatDoesNothing", nullptr, {hat_to(SDL_HAT_UP), hat_to(SDL_HAT_CENTERED)}, "- -"},
    // A typical pad: each labelled button does what its letter does; START is START and SELECT
    // is SELECT; buttons the map does not name do nothing at all.
    {"TypicalPadLetters",
     TYPICAL,
     {button_down(0), button_down(1), button_down(2), button_down(3), button_down(4),
      button_down(5)},
     "B13 B12 B14 B15 B10 B11"},
    {"TypicalPadStartSelectAndDpad",
     TYPICAL,
     {button_down(9), button_down(8), button_down(13), button_down(14), button_down(15),
      button_down(16)},
     "B8 B9 B0 B4 B2 B6"},
    {"TypicalPadUnnamedButtonsDoNothing",
     TYPICAL,
     {button_down(6), button_down(7), button_down(10), button_down(12), button_down(17),
      button_down(255), button_up(0)},
     "- - - - - - -"},
    {"TypicalPadKeysStayKeys", TYPICAL, {key_down(KEY_SPACE), key_down(KEY_B)}, "K32 K98"},
    // A D-pad that is a hat: a press is a direction newly pointed to; back to the centre, or
    // still pointing, is none; a diagonal presses its two directions.
    {"HatEachDirection",
     HAT_DPAD,
     {hat_to(SDL_HAT_UP), hat_to(SDL_HAT_CENTERED), hat_to(SDL_HAT_RIGHT), hat_to(SDL_HAT_CENTERED),
      hat_to(SDL_HAT_DOWN), hat_to(SDL_HAT_CENTERED), hat_to(SDL_HAT_LEFT),
      hat_to(SDL_HAT_CENTERED)},
     "B0 - B6 - B4 - B2 -"},
    {"HatDiagonalPressesBoth",
     HAT_DPAD,
     {hat_to(SDL_HAT_LEFTUP), hat_to(SDL_HAT_CENTERED)},
     "B0 B2 -"},
    {"HatRollingOnPressesOnlyTheNewDirection",
     HAT_DPAD,
     {hat_to(SDL_HAT_UP), hat_to(SDL_HAT_RIGHTUP), hat_to(SDL_HAT_RIGHT), hat_to(SDL_HAT_CENTERED)},
     "B0 B6 - -"},
    {"HatButtonsStillMapped", HAT_DPAD, {button_down(1), button_down(13)}, "B12 -"},
    // A hat the map names none of does nothing, nor do directions it leaves out.
    {"HatUnnamedDirectionsDoNothing",
     "up:h0.1",
     {hat_to(SDL_HAT_DOWN), hat_to(SDL_HAT_LEFTUP), hat_to(SDL_HAT_CENTERED)},
     "- B0 -"},
    {"ButtonMapIgnoresTheHat", TYPICAL, {hat_to(SDL_HAT_UP), hat_to(SDL_HAT_CENTERED)}, "- -"},
    // "none": the joystick says nothing; a key mapper's keys do the work.
    {"NoneIgnoresButtonsAndHat",
     "none",
     {button_down(0), button_down(13), hat_to(SDL_HAT_UP), hat_to(SDL_HAT_CENTERED)},
     "- - - -"},
    {"NoneKeepsKeys",
     "none",
     {key_down(KEY_X), button_down(14), key_down(KEY_ESCAPE)},
     "K120 - K27"},
};

// Each test starts with an empty queue and leaves the handheld's own numbers behind it.
class MapFixture : public testing::Test {
  protected:
    void SetUp() override { take_queue(); }
    void TearDown() override {
        take_queue();
        on_queue_empty = nullptr;
        button_map = ButtonMap();
    }
};

class ThroughMap : public MapFixture, public testing::WithParamInterface<Through> {};
INSTANTIATE_TEST_SUITE_P(Events, ThroughMap, testing::ValuesIn(cases), ByName());

TEST_P(ThroughMap, EachEventIsTheControlTheMapGivesIt) {
    const Through& c = GetParam();
    std::string bad;
    if (c.map) {
        ASSERT_TRUE(read_button_map(c.map, button_map, bad)) << bad;
    }
    EXPECT_EQ(inputs_of(c.events), c.inputs) << describe(c.events);
}

// A wait is for a press of the handheld: a raw button the map names nothing for is none, and
// the wait goes on past it to the press that comes after (fed when the queue runs dry; had the
// unnamed buttons ended it, that press would be left in the queue).
TEST_F(MapFixture, UnnamedButtonsDoNotEndAWait) {
    std::string bad;
    ASSERT_TRUE(read_button_map(TYPICAL, button_map, bad));
    push({button_down(6), button_down(7), button_up(6)});
    on_queue_empty = [] {
        on_queue_empty = nullptr;
        push({button_down(0)});
    };
    EXPECT_TRUE(WaitForKey());
    EXPECT_EQ(describe(take_queue()), "[]");
}

// "show" writes each raw press of the joystick on standard error, so that a player can read off
// what each button of a pad sends; a hat's return to the centre is no press.
TEST_F(MapFixture, ShowWritesEachRawPress) {
    std::string bad;
    ASSERT_TRUE(read_button_map("show", button_map, bad));
    std::fflush(stderr);
    const int saved = dup(2);
    std::FILE* caught = std::tmpfile();
    ASSERT_TRUE(caught && saved >= 0);
    dup2(fileno(caught), 2);
    const std::string inputs =
        inputs_of({button_down(3), button_up(3), button_down(16), hat_to(SDL_HAT_RIGHT),
                   hat_to(SDL_HAT_CENTERED), key_down(KEY_B)});
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    std::rewind(caught);
    std::string written;
    for (int c; (c = std::fgetc(caught)) != EOF;)
        written += static_cast<char>(c);
    std::fclose(caught);
    EXPECT_EQ(inputs, "B3 - B16 - - K98");
    EXPECT_EQ(written, "joystick button b3\njoystick button b16\njoystick hat h0.2\n");
}

} // namespace
