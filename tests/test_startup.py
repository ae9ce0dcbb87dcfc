# Start-up of the built game as a process: its messages, signals, and the two failing exits.
import os
import shutil
import signal
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import (FONT_MISSING, GAME, HELP_MISSING, MENU_DIR, MENU_PROGRAM, SDL_INIT_REASON,
                     TITLE_MISSING, Sandbox, cpu_seconds, menu_record, stop, wait_started,
                     write_huge_height)

DUMMY = dict(SDL_VIDEODRIVER="dummy", SDL_AUDIODRIVER="dummy")


class StartupMessagesTest(unittest.TestCase):
    """Each missing file is reported on stdout exactly; nothing reaches stderr. A picture
    whose header describes no drawable picture is missing all the same."""

    # (files left out of data/, pictures whose height field says -2^31, exact stdout)
    CASES = [
        ((), (), b""),
        (("font.ttf",), (), FONT_MISSING),
        (("title.bmp",), (), TITLE_MISSING),
        (("help_screen.bmp",), (), HELP_MISSING),
        (("title.bmp", "help_screen.bmp"), (), TITLE_MISSING + HELP_MISSING),
        (("font.ttf", "title.bmp", "help_screen.bmp"), (),
         FONT_MISSING + TITLE_MISSING + HELP_MISSING),
        # The other pictures are missed in silence.
        (("main.bmp", "round.bmp", "1.bmp", "ball_red.bmp"), (), b""),
        ((), ("title.bmp",), TITLE_MISSING),
        (("font.ttf",), ("help_screen.bmp",), FONT_MISSING + HELP_MISSING),
        ((), ("title.bmp", "help_screen.bmp", "you_lost.bmp", "main.bmp"),
         TITLE_MISSING + HELP_MISSING),
    ]

    def test_messages_for_missing_files(self):
        for missing, damaged, expected in self.CASES:
            with self.subTest(missing=missing, damaged=damaged):
                box = Sandbox(self)
                root = box.data_copy(without=missing)
                for name in damaged:
                    path = os.path.join(root, "data", name)
                    write_huge_height(path, path)
                game = box.popen([GAME], cwd=root, env=box.env(**DUMMY))
                try:
                    started = wait_started(game)
                finally:
                    out, err = stop(game, signal.SIGTERM)
                self.assertTrue(started, "start-up never finished (status %r, stderr %r)"
                                % (game.returncode, err))
                self.assertEqual(game.returncode, -signal.SIGTERM)
                self.assertEqual(out, expected)
                self.assertEqual(err, b"")
                self.assertNotIn(b"joystick", (out + err).lower())


class SignalTest(unittest.TestCase):
    """Once SDL is up, the signals that end a process still end the game, killed by that
    very signal, without shutting down into the menu program."""

    SIGNALS = (signal.SIGTERM, signal.SIGINT, signal.SIGQUIT, signal.SIGSEGV, signal.SIGBUS,
               signal.SIGFPE)

    def test_signals_end_the_game(self):
        for sig in self.SIGNALS:
            with self.subTest(signal=sig.name):
                box = Sandbox(self)
                game = box.popen([GAME], env=box.env(**DUMMY))
                try:
                    self.assertTrue(wait_started(game), "start-up never finished")
                    game.send_signal(sig)
                    try:
                        game.wait(timeout=5)
                    except subprocess.TimeoutExpired:
                        self.fail("%s did not end the game within 5 s" % sig.name)
                finally:
                    out, err = stop(game)
                self.assertEqual(game.returncode, -sig)
                self.assertEqual((out, err), (b"", b""))
                self.assertIsNone(box.read_record(), "the menu program was started")


