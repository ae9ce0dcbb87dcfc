# The built game in a real X server, started the way hostile launchers start it (closed
# standard streams, fatal signals), and one whole game under valgrind's memcheck.
import os
import shutil
import signal
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from harness import (EMULATOR, HERE, TESTS, TITLE_MARKS, Sandbox, XGameCase, artefact_path, slow,
                     stop, without_emulator_report, wrong_rows)
from pixels import Canvas


class ClosedStreamsTest(XGameCase):
    """Started with standard output or error closed, the game still plays: what start-up or
    a library writes there must not land in the X connection."""

    # (name, redirection, files left out of data/, extra environment)
    CASES = [
        # "title.bmp could not be found!" is written to standard output after the window
        # is open.
        ("stdout_closed", ">&-", ("title.bmp",), {}),
        # The sound library complains on standard error while SDL starts up; an ALSA
        # configuration that cannot be read makes it complain on any machine.
        ("stderr_closed", "2>&-", ("title.bmp",),
         {"ALSA_CONFIG_PATH": "/nonexistent/alsa.conf", "audio": "alsa"}),
        ("all_closed", "<&- >&- 2>&-", ("title.bmp", "font.ttf"),
         {"ALSA_CONFIG_PATH": "/nonexistent/alsa.conf", "audio": "alsa"}),
    ]

    def test_the_game_plays_on_and_ends_with_the_menu(self):
        for name, redirect, missing, extra in self.CASES:
            with self.subTest(name):
                self.box, self.steps = Sandbox(self), 0
                extra = dict(extra)
                audio = extra.pop("audio", "dummy")
                root = self.box.data_copy(without=missing)
                self.start_game(cwd=root, redirect=redirect, audio=audio, frozen=False, **extra)
                # Without its picture the title is the entries alone, over black.
                bare = Canvas().with_text((220, 145, 100, 56))
                if "font.ttf" in missing:
                    bare = bare.without_text()
                self.expect_screen(bare, name + "_title")
                self.keys("Down")
                if "font.ttf" not in missing:
                    shot = self.expect_screen(bare, name + "_down")
                    # Text is drawn over the last frame here, so the first mark stays; the
                    # second one shows that the press arrived.
                    self.assertIn(1, self.marked(shot, Canvas(), TITLE_MARKS))
                self.keys("Escape")
                self.end_with_menu()


class FatalSignalTest(XGameCase):
    """A fatal signal ends the game at once, killed by that signal, even while it talks to
    the X server; it never freezes and never starts the menu program."""

    SIGNALS = (signal.SIGSEGV, signal.SIGBUS, signal.SIGFPE, signal.SIGQUIT, signal.SIGTERM,
               signal.SIGINT)

    def test_each_signal_kills_the_game(self):
        for sig in self.SIGNALS:
            with self.subTest(signal=sig.name):
                self.box, self.steps = Sandbox(self), 0
                self.start_game()
                self.expect_title(0, sig.name + "_title")
                # A few frames more, so that the signal lands while the game talks to X.
                self.keys("Down", "Up")
                self.game.send_signal(sig)
                try:
                    out, err = self.game.communicate(timeout=slow(5))
                except subprocess.TimeoutExpired:
                    stop(self.game)
                    self.fail("%s did not end the game within %d s" % (sig.name, slow(5)))
                self.assertEqual(self.game.returncode, -sig)
                self.assertEqual((out, without_emulator_report(err, sig)), (b"", b""))
                self.assertIsNone(self.box.read_record(), "the menu program was started")


class ValgrindGameTest(XGameCase):
    """A whole Quick Game, help and the way out, under valgrind's memcheck: no invalid read
    or write, no decision on uninitialised memory, nothing of the game's lost. The pictures
    that shutdown keeps stay reachable through their globals; what libraries lose of their
    own is suppressed by tests/support/valgrind.supp, and what sdl12-compat and SDL2's stack beneath
    it lose by tests/tools/sdl2_stack.supp."""

    screen_timeout = 90
    start_timeout = 180
    # A frame takes tens of times as long under memcheck.
    press_settle = 1.0

    @unittest.skipIf(EMULATOR, "valgrind runs programs of its own machine only: under the "
                     "emulator it would check the emulator (qemu-user) and none of the game's "
                     "ARM code, which qemu translates as it runs")
    def test_a_whole_game_under_memcheck(self):
        log = os.path.join(self.box.dir, "memcheck.log")
        self.start_game(menu=False, wrapper=[
            # Libraries that are unloaded before the end (Mesa's GL driver under SDL2) keep
            # their names in the report, so that suppressions can name them.
            "valgrind", "--error-exitcode=1", "--leak-check=full", "--keep-debuginfo=yes",
            "--errors-for-leak-kinds=definite", "--track-origins=yes",
            "--suppressions=" + os.path.join(HERE, "valgrind.supp"),
            "--suppressions=" + os.path.join(TESTS, "tools", "sdl2_stack.supp"),
            "--log-file=" + log])
        wrong = wrong_rows(self.code)[0]
        try:
            self.expect_title(0, "title")
            self.keys("space")
            self.expect_selection(1, "selection")
            self.keys("b")
            self.expect_screen(self.screens.fresh_board(), "fresh_board")
            self.type_row(wrong)
            self.expect_screen(self.screens.board([wrong], self.code), "wrong_row")
            self.keys("space")
            self.expect_screen(self.screens.help(), "help")
            self.keys("x")
            self.expect_screen(self.screens.board([wrong], self.code), "back_from_help")
            self.type_row(self.code)
            self.expect_screen(self.screens.board([wrong, self.code], self.code), "right_row")
            self.keys("x")
            self.expect_screen(self.screens.win(), "win")
            self.keys("b")
            self.expect_title(0, "title_again")
            self.keys("Escape")
            out, err = self.ended(timeout=180)
        finally:
            # valgrind's report is kept beside the screenshots.
            if os.path.exists(log):
                shutil.copy(log, artefact_path(self, "memcheck", "log"))
        with open(log, errors="replace") as f:
            report = f.read()
        self.assertIn("ERROR SUMMARY: 0 errors", report, report[-4000:])
        self.assertEqual(self.game.returncode, 0, report[-4000:])
        self.assertEqual((out, err), (b"", b""))


if __name__ == "__main__":
    unittest.main()
