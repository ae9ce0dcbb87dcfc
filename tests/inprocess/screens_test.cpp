// The title, help, Quick Game selection, round, result and error screens driven in-process.
#include <SDL.h>
#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <optional>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "screens/screens.h"
#include "layout.h"
#include "platform/platform.h"
#include "screens/flow.h"
#include "sdl_fixture.h"
#include "text_cover.h"

namespace {

// ---- Start-up, once per process ----

[[maybe_unused]] testing::Environment* const headless =
    testing::AddGlobalTestEnvironment(new HeadlessSdl);

using Screens = FreshStart;

// A text of the layout table, as recorded.
Call text_of(const Label& l) {
    return text_at(l.text, l.x, l.y, l.colour);
}

// A full-screen fill, as recorded.
Call fill_with(Rgb c) {
    return {DrawCall::Fill, "", nullptr, 0, 0, 0, 0, c, {}};
}

// ---- The opponents as the menus must show them ----

struct SecondLine {
    const char* text; // null: no second line
    Rgb colour;
    int round_y; // on the round screen
};

struct Card {
    const char* name;
    const char* time;
    const char* iq_round;
    const char* iq_selection;
    const char* comment_round;
    const char* comment_selection;
    SecondLine second_round;
    SecondLine second_selection;
};

constexpr SecondLine no_line{nullptr, {0, 0, 0}, 0};

const Card cards[6] = {
    {"Borin Quastle",
     "2:00",
     "75 (=Chimpanzee)",
     "75 (=Chimpanzee)",
     "Borin Quastle != Chimpanzee :@",
     "Borin Quastle != Chimpanzee  :@",
     no_line,
     {"(Well, that is what he's saying....)", WHITE, 0}},
    {"Wenna Pollsby",
     "2:00",
     "100 (=Fit chick ^^)",
     "100 (=Fit chick ^^)",
     "wubu2? c u ltr ... @%$!#!#@",
     "wubu2? c u ltr ... @%$!#!#@",
     {"(Her nail broke. Truly sad.)", WHITE, 79},
     {"(Her nail broke. Truly sad.)", WHITE, 0}},
    {"Tovi 'GlimRat'", "1:30", "125 (=Normal human being)", "125 (=Normal human being)",
     "l33t h4xx0rz attack!", "l33t h4xx0rz attack!", no_line, no_line},
    {"Jory Vandle", "1:30", "150 (=Smartass ><)", "150 (=Smartass ><}", "BALD! BALD!",
     "BALD! BALD!", no_line, no_line},
    {"Hollis Quibbleton", "1:00", "175 (=Something smells fishy ><)",
     "175 (=Something smells fishy ><)", "e = mc2 (yawn)", "e = mc^2 (yawn)", no_line, no_line},
    {"'Zebrolt'",
     "1:00",
     "255 (=Smartest being known in existence)",
     "255 (=Smartest being known in existence)",
     "Please note that I'm IRL much more fitter",
     "Please note that I'm IRL much more fitter",
     {"then on the pixelated thingy.", PINK, 77},
     {"then on the pixelated thingy.", PINK, 0}},
};

// ---- Expected frames ----

std::vector<Call> title_frame(int marked) {
    std::vector<Call> f = {sprite_at(bmp::title, 0, 0, 320, 240)};
    for (int y : title_entry_y)
        f.push_back(text_at("-", title_bullet_x, y, CYAN));
    for (int i = 0; i < 4; ++i)
        f.push_back(text_at(title_entries[i], title_entry_x, title_entry_y[i], WHITE));
    f.push_back(title_mark(marked));
    f.push_back(flip());
    return f;
}

std::vector<Call> help_frame() {
    return {sprite_at(bmp::help, 0, 0, 320, 240), flip()};
}

// Opponent 1..6 marked, time entry 1..3 ("1:00", "1:30", "2:00") marked.
std::vector<Call> selection_frame(int marked, int time_entry) {
    // The heading, the portraits and the logo, then the captions.
    std::vector<Call> f = {fill_with(GREY), text_of(selection_labels[0])};
    for (int i = 0; i < 6; ++i)
        f.push_back(menu_portrait(i + 1, selection_portrait_x[i], selection_portrait_y[i]));
    f.push_back(sprite_at(bmp::quickie, 90, 20, 139, 33));
    for (size_t i = 1; i < std::size(selection_labels); ++i)
        f.push_back(text_of(selection_labels[i]));
    for (int x : selection_bullet_x)
        f.push_back(text_at("-", x, selection_bullet_y, CYAN));
    for (int y : time_y)
        f.push_back(text_at("-", time_bullet_x, y, CYAN));
    for (int i = 0; i < 3; ++i)
        f.push_back(text_at(times[i], time_x, time_y[i], WHITE));
    f.push_back(sprite_at(bmp::x_totitle, 1, 1, 19, 9));
    f.push_back(sprite_at(bmp::r_time, 290, 1, 29, 15));
    f.push_back(text_at("[ ]", time_mark_x, time_y[time_entry - 1], WHITE));
    const Card& c = cards[marked - 1];
    f.push_back(selection_mark(marked));
    f.push_back(text_at(c.name, 105, 150, WHITE));
    f.push_back(text_at(c.iq_selection, marked == 6 ? 100 : 105, 162, WHITE));
    f.push_back(text_at(c.comment_selection, 105, 174, PINK));
    if (c.second_selection.text)
        f.push_back(text_at(c.second_selection.text, 105, 184, c.second_selection.colour));
    f.push_back(flip());
    return f;
}

std::vector<Call> round_frame(int n) {
    const Card& c = cards[n - 1];
    std::vector<Call> f = {sprite_at(bmp::round, 0, 0, 320, 240),
                           sprite_at(bmp::x_totitle, 1, 1, 19, 9)};
    for (const Label& l : round_labels)
        f.push_back(text_of(l));
    f.push_back(round_number(n));
    f.push_back(menu_portrait(n, round_portrait_x, round_portrait_y));
    f.push_back(text_at(c.comment_round, 70, 67, PINK));
    if (c.second_round.text)
        f.push_back(
            text_at(c.second_round.text, 70, c.second_round.round_y, c.second_round.colour));
    f.push_back(text_at(c.name, 105, 120, WHITE));
    f.push_back(text_at(c.iq_round, 105, 132, WHITE));
    f.push_back(text_at(c.time, 105, 144, WHITE));
    f.push_back(flip());
    return f;
}

// ---- Pictures ----

TEST(ScreenPictures, EveryPictureTheScreensDrawIsLoadedAndDistinct) {
    EXPECT_TRUE(pictures_loaded_and_distinct());
}

// ---- Title menu ----

using TitleMenu = Screens;

TEST_F(TitleMenu, FirstFrameMarksQuickGame) {
    ScreenDriver d({{key_down(KEY_ESCAPE)}});
    const auto next = d.run(title_screen_x);
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, (Next{Go::Exit}));
    ASSERT_FALSE(d.frames().empty());
    EXPECT_TRUE(same_calls(d.frames()[0].calls, title_frame(0)));
    // Nothing moved the mark, so every frame drawn is the same.
    for (const ScreenDriver::Frame& f : d.frames())
        EXPECT_TRUE(same_calls(f.calls, title_frame(0)));
    EXPECT_EQ(what, 0);
}

