# The built game's screens around the games, played end to end in a real X server.
import os
import re
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from harness import (KEYS, ROUND_NUMBER, SDL_PROBE, Sandbox, XGameCase, codes, command, run,
                     wrong_rows)


def crop(shot, rect):
    """The pixels of rect = (x, y, w, h), row by row."""
    x0, y0, w, h = rect
    return tuple(shot.at(x, y) for y in range(y0, y0 + h) for x in range(x0, x0 + w))


class TitleTest(XGameCase):

    def window_property(self, name):
        """The window's text property name as xprop reads it, or None when it is not set."""
        out = subprocess.run(["xprop", "-id", self.window, "-notype", name], env=self.x.env(),
                             capture_output=True, text=True, timeout=15, check=True).stdout
        value = re.fullmatch(r'%s = "(.*)"\n' % re.escape(name), out)
        return value.group(1) if value else None

    def test_the_window_is_called_code_breaker(self):
        self.start_game()
        self.assertEqual(self.xdotool("getwindowname", self.window).stdout, b"Code Breaker\n")
        for name in ("WM_NAME", "_NET_WM_NAME"):
            self.assertEqual(self.window_property(name), "Code Breaker", name)
        # The icon's name too, where the library has one: SDL2, and so sdl12-compat, has none
        # and leaves it unset.
        icon = self.window_property("WM_ICON_NAME")
        if os.environ.get("TEST_SDL_RUN") == "compat":
            self.assertIn(icon, (None, "Code Breaker"))
        else:
            self.assertEqual(icon, "Code Breaker")

    def test_mark_moves_wraps_and_b_does_nothing(self):
        self.start_game()
        first = self.expect_title(0, "title")
        # Neither "b" nor the other game keys activate an entry or move the mark; only space
        # and the stick do. ("b" comes last: were it to open the selection, an "x" after it
        # would lead back here.) Presses are taken in order, so once "Up" has wrapped the
        # mark to "Quit" the keys before it have been taken, and none may have acted.
        self.keys("x", "l", "Left", "Right", "b", "Up")
        self.expect_title(3, "up_wraps_to_quit")
        self.keys("Down")
        self.expect_same(first, "down_wraps_to_quick_game", self.screens.title())
        for n in (1, 2, 3):
            self.keys("Down")
            self.expect_title(n, "down_%d" % n)
        self.keys("Up", "Up")
        self.expect_title(1, "up_twice")


class NoSoundTest(XGameCase):
    """The game never makes a sound; a desktop without a sound device must not stop it, from
    start-up through a game to the way out."""

    # (name, sound driver, extra environment): desktops without a sound device, on either
    # library. The probe says what the library made of each; no device may open in any.
    CASES = [
        # ALSA without a configuration knows no device, so none can be opened.
        ("alsa_without_devices", "alsa", {"ALSA_CONFIG_PATH": "/nonexistent/alsa.conf"}),
        # The sound server is not running. SDL2 fails at SDL_Init already, so start-up
        # brings SDL up without audio on sdl12-compat; classic SDL starts and opens nothing.
        ("no_sound_server", "pulse", {"PULSE_SERVER": "unix:/nonexistent/pulse"}),
    ]

    def test_a_machine_without_a_sound_device_still_plays(self):
        for name, audio, extra in self.CASES:
            with self.subTest(name):
                self.box, self.steps = Sandbox(self), 0
                env = self.x.env(SDL_VIDEODRIVER="x11", SDL_AUDIODRIVER=audio, **extra)
                said = run(command([SDL_PROBE, "audio"]), env=env)
                sys.stderr.write("\n%s: %s" % (name, said.replace("\n", "; ")))
                self.assertIn("\ndevice: none: ", "\n" + said,
                              "a sound device opens here, so this is no machine without one")

                self.start_game(menu=True, audio=audio, **extra)
                self.expect_title(0, name + "_title")
                self.keys("space")
                self.expect_selection(1, name + "_selection")
                self.keys("b")
                self.expect_screen(self.screens.fresh_board(), name + "_fresh_board")
                # Shutdown without the audio subsystem: SDL and the rest go down cleanly and
                # the menu program takes over.
                self.keys("Escape")
                self.end_with_menu()


