# The bundled handheld package played the way a handheld runs it: on Debian 12's ARM kernel
# booted under qemu-system with a virtio GPU and no X, on a root of the device's side alone,
# drawn through KMS/DRM and driven through the kernel's input devices.
import os
import re
import shutil
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from box import TRIPLET, Box  # noqa: E402
from handheld import HANDHELD, loaded_libraries, needed, unpack_package  # noqa: E402
from harness import (KEYS, MENU_DIR, MENU_PROGRAM, XGameCase, artefact_path,  # noqa: E402
                     codes, differing_steps, menu_record, wrong_rows)
from pixels import Picture, rgb565  # noqa: E402

ARCH = os.environ.get("PACKAGE_ARCH", "")
TARBALL = os.environ.get("BUNDLE_TARBALL", "")
BOX_GUEST = os.environ.get("BOX_GUEST_BIN", "")
BOX_MENU = os.environ.get("BOX_MENU_BIN", "")
NATIVE = os.environ.get("NATIVE_CODEBREAKER", "")

# The pads the box makes: each button's control (the letter printed on it, or its place on the
# D-pad) and evdev code, in the order of the codes, which is the order SDL2 numbers them in
# (codes from BTN_JOYSTICK up first).
# The original handheld's numbering: the codes BTN_JOYSTICK (0x120) to 0x12f, numbered 0 to 15,
# the controls at the handheld's numbers and nothing at 1, 3, 5 and 7.
ORIGINAL = {0: "up", 2: "left", 4: "down", 6: "right", 8: "START", 9: "SELECT", 10: "L",
            11: "R", 12: "A", 13: "B", 14: "X", 15: "Y"}
ORIGINAL_PAD = [(ORIGINAL.get(n, "none %d" % n), 0x120 + n) for n in range(16)]
# A typical handheld's: A right of B (BTN_SOUTH is B, BTN_EAST is A), X above Y, shoulders,
# SELECT and START, the D-pad as buttons; SDL numbers them 0 to 11.
TYPICAL_PAD = [("B", 0x130), ("A", 0x131), ("X", 0x133), ("Y", 0x134), ("L", 0x136),
               ("R", 0x137), ("SELECT", 0x13a), ("START", 0x13b), ("up", 0x220),
               ("down", 0x221), ("left", 0x222), ("right", 0x223)]
# Its entry as the handheld's system describes it to SDL, its names the printed letters.
PAD_NAME = "Code Breaker box pad"
TYPICAL_ENTRY = ("03000000091200000100000001000000,%s,a:b1,b:b0,x:b2,y:b3,leftshoulder:b4,"
                 "rightshoulder:b5,back:b6,start:b7,dpup:b8,dpdown:b9,dpleft:b10,dpright:b11,"
                 "leftx:a0,lefty:a1,platform:Linux," % PAD_NAME)
# The same pad with its D-pad a hat, and its entry.
HAT_PAD = TYPICAL_PAD[:8]
HAT_ENTRY = ("03000000091200000100000001000000,%s,a:b1,b:b0,x:b2,y:b3,leftshoulder:b4,"
             "rightshoulder:b5,back:b6,start:b7,dpup:h0.1,dpright:h0.2,dpdown:h0.4,"
             "dpleft:h0.8,platform:Linux," % PAD_NAME)
HAT = {"up": (0, -1), "down": (0, 1), "left": (-1, 0), "right": (1, 0)}
# A key mapper's keys for the typical pad (Linux key codes): the keys the game takes for the
# buttons' letters, START as space, the D-pad as the cursor keys. The key of each X key name.
MAPPER_KEYS = {"B": 48, "A": 30, "X": 45, "Y": 21, "L": 38, "R": 19, "START": 57, "up": 103,
               "down": 108, "left": 105, "right": 106}
MAPPED_BY_KEY = {"b": "B", "a": "A", "x": "X", "y": "Y", "l": "L", "r": "R", "space": "START",
                 "Up": "up", "Down": "down", "Left": "left", "Right": "right"}
# X's names of the keys the scripts press, as QEMU's key codes.
QCODE = {"space": "spc", "Up": "up", "Down": "down", "Left": "left", "Right": "right",
         "Escape": "esc"}