TEST_F(TitleMenu, EveryPassRedrawsWithTheMarkWhereWhatIs) {
    // Down three times wraps from Quit to Quick Game; up from there wraps to Quit.
    ScreenDriver d({{key_down(KEY_DOWN)},
                    {key_down(KEY_DOWN)},
                    {key_down(KEY_DOWN)},
                    {key_down(KEY_DOWN)},
                    {key_down(KEY_UP)},
                    {button_down(BTN_UP)},
                    {key_down(KEY_ESCAPE)}});
    const auto next = d.run(title_screen_x);
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, (Next{Go::Exit}));
    const int marked_after[] = {0, 1, 2, 3, 0, 3, 2};
    for (size_t i = 0; i < std::size(marked_after); ++i) {
        const ScreenDriver::Frame* f = d.frame_after(i);
        ASSERT_NE(f, nullptr) << "no frame after batch " << i;
        EXPECT_TRUE(same_calls(f->calls, title_frame(marked_after[i]))) << "after batch " << i;
    }
    EXPECT_EQ(what, 2);
}

struct TitleCase {
    const char* name;
    int what_before, round_before;
    std::vector<Batch> batches;
    Next want;
    int what_after, round_after;
};

void PrintTo(const TitleCase& c, std::ostream* os) {
    *os << c.name;
}

class TitleBindings : public Screens, public testing::WithParamInterface<TitleCase> {};

TEST_P(TitleBindings, LeadWhereTheMenuSays) {
    const TitleCase& c = GetParam();
    set_globals({c.what_before, 4, 2, c.round_before});
    ScreenDriver d(c.batches);
    const auto next = d.run(title_screen_x);
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, c.want);
    EXPECT_EQ(d.steps_run(), c.batches.size()) << "returned before all presses were fed";
    EXPECT_TRUE(globals_are({c.what_after, 4, 2, c.round_after}));
    EXPECT_TRUE(take_queue().empty()) << "presses left queued";
}

const Batch unbound_on_title = {
    key_down(KEY_LEFT),    key_down(KEY_RIGHT),    key_down(KEY_A),        key_down(KEY_B),
    key_down(KEY_X),       key_down(KEY_L),        key_down(KEY_R),        key_down(KEY_Y),
    button_down(BTN_LEFT), button_down(BTN_RIGHT), button_down(BTN_START), button_down(BTN_SELECT),
    button_down(BTN_L),    button_down(BTN_R),     button_down(BTN_A),     button_down(BTN_X),
    button_down(BTN_Y),    key_up(KEY_SPACE),      key_up(KEY_UP),         button_up(BTN_B),
    axis_motion(),
};

Batch with_escape(Batch b) {
    b.push_back(key_down(KEY_ESCAPE));
    return b;
}

INSTANTIATE_TEST_SUITE_P(
    Screens, TitleBindings,
    testing::Values(
        TitleCase{"UpKeyWrapsFromQuickGameToQuit",
                  0,
                  1,
                  {{key_down(KEY_UP), key_down(KEY_ESCAPE)}},
                  {Go::Exit},
                  3,
                  1},
        TitleCase{"DownKeyWrapsFromQuitToQuickGame",
                  3,
                  1,
                  {{key_down(KEY_DOWN), key_down(KEY_ESCAPE)}},
                  {Go::Exit},
                  0,
                  1},
        TitleCase{"UpButtonMovesUp",
                  1,
                  1,
                  {{button_down(BTN_UP), key_down(KEY_ESCAPE)}},
                  {Go::Exit},
                  0,
                  1},
        TitleCase{"DownButtonMovesDown",
                  2,
                  1,
                  {{button_down(BTN_DOWN), key_down(KEY_ESCAPE)}},
                  {Go::Exit},
                  3,
                  1},
        TitleCase{"DownButtonWrapsFromQuit",
                  3,
                  1,
                  {{button_down(BTN_DOWN), key_down(KEY_ESCAPE)}},
                  {Go::Exit},
                  0,
                  1},
        TitleCase{"SpaceOnQuickGameOpensTheSelection",
                  0,
                  3,
                  {{key_down(KEY_SPACE)}},
                  {Go::QuickGame},
                  0,
                  3},
        TitleCase{"ButtonBOnQuickGameOpensTheSelection",
                  0,
                  3,
                  {{button_down(BTN_B)}},
                  {Go::QuickGame},
                  0,
                  3},
        TitleCase{
            "SpaceOnTournamentStartsRoundOne", 1, 4, {{key_down(KEY_SPACE)}}, {Go::Round, 1}, 1, 1},
        TitleCase{"ButtonBOnTournamentStartsRoundOne",
                  1,
                  6,
                  {{button_down(BTN_B)}},
                  {Go::Round, 1},
                  1,
                  1},
        TitleCase{"SpaceOnQuitQuits", 3, 2, {{key_down(KEY_SPACE)}}, {Go::Quit}, 3, 2},
        TitleCase{"ButtonBOnQuitQuits", 3, 2, {{button_down(BTN_B)}}, {Go::Quit}, 3, 2},
        TitleCase{"MovesAndActivateInOneBatch",
                  1,
                  1,
                  {{key_down(KEY_DOWN), key_down(KEY_UP), key_down(KEY_DOWN), key_down(KEY_DOWN),
                    key_down(KEY_SPACE)}},
                  {Go::Quit},
                  3,
                  1},
        TitleCase{"MovesOverSeveralPasses",
                  0,
                  1,
                  {{key_down(KEY_DOWN)},
                   {button_down(BTN_DOWN)},
                   {key_down(KEY_DOWN)},
                   {key_down(KEY_SPACE)}},
                  {Go::Quit},
                  3,
                  1},
        TitleCase{
            "UnboundPressesDoNothing", 1, 5, {with_escape(unbound_on_title)}, {Go::Exit}, 1, 5},
        TitleCase{"EscapeAloneExits", 1, 1, {{key_down(KEY_ESCAPE)}}, {Go::Exit}, 1, 1},
        TitleCase{"MoveQueuedBehindEscapeStillCounts",
                  0,
                  1,
                  {{key_down(KEY_ESCAPE), key_down(KEY_DOWN)}},
                  {Go::Exit},
                  1,
                  1},
        TitleCase{"ActivateQueuedBehindEscapeStillCounts",
                  0,
                  1,
                  {{key_down(KEY_ESCAPE), key_down(KEY_SPACE)}},
                  {Go::QuickGame},
                  0,
                  1},
        TitleCase{
            "HelpQueuedBehindEscapeThenExit",
            0,
            1,
            {{key_down(KEY_ESCAPE), key_down(KEY_DOWN), key_down(KEY_DOWN), key_down(KEY_SPACE)},
             {key_down(KEY_A)}},
            {Go::Exit},
            2,
            1}),
    ByName());