class QuickGameTest(XGameCase):

    def test_selection_and_a_won_game_against_opponent_3(self):
        code = codes(self.seed, 3)[0]
        self.start_game()
        title = self.expect_title(0, "title")
        self.keys("space")
        self.expect_selection(1, "selection")
        self.keys("Right", "Right")
        marked = self.expect_selection(3, "opponent_3_marked")
        # "x" goes back to the title, and the marked opponent is remembered.
        self.keys("x")
        self.expect_same(title, "back_to_title", self.screens.title())
        self.keys("space")
        self.expect_same(marked, "opponent_3_still_marked", self.screens.selection())
        # "l" steps the time mark, round from the last time to the first.
        self.keys("l")
        self.expect_selection(3, "time_2", time_mark=2)
        self.keys("l")
        self.expect_selection(3, "time_3", time_mark=3)
        self.keys("l")
        self.expect_same(marked, "time_1_again", self.screens.selection())

        self.keys("b")
        self.expect_screen(self.screens.fresh_board(3), "fresh_board_opponent_3")
        self.type_row(code)
        self.expect_screen(self.screens.board([code], code, 3), "right_row_1")
        self.keys("a")
        self.expect_screen(self.screens.win(), "win")
        # Only "b" leaves the win screen. Had "x" left it, space would open the selection and
        # "b" start a game; had space left it, "Down" would move the title's mark.
        self.keys("x", "space", "Down", "b")
        self.expect_same(title, "title_again", self.screens.title())

    def test_beating_opponent_6_ends_in_the_joke_error(self):
        code = codes(self.seed, 6)[0]
        self.start_game()
        title = self.expect_title(0, "title")
        self.keys("space")
        first = self.expect_selection(1, "selection")
        self.keys("Left")
        marked = self.expect_selection(6, "left_wraps_to_6")
        self.keys("b")
        self.expect_screen(self.screens.fresh_board(6), "fresh_board_opponent_6")
        # The right row brings no banner and no wait: the error screen follows at once.
        self.type_row(code)
        self.expect_screen(self.screens.error(), "error")
        self.keys("x")
        self.expect_same(title, "title_again", self.screens.title())
        self.keys("space")
        self.expect_same(marked, "opponent_6_still_marked", self.screens.selection())
        self.keys("Right")
        self.expect_same(first, "right_wraps_to_1", self.screens.selection())


class TournamentTest(XGameCase):

    def enter(self):
        """Starts the game and enters the tournament; returns the title with it marked."""
        self.start_game()
        self.expect_title(0, "title")
        self.keys("Down")
        marked = self.expect_title(1, "tournament_marked")
        self.keys("space")
        return marked

    def test_all_six_rounds_won_end_in_the_joke_error(self):
        round_codes = codes(self.seed, 1, 2, 3, 4, 5, 6)
        marked = self.enter()
        numbers, first_win = [], None
        for n, code in enumerate(round_codes, 1):
            shot = self.expect_screen(self.screens.round(n), "round_%d" % n)
            numbers.append(crop(shot, ROUND_NUMBER))
            self.keys("b")
            self.expect_screen(self.screens.fresh_board(n), "round_%d_game" % n)
            self.type_row(code)
            if n == 6:
                break
            self.expect_screen(self.screens.board([code], code, n), "round_%d_right_row" % n)
            self.keys("x")
            if first_win is None:
                first_win = self.expect_screen(self.screens.win(tournament=True),
                                               "round_%d_win" % n)
            else:
                self.expect_same(first_win, "round_%d_win" % n,
                                 self.screens.win(tournament=True))
            self.keys("b")
        self.assertEqual(len(set(numbers)), 6, "the six round screens must show six numbers")

        # Round 6 won: no banner, the joke error screen, then the title with the mark kept.
        self.expect_screen(self.screens.error(), "error")
        self.keys("y")
        self.expect_same(marked, "title_again", self.screens.title())

    def test_back_to_the_title_restarts_and_a_loss_ends_the_tournament(self):
        won, lost = codes(self.seed, 1, 1)
        marked = self.enter()
        round_1 = self.expect_screen(self.screens.round(1), "round_1")
        self.keys("x")
        self.expect_same(marked, "x_back_to_title", self.screens.title())
        self.keys("space")
        self.expect_same(round_1, "round_1_again", self.screens.round(1))

        self.keys("b")
        self.expect_screen(self.screens.fresh_board(1), "round_1_game")
        self.type_row(won)
        self.expect_screen(self.screens.board([won], won, 1), "round_1_right_row")
        self.keys("x")
        self.expect_screen(self.screens.win(tournament=True), "round_1_win")
        # Only "b" leaves: had "x" left for round 2, that "b" would have started its game, where
        # the last "x" places a red ball instead of leading back to the title.
        self.keys("x", "b")
        self.expect_screen(self.screens.round(2), "round_2")
        self.keys("x")
        self.expect_same(marked, "round_2_back_to_title", self.screens.title())
        # A new tournament starts at round 1 again.
        self.keys("space")
        self.expect_same(round_1, "new_tournament_round_1", self.screens.round(1))

        self.keys("b")
        self.expect_screen(self.screens.fresh_board(1), "new_round_1_game")
        # The run's second code of opponent 1 may be of one colour: wrong_rows holds for any.
        rows = wrong_rows(lost)
        self.keys(*(KEYS[c] for row in rows for c in row))
        self.expect_screen(self.screens.board(rows, lost, 1), "seven_wrong_rows")
        self.keys("x")
        self.expect_screen(self.screens.loss(tournament=True), "loss")
        # Only "b" leaves the loss screen: had space left it, "Down" would move the title's
        # mark. A lost round ends the tournament: back to the title, not to the next round.
        self.keys("space", "Down", "b")
        self.expect_same(marked, "title_after_loss", self.screens.title())


if __name__ == "__main__":
    unittest.main()