UNDERRUN = re.compile(r"ALSA lib pcm\.c:\d+:\(snd_pcm_recover\) underrun occurred$")
# Where the box keeps the game's streams, status, pid and the menu program's record.
RUN = "/tmp/game"
MENU_RECORD = "/tmp/menu-record"
# A handheld's menu starts the launcher from its own folder, not the game's.
LAUNCH = "/card/%s/codebreaker.sh"


def boot_box(cls, size, helpers):
    """Boots the class's box (cls.machine) with the screen at size (None: no GPU): the bundled
    package unpacked onto its memory card /card (cls.top its folder, cls.overlay the tree laid
    over the root), the menu program's stand-in, and with helpers the box's own helpers in
    /box. Returns the seconds the boot took."""
    cls.overlay = tempfile.mkdtemp(prefix="cb-box-overlay-")
    cls.addClassCleanup(shutil.rmtree, cls.overlay, True)
    os.makedirs(os.path.join(cls.overlay, "card"))
    cls.top = unpack_package(TARBALL, os.path.join(cls.overlay, "card"))
    if helpers:
        os.makedirs(os.path.join(cls.overlay, "box"))
        shutil.copy(BOX_GUEST, os.path.join(cls.overlay, "box", "box_guest"))
    os.makedirs(os.path.join(cls.overlay, "usr", "gp2x"))
    shutil.copy(BOX_MENU, os.path.join(cls.overlay, MENU_PROGRAM.lstrip("/")))
    cls.machine = Box(ARCH, overlay=cls.overlay, size=size)
    cls.addClassCleanup(cls.machine.stop)
    return cls.machine.start()


class BoxGame:
    """The game in the box, as much of a process as the harness asks of one."""

    def __init__(self, box):
        self.box, self.returncode = box, None

    def poll(self):
        if self.returncode is None:
            status, out = self.box.run("cat %s.status 2>/dev/null" % RUN)
            if out.strip():
                self.returncode = int(out)
        return self.returncode


