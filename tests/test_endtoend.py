# The built game played end to end in a real X server: key presses in, screenshots out.
import calendar
import glob
import os
import select
import signal
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import (CODEOF, DATA, FONT_MISSING, GAME, MENU_DIR, MENU_PROGRAM, ROOT,
                     TITLE_MISSING, Sandbox, artefact_path, clean_env, die_with_parent, menu_record,
                     run, stop)
from pixels import Canvas, differences, paint_bmp_rows, read_bmp, read_xwd, write_png

# Key of each colour 1..6 (red, green, blue, yellow, brown, purple) and its ball's picture.
KEYS = {1: "x", 2: "b", 3: "y", 4: "a", 5: "r", 6: "l"}
BALLS = {1: "ball_red", 2: "ball_green", 3: "ball_blue", 4: "ball_yellow", 5: "ball_brown",
         6: "ball_purple"}

# The board's layout.
BALL_X, BALL_DX, BALL_Y, BALL_DY = 74, 37, 21, 29
MARK_X = (222, 239, 222, 239)
MARK_Y, MARK_DY, MARK_LOWER = 25, 29, 11
BANNER_X = 127
BANNER_Y = (18, 46, 72, 100, 128, 156, 188)
FALSE_H = (34, 36, 34, 34, 34, 34, 34)
PORTRAIT = ("borin_quastle", 18, 50, 32, 42)  # opponent 1
# "Opponent" is drawn anti-aliased at (12, 100); its box is left out of exact comparisons.
TEXT_AREA = (12, 100, 60, 20)

WHITE, BLACK, CROSS = "white", "black", "black+cross"

# Seconds a screen may take to show what it should.
SCREEN_TIMEOUT = 8


def marks_for(row, code):
    """Per hole: white where the ball is the code's colour there, black where that colour
    is elsewhere in the code, black with a cross where it is nowhere in it."""
    return [WHITE if b == c else BLACK if b in code else CROSS for b, c in zip(row, code)]


class Pictures:
    """data/'s BMPs, read on first use."""

    def __init__(self, data=DATA):
        self.data, self.cache = data, {}

    def __getattr__(self, name):
        if name not in self.cache:
            self.cache[name] = read_bmp(os.path.join(self.data, name + ".bmp"))
        return self.cache[name]

    def __getitem__(self, name):
        return getattr(self, name)


class Screens:
    """The screens as the game must show them, from data/'s pictures."""

    def __init__(self, pictures):
        self.p = pictures

    def fresh_board(self):
        c = Canvas().blit(self.p.main, 0, 0, keyed=False)
        name, x, y, w, h = PORTRAIT
        return c.blit(self.p[name], x, y, w, h)

    def board(self, rows, code):
        """A game with the given rows of colours (the last may be partial): balls, then the
        markers and banner of each full row up to the first right one."""
        c = self.fresh_board()
        for r, row in enumerate(rows):
            for h, colour in enumerate(row):
                c.blit(self.p[BALLS[colour]], BALL_X + BALL_DX * h, BALL_Y + BALL_DY * r, 27, 25)
        for r, row in enumerate(rows):
            if len(row) < 4:
                break
            for h, mark in enumerate(marks_for(row, code)):
                x, y = MARK_X[h], MARK_Y + MARK_DY * r + (MARK_LOWER if h >= 2 else 0)
                c.blit(self.p["1" if mark == WHITE else "2"], x, y, 14, 8)
                if mark == CROSS:
                    c.blit(self.p["3"], x, y, 14, 8)
            if list(row) == list(code):
                return c.blit(self.p.right, BANNER_X, BANNER_Y[r], 54, 36)
            c.blit(self.p["false"], BANNER_X, BANNER_Y[r], 54, FALSE_H[r])
        return c

    def help(self):
        return Canvas().blit(self.p.help_screen, 0, 0, keyed=False)


class Xvfb:
    """A private X server of 320x240 at 16 bits on the first free display."""

    def __init__(self):
        rfd, wfd = os.pipe()
        self.log = tempfile.TemporaryFile()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(wfd), "-screen", "0", "320x240x16", "-nolisten", "tcp",
             # Without -noreset the server resets whenever its last client leaves, and
             # refuses the connections that come in meanwhile.
             "-noreset"],
            pass_fds=(wfd,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=self.log, start_new_session=True, preexec_fn=die_with_parent)
        os.close(wfd)
        number = b""
        deadline = time.monotonic() + 15
        with os.fdopen(rfd, "rb", buffering=0) as r:
            while not number.endswith(b"\n") and time.monotonic() < deadline:
                ready, _, _ = select.select([r], [], [], 0.2)
                if ready:
                    chunk = r.read(16)
                    if not chunk:
                        break
                    number += chunk
        if not number.strip().isdigit():
            stop(self.proc)
            self.log.seek(0)
            raise RuntimeError("Xvfb did not start: %r" % self.log.read()[-2000:])
        self.display = ":" + number.strip().decode()

    def env(self, **extra):
        return clean_env(DISPLAY=self.display, **extra)

    def stop(self):
        stop(self.proc, signal.SIGTERM)
        self.log.close()


