# The cross-built game under its emulator against the native build's: the same run, the same
# pixels; and the same of the bundled handheld package on a root of SDL2 alone.
import glob
import os
import shutil
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from harness import (EMULATOR, EXPECTED_SDL, Sandbox, XGameCase, artefact_path, codes,
                     differing_steps, sdl_libraries, wrong_rows)
from handheld import loaded_libraries, root_library, unpack_package


class ArmMatchesNativeTest(XGameCase):
    """The cross-built game under the emulator and the native build's game (NATIVE_CODEBREAKER)
    play the same whole run, pressed the same keys on the same frozen clock: a Quick Game lost
    in seven rows, help from the title, a tournament round won and the next round, and out.
    Each step's screen is held to the model on both, then the two screenshots of the step to
    each other, text and all: they must be the same pixel for pixel."""

    NATIVE = os.environ.get("NATIVE_CODEBREAKER", "")

    def setUp(self):
        super().setUp()
        if not EMULATOR:
            self.fail("this test compares a cross build's game, run under its emulator, with "
                      "the native one: it belongs to cross builds only")
        if not os.path.isfile(self.NATIVE) or not os.access(self.NATIVE, os.X_OK):
            self.fail("no native game at %r to compare the cross-built one with: build the "
                      "native build first (cmake --build build), or name its game with "
                      "-DNATIVE_CODEBREAKER=..." % self.NATIVE)

    def make_script(self):
        """(step, keys pressed, check of the screen they lead to, returning its screenshot)."""
        s, code = self.screens, self.code
        rows = wrong_rows(code)
        # The tournament's round 1 is the run's second game.
        won = codes(self.seed, 1, 1)[1]
        out = [("title", (), lambda: self.expect_title(0, "title")),
               ("selection", ("space",), lambda: self.expect_selection(1, "selection")),
               ("fresh_board", ("b",), lambda: self.expect_screen(s.fresh_board(), "fresh_board"))]
        for n in range(1, len(rows) + 1):
            out.append(("wrong_row_%d" % n, ("row", rows[n - 1]),
                        lambda n=n: self.expect_screen(s.board(rows[:n], code),
                                                       "wrong_row_%d" % n)))
        out += [
            ("loss", ("space",), lambda: self.expect_screen(s.loss(), "loss")),
            ("title_again", ("b",), lambda: self.expect_title(0, "title_again")),
            # One press a step: a screen the first of two presses leads to could pass for
            # the second's.
            ("tournament_marked", ("Down",), lambda: self.expect_title(1, "tournament_marked")),
            ("help_marked", ("Down",), lambda: self.expect_title(2, "help_marked")),
            ("help", ("space",), lambda: self.expect_screen(s.help(), "help")),
            ("back_from_help", ("x",), lambda: self.expect_title(2, "back_from_help")),
            ("tournament_again", ("Up",), lambda: self.expect_title(1, "tournament_again")),
            ("round_1", ("space",), lambda: self.expect_screen(s.round(1), "round_1")),
            ("round_1_game", ("b",), lambda: self.expect_screen(s.fresh_board(1),
                                                                "round_1_game")),
            ("right_row", ("row", won), lambda: self.expect_screen(s.board([won], won, 1),
                                                                   "right_row")),
            ("win", ("x",), lambda: self.expect_screen(s.win(tournament=True), "win")),
            ("round_2", ("b",), lambda: self.expect_screen(s.round(2), "round_2")),
            ("back_to_title", ("x",), lambda: self.expect_title(1, "back_to_title")),
        ]
        return out

    def arm_game(self):
        """How start_game starts the ARM game: the cross build's, under the emulator."""
        return {}

    def play(self, which, native=False, **game):
        """Plays the steps on one game; returns its screenshots, step by step."""
        self.box, self.steps = Sandbox(self), 0
        self.start_game(menu=False, **game)
        if native:
            # The native game runs on the host's classic SDL 1.2, of the release the ARM
            # game loads from the sysroot.
            loaded = sdl_libraries(self.game.pid)
            self.assertEqual([os.path.basename(p) for p in loaded],
                             [os.path.basename(os.path.realpath(EXPECTED_SDL))],
                             "the native game runs on %s, not on the ARM game's release of SDL"
                             % loaded)
        shots = []
        for name, keys, check in self.script:
            if keys[:1] == ("row",):
                self.type_row(keys[1])
            elif keys:
                self.keys(*keys)
            shots.append(check())
        self.keys("Escape")
        out, err = self.ended()
        self.assertEqual((self.game.returncode, out, err), (0, b"", b""), which)
        self.game = None
        # Each game's screenshots apart from the other's: WHICH-NN_step.png.
        folder = os.path.dirname(artefact_path(self, "x"))
        for name in os.listdir(folder):
            if name[:2].isdigit():
                os.replace(os.path.join(folder, name), os.path.join(folder, which + "-" + name))
        return shots

    def test_the_arm_game_shows_what_the_native_one_does(self):
        self.script = self.make_script()
        started = time.monotonic()
        arm = self.play("arm", **self.arm_game())
        arm_seconds = time.monotonic() - started
        self.after_arm_run()
        started = time.monotonic()
        native = self.play("native", native=True, game=self.NATIVE, emulator=(),
                           sdl_library=False)
        native_seconds = time.monotonic() - started

        counts = differing_steps(self, [(name, a, b) for (name, _, _), a, b
                                        in zip(self.script, arm, native)])
        table = "\n".join("  %-18s %6d pixels differ" % c for c in counts)
        sys.stderr.write("\nARM (%.1f s under %s) against native (%.1f s), step by step:\n%s\n"
                         % (arm_seconds, os.path.basename(EMULATOR[0]), native_seconds, table))
        self.assertEqual([c for c in counts if c[1]], [],
                         "the ARM game's screens differ from the native game's:\n" + table)

    def after_arm_run(self):
        """What a subclass checks of the ARM game's run besides its screens."""


