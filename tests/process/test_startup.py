# Start-up of the built game as a process: its messages, signals, and the two failing exits.
import json
import os
import signal
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from harness import (EMULATOR, EXPECTED_SDL, FONT_MISSING, FRAME_ALLOC_FAILS, GAME, HELP_MISSING,
                     JOYSTICK_FAILS, MENU_DIR, MENU_PROGRAM, ROOT, SDL_PROBE, TITLE_MISSING,
                     Sandbox, XGameCase, clean_env, command, menu_record, sdl_libraries, slow, stop,
                     wait_started, without_emulator_report, without_menu_loader_complaint,
                     write_huge_height)

DUMMY = dict(SDL_VIDEODRIVER="dummy", SDL_AUDIODRIVER="dummy")


def start_up_output(test, box, root, stdout=subprocess.PIPE, **env):
    """What the game wrote (stdout, stderr) by the end of its start-up, started in the sandbox
    box from root on the dummy drivers with env, then ended with SIGTERM."""
    game = box.popen(command([GAME]), cwd=root, env=box.env(**env, **DUMMY), stdout=stdout)
    try:
        started = wait_started(game)
    finally:
        out, err = stop(game, signal.SIGTERM)
    test.assertTrue(started, "start-up never finished (status %r, stderr %r)"
                    % (game.returncode, err))
    test.assertEqual(game.returncode, -signal.SIGTERM)
    return out, err


class SdlRunsTest(unittest.TestCase):
    """Every test registered on sdl12-compat (named "compat.") has its twin on the classic
    library, and each of the two starts with its own library's environment: the run's name,
    the library file it must find loaded and, on sdl12-compat alone, that file's folder as the
    library search path. The tests' own checks of the loaded library rest on this."""

    def registered_environments(self):
        """{test name: {variable: value}} for every test of the build, as CTest starts it."""
        shown = subprocess.run([os.environ["CTEST_COMMAND"], "--test-dir",
                                os.environ["BUILD_DIR"], "--show-only=json-v1"],
                               check=True, capture_output=True, text=True, timeout=60).stdout
        environments = {}
        for test in json.loads(shown)["tests"]:
            properties = {p["name"]: p["value"] for p in test.get("properties", [])}
            environments[test["name"]] = dict(
                v.split("=", 1) for v in properties.get("ENVIRONMENT", []))
        return environments

    def test_each_copy_starts_on_its_own_library(self):
        environments = self.registered_environments()
        copies = [n for n in environments
                  if n.startswith("compat.") and n != "compat.sdl12_compat_missing"]
        if EMULATOR:
            return self.check_cross_build(environments, copies)
        self.assertTrue(copies, "no test runs on sdl12-compat")
        for name in copies:
            with self.subTest(name):
                twin = name[len("compat."):]
                self.assertIn(twin, environments, "no twin on the classic library")
                compat, classic = environments[name], environments[twin]
                self.assertEqual((compat.get("TEST_SDL_RUN"), classic.get("TEST_SDL_RUN")),
                                 ("compat", "classic"))
                self.assertNotIn("LD_LIBRARY_PATH", classic)
                self.assertIn("LD_LIBRARY_PATH", compat)
                expected = os.path.realpath(compat.get("EXPECTED_SDL_LIBRARY", ""))
                self.assertEqual(os.path.dirname(expected),
                                 os.path.realpath(compat["LD_LIBRARY_PATH"]))
                self.assertTrue(os.path.isfile(expected))
                self.assertTrue(os.path.isfile(classic.get("EXPECTED_SDL_LIBRARY", "")))
                self.assertNotEqual(os.path.realpath(classic["EXPECTED_SDL_LIBRARY"]), expected)


    def check_cross_build(self, environments, copies):
        """A cross build's sysroot holds the classic library alone: no test has a copy on
        sdl12-compat, and each test that names its library names the classic one of the
        sysroot the emulator loads the target's libraries from, with no search path of the
        host's."""
        self.assertEqual(copies, [], "a cross build has no sdl12-compat to run on")
        self.assertIn("-L", EMULATOR, "the emulator names no sysroot")
        sysroot = os.path.realpath(EMULATOR[EMULATOR.index("-L") + 1])
        named = {n: e for n, e in environments.items() if "EXPECTED_SDL_LIBRARY" in e}
        self.assertTrue(named, "no test names its SDL library")
        for name, env in named.items():
            with self.subTest(name):
                self.assertEqual(env.get("TEST_SDL_RUN"), "classic")
                self.assertNotIn("LD_LIBRARY_PATH", env)
                library = os.path.realpath(env["EXPECTED_SDL_LIBRARY"])
                self.assertTrue(os.path.isfile(library))
                self.assertEqual(os.path.commonpath([library, sysroot]), sysroot,
                                 "%s is not the sysroot's" % library)


