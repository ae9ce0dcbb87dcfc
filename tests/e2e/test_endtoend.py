# The built game played end to end in a real X server: games, help and leaving the program.
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from harness import (DATA, FONT_MISSING, KEYS, TITLE_MISSING, Pictures, Sandbox, Screens,
                     XGameCase, codes, wrong_rows)
from pixels import Canvas, paint_bmp_rows


class GameTest(XGameCase):
    """Quick Games against opponent 1 from the title: rows, their markers and banners, and
    the win and loss screens that follow."""

    def quick_game_against_1(self, step):
        """From the title with "Quick Game" marked to a fresh game against opponent 1."""
        self.keys("space")
        self.expect_selection(1, step + "_selection")
        self.keys("b")

    def test_wrong_row_then_right_code_then_win_screen(self):
        # A row that earns a marker of each kind: black, white, cross, black.
        wrong = wrong_rows(self.code)[0]

        self.start_game()
        title = self.expect_title(0, "title")
        self.quick_game_against_1("first")
        self.expect_screen(self.screens.fresh_board(), "fresh_board")

        self.type_row(wrong)
        self.expect_screen(self.screens.board([wrong], self.code), "wrong_row_1")

        self.type_row(self.code)
        self.expect_screen(self.screens.board([wrong, self.code], self.code), "right_row_2")

        # The press that ends the game is used up there: a colour key places nothing, and
        # the win screen follows.
        self.keys("x")
        self.expect_screen(self.screens.win(), "win")
        self.keys("b")
        self.expect_same(title, "title_again", self.screens.title())

        # The next game draws its code after the first one's, from the same sequence.
        second = codes(self.seed, 1, 1)[1]
        self.quick_game_against_1("second")
        self.expect_screen(self.screens.fresh_board(), "fresh_game")
        self.type_row(second)
        self.expect_screen(self.screens.board([second], second), "second_code_in_row_1")
        self.assertIsNone(self.game.poll())

    def test_seven_wrong_rows_lose_then_loss_screen(self):
        rows = wrong_rows(self.code)
        screens = self.screens
        self.start_game()
        title = self.expect_title(0, "title")
        self.quick_game_against_1("first")
        self.expect_screen(screens.fresh_board(), "fresh_board")
        for n in range(1, len(rows) + 1):
            self.type_row(rows[n - 1])
            self.expect_screen(screens.board(rows[:n], self.code), "wrong_row_%d" % n)

        # Space ends the lost game like any key; it does not open help.
        self.keys("space")
        self.expect_screen(screens.loss(), "loss")
        # Only "b" leaves the loss screen. Had "x" left it, space would open the selection and
        # "b" start a game; had space left it, "Down" would move the title's mark. Presses are
        # taken in order, so the title with its mark unmoved shows that none of them acted.
        self.keys("x", "space", "Down", "b")
        self.expect_same(title, "title_again", screens.title())

        self.quick_game_against_1("second")
        self.expect_screen(screens.fresh_board(), "fresh_game")
        self.type_row([self.code[0]])
        self.expect_screen(screens.board([[self.code[0]]], self.code), "first_ball")

    def test_row_two_draws_two_more_lines_of_the_false_banner(self):
        # The wrong banner's last two lines are see-through in data/; painted opaque they
        # show that row 2 draws all 36 lines of it and rows 1 and 3 only 34.
        rows = wrong_rows(self.code)[:3]
        root = self.box.data_copy()
        paint_bmp_rows(os.path.join(DATA, "false.bmp"), os.path.join(root, "data", "false.bmp"),
                       34, 35, (255, 255, 0))
        screens = Screens(Pictures(os.path.join(root, "data")))
        self.start_game(cwd=root)
        self.expect_title(0, "title")
        self.quick_game_against_1("first")
        for n in range(1, len(rows) + 1):
            self.type_row(rows[n - 1])
            self.expect_screen(screens.board(rows[:n], self.code), "painted_wrong_row_%d" % n)