// ---- Help, from each place it opens from ----

// A game's frame against the opponent with the first balls of row 1 placed (colours 1..6), no row
// full: the background, the opponent's portrait, the label, the balls.
std::vector<Call> game_frame(int opponent, const std::vector<int>& placed) {
    const Portrait& p = portraits[opponent - 1];
    std::vector<Call> f = {sprite_at(bmp::main_scr, 0, 0, 320, 240),
                           sprite_at(*p.bitmap, p.game_x, game_portrait_y, p.game_w, p.game_h),
                           text_of(board_label)};
    for (size_t h = 0; h < placed.size(); ++h) {
        const SDL_Rect at = hole_rect(0, static_cast<int>(h));
        f.push_back(sprite_at(*balls[placed[h] - 1], at.x, at.y, at.w, at.h));
    }
    f.push_back(flip());
    return f;
}

// Where help opens from: the title with "Help" marked, or a game after two balls (red and blue),
// each by its key and by its button. Help must come back to that screen as it left it.
struct HelpOpener {
    const char* name;
    Globals start;
    std::function<Next()> loop;
    Shown shown;                             // the screen help opens from
    Batch open;                              // ends with the press that opens help
    std::function<std::vector<Call>()> back; // that screen's frame after help: as it was before
    Batch leave;                             // then ends it
    Next want;
};

void PrintTo(const HelpOpener& o, std::ostream* os) {
    *os << o.name;
}

const HelpOpener help_openers[] = {
    {"Title",
     {2, 1, 1, 1},
     title_screen_x,
     Shown::Title,
     {key_down(KEY_SPACE)},
     [] { return title_frame(2); },
     {key_down(KEY_ESCAPE)},
     {Go::Exit}},
    {"TitleByButtonB",
     {2, 1, 1, 1},
     title_screen_x,
     Shown::Title,
     {button_down(BTN_B)},
     [] { return title_frame(2); },
     {key_down(KEY_ESCAPE)},
     {Go::Exit}},
    {"Game",
     {0, 1, 1, 1},
     [] { return main_game(2); },
     Shown::Game,
     {key_down(KEY_X), button_down(BTN_Y), key_down(KEY_SPACE)},
     [] {
         return game_frame(2, {1, 3});
     },
     {button_down(BTN_SELECT)},
     {Go::Title}},
    {"GameByStart",
     {0, 1, 1, 1},
     [] { return main_game(2); },
     Shown::Game,
     {key_down(KEY_X), button_down(BTN_Y), button_down(BTN_START)},
     [] {
         return game_frame(2, {1, 3});
     },
     {button_down(BTN_SELECT)},
     {Go::Title}},
};

// What is pressed while help is up, batch by batch: only the last batch holds a press. Each
// press here would act on the title or the game, were it not used up by help: space opens help
// again on both, B activates the title's mark and places a green ball, X places a red one, down
// moves the mark, SELECT and Escape leave.
struct HelpPresses {
    const char* name;
    std::vector<Batch> while_shown;
};

void PrintTo(const HelpPresses& p, std::ostream* os) {
    *os << p.name;
}

const HelpPresses help_presses[] = {
    {"KeyClosesIt", {{key_down(KEY_SPACE)}}},
    {"ButtonClosesIt", {{button_down(BTN_B)}}},
    {"PressesQueuedWithTheClosingOneAreUsedUp",
     {{button_down(BTN_X), key_down(KEY_DOWN), key_down(KEY_SPACE), button_down(BTN_A),
       button_down(BTN_SELECT), key_down(KEY_ESCAPE), key_up(KEY_X)}}},
    {"ReleasesAndTheStickDoNotCloseIt",
     {{key_up(KEY_SPACE), button_up(BTN_B), axis_motion()}, {key_down(KEY_DOWN)}}},
};

using HelpCase = std::tuple<HelpOpener, HelpPresses>;

class HelpFrom : public Screens, public testing::WithParamInterface<HelpCase> {};

INSTANTIATE_TEST_SUITE_P(Screens, HelpFrom,
                         testing::Combine(testing::ValuesIn(help_openers),
                                          testing::ValuesIn(help_presses)),
                         [](const testing::TestParamInfo<HelpCase>& i) {
                             return std::string(std::get<0>(i.param).name) + "_" +
                                    std::get<1>(i.param).name;
                         });