class BoxCase(XGameCase):
    """Boots a box for the class; plays its script in it, and the same script natively."""

    SIZE = (320, 240)
    PAD = None          # the pad made before the game starts (a list as above), or none
    HAT_DPAD = False    # its D-pad is its hat
    MAPPER = False      # a key mapper sends keys for its buttons, and the game ignores the pad
    LAUNCHER_ENV = {}   # what the handheld's system gives the launcher
    MAP = None          # the button map the game must be given, None for none
    TRACE = False
    screen_timeout = 90

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        for what, path in (("bundled package", TARBALL), ("box_guest", BOX_GUEST),
                           ("box_menu", BOX_MENU), ("native game", NATIVE)):
            if not os.path.isfile(path):
                raise RuntimeError("no %s at %r" % (what, path))
        cls.boot_seconds = boot_box(cls, cls.SIZE, helpers=True)

    def setUp(self):
        super().setUp()
        self.figures = []
        self.last_shot = None

    def note(self, what, seconds):
        self.figures.append((what, seconds))

    def tearDown(self):
        super().tearDown()
        if self.figures:
            sys.stderr.write("\n%s %s, %dx%d: booted in %.1f s; %s\n" % (
                ARCH, type(self).__name__, self.SIZE[0], self.SIZE[1], self.boot_seconds,
                "; ".join(("%s %d" if isinstance(f[1], int) else "%s %.1f s") % f
                          for f in self.figures)))

    # The box's side of the harness: its screen, its presses, its game.

    def start_in_box(self, launcher_env=None):
        """Starts the game through its launcher from the card, on KMS/DRM, its clock held at
        the class's seed, the pad made first where the class plays with one, the launcher
        given launcher_env (the class's LAUNCHER_ENV unless given); returns when it was started
        (time.monotonic())."""
        box = self.machine
        box.check("modprobe virtio-gpu && test -e /dev/dri/card0")
        box.check("rm -f %s.* %s /tmp/trace.*" % (RUN, MENU_RECORD))
        # One clock for the box's whole life: the seed is the class's.
        box.check("test -f /tmp/clock.pid || (/box/box_guest clock %d >/dev/null 2>&1 & "
                  "echo $! >/tmp/clock.pid)" % self.seed)
        if self.PAD:
            self.make_pad()
        if launcher_env is None:
            launcher_env = self.LAUNCHER_ENV
        env = "".join('%s="%s" ' % kv for kv in sorted(launcher_env.items()))
        if self.TRACE:
            env += "LD_DEBUG=libs:files LD_DEBUG_OUTPUT=/tmp/trace "
        launch = LAUNCH % self.top
        box.check("(sh -c 'echo $$ >%s.pid; cd /; exec env SDL_VIDEODRIVER=kmsdrm GP2X_RECORD=%s"
                  " %s%s' </dev/null >%s.out 2>%s.err; echo $? >%s.status) >/dev/null 2>&1 &"
                  % (RUN, MENU_RECORD, env, launch, RUN, RUN, RUN))
        self.game = BoxGame(box)
        self.game_data = os.path.join(self.overlay, "card", self.top, "data")
        self.pressed_at = None
        return time.monotonic()

    def make_pad(self):
        """Makes the class's pad (and the key mapper's keyboard beside it) with uinput."""
        box = self.machine
        # One pad at a time: the last one goes first, or the game's joystick 0 could be it.
        box.run("test -f /tmp/pad.pid && kill $(cat /tmp/pad.pid) && rm /tmp/pad.pid && sleep 1")
        codes_ = " ".join("%#x" % code + ("=%d" % MAPPER_KEYS[control]
                                          if self.MAPPER and control in MAPPER_KEYS else "")
                          for control, code in self.PAD)
        box.check("rm -f /tmp/pad; mkfifo /tmp/pad; (/box/box_guest pad /tmp/pad %s "
                  ">/tmp/pad.out 2>&1 & echo $! >/tmp/pad.pid)" % codes_)
        deadline = time.monotonic() + 30
        while "pad ready" not in box.run("cat /tmp/pad.out")[1]:
            if time.monotonic() > deadline:
                self.fail("the pad did not come up: %s" % box.run("cat /tmp/pad.out")[1])
            time.sleep(0.2)

    def screenshot(self):
        """The box's screen as the game's 320x240 frame in 5-6-5: at twice the size, each 2x2
        block must be one colour (sharp scaling), and its top left pixel is taken."""
        if not getattr(self, "in_box", False):
            return super().screenshot()
        w, h, rgb = self.machine.screendump()
        self.assertEqual((w, h), self.SIZE, "the screen's mode")
        k = w // 320
        pixels = []
        for y in range(0, h, k):
            row = y * w
            for x in range(0, w, k):
                at = (row + x) * 3
                p = rgb565(rgb[at], rgb[at + 1], rgb[at + 2])
                if k > 1:
                    for dy in range(k):
                        for dx in range(k):
                            b = ((y + dy) * w + x + dx) * 3
                            if rgb565(rgb[b], rgb[b + 1], rgb[b + 2]) != p:
                                self.fail("the %dx%d screen is not the frame scaled sharp: "
                                          "(%d, %d) differs from (%d, %d)" % (
                                              w, h, x + dx, y + dy, x, y))
                pixels.append(p)
        return Picture(320, 240, pixels)

    def wait_taken(self):
        """In the box, the presses are taken once the screen has left the last step's picture
        and settled: two screendumps in a row the same. Every step of the script changes the
        screen. No processor time of the game's can be read from out here."""
        if not getattr(self, "in_box", False):
            return super().wait_taken()
        if self.last_shot is None:
            return None
        deadline = time.monotonic() + self.screen_timeout
        shot = self.screenshot()
        while time.monotonic() < deadline and self.game.poll() is None:
            again = self.screenshot()
            if again.pixels == shot.pixels and again.pixels != self.last_shot.pixels:
                return None
            shot = again
        return None

    def stop_game(self):
        if getattr(self, "in_box", False):
            self.game = None
        super().stop_game()

    def press(self, keys, buttons):
        """Presses the keys natively and on the box's keyboard; on the pad, its buttons of the
        controls, or with a key mapper the buttons whose keys they are."""
        if not getattr(self, "in_box", False):
            self.keys(*keys)
        elif self.PAD:
            controls = [MAPPED_BY_KEY[k] for k in keys] if self.MAPPER else buttons
            index = {control: n for n, (control, _) in enumerate(self.PAD)}
            lines = ["hat %d %d" % HAT[c] if self.HAT_DPAD and c in HAT else str(index[c])
                     for c in controls]
            self.machine.check("for line in %s; do echo \"$line\" >/tmp/pad; done"
                               % " ".join("'%s'" % line for line in lines))
        else:
            for key in keys:
                self.machine.key(QCODE.get(key, key))
                time.sleep(0.03)

    # The script.

    def script(self):
        """(screen, keys, buttons, check): the keys pressed for it on a keyboard, the handheld's
        buttons for it on the pad, and the check of the screen they lead to. A screen's name
        is the same wherever the game must show the same picture."""
        s, code = self.screens, self.code
        rows = wrong_rows(code)
        won = codes(self.seed, 1, 1)[1]
        out = [
            ("title_0", (), (), lambda: self.expect_title(0, "title_0")),
            ("selection", ("space",), ("B",), lambda: self.expect_selection(1, "selection")),
            ("fresh_board", ("b",), ("B",),
             lambda: self.expect_screen(s.fresh_board(), "fresh_board")),
            ("help", ("space",), ("START",), lambda: self.expect_screen(s.help(), "help")),
            ("fresh_board", ("x",), ("X",),
             lambda: self.expect_screen(s.fresh_board(), "fresh_board")),
        ]
        for n in range(1, len(rows) + 1):
            row = rows[n - 1]
            out.append(("wrong_row_%d" % n, tuple(KEYS[c] for c in row),
                        tuple(KEYS[c].upper() for c in row),
                        lambda n=n: self.expect_screen(s.board(rows[:n], code),
                                                       "wrong_row_%d" % n)))
        out += [
            ("loss", ("b",), ("B",), lambda: self.expect_screen(s.loss(), "loss")),
            ("title_0", ("b",), ("B",), lambda: self.expect_title(0, "title_0")),
            ("title_1", ("Down",), ("down",), lambda: self.expect_title(1, "title_1")),
            ("round_1", ("space",), ("B",), lambda: self.expect_screen(s.round(1), "round_1")),
            ("round_1_game", ("b",), ("B",),
             lambda: self.expect_screen(s.fresh_board(1), "round_1_game")),
            ("right_row", tuple(KEYS[c] for c in won), tuple(KEYS[c].upper() for c in won),
             lambda: self.expect_screen(s.board([won], won, 1), "right_row")),
            ("win", ("x",), ("X",), lambda: self.expect_screen(s.win(tournament=True), "win")),
            ("round_2", ("b",), ("B",), lambda: self.expect_screen(s.round(2), "round_2")),
        ]
        if self.PAD and not self.MAPPER and getattr(self, "in_box", False):
            # SELECT, which no key stands for, leaves a game for the title.
            out += [
                ("round_2_game", (), ("B",),
                 lambda: self.expect_screen(s.fresh_board(2), "round_2_game")),
                ("title_1", (), ("SELECT",), lambda: self.expect_title(1, "title_1")),
            ]
        else:
            out.append(("title_1", ("x",), ("X",), lambda: self.expect_title(1, "title_1")))
        out += [
            ("title_2", ("Down",), ("down",), lambda: self.expect_title(2, "title_2")),
            ("help", ("space",), ("B",), lambda: self.expect_screen(s.help(), "help")),
            ("title_2", ("x",), ("X",), lambda: self.expect_title(2, "title_2")),
            ("title_3", ("Down",), ("down",), lambda: self.expect_title(3, "title_3")),
        ]
        return out

    def play(self, steps):
        """Plays the steps; returns [(screen, screenshot, seconds until it showed)]."""
        shots = []
        for screen, keys, buttons, check in steps:
            started = time.monotonic()
            if keys or buttons:
                self.press(keys, buttons)
            self.last_shot = check()
            shots.append((screen, self.last_shot, time.monotonic() - started))
        return shots

    def native_shots(self):
        """The native game's screenshot of each screen of the script, played with its keys."""
        self.in_box, self.steps = False, 0
        self.start_game(menu=False, game=NATIVE, emulator=(), sdl_library=False)
        shots = {}
        for screen, shot, _ in self.play(self.script()):
            shots.setdefault(screen, shot)
        self.keys("space")  # Quit
        out, err = self.ended()
        self.assertEqual((self.game.returncode, out, err), (0, b"", b""), "native")
        self.game = None
        folder = os.path.dirname(artefact_path(self, "x"))
        for name in os.listdir(folder):
            if name[:2].isdigit():
                os.replace(os.path.join(folder, name), os.path.join(folder, "native-" + name))
        return shots

    def test_a_whole_run_shows_the_native_games_screens_and_ends_in_the_menu(self):
        native = self.native_shots()
        self.in_box, self.steps = True, 0
        started = self.start_in_box()
        self.last_shot = None
        steps = self.script()
        first = self.play(steps[:1])
        self.note("first frame", time.monotonic() - started)
        # The map the launcher gave the game, in the game's own environment.
        environ = self.machine.check("tr '\\0' '\\n' </proc/$(cat %s.pid)/environ" % RUN)
        made = [line.split("=", 1)[1] for line in environ.splitlines()
                if line.startswith("CODEBREAKER_BUTTONS=")]
        sys.stderr.write("\n%s %s: the game's button map: %s\n"
                         % (ARCH, type(self).__name__, made[0] if made else "none given"))
        self.assertEqual(made, [] if self.MAP is None else [self.MAP])
        shots = first + self.play(steps[1:])
        presses = [seconds for _, _, seconds in shots[1:]]
        self.note("slowest press", max(presses))
        self.note("presses on average", sum(presses) / len(presses))
        # Quit on the title: the game ends, its shutdown starts the handheld's menu program.
        self.press(("space",), ("B",))
        deadline = time.monotonic() + 60
        while self.game.poll() is None and time.monotonic() < deadline:
            time.sleep(0.2)
        self.note("whole run", time.monotonic() - started)
        out, err = self.machine.run("cat %s.out" % RUN)[1], self.machine.run("cat %s.err" % RUN)[1]
        self.assertEqual(self.game.returncode, 0, "the game's status; it wrote %r %r" % (out, err))
        # The emulated sound card plays the silence SDL feeds it slower than a handheld's would,
        # and ALSA's library reports each underrun on the game's standard error; the game
        # itself writes nothing.
        lines = err.splitlines()
        err = "\n".join(line for line in lines if not UNDERRUN.match(line))
        self.note("ALSA's underrun reports", len(lines) - len(err.splitlines()))
        self.assertEqual((out, err), ("", ""), "what the game wrote")
        record = self.machine.run("cat %s" % MENU_RECORD)[1]
        self.assertEqual(record.splitlines(), menu_record(MENU_DIR, MENU_PROGRAM),
                         "the menu program's record")

        counts = differing_steps(self, [(screen, shot, native[screen])
                                        for screen, shot, _ in shots if screen in native],
                                 kept="native-differences")
        table = "\n".join("  %-14s %6d pixels differ" % c for c in counts)
        sys.stderr.write("\nThe box's screens against the native game's (%d of %d compared):"
                         "\n%s\n" % (len(counts), len(shots), table))
        self.assertEqual([c for c in counts if c[1]], [],
                         "the box's screens differ from the native game's:\n" + table)
        if self.TRACE:
            self.check_trace()

    def check_trace(self):
        """The loader's trace of the game: every library the game or a library of its lib/
        needs, but the C library's and SDL2, came from lib/; the handheld's root gave the C
        library, SDL2 and what SDL2 loads of its own."""
        pid = self.machine.check("cat %s.pid" % RUN).strip()
        trace = self.machine.check("cat /tmp/trace.%s" % pid, timeout=120)
        with open(artefact_path(self, "loader-trace", "txt"), "w") as f:
            f.write(trace)
        loaded = loaded_libraries(trace)
        card = "/card/%s/" % self.top
        folder = os.path.join(self.overlay, "card", self.top)
        lib = os.listdir(os.path.join(folder, "lib"))
        wanted = set()
        for path in [os.path.join(folder, "codebreaker.gpe")] + [
                os.path.join(folder, "lib", n) for n in lib]:
            wanted.update(n for n in needed(path) if n not in HANDHELD)
        rows, wrong = [], []
        for name, path in sorted(loaded.items()):
            if (path or "").startswith(card + "lib/"):
                where = "lib/"
            elif name in wanted or name in lib:
                where = "HANDHELD, though the package needs or carries it: " + str(path)
                wrong.append(name)
            else:
                where = "handheld " + str(path)
            rows.append("  %-26s %s" % (name, where))
        table = "\n".join(rows)
        sys.stderr.write("\nLibraries the game loaded in the box (%d), from where:\n%s\n"
                         % (len(loaded), table))
        self.assertEqual(wrong, [], table)
        self.assertEqual(sorted(wanted - set(loaded)), [], "needed, never loaded")
        for name in ("libSDL2-2.0.so.0", "libc.so.6"):
            self.assertFalse((loaded.get(name) or card).startswith(card), table)
        # SDL 1.2 is the package's sdl12-compat, which loaded the handheld's SDL2.
        self.assertTrue((loaded.get("libSDL-1.2.so.0") or "").startswith(card + "lib/"), table)