class XGameCase(unittest.TestCase):
    """Starts an X server for the class, and a fresh game process for each test."""

    BASE_TIME = calendar.timegm((2026, 1, 1, 0, 0, 0))

    @classmethod
    def setUpClass(cls):
        cls.x = Xvfb()
        cls.addClassCleanup(cls.x.stop)
        found = glob.glob("/usr/lib/*/faketime/libfaketime.so.1")
        if not found:
            raise RuntimeError("libfaketime is not installed (Debian package faketime)")
        cls.libfaketime = found[0]
        cls.pictures = Pictures()
        cls.screens = Screens(cls.pictures)
        # A frozen clock makes the seed known; take the first second whose code has two
        # colours, so that a row can earn all three kinds of marker.
        for seed in range(cls.BASE_TIME, cls.BASE_TIME + 100):
            draws = [int(v) for v in run([CODEOF, str(seed), "--draws", "2"]).split()]
            if draws[0] != draws[1]:
                break
        cls.seed, cls.draws = seed, draws
        cls.code = [int(v) for v in run([CODEOF, str(seed), "1"]).split()]
        cls.faketime = time.strftime("%Y-%m-%d %H:%M:%S", time.gmtime(seed))
        clock = run(["env", "LD_PRELOAD=" + cls.libfaketime, "FAKETIME=" + cls.faketime,
                     "TZ=UTC", "date", "+%s"]).strip()
        if clock != str(seed):
            raise RuntimeError("faketime gives %s, not %d" % (clock, seed))

    def setUp(self):
        self.box = Sandbox(self)
        self.game = None
        self.steps = 0

    def tearDown(self):
        if self.game:
            stop(self.game)
        # The next test must not find this game's window.
        deadline = time.monotonic() + 5
        while time.monotonic() < deadline and self.xdotool(
                "search", "--class", "codebreaker", check=False).returncode == 0:
            time.sleep(0.05)

    def xdotool(self, *args, check=True):
        return subprocess.run(["xdotool"] + list(args), env=self.x.env(), capture_output=True,
                              timeout=15, check=check, stdin=subprocess.DEVNULL)

    def start_game(self, cwd=ROOT):
        env = self.box.env(DISPLAY=self.x.display, SDL_VIDEODRIVER="x11",
                           SDL_AUDIODRIVER="dummy", TZ="UTC")
        # Only the game sees the frozen clock; monotonic time keeps running for SDL.
        self.game = self.box.popen(
            ["env", "LD_PRELOAD=" + self.libfaketime, "FAKETIME=" + self.faketime,
             "FAKETIME_DONT_FAKE_MONOTONIC=1", GAME], cwd=cwd, env=env)
        found = self.xdotool("search", "--sync", "--onlyvisible", "--class", "codebreaker")
        self.window = found.stdout.split()[0].decode()
        self.xdotool("windowfocus", "--sync", self.window)

    def keys(self, *names):
        self.xdotool("key", "--delay", "30", *names)

    def type_row(self, row):
        self.keys(*(KEYS[c] for c in row))

    def screenshot(self):
        shot = subprocess.run(["xwd", "-root", "-silent", "-display", self.x.display],
                              capture_output=True, timeout=15, check=True)
        return read_xwd(shot.stdout)

    def expect_screen(self, expected, step, ignore=TEXT_AREA):
        """Waits until the screen is expected pixel for pixel (outside ignore), and keeps
        the screenshot. On a timeout the last screenshot, the expected screen and the
        differences (red) are kept instead, and the test fails."""
        self.steps += 1
        name = "%02d_%s" % (self.steps, step)
        deadline = time.monotonic() + SCREEN_TIMEOUT
        while True:
            shot = self.screenshot()
            diff = differences(shot, expected, ignore)
            if not diff or time.monotonic() > deadline or (self.game.poll() is not None):
                break
            time.sleep(0.05)
        write_png(artefact_path(self, name), shot)
        if diff:
            write_png(artefact_path(self, name + "-expected"), expected)
            write_png(artefact_path(self, name + "-differences"), shot,
                      overlay={i: (255, 0, 0) for i in diff})
            i = diff[0]
            self.fail("%s: %d pixels differ from what the game should show, the first at "
                      "(%d, %d): %#06x instead of %#06x%s; see %s" % (
                          step, len(diff), i % 320, i // 320, shot.pixels[i], expected.pixels[i],
                          "" if self.game.poll() is None else
                          " (the game ended, status %r)" % self.game.returncode,
                          artefact_path(self, name + "-differences")))
        return shot

    def expect_label(self, shot):
        """Something is drawn where "Opponent" goes (its pixels are anti-aliased)."""
        x0, y0, w, h = TEXT_AREA
        inside = [i for i in differences(shot, self.screens.fresh_board())
                  if x0 <= i % 320 < x0 + w and y0 <= i // 320 < y0 + h]
        self.assertTrue(inside, "nothing drawn where the opponent's label goes")

    def end_with_menu(self):
        """The game must be replaced by the menu program, which ends with its status 0."""
        try:
            out, err = self.game.communicate(timeout=10)
        except subprocess.TimeoutExpired:
            self.fail("the game did not end within 10 s")
        self.assertEqual(self.box.read_record(), menu_record(MENU_DIR, MENU_PROGRAM))
        self.assertEqual(self.game.returncode, 0)
        return out, err


class GameTest(XGameCase):
    """Rows, their markers and banners, and the fresh game after each ending."""

    def wrong_rows(self):
        d1, d2 = self.draws
        n, m = [c for c in range(1, 7) if c not in (d1, d2)][:2]
        return [
            [d2, d1, n, d1],   # black, white, cross, black
            [n, n, n, n],      # all crossed
            [d1, d1, d1, d1],  # three white, black
            [d2, d2, d2, d2],  # three black, white
            [n, d1, m, d2],    # cross, white, cross, white
            [d1, d2, d1, n],   # white, black, white, cross
            [m, n, m, d1],     # cross, cross, cross, black
        ]

    def test_wrong_row_then_right_code_then_fresh_game(self):
        d1, d2 = self.draws
        self.assertEqual(self.code, [d1, d1, d1, d2],
                         "opponent 1's code must be the first draw three times, then the second")
        wrong = self.wrong_rows()[0]
        self.assertEqual(marks_for(wrong, self.code), [BLACK, WHITE, CROSS, BLACK])

        self.start_game()
        shot = self.expect_screen(self.screens.fresh_board(), "fresh_board")
        self.expect_label(shot)

        self.type_row(wrong)
        self.expect_screen(self.screens.board([wrong], self.code), "wrong_row_1")

        self.type_row(self.code)
        self.expect_screen(self.screens.board([wrong, self.code], self.code), "right_row_2")

        # The press that ends the game is used up: a colour key places nothing.
        self.keys("x")
        self.expect_screen(self.screens.fresh_board(), "fresh_game")
        self.assertIsNone(self.game.poll())

    def test_seven_wrong_rows_lose_then_fresh_game(self):
        rows = self.wrong_rows()
        for row in rows:
            self.assertNotEqual(row, self.code)
        # The wrong banner's last two lines are see-through in data/; painted opaque they
        # show that row 2 draws all 36 lines of it and every other row 34.
        root = self.box.data_copy()
        paint_bmp_rows(os.path.join(DATA, "false.bmp"), os.path.join(root, "data", "false.bmp"),
                       34, 35, (255, 255, 0))
        screens = Screens(Pictures(os.path.join(root, "data")))
        self.start_game(cwd=root)
        self.expect_screen(screens.fresh_board(), "fresh_board")
        for n in range(1, len(rows) + 1):
            self.type_row(rows[n - 1])
            self.expect_screen(screens.board(rows[:n], self.code), "wrong_row_%d" % n)

        # Space ends the lost game like any key; it does not open help.
        self.keys("space")
        self.expect_screen(screens.fresh_board(), "fresh_game")
        self.type_row([self.code[0]])
        self.expect_screen(screens.board([[self.code[0]]], self.code), "first_ball")


class HelpTest(XGameCase):

    def test_help_and_back_to_the_same_game(self):
        self.start_game()
        self.expect_screen(self.screens.fresh_board(), "fresh_board")
        self.type_row([5, 6])
        self.expect_screen(self.screens.board([[5, 6]], self.code), "two_balls")

        self.keys("space")
        self.expect_screen(self.screens.help(), "help", ignore=None)

        # The press that closes help is used up there: the colour key places nothing.
        self.keys("b")
        self.expect_screen(self.screens.board([[5, 6]], self.code), "back_from_help")
        self.type_row([3])
        self.expect_screen(self.screens.board([[5, 6, 3]], self.code), "third_ball")


class LeavingTest(XGameCase):

    def test_escape_hands_over_to_the_menu(self):
        self.start_game()
        self.expect_screen(self.screens.fresh_board(), "fresh_board")
        self.type_row([1])
        self.expect_screen(self.screens.board([[1]], self.code), "one_ball")
        self.keys("Escape")
        out, err = self.end_with_menu()
        self.assertEqual(out, b"")
        self.assertEqual(err, b"")

    def test_messages_survive_the_menu(self):
        # Without the font nothing is written, so the whole screen is compared exactly.
        root = self.box.data_copy(without=("font.ttf", "title.bmp"))
        self.start_game(cwd=root)
        self.expect_screen(self.screens.fresh_board(), "fresh_board_without_font", ignore=None)
        self.keys("Escape")
        out, err = self.end_with_menu()
        self.assertEqual(out, FONT_MISSING + TITLE_MISSING)
        self.assertEqual(err, b"")


if __name__ == "__main__":
    unittest.main()