class SdlLibraryTest(unittest.TestCase):
    """The run's SDL library is the one loaded: by the probe that gives SDL's own words to the
    other tests, and by the game, once for its SDL_ttf and SDL_mixer as well."""

    def test_the_runs_library_is_the_one_loaded(self):
        self.assertIsNotNone(EXPECTED_SDL, "the test run names no SDL library to run on")
        version, path = subprocess.run(command([SDL_PROBE, "library"]), env=clean_env(),
                                       check=True, capture_output=True, text=True,
                                       timeout=slow(30)).stdout.split()
        self.assertEqual(os.path.realpath(path), os.path.realpath(EXPECTED_SDL))
        # Classic SDL 1.2 ended at 1.2.15; sdl12-compat numbers its releases from 1.2.50 on.
        major, minor, patch = (int(n) for n in version.split("."))
        self.assertEqual((major, minor), (1, 2))
        compat = os.environ.get("TEST_SDL_RUN") == "compat"
        self.assertEqual(patch >= 50, compat, "SDL %s is not the %s library"
                         % (version, "sdl12-compat" if compat else "classic"))

        box = Sandbox(self)
        game = box.popen(command([GAME]), env=box.env(**DUMMY))
        try:
            self.assertTrue(wait_started(game), "start-up never finished")
            self.assertEqual(sdl_libraries(game.pid), [os.path.realpath(EXPECTED_SDL)])
        finally:
            stop(game)


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
                out, err = start_up_output(self, box, root)
                self.assertEqual(out, expected)
                self.assertEqual(err, b"")
                self.assertNotIn(b"joystick", (out + err).lower())


class ButtonMapMessageTest(unittest.TestCase):
    """The launcher's button map (CODEBREAKER_BUTTONS): a good one, "none" or an empty one
    starts the game in silence; a damaged one is reported once on stderr, naming its first bad
    entry, and the game starts all the same (with the handheld's own numbers, which the
    in-process tests hold it to)."""

    NOTE = (b'CODEBREAKER_BUTTONS: "%s" is no entry of a button map (control:bN or '
            b"control:h0.N); the buttons keep the handheld's numbers\n")
    # (the map, the entry reported, or None for none)
    CASES = [
        ("b:b0,a:b1,x:b2,y:b3,l:b4,r:b5,select:b8,start:b9,up:h0.1,down:h0.4,left:h0.8,"
         "right:h0.2", None),
        ("none", None),
        ("", None),
        ("a:b1,home:b10,b:b0", b"home:b10"),
        ("a:b1,b:b1", b"b:b1"),
        ("a:b1,", b""),
        ("up:h0.5", b"up:h0.5"),
    ]

    def test_a_damaged_map_is_named_once_and_the_game_starts(self):
        for text, bad in self.CASES:
            with self.subTest(map=text):
                out, err = start_up_output(self, Sandbox(self), ROOT, CODEBREAKER_BUTTONS=text)
                self.assertEqual(out, b"")
                self.assertEqual(err, b"" if bad is None else self.NOTE % bad)


class SignalTest(unittest.TestCase):
    """Once SDL is up, the signals that end a process still end the game, killed by that
    very signal, without shutting down into the menu program."""

    SIGNALS = (signal.SIGTERM, signal.SIGINT, signal.SIGQUIT, signal.SIGSEGV, signal.SIGBUS,
               signal.SIGFPE)

    def test_signals_end_the_game(self):
        for sig in self.SIGNALS:
            with self.subTest(signal=sig.name):
                box = Sandbox(self)
                game = box.popen(command([GAME]), env=box.env(**DUMMY))
                try:
                    self.assertTrue(wait_started(game), "start-up never finished")
                    game.send_signal(sig)
                    try:
                        game.wait(timeout=slow(5))
                    except subprocess.TimeoutExpired:
                        self.fail("%s did not end the game within %d s" % (sig.name, slow(5)))
                finally:
                    out, err = stop(game)
                self.assertEqual(game.returncode, -sig)
                self.assertEqual((out, without_emulator_report(err, sig)), (b"", b""))
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
        _, err = start_up_output(self, box, root, stdout=self.broken_pipe())
        self.assertEqual(err, b"")

    def test_failing_start_up_keeps_its_status_with_stderr_a_pipe_without_reader(self):
        box = Sandbox(self)
        env = box.env(SDL_VIDEODRIVER="x11", SDL_AUDIODRIVER="dummy",
                      DISPLAY=SdlInitFailureTest.free_display(), GP2X_MENU="absent")
        game = box.popen(command([GAME]), env=env, stderr=self.broken_pipe())
        try:
            game.wait(timeout=slow(30))
        finally:
            stop(game)
        self.assertEqual(game.returncode, 1)