class BrokenPipeTest(unittest.TestCase):
    """A start-up message written to a pipe that nobody reads is lost; the game lives on,
    and a failing start-up keeps its exit status."""

    def broken_pipe(self):
        r, w = os.pipe()
        os.close(r)
        self.addCleanup(os.close, w)
        return w

    def test_a_message_to_a_pipe_without_reader_does_not_end_the_game(self):
        box = Sandbox(self)
        root = box.data_copy(without=("font.ttf", "title.bmp"))
        game = box.popen([GAME], cwd=root, env=box.env(**DUMMY), stdout=self.broken_pipe())
        try:
            started = wait_started(game)
        finally:
            _, err = stop(game, signal.SIGTERM)
        self.assertTrue(started, "start-up never finished (status %r, stderr %r)"
                        % (game.returncode, err))
        self.assertEqual(game.returncode, -signal.SIGTERM)
        self.assertEqual(err, b"")

    def test_failing_start_up_keeps_its_status_with_stderr_a_pipe_without_reader(self):
        box = Sandbox(self)
        env = box.env(SDL_VIDEODRIVER="x11", SDL_AUDIODRIVER="dummy",
                      DISPLAY=SdlInitFailureTest.free_display(), GP2X_MENU="absent")
        game = box.popen([GAME], env=env, stderr=self.broken_pipe())
        try:
            game.wait(timeout=30)
        finally:
            stop(game)
        self.assertEqual(game.returncode, 1)


class SdlInitFailureTest(unittest.TestCase):
    """Without a display SDL_Init fails: status 1, SDL's reason on stderr, no menu."""

    @staticmethod
    def free_display():
        for n in range(400, 1000):
            if not any(os.path.exists(p % n) for p in ("/tmp/.X11-unix/X%d", "/tmp/.X%d-lock")):
                return ":%d" % n
        raise RuntimeError("no free display number")

    def test_status_1_with_sdls_reason(self):
        box = Sandbox(self)
        env = box.env(SDL_VIDEODRIVER="x11", SDL_AUDIODRIVER="dummy", DISPLAY=self.free_display())
        reason = subprocess.run([SDL_INIT_REASON], env=env, capture_output=True, timeout=30)
        self.assertEqual(reason.returncode, 1, "SDL_Init does not fail here, so this test "
                                               "cannot show the game's failure")
        self.assertTrue(reason.stdout)

        game = box.popen([GAME], env=env)
        try:
            out, err = game.communicate(timeout=30)
        finally:
            stop(game)
        self.assertEqual(game.returncode, 1)
        self.assertEqual(err, b"Couldn't initialize SDL: " + reason.stdout + b"\n")
        self.assertEqual(out, b"")
        self.assertIsNone(box.read_record(), "the menu program was started")