// Help's picture covers the whole screen: a sample of its pixels, as the screen stores them.
testing::AssertionResult screen_shows_help() {
    if (bmp::help->w < 320 || bmp::help->h < 240)
        return testing::AssertionFailure() << "the help picture is smaller than the screen";
    int wrong = 0;
    for (int y = 0; y < 240; y += 7)
        for (int x = 0; x < 320; x += 9) {
            Uint8 r, g, b;
            SDL_GetRGB(raw_pixel(bmp::help, x, y), bmp::help->format, &r, &g, &b);
            wrong += raw_pixel(screen, x, y) != SDL_MapRGB(screen->format, r, g, b);
        }
    if (wrong == 0) return testing::AssertionSuccess();
    return testing::AssertionFailure()
           << wrong << " points of the screen do not show the help picture";
}

TEST_P(HelpFrom, ShowsHelpUntilAPressAndUsesUpAllQueuedWithIt) {
    const auto& [from, presses] = GetParam();
    ASSERT_NE(bmp::help, nullptr);
    set_globals(from.start);
    std::vector<Step> steps = {{from.shown, "the screen help opens from", nullptr, from.open}};
    for (const Batch& b : presses.while_shown)
        steps.push_back({Shown::Help, "help",
                         [](const ScreenDriver& d) {
                             EXPECT_TRUE(same_calls(d.frames().back().calls, help_frame()));
                             EXPECT_TRUE(screen_shows_help());
                         },
                         b, -1, When::Settled});
    const std::vector<Call> back = from.back();
    steps.push_back(
        {from.shown, "back from help",
         [back](const ScreenDriver& d) { EXPECT_TRUE(same_calls(d.frames().back().calls, back)); },
         from.leave});
    ScreenDriver d(steps);
    const auto next = d.run(from.loop);
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, from.want);
    EXPECT_TRUE(d.finished()) << "left after " << d.steps_run() << " of " << steps.size()
                              << " steps";
    const long helps =
        std::count_if(d.frames().begin(), d.frames().end(), [](const ScreenDriver::Frame& f) {
            return same_calls(f.calls, help_frame());
        });
    EXPECT_EQ(helps, 1) << "help is drawn once and stays up while nothing is pressed";
    EXPECT_TRUE(globals_are(from.start));
    EXPECT_TRUE(take_queue().empty()) << "presses left queued";
}

// ---- Quick Game selection ----

using QuickGameSelection = Screens;

TEST_F(QuickGameSelection, FirstOpeningMarksOpponentOneAndOneMinute) {
    ScreenDriver d({{key_down(KEY_X)}});
    const auto next = d.run(quick_game_select);
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, (Next{Go::Title}));
    ASSERT_FALSE(d.frames().empty());
    EXPECT_TRUE(same_calls(d.frames()[0].calls, selection_frame(1, 1)));
}

class SelectionCard : public Screens, public testing::WithParamInterface<int> {};

TEST_P(SelectionCard, ShowsTheMarkedOpponent) {
    const int n = GetParam();
    set_globals({0, n, 2, 1});
    ScreenDriver d({{key_down(KEY_X)}});
    const auto next = d.run(quick_game_select);
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, (Next{Go::Title}));
    ASSERT_FALSE(d.frames().empty());
    EXPECT_TRUE(same_calls(d.frames()[0].calls, selection_frame(n, 1)));
    EXPECT_TRUE(globals_are({0, n, 1, 1}));
}

INSTANTIATE_TEST_SUITE_P(Screens, SelectionCard, testing::Range(1, 7),
                         [](const testing::TestParamInfo<int>& i) {
                             return "Opponent" + std::to_string(i.param);
                         });

TEST_F(QuickGameSelection, EveryPassRedrawsWithTheMarks) {
    // Time list: "l" steps down and wraps, R does the same; opponents: left and right wrap.
    ScreenDriver d({{key_down(KEY_L)},
                    {key_down(KEY_L)},
                    {key_down(KEY_L)},
                    {button_down(BTN_R)},
                    {key_down(KEY_LEFT)},
                    {button_down(BTN_RIGHT)},
                    {key_down(KEY_RIGHT), key_down(KEY_RIGHT)},
                    {button_down(BTN_LEFT)},
                    {key_down(KEY_X)}});
    const auto next = d.run(quick_game_select);
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, (Next{Go::Title}));
    struct Marks {
        int opponent, time;
    };
    const Marks after[] = {{1, 1}, {1, 2}, {1, 3}, {1, 1}, {1, 2}, {6, 2}, {1, 2}, {3, 2}, {2, 2}};
    for (size_t i = 0; i < std::size(after); ++i) {
        const ScreenDriver::Frame* f = d.frame_after(i);
        ASSERT_NE(f, nullptr) << "no frame after batch " << i;
        EXPECT_TRUE(same_calls(f->calls, selection_frame(after[i].opponent, after[i].time)))
            << "after batch " << i;
    }
    EXPECT_EQ(opt, 2);
}

TEST_F(QuickGameSelection, ReopeningMarksTheLastOpponentAndOneMinuteAgain) {
    ScreenDriver first({{key_down(KEY_L), key_down(KEY_L)},
                        {key_down(KEY_RIGHT), key_down(KEY_RIGHT), key_down(KEY_RIGHT)},
                        {key_down(KEY_B)}});
    const auto started = first.run(quick_game_select);
    ASSERT_TRUE(started);
    EXPECT_EQ(*started, (Next{Go::Game, 4}));
    const ScreenDriver::Frame* before = first.frame_after(2);
    ASSERT_NE(before, nullptr);
    EXPECT_TRUE(same_calls(before->calls, selection_frame(4, 3)));

    ScreenDriver again({{key_down(KEY_X)}});
    const auto back = again.run(quick_game_select);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, (Next{Go::Title}));
    ASSERT_FALSE(again.frames().empty());
    EXPECT_TRUE(same_calls(again.frames()[0].calls, selection_frame(4, 1)));
}

struct SelectionCase {
    const char* name;
    int opt_before, cropp_before;
    std::vector<Batch> batches;
    Next want;
    int opt_after;
    Batch left = {}; // still queued when the selection has returned: the game's
};