class HelpTest(XGameCase):

    def test_help_and_back_to_the_same_game(self):
        self.open_game_against_1()
        self.type_row([5, 6])
        self.expect_screen(self.screens.board([[5, 6]], self.code), "two_balls")

        self.keys("space")
        self.expect_screen(self.screens.help(), "help")

        # The press that closes help is used up there: the colour key places nothing.
        self.keys("b")
        self.expect_screen(self.screens.board([[5, 6]], self.code), "back_from_help")
        self.type_row([3])
        self.expect_screen(self.screens.board([[5, 6, 3]], self.code), "third_ball")

    def test_help_from_the_title_and_back_with_help_marked(self):
        self.start_game()
        self.expect_title(0, "title")
        self.keys("Down", "Down")
        marked = self.expect_title(2, "help_marked")
        self.keys("space")
        self.expect_screen(self.screens.help(), "help")
        # Any key closes help and is used up there. Had space not been used up it would open
        # help again, and "Down" would close it instead of moving the mark to "Quit". Two calls:
        # help takes every press queued with the one that closes it, and Down, sent 30 ms after
        # space in one call, could still be queued with it then on a busy machine; keys() sends
        # Down only once the game has taken space.
        self.keys("space")
        self.keys("Down")
        self.expect_title(3, "back_from_help_then_down")
        # "Help" was still the marked entry: back up to it, space opens help again.
        self.keys("Up")
        self.expect_same(marked, "help_marked_again", self.screens.title())
        self.keys("space")
        self.expect_screen(self.screens.help(), "help_again")
        self.keys("x")
        self.expect_same(marked, "back_again", self.screens.title())


class LeavingTest(XGameCase):

    def test_escape_lets_the_presses_queued_behind_it_count(self):
        self.start_game()
        self.expect_title(0, "title")
        self.keys("Down", "Down")
        self.expect_title(2, "help_marked")
        # Escape, then space on "Help", both queued: help opens first...
        self.keys_at_once("Escape", "space")
        self.expect_screen(self.screens.help(), "help")
        self.assertIsNone(self.game.poll(), "the game ended before showing help")
        # ...and once it is closed the program ends, handing over to the menu.
        self.keys("x")
        out, err = self.end_with_menu()
        self.assertEqual(out, b"")
        self.assertEqual(err, b"")

    # (what is left, keys to where it is left and its screen's check, keys that leave or
    # CLOSE: the window's close button, which ends the program wherever it is pressed)
    CLOSE = "close button"
    ENDINGS = [
        ("escape_on_title", (), lambda t: t.expect_title(0, "title"), ("Escape",)),
        ("quit_entry", ("Down", "Down", "Down"), lambda t: t.expect_title(3, "quit_marked"),
         ("space",)),
        ("escape_in_a_game", ("space", "b", KEYS[1]), lambda t: t.expect_screen(
            t.screens.board([[1]], t.code), "one_ball"), ("Escape",)),
        ("close_on_title", (), lambda t: t.expect_title(0, "title"), CLOSE),
        ("close_over_help_in_a_game", ("space", "b", "space"),
         lambda t: t.expect_screen(t.screens.help(), "help"), CLOSE),
        ("close_at_the_right_banner", lambda t: ("space", "b") + tuple(KEYS[c] for c in t.code),
         lambda t: t.expect_screen(t.screens.board([t.code], t.code), "right_row"), CLOSE),
    ]

    def test_ways_out_with_and_without_the_menu_program(self):
        for name, there, check, leave in self.ENDINGS:
            for menu in (True, False):
                with self.subTest(name, menu=menu):
                    self.box = Sandbox(self)
                    self.steps = 0
                    self.start_game(menu=menu)
                    self.expect_title(0, "%s_menu_%s_title" % (name, menu))
                    keys = there(self) if callable(there) else there
                    if keys:
                        self.keys(*keys)
                    check(self)
                    if leave == self.CLOSE:
                        self.close_window()
                    else:
                        self.keys(*leave)
                    if menu:
                        # The game is replaced by the menu program, started once.
                        out, err = self.end_with_menu()
                    else:
                        # Nothing to hand over to: the game ends at once with status 0,
                        # rather than going on (or spinning) without a window.
                        out, err = self.ended(timeout=5)
                        self.assertEqual(self.game.returncode, 0)
                        self.assertIsNone(self.box.read_record())
                    self.assertEqual(out, b"")
                    self.assertEqual(err, b"")

    def test_messages_survive_the_menu(self):
        # Without the font nothing is written and without title.bmp the title menu draws
        # nothing at all, so every screen is compared exactly, the title being all black.
        root = self.box.data_copy(without=("font.ttf", "title.bmp"))
        self.start_game(cwd=root)
        self.expect_screen(Canvas(), "title_without_picture_or_font")
        self.keys("space")
        self.expect_screen(self.screens.selection().without_text(), "selection_without_font")
        self.keys("b")
        self.expect_screen(self.screens.fresh_board().without_text(), "fresh_board_without_font")
        self.keys("Escape")
        out, err = self.end_with_menu()
        self.assertEqual(out, FONT_MISSING + TITLE_MISSING)
        self.assertEqual(err, b"")


if __name__ == "__main__":
    unittest.main()