class VideoModeFailureTest(unittest.TestCase):
    """When the 320x240x16 mode cannot be had: status 2, the reason, then the menu.

    The dummy video driver allocates the 153,600-byte frame right after SDL_Init, so a
    limit on the address space that lets every library load and SDL start leaves that
    allocation failing. Where that window lies depends on the libraries installed, so it
    is searched for: upwards from a limit the loader fails at, 32 KiB at a time."""

    STEP = 32 * 1024
    LOW = 4 * 1024 * 1024       # far too little to load the libraries
    HIGH = 1024 * 1024 * 1024   # plenty for the game to run
    MAX_PROBES = 1000
    BUDGET = 60.0               # seconds for the whole search
    MESSAGE = b"Couldn't set 320x240x16 video mode: Couldn't allocate buffer for requested mode\n"

    def probe(self, limit, with_menu=False):
        """Runs the game under an address-space limit; returns a dict of what happened.

        kind is "exit" (status in status) or "running" when it got into its loop, seen by
        the processor time the loop burns (start-up alone takes a small part of it)."""
        box = Sandbox(self)
        env = box.env(**DUMMY)
        if not with_menu:
            env["GP2X_MENU"] = "absent"
        game = box.popen(["prlimit", "--as=%d" % limit, GAME], env=env)
        deadline = time.monotonic() + 10
        kind = None
        try:
            while kind is None:
                if game.poll() is not None:
                    kind = "exit"
                elif time.monotonic() > deadline or (cpu_seconds(game.pid) or 0) > 0.5:
                    kind = "running"
                else:
                    time.sleep(0.01)
        finally:
            out, err = stop(game)
        record = box.read_record()
        shutil.rmtree(box.dir, True)
        self.probes += 1
        self.log.append((limit, kind, game.returncode, err[:100]))
        return dict(limit=limit, kind=kind, status=game.returncode, out=out, err=err,
                    record=record)

    def setUp(self):
        self.probes = 0
        self.log = []
        self.started = time.monotonic()

    def search_failed(self, why):
        self.fail("%s\nprobes (limit, kind, status, stderr):\n%s" % (
            why, "\n".join("  %r" % (p,) for p in self.log)))

    def check_budget(self):
        if self.probes >= self.MAX_PROBES or time.monotonic() - self.started > self.BUDGET:
            self.search_failed("gave up after %d probes" % self.probes)

    def is_loader_failure(self, p):
        return p["kind"] == "exit" and p["status"] == 127

    def find_window(self):
        """Limits (in STEP) at which the game ends with status 2, lowest first."""
        low = self.probe(self.LOW)
        if not self.is_loader_failure(low):
            self.search_failed("%d bytes should be too little to load the game" % self.LOW)
        high = self.probe(self.HIGH)
        if high["kind"] != "running":
            self.search_failed("the game does not run even with %d bytes" % self.HIGH)
        # Narrow down where loading stops failing, then walk up from below that.
        lo, hi = self.LOW, self.HIGH
        while hi - lo > self.STEP:
            self.check_budget()
            mid = (lo + hi) // 2 // 4096 * 4096
            if self.is_loader_failure(self.probe(mid)):
                lo = mid
            else:
                hi = mid
        window = []
        limit = lo
        while True:
            self.check_budget()
            limit += self.STEP
            p = self.probe(limit)
            if self.is_loader_failure(p):
                continue
            if p["kind"] == "exit" and p["status"] < 0:
                # A library's constructor that aborts when malloc fails, before main.
                continue
            if p["kind"] == "exit" and p["status"] == 1:
                # SDL_Init itself ran short of memory: a correct exit of its own.
                self.assertRegex(p["err"], rb"\ACouldn't initialize SDL: [^\n]+\n\Z")
                continue
            if p["kind"] == "exit" and p["status"] == 2:
                self.assertEqual(p["err"], self.MESSAGE)
                self.assertEqual(p["out"], b"")
                window.append(limit)
                continue
            break
        if not window:
            self.search_failed("no limit ends the game with status 2: once loading worked, "
                               "the first run ended as %s %r" % (p["kind"], p["status"]))
        return window

    def test_status_2_then_the_menu(self):
        window = self.find_window()
        # Runs in the middle of the window, to be safe from a page more or less of libraries.
        limit = window[len(window) // 2]
        sys.stderr.write("\nstatus 2 from %d to %d bytes (%d probes); using %d\n"
                         % (window[0], window[-1], self.probes, limit))

        # Without a menu program to start, the exit handler returns and status 2 remains.
        p = self.probe(limit)
        self.assertEqual((p["kind"], p["status"]), ("exit", 2), self.log)
        self.assertEqual(p["err"], self.MESSAGE)
        self.assertEqual(p["out"], b"")

        # With one, the exit handler replaces the process by it: the status is then the
        # menu's own 0, and the menu tells where and how it was started.
        p = self.probe(limit, with_menu=True)
        self.assertEqual(p["err"], self.MESSAGE)
        self.assertEqual(p["out"], b"")
        self.assertEqual(p["record"], menu_record(MENU_DIR, MENU_PROGRAM),
                         "the menu program was not started as expected (status %r)" % p["status"])
        self.assertEqual((p["kind"], p["status"]), ("exit", 0))


if __name__ == "__main__":
    unittest.main()