void PrintTo(const SelectionCase& c, std::ostream* os) {
    *os << c.name;
}

class SelectionBindings : public Screens, public testing::WithParamInterface<SelectionCase> {};

TEST_P(SelectionBindings, LeadWhereTheSelectionSays) {
    const SelectionCase& c = GetParam();
    set_globals({3, c.opt_before, c.cropp_before, 5});
    ScreenDriver d(c.batches);
    const auto next = d.run(quick_game_select);
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, c.want);
    EXPECT_EQ(d.steps_run(), c.batches.size()) << "returned before all presses were fed";
    EXPECT_TRUE(globals_are({3, c.opt_after, 1, 5}));
    EXPECT_EQ(describe(take_queue()), describe(c.left)) << "what is left queued";
}

const Batch unbound_on_selection = {
    key_down(KEY_UP),      key_down(KEY_DOWN),     key_down(KEY_SPACE),     key_down(KEY_ESCAPE),
    key_down(KEY_A),       key_down(KEY_R),        key_down(KEY_Y),         button_down(BTN_UP),
    button_down(BTN_DOWN), button_down(BTN_START), button_down(BTN_SELECT), button_down(BTN_L),
    button_down(BTN_A),    button_down(BTN_Y),     key_up(KEY_B),           button_up(BTN_B),
    key_up(KEY_X),         button_up(BTN_X),       axis_motion(),
};

Batch then_x(Batch b) {
    b.push_back(key_down(KEY_X));
    return b;
}

INSTANTIATE_TEST_SUITE_P(
    Screens, SelectionBindings,
    testing::Values(
        SelectionCase{"LeftKeyWrapsFromOneToSix",
                      1,
                      2,
                      {{key_down(KEY_LEFT), key_down(KEY_X)}},
                      {Go::Title},
                      6},
        SelectionCase{"RightKeyWrapsFromSixToOne",
                      6,
                      2,
                      {{key_down(KEY_RIGHT), key_down(KEY_X)}},
                      {Go::Title},
                      1},
        SelectionCase{"LeftButtonMovesLeft",
                      3,
                      1,
                      {{button_down(BTN_LEFT), key_down(KEY_X)}},
                      {Go::Title},
                      2},
        SelectionCase{"RightButtonMovesRight",
                      3,
                      1,
                      {{button_down(BTN_RIGHT), key_down(KEY_X)}},
                      {Go::Title},
                      4},
        SelectionCase{"LeftButtonWrapsFromOne",
                      1,
                      1,
                      {{button_down(BTN_LEFT), key_down(KEY_X)}},
                      {Go::Title},
                      6},
        SelectionCase{
            "KeyBStartsAGameAgainstTheMarkedOpponent", 5, 2, {{key_down(KEY_B)}}, {Go::Game, 5}, 5},
        SelectionCase{"ButtonBStartsAGameAgainstTheMarkedOpponent",
                      2,
                      2,
                      {{button_down(BTN_B)}},
                      {Go::Game, 2},
                      2},
        // B leaves at once: what is queued behind it is the game's.
        SelectionCase{"RightRightBQueuedTogether",
                      3,
                      2,
                      {{key_down(KEY_RIGHT), key_down(KEY_RIGHT), key_down(KEY_B), key_down(KEY_A),
                        button_down(BTN_Y), key_up(KEY_L), key_down(KEY_X)}},
                      {Go::Game, 5},
                      5,
                      {key_down(KEY_A), button_down(BTN_Y), key_up(KEY_L), key_down(KEY_X)}},
        SelectionCase{"RightRightBQueuedTogetherWrapsPastSix",
                      5,
                      1,
                      {{key_down(KEY_RIGHT), button_down(BTN_RIGHT), button_down(BTN_B)}},
                      {Go::Game, 1},
                      1},
        SelectionCase{"MovesOverSeveralPassesThenB",
                      6,
                      2,
                      {{key_down(KEY_RIGHT)},
                       {button_down(BTN_RIGHT)},
                       {key_down(KEY_L)},
                       {button_down(BTN_B)}},
                      {Go::Game, 2},
                      2},
        SelectionCase{"KeyXGoesBackToTheTitle", 4, 2, {{key_down(KEY_X)}}, {Go::Title}, 4},
        SelectionCase{"ButtonXGoesBackToTheTitle", 4, 2, {{button_down(BTN_X)}}, {Go::Title}, 4},
        SelectionCase{"TimeStepsLeaveTheOpponent",
                      2,
                      2,
                      {{key_down(KEY_L), button_down(BTN_R), key_down(KEY_L), key_down(KEY_L),
                        key_down(KEY_X)}},
                      {Go::Title},
                      2},
        SelectionCase{
            "UnboundPressesDoNothing", 3, 2, {then_x(unbound_on_selection)}, {Go::Title}, 3}),
    ByName());

// ---- Round screen ----

using RoundScreen = Screens;

TEST_F(RoundScreen, RoundOneShowsOneAndTheFirstOpponent) {
    ScreenDriver d({{key_down(KEY_B)}});
    const auto next = d.run([] { return round_no(1); });
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, (Next{Go::Game, 1}));
    ASSERT_FALSE(d.frames().empty());
    // Written out in full: the number, "2:00" and the single comment line.
    const std::vector<Call> want = {
        sprite_at(bmp::round, 0, 0, 320, 240),
        sprite_at(bmp::x_totitle, 1, 1, 19, 9),
        text_at("Name: ", 20, 120, ORANGE),
        text_at("IQ: ", 20, 132, ORANGE),
        text_at("Time Limit: ", 20, 144, ORANGE),
        text_at("Press B to start!", 20, 200, WHITE),
        text_at("1", round_number_x, round_number_y, WHITE),
        sprite_at(bmp::borin_quastle, round_portrait_x, round_portrait_y, 30, 42),
        text_at("Borin Quastle != Chimpanzee :@", 70, 67, PINK),
        text_at("Borin Quastle", 105, 120, WHITE),
        text_at("75 (=Chimpanzee)", 105, 132, WHITE),
        text_at("2:00", 105, 144, WHITE),
        flip(),
    };
    EXPECT_TRUE(same_calls(d.frames()[0].calls, want));
}