class PadAt320x240Test(BoxCase):
    """The screen at 320x240, one to one; the game played with a gamepad made with uinput,
    its buttons numbered as the original handheld's; the loader traced."""
    SIZE = (320, 240)
    PAD = ORIGINAL_PAD
    TRACE = True


class TypicalPadTest(BoxCase):
    """A typical handheld's pad (A right of B, SELECT and START, the D-pad as buttons), which
    SDL numbers otherwise than the original handheld; the launcher is given its entry, as the
    handheld's system does, and makes the game's map of it. First the game shows what each
    button sends."""
    PAD = TYPICAL_PAD
    LAUNCHER_ENV = {"SDL_GAMECONTROLLERCONFIG": TYPICAL_ENTRY}
    MAP = "a:b1,b:b0,x:b2,y:b3,l:b4,r:b5,select:b6,start:b7,up:b8,down:b9,left:b10,right:b11"

    def test_each_button_sends_its_number_in_the_order_of_its_code(self):
        self.in_box = True
        self.start_with_show()
        for n in range(len(self.PAD)):
            self.machine.check("echo %d >/tmp/pad" % n)
        want = "".join("joystick button b%d\n" % n for n in range(len(self.PAD)))
        deadline = time.monotonic() + 60
        while self.machine.run("cat %s.err" % RUN)[1] + "\n" != want and \
                time.monotonic() < deadline:
            time.sleep(0.5)
        err = self.machine.run("cat %s.err; kill $(cat %s.pid)" % (RUN, RUN))[1]
        sys.stderr.write("\n%s: the typical pad's buttons %s sent:\n%s\n" % (
            ARCH, " ".join(c for c, _ in self.PAD), err))
        self.assertEqual(err + "\n", want)

    def start_with_show(self):
        """The game started with the map "show", the pad made first; returns once its title
        has come (the screen may still show the last game's last frame before)."""
        self.start_in_box({"CODEBREAKER_BUTTONS": "show", "SDL_AUDIODRIVER": "dummy"})
        self.last_shot = None
        self.expect_title(0, "title_with_show")



