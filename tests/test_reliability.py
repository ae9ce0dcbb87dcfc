# The built game in a real X server, started the way hostile launchers start it: closed
# standard streams, fatal signals.
import os
import signal
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import TITLE_MARKS, Sandbox, XGameCase, stop
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
                    out, err = self.game.communicate(timeout=5)
                except subprocess.TimeoutExpired:
                    stop(self.game)
                    self.fail("%s did not end the game within 5 s" % sig.name)
                self.assertEqual(self.game.returncode, -sig)
                self.assertEqual((out, err), (b"", b""))
                self.assertIsNone(self.box.read_record(), "the menu program was started")


if __name__ == "__main__":
    unittest.main()