class RoundCard : public Screens, public testing::WithParamInterface<int> {};

TEST_P(RoundCard, ShowsTheRoundAndItsOpponent) {
    const int n = GetParam();
    set_globals({1, 3, 1, 2});
    ScreenDriver d({Batch{}, {key_down(KEY_X)}});
    const auto next = d.run([n] { return round_no(n); });
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, (Next{Go::Title}));
    ASSERT_GE(d.frames().size(), 2u);
    for (const ScreenDriver::Frame& f : d.frames())
        EXPECT_TRUE(same_calls(f.calls, round_frame(n)));
    EXPECT_TRUE(globals_are({1, 3, 2, 2}));
}

INSTANTIATE_TEST_SUITE_P(Screens, RoundCard, testing::Range(1, 7),
                         [](const testing::TestParamInfo<int>& i) {
                             return "Round" + std::to_string(i.param);
                         });

struct RoundCase {
    const char* name;
    int n;
    Globals before;
    std::vector<Batch> batches;
    Next want;
};

void PrintTo(const RoundCase& c, std::ostream* os) {
    *os << c.name;
}

class RoundBindings : public Screens, public testing::WithParamInterface<RoundCase> {};

TEST_P(RoundBindings, LeadWhereTheRoundScreenSays) {
    const RoundCase& c = GetParam();
    set_globals(c.before);
    ScreenDriver d(c.batches);
    const int n = c.n;
    const auto next = d.run([n] { return round_no(n); });
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, c.want);
    EXPECT_EQ(d.steps_run(), c.batches.size()) << "returned before all presses were fed";
    // Only the mode changes: the round number stays as the title or the result screen set it.
    Globals after = c.before;
    after.cropp = 2;
    EXPECT_TRUE(globals_are(after));
    EXPECT_TRUE(take_queue().empty()) << "presses left queued";
}

const Batch unbound_on_round = {
    key_down(KEY_SPACE),   key_down(KEY_ESCAPE),   key_down(KEY_A),        key_down(KEY_L),
    key_down(KEY_R),       key_down(KEY_Y),        key_down(KEY_UP),       key_down(KEY_DOWN),
    key_down(KEY_LEFT),    key_down(KEY_RIGHT),    button_down(BTN_UP),    button_down(BTN_DOWN),
    button_down(BTN_LEFT), button_down(BTN_RIGHT), button_down(BTN_START), button_down(BTN_SELECT),
    button_down(BTN_L),    button_down(BTN_R),     button_down(BTN_A),     button_down(BTN_Y),
    key_up(KEY_B),         button_up(BTN_B),       key_up(KEY_X),          axis_motion(),
};

INSTANTIATE_TEST_SUITE_P(
    Screens, RoundBindings,
    testing::Values(
        RoundCase{"KeyBPlaysOpponentN", 3, {0, 1, 1, 3}, {{key_down(KEY_B)}}, {Go::Game, 3}},
        RoundCase{"ButtonBPlaysOpponentN", 5, {2, 6, 1, 5}, {{button_down(BTN_B)}}, {Go::Game, 5}},
        RoundCase{
            "RoundDiffersFromRoundNumber", 6, {1, 2, 1, 2}, {{key_down(KEY_B)}}, {Go::Game, 6}},
        RoundCase{"KeyXGoesBackToTheTitle", 2, {1, 4, 1, 2}, {{key_down(KEY_X)}}, {Go::Title}},
        RoundCase{
            "ButtonXGoesBackToTheTitle", 4, {1, 4, 2, 4}, {{button_down(BTN_X)}}, {Go::Title}},
        RoundCase{"UnboundPressesDoNothing",
                  2,
                  {1, 1, 1, 2},
                  {unbound_on_round, Batch{}, {key_down(KEY_B)}},
                  {Go::Game, 2}}),
    ByName());

// ---- Win and loss screens ----

struct ResultCase {
    const char* name;
    int kind, cropp_before, round_before;
    SDL_Event b_press;
    SDL_Surface** picture;
    Next want;
    int round_after;
};

void PrintTo(const ResultCase& c, std::ostream* os) {
    *os << c.name;
}

class ResultScreens : public Screens, public testing::WithParamInterface<ResultCase> {};

const Batch ignored_on_results = {
    key_down(KEY_A),         key_down(KEY_X),       key_down(KEY_SPACE),    key_down(KEY_ESCAPE),
    key_down(KEY_L),         key_down(KEY_R),       key_down(KEY_Y),        key_down(KEY_UP),
    key_down(KEY_DOWN),      key_down(KEY_LEFT),    key_down(KEY_RIGHT),    button_down(BTN_UP),
    button_down(BTN_DOWN),   button_down(BTN_LEFT), button_down(BTN_RIGHT), button_down(BTN_START),
    button_down(BTN_SELECT), button_down(BTN_L),    button_down(BTN_R),     button_down(BTN_A),
    button_down(BTN_X),      button_down(BTN_Y),    key_up(KEY_B),          button_up(BTN_B),
    axis_motion(),
};

TEST_P(ResultScreens, DrawOnceAndLeaveOnlyOnB) {
    const ResultCase& c = GetParam();
    set_globals({2, 5, c.cropp_before, c.round_before});
    ScreenDriver d({ignored_on_results, Batch{}, {c.b_press}});
    const int kind = c.kind;
    const auto next = d.run([kind] { return you(kind); });
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, c.want);
    EXPECT_EQ(d.steps_run(), 3u) << "left before B";
    // One picture, one line, one flip, and nothing drawn again while presses are ignored.
    EXPECT_TRUE(same_calls(d.calls(), {sprite_at(*c.picture, 0, 0, 320, 240),
                                       text_at(result_line(c.kind == 1, c.cropp_before == 2),
                                               result_line_x, result_line_y, WHITE),
                                       flip()}));
    EXPECT_TRUE(globals_are({2, 5, c.cropp_before, c.round_after}));
}