class HatPadTest(TypicalPadTest):
    """The same pad with its D-pad a hat, and the entry that says so."""
    PAD = HAT_PAD
    HAT_DPAD = True
    LAUNCHER_ENV = {"SDL_GAMECONTROLLERCONFIG": HAT_ENTRY}
    MAP = "a:b1,b:b0,x:b2,y:b3,l:b4,r:b5,select:b6,start:b7,up:h0.1,right:h0.2,down:h0.4,left:h0.8"
    test_each_button_sends_its_number_in_the_order_of_its_code = None


class KeyMapperTest(BoxCase):
    """The typical pad with a key mapper beside it, which turns its buttons into keys without
    taking the pad from the game; the launcher is given the map "none": each press acts once,
    as its key."""
    PAD = TYPICAL_PAD
    MAPPER = True
    LAUNCHER_ENV = {"CODEBREAKER_BUTTONS": "none"}
    MAP = "none"


class KeyboardAt640x480Test(BoxCase):
    """The screen at 640x480, the frame scaled twice, sharp; the game played with the virtio
    keyboard through QEMU."""
    SIZE = (640, 480)
    PAD = None


class MissingDeviceSideTest(unittest.TestCase):
    """A box with no GPU (no /dev/dri, no frame buffer), and the same without SDL2: the
    launcher or the game says what is missing and ends at once with the game's status for
    SDL that cannot start, instead of a black screen."""

    @classmethod
    def setUpClass(cls):
        boot_box(cls, None, helpers=False)

    def start(self):
        """Runs the launcher as a handheld's menu would; returns (status, stdout, stderr,
        seconds, whether the menu program was started)."""
        started = time.monotonic()
        status, _ = self.machine.run(
            "rm -f %s; cd /; SDL_VIDEODRIVER=kmsdrm GP2X_RECORD=%s timeout 60 %s "
            "</dev/null >%s.out 2>%s.err" % (MENU_RECORD, MENU_RECORD, LAUNCH % self.top, RUN, RUN),
            timeout=120)
        seconds = time.monotonic() - started
        out = self.machine.run("cat %s.out" % RUN)[1]
        err = self.machine.run("cat %s.err" % RUN)[1]
        menu = self.machine.run("test -e %s" % MENU_RECORD)[0] == 0
        return status, out, err, seconds, menu

    def test_the_root_is_the_device_side_alone(self):
        # SDL2 and Mesa's drivers; none of SDL 1.2, SDL_ttf, SDL_mixer, FreeType, nor of the
        # sound libraries SDL_mixer loads, which a handheld's SDL2 built for ALSA alone lacks.
        listing = self.machine.check("ls /lib/%s /usr/lib/%s" % (TRIPLET[ARCH], TRIPLET[ARCH]))
        names = set(listing.split())
        self.assertLessEqual({"libSDL2-2.0.so.0", "libEGL.so.1", "libgbm.so.1", "libudev.so.1"},
                             names)
        foreign = sorted(n for n in names if re.match(
            r"lib(SDL-1\.2|SDL_ttf|SDL_mixer|freetype|FLAC|vorbis|ogg|sndfile|pulse)", n))
        self.assertEqual(foreign, [])

    def test_without_a_gpu_the_game_says_so_and_ends(self):
        self.assertNotEqual(self.machine.run("ls /dev/dri /dev/fb0")[0], 0, "the box has a GPU")
        status, out, err, seconds, menu = self.start()
        sys.stderr.write("\n%s without a GPU: status %d in %.1f s: %s\n"
                         % (ARCH, status, seconds, err))
        self.assertEqual(status, 1)
        self.assertRegex(err, r"^Couldn't initialize SDL: .*kmsdrm not available\n?$")
        self.assertEqual(out, "")
        self.assertFalse(menu, "the menu program started, though SDL never did")
        self.assertLess(seconds, 30)

    def test_without_sdl2_the_launcher_says_so_and_ends(self):
        folder = "/usr/lib/%s" % TRIPLET[ARCH]
        self.machine.check("mkdir -p /hidden && mv %s/libSDL2-2.0.so.0* /hidden/" % folder)
        self.addCleanup(self.machine.check, "mv /hidden/* %s/" % folder)
        status, out, err, seconds, menu = self.start()
        sys.stderr.write("\n%s without SDL2: status %d in %.1f s: %s\n"
                         % (ARCH, status, seconds, err))
        self.assertEqual(status, 1)
        self.assertIn("libSDL2-2.0.so.0", err)
        self.assertIn("SDL2", err.split(":", 1)[1])
        self.assertNotIn("error while loading shared libraries", err)
        self.assertEqual(out, "")
        self.assertFalse(menu)
        self.assertLess(seconds, 30)


if __name__ == "__main__":
    unittest.main()