class SdlInitFailureTest(unittest.TestCase):
    """Without a display SDL cannot start: status 1, SDL's reason on stderr, no menu. When the
    sound driver cannot start either, start-up tries again without it, and the reason of that
    second attempt, the video's, is the one reported."""

    # (name, sound driver, extra environment)
    CASES = [
        ("no_display", "dummy", {}),
        ("no_display_and_no_sound_server", "pulse", {"PULSE_SERVER": "unix:/nonexistent/pulse"}),
    ]

    @staticmethod
    def free_display():
        for n in range(400, 1000):
            if not any(os.path.exists(p % n) for p in ("/tmp/.X11-unix/X%d", "/tmp/.X%d-lock")):
                return ":%d" % n
        raise RuntimeError("no free display number")

    def test_status_1_with_sdls_reason(self):
        for name, audio, extra in self.CASES:
            with self.subTest(name):
                box = Sandbox(self)
                env = box.env(SDL_VIDEODRIVER="x11", SDL_AUDIODRIVER=audio,
                              DISPLAY=self.free_display(), **extra)
                reason = subprocess.run(command([SDL_PROBE, "init"]), env=env,
                                        capture_output=True, timeout=slow(30))
                self.assertEqual(reason.returncode, 1, "SDL starts here, so this test cannot "
                                                       "show the game's failure")
                self.assertTrue(reason.stdout)

                game = box.popen(command([GAME]), env=env)
                try:
                    out, err = game.communicate(timeout=slow(30))
                finally:
                    stop(game)
                self.assertEqual(game.returncode, 1)
                self.assertEqual(err, b"Couldn't initialize SDL: " + reason.stdout + b"\n")
                self.assertEqual(out, b"")
                self.assertIsNone(box.read_record(), "the menu program was started")


class VideoModeFailureTest(unittest.TestCase):
    """When the 320x240x16 mode cannot be had: status 2, SDL's reason, then the menu.

    A preloaded shim makes every allocation as large as the 153,600-byte frame fail while
    SDL_SetVideoMode runs, and nothing else: the mode fails for want of memory on either
    library and with any video driver. The probe takes start-up's steps under the same shim,
    so the reason to expect is the library's own."""

    def probe(self, preload=None):
        return subprocess.run(command([SDL_PROBE, "video-mode"], preload=preload),
                              env=clean_env(**DUMMY), capture_output=True, timeout=slow(30))

    def run_game(self, with_menu):
        """Runs the game under the shim to its end: (status, stdout, stderr, menu record)."""
        box = Sandbox(self)
        env = box.env(**DUMMY)
        if not with_menu:
            env["GP2X_MENU"] = "absent"
        game = box.popen(command([GAME], preload=FRAME_ALLOC_FAILS), env=env)
        try:
            out, err = game.communicate(timeout=slow(30))
        finally:
            stop(game)
        return game.returncode, out, err, box.read_record()

    def test_status_2_then_the_menu(self):
        # The mode is there to be had; only the shim takes it away.
        plain = self.probe()
        self.assertEqual(plain.returncode, 0, "the mode fails even without the shim: %r"
                         % plain.stdout)
        reason = self.probe(preload=FRAME_ALLOC_FAILS)
        self.assertEqual(reason.returncode, 2, "the mode does not fail under the shim, so this "
                                               "test cannot show the game's failure")
        self.assertTrue(reason.stdout)
        message = b"Couldn't set 320x240x16 video mode: " + reason.stdout + b"\n"
        sys.stderr.write("\nSDL's reason under the shim: %r\n" % reason.stdout)

        # Without a menu program to start, the exit handler returns and status 2 remains.
        self.assertEqual(self.run_game(with_menu=False), (2, b"", message, None))

        # With one, the exit handler replaces the process by it: the status is then the
        # menu's own 0, and the menu tells where and how it was started.
        status, out, err, record = self.run_game(with_menu=True)
        self.assertEqual((out, without_menu_loader_complaint(err, FRAME_ALLOC_FAILS)),
                         (b"", message))
        self.assertEqual(record, menu_record(MENU_DIR, MENU_PROGRAM),
                         "the menu program was not started as expected (status %r)" % status)
        self.assertEqual(status, 0)


class JoystickFailureTest(XGameCase):
    """A joystick that SDL counts but cannot open is reported on stderr with SDL's reason,
    and the game plays on without it. A preloaded shim counts one joystick and fails to open
    it, with a reason of its own that SDL_GetError hands back."""

    # The shim's reason (tests/tools/joystick_fails.cpp).
    REASON = b"joystick_fails: joystick 0 refused to open"

    def test_reported_on_stderr_and_the_game_goes_on(self):
        self.start_game(preload=JOYSTICK_FAILS)
        self.expect_title(0, "title")
        self.keys("Escape")
        out, err = self.end_with_menu()
        self.assertEqual(out, b"")
        self.assertEqual(without_menu_loader_complaint(err, JOYSTICK_FAILS),
                         b"Couldn't open joystick 0: " + self.REASON + b"\n")


if __name__ == "__main__":
    unittest.main()