INSTANTIATE_TEST_SUITE_P(
    Screens, ResultScreens,
    testing::Values(
        ResultCase{"WinQuickGameKeyB", 1, 1, 3, key_down(KEY_B), &bmp::you_win, {Go::Title}, 3},
        ResultCase{
            "WinQuickGameButtonB", 1, 1, 5, button_down(BTN_B), &bmp::you_win, {Go::Title}, 5},
        ResultCase{"WinTournamentRoundOneKeyB",
                   1,
                   2,
                   1,
                   key_down(KEY_B),
                   &bmp::you_win,
                   {Go::Round, 2},
                   2},
        ResultCase{"WinTournamentRoundThreeButtonB",
                   1,
                   2,
                   3,
                   button_down(BTN_B),
                   &bmp::you_win,
                   {Go::Round, 4},
                   4},
        ResultCase{"WinTournamentRoundFiveLeadsToRoundSix",
                   1,
                   2,
                   5,
                   key_down(KEY_B),
                   &bmp::you_win,
                   {Go::Round, 6},
                   6},
        ResultCase{"LossQuickGameKeyB", 2, 1, 2, key_down(KEY_B), &bmp::lost, {Go::Title}, 2},
        ResultCase{"LossQuickGameButtonB", 2, 1, 4, button_down(BTN_B), &bmp::lost, {Go::Title}, 4},
        ResultCase{"LossTournamentKeyB", 2, 2, 3, key_down(KEY_B), &bmp::lost, {Go::Title}, 3},
        ResultCase{
            "LossTournamentButtonB", 2, 2, 6, button_down(BTN_B), &bmp::lost, {Go::Title}, 6}),
    ByName());

// ---- Error screen ----

using ErrorScreen = Screens;

const std::vector<Call> error_calls = {
    fill_with(WHITE),        flip(),
    fill_with(BLACK),        flip(),
    fill_with(WHITE),        text_of(error_lines[0]),
    text_of(error_lines[1]), text_of(error_lines[2]),
    text_of(error_lines[3]), flip(),
};

long long ms_between(const Call& a, const Call& b) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(b.at - a.at).count();
}

TEST_F(ErrorScreen, FlashesThenShowsTheTextAndLeavesTheGlobals) {
    set_globals({3, 6, 2, 6});
    ScreenDriver d({{key_down(KEY_A)}});
    const auto next = d.run(error);
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, (Next{Go::Title}));
    ASSERT_TRUE(same_calls(d.calls(), error_calls));
    // A 100 ms pause after each flip of the flash.
    EXPECT_GE(ms_between(d.calls()[1], d.calls()[2]), 95) << "pause after the white flash";
    EXPECT_GE(ms_between(d.calls()[3], d.calls()[4]), 95) << "pause after the black flash";
    EXPECT_TRUE(globals_are({3, 6, 2, 6}));
}

struct Press {
    const char* name;
    SDL_Event event;
};

void PrintTo(const Press& p, std::ostream* os) {
    *os << p.name;
}

class ErrorEndsOn : public Screens, public testing::WithParamInterface<Press> {};

TEST_P(ErrorEndsOn, AnyPress) {
    ScreenDriver d({{GetParam().event}});
    const auto next = d.run(error);
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, (Next{Go::Title}));
    EXPECT_EQ(d.steps_run(), 1u);
    EXPECT_TRUE(same_calls(d.calls(), error_calls));
}

INSTANTIATE_TEST_SUITE_P(
    Screens, ErrorEndsOn,
    testing::Values(Press{"KeyB", key_down(KEY_B)}, Press{"Space", key_down(KEY_SPACE)},
                    Press{"Escape", key_down(KEY_ESCAPE)}, Press{"KeyA", key_down(KEY_A)},
                    Press{"LeftKey", key_down(KEY_LEFT)}, Press{"ButtonB", button_down(BTN_B)},
                    Press{"Start", button_down(BTN_START)}, Press{"ButtonA", button_down(BTN_A)},
                    Press{"ButtonX", button_down(BTN_X)}, Press{"StickUp", button_down(BTN_UP)}),
    ByName());

TEST_F(ErrorScreen, ReleasesAndTheStickDoNotEndIt) {
    ScreenDriver d(
        {{key_up(KEY_B), button_up(BTN_B), axis_motion()}, Batch{}, {button_down(BTN_Y)}});
    const auto next = d.run(error);
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, (Next{Go::Title}));
    EXPECT_EQ(d.steps_run(), 3u) << "ended before a press";
    EXPECT_TRUE(same_calls(d.calls(), error_calls));
}

// Presses made before the text is shown stay queued: the wait after the flash takes them at its
// first look at the queue, and all of them with the first press.
struct FlashCase {
    const char* name;
    int at_pause; // 0: queued before the screen starts; 1 or 2: during the first or second pause
    Batch press;
};

void PrintTo(const FlashCase& c, std::ostream* os) {
    *os << c.name;
}

class PressDuringTheFlash : public Screens, public testing::WithParamInterface<FlashCase> {};

INSTANTIATE_TEST_SUITE_P(
    Screens, PressDuringTheFlash,
    testing::Values(FlashCase{"QueuedBeforeIt", 0, {button_down(BTN_START), key_down(KEY_DOWN)}},
                    FlashCase{"DownKeyDuringTheWhiteFlash", 1, {key_down(KEY_DOWN)}},
                    FlashCase{"DownButtonDuringTheBlackFlash", 2, {button_down(BTN_DOWN)}}),
    ByName());

TEST_P(PressDuringTheFlash, EndsTheScreenAtItsFirstWaitOnceTheTextIsShown) {
    const FlashCase& c = GetParam();
    if (c.at_pause == 0) push(c.press);
    ScreenDriver d; // no steps: a wait that needs more than what is queued is stuck
    d.real_pauses = false;
    int pauses = 0, polls = 0;
    d.during_pause = [&](int) {
        if (++pauses == c.at_pause) push(c.press);
    };
    d.probe = [&polls] { ++polls; };
    const auto next = d.run(error);
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, (Next{Go::Title}));
    EXPECT_TRUE(same_calls(d.calls(), error_calls)) << "the text must be shown before it ends";
    EXPECT_EQ(pauses, 2);
    EXPECT_EQ(polls, 1) << "empty polls while the text was shown";
    EXPECT_TRUE(take_queue().empty()) << "the presses queued with it are used up";
}