class BundleMatchesNativeTest(ArmMatchesNativeTest):
    """The bundled handheld package (BUNDLE_TARBALL) unpacked, and its launcher started on a
    root that holds the C library, SDL2 and SDL2's own dependencies alone (SDL2_ROOT: no SDL
    1.2, SDL_ttf, SDL_mixer or FreeType), as on a handheld that has SDL2 but none of those:
    the same whole run as the native game, screen for screen. The loader's trace of the run
    shows every library it loaded, and each one the root does not hold came from the
    package's lib/."""

    TARBALL = os.environ.get("BUNDLE_TARBALL", "")
    ROOT = os.environ.get("SDL2_ROOT", "")
    ARCH = os.environ.get("PACKAGE_ARCH", "")

    def setUp(self):
        super().setUp()
        self.assertTrue(os.path.isfile(self.TARBALL), "no bundled package %r" % self.TARBALL)
        self.assertTrue(os.path.isdir(self.ROOT), "no SDL2 root %r: scripts/sysroot.sh %s %s "
                        "libsdl2-2.0-0 makes it" % (self.ROOT, self.ARCH, self.ROOT))
        self.assertTrue(root_library(self.ROOT, self.ARCH, "libSDL2-2.0.so.0"))
        for name in ("libSDL-1.2.so.0", "libSDL_ttf-2.0.so.0", "libSDL_mixer-1.2.so.0",
                     "libfreetype.so.6"):
            self.assertIsNone(root_library(self.ROOT, self.ARCH, name), "the root has it")
        self.card = tempfile.mkdtemp(prefix="cb-card-")
        self.addCleanup(shutil.rmtree, self.card, True)
        self.folder = os.path.join(self.card, unpack_package(self.TARBALL, self.card))
        self.trace = os.path.join(self.card, "loader-trace")

    def arm_game(self):
        # The launcher runs on this machine and starts the ARM game under the emulator, whose
        # guest sees the root as its /, its loader tracing to a file of its own.
        wrapper = [EMULATOR[0], "-L", self.ROOT, "-U", "LD_PRELOAD", "-E", "LD_DEBUG=libs:files",
                   "-E", "LD_DEBUG_OUTPUT=" + self.trace]
        return dict(game=os.path.join(self.folder, "codebreaker.sh"), cwd=self.folder,
                    emulator=(), sdl_library=False, CODEBREAKER_WRAPPER=" ".join(wrapper))

    def after_arm_run(self):
        traces = glob.glob(self.trace + ".*")
        self.assertEqual(len(traces), 1, "one process, one trace: %s" % traces)
        with open(traces[0]) as f:
            trace = f.read()
        shutil.copy(traces[0], artefact_path(self, "loader-trace", "txt"))
        loaded = loaded_libraries(trace)
        lib = os.path.join(self.folder, "lib") + "/"
        rows, wrong = [], []
        for name, path in sorted(loaded.items()):
            if path and path.startswith(lib):
                where = "lib/"
            elif path and os.path.exists(self.ROOT + path):
                # The root holds the C library (its iconv modules too), SDL2 and what SDL2
                # needs, and nothing else: the allowed set.
                where = "handheld " + path
            else:
                where = "ELSEWHERE " + str(path)
                wrong.append(name)
            rows.append("  %-26s %s" % (name, where))
        table = "\n".join(rows)
        sys.stderr.write("\nLibraries the bundled game loaded (%d), from where:\n%s\n"
                         % (len(loaded), table))
        self.assertEqual(wrong, [], "libraries from neither lib/ nor the handheld:\n" + table)
        for name in ("libSDL-1.2.so.0", "libSDL_ttf-2.0.so.0", "libSDL_mixer-1.2.so.0",
                     "libfreetype.so.6"):
            self.assertTrue((loaded.get(name) or "").startswith(lib), name)
        # sdl12-compat found the handheld's SDL2.
        self.assertTrue(loaded.get("libSDL2-2.0.so.0", "").startswith("/usr/lib/"), table)


if __name__ == "__main__":
    unittest.main()