TEST_F(ErrorScreen, ScreenIsWhiteWhereNoTextIsAfterTheLastFlip) {
    const Uint32 white = SDL_MapRGB(screen->format, 255, 255, 255);
    const Uint32 black = SDL_MapRGB(screen->format, 0, 0, 0);
    // Text lines are 8-point, so each fits a 12 px band from its top; it starts at x 10.
    const int line_top[] = {10, 22, 34, 100};
    const auto in_text = [&line_top](int x, int y) {
        for (int top : line_top)
            if (x >= 10 && y >= top && y < top + 12) return true;
        return false;
    };
    bool looked = false;
    int stray = 0, dark_in_text = 0, first_x = -1, first_y = -1;
    ScreenDriver d({{key_down(KEY_B)}});
    d.probe = [&] {
        if (looked || d.calls().size() != error_calls.size()) return;
        looked = true;
        SDL_LockSurface(screen);
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x) {
                const Uint8* row = static_cast<const Uint8*>(screen->pixels) + y * screen->pitch;
                const Uint32 v = screen->format->BytesPerPixel == 2
                                     ? *reinterpret_cast<const Uint16*>(row + 2 * x)
                                     : *reinterpret_cast<const Uint32*>(row + 4 * x);
                if (in_text(x, y)) {
                    if (v == black) ++dark_in_text;
                } else if (v != white && stray++ == 0) {
                    first_x = x;
                    first_y = y;
                }
            }
        SDL_UnlockSurface(screen);
    };
    const auto next = d.run(error);
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, (Next{Go::Title}));
    ASSERT_TRUE(looked) << "the screen never waited after its last flip";
    EXPECT_EQ(stray, 0) << "pixels not white outside the text, first at (" << first_x << ","
                        << first_y << ")";
    EXPECT_GT(dark_in_text, 0) << "no black text on the screen";
}

// ---- Rendered text, pixel by pixel ----

// Each kind of screen's texts as the player sees them. Rendered alone at its place with the
// game's font file at 8 points, a text covers some pixels fully; in the frame the screen
// presented, each of those must hold exactly the text's colour. A text drawn in another colour,
// at another place or with other letters leaves some of them wrong. (The recorder sees only what
// DrawText was asked for; this sees what it drew.)
struct Covered {
    int pixels = 0, wrong = 0, first_x = -1, first_y = -1;
};

Covered check_covered(TTF_Font* font_8pt, const Call& text) {
    Covered c;
    const Uint32 want =
        SDL_MapRGB(screen->format, static_cast<Uint8>(text.colour.r),
                   static_cast<Uint8>(text.colour.g), static_cast<Uint8>(text.colour.b));
    for (const auto& [x, y] : fully_covered(font_8pt, text.text.c_str())) {
        const int sx = text.x + x, sy = text.y + y;
        if (sx < 0 || sy < 0 || sx >= screen->w || sy >= screen->h) continue;
        ++c.pixels;
        if (raw_pixel(screen, sx, sy) != want && c.wrong++ == 0) {
            c.first_x = sx;
            c.first_y = sy;
        }
    }
    return c;
}

struct TextScreen {
    const char* name;
    Globals start;
    Batch leave; // ends the screen right after a frame, which stays on the screen
    std::function<Next()> loop;
    std::vector<Call> expected; // the frame's texts (other calls are ignored)
};

void PrintTo(const TextScreen& c, std::ostream* os) {
    *os << c.name;
}

std::vector<TextScreen> text_screens() {
    return {
        {"Title", {0, 1, 1, 1}, {key_down(KEY_ESCAPE)}, title_screen_x, title_frame(0)},
        {"Selection", {0, 6, 1, 1}, {key_down(KEY_X)}, quick_game_select, selection_frame(6, 1)},
        {"Round", {0, 1, 2, 2}, {key_down(KEY_X)}, [] { return round_no(2); }, round_frame(2)},
        {"Game",
         {0, 1, 1, 1},
         {button_down(BTN_SELECT)},
         [] { return main_game(1); },
         {text_of(board_label)}},
        {"WinInTournament",
         {0, 1, 2, 3},
         {key_down(KEY_B)},
         [] { return you(1); },
         {text_at(result_line(true, true), result_line_x, result_line_y, WHITE)}},
        {"Error", {0, 1, 2, 6}, {key_down(KEY_B)}, error, error_calls},
    };
}

class TextPixels : public Screens, public testing::WithParamInterface<TextScreen> {
  protected:
    static void SetUpTestSuite() { font_8pt = TTF_OpenFont("data/font.ttf", 8); }
    static void TearDownTestSuite() {
        if (font_8pt) TTF_CloseFont(font_8pt);
        font_8pt = nullptr;
    }
    static TTF_Font* font_8pt;
};
TTF_Font* TextPixels::font_8pt = nullptr;

INSTANTIATE_TEST_SUITE_P(EveryKindOfScreen, TextPixels, testing::ValuesIn(text_screens()),
                         ByName());

TEST_P(TextPixels, EachTextHasItsColourWhereverItsLettersCoverAPixel) {
    ASSERT_NE(font_8pt, nullptr) << "data/font.ttf does not open at 8 points";
    const TextScreen& c = GetParam();
    set_globals(c.start);
    ScreenDriver d({c.leave});
    d.real_pauses = false;
    ASSERT_TRUE(d.run(c.loop));
    for (const Call& t : c.expected) {
        if (t.kind != DrawCall::Text) continue;
        const Covered got = check_covered(font_8pt, t);
        EXPECT_GT(got.pixels, 0) << "\"" << t.text << "\" covers no pixel fully";
        EXPECT_EQ(got.wrong, 0) << "\"" << t.text << "\" at " << t.x << "," << t.y << ": "
                                << got.wrong << " of " << got.pixels
                                << " fully covered pixels are not its colour, first at ("
                                << got.first_x << "," << got.first_y << ")";
    }
}

} // namespace
