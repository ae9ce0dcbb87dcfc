# The built game played end to end with each data file damaged in each way, under Xvfb.
import array
import concurrent.futures
import ctypes
import ctypes.util
import hashlib
import os
import queue
import random
import shutil
import subprocess
import sys
import threading
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from harness import (ARTEFACTS, BOARD_TEXT, DATA, FONT_MISSING, HELP_MISSING, KEYS,
                     MENU_PORTRAITS, RESULT_LINE, ROUND_PORTRAIT_AT, ROUND_TEXT, SELECTION_GREY,
                     SELECTION_MARKS, SELECTION_PORTRAIT_AT, SELECTION_TEXT, TIME_MARKS,
                     TITLE_MARKS, TITLE_MISSING, TITLE_TEXT, Sandbox, XGameCase, Xvfb,
                     backtraces, board_sprites, clear_artefacts, codes, slow, thread_states,
                     write_huge_height, wrong_rows)
import pictures as picture_list
from pixels import Picture, read_bmp, read_xwd, rgb565, write_bmp, write_png

# The game's pictures (src/platform/pictures.h), by their files' names without .bmp.
PICTURES = sorted(e.stem for e in picture_list.ALL)
# The pictures in four groups for the damage that leaves a picture undrawn or nearly
# so. Each group damages at most one full-screen picture, never all the balls or all the
# markers, and never the title and help pictures together, so that every screen still
# shows something of its own: new text, a ball, a marker, a banner or a picture.
GROUPS = (
    ("group_1", ("title", "main", "1", "ball_red", "ball_green", "borin_quastle", "quickie")),
    ("group_2", ("help_screen", "round", "2", "ball_blue", "ball_yellow", "wenna_pollsby",
                 "x_totitle")),
    ("group_3", ("you_lost", "false", "3", "ball_brown", "tovi_glimrat", "jory_vandle",
                 "r_time")),
    ("group_4", ("you_win", "right", "ball_purple", "hollis_quibbleton", "zebrolt_mm")),
)
# A re-saved picture is drawn whole, so every screen stays recognisable with all of them.
ALL = (("all", tuple(PICTURES)),)

# Sixteen colours, one of them magenta: drawn see-through where the picture is keyed.
TINY = Picture(4, 4, [rgb565(*c) for c in (
    (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0),
    (0, 255, 255), (255, 0, 255), (255, 128, 0), (128, 0, 255),
    (255, 255, 255), (16, 16, 16), (128, 128, 128), (0, 128, 64),
    (64, 0, 128), (200, 100, 50), (50, 200, 100), (100, 50, 200))])


def _read(path):
    with open(path, "rb") as f:
        return f.read()


def _write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def missing(src, dst):
    pass  # the data folder is copied without it


def empty(src, dst):
    _write(dst, b"")


def half(src, dst):
    data = _read(src)
    _write(dst, data[:len(data) // 2])


def random_bytes(src, dst):
    # Seeded by the file's name: every run writes the same bytes.
    _write(dst, random.Random("baddata/" + os.path.basename(src)).randbytes(len(_read(src))))


def tiny(src, dst):
    write_bmp(dst, TINY, 24)


def resave(bpp):
    def write(src, dst):
        write_bmp(dst, read_bmp(src), bpp)
    return write


# (name, writer from the good file to the damaged one, groups of pictures damaged together)
PICTURE_CORRUPTIONS = (
    ("missing", missing, GROUPS),
    ("empty", empty, GROUPS),
    ("half", half, GROUPS),
    ("random", random_bytes, GROUPS),
    ("tiny_4x4", tiny, GROUPS),
    ("8_bit", resave(8), ALL),
    ("24_bit", resave(24), ALL),
    ("32_bit", resave(32), ALL),
    ("height_0x80000000", write_huge_height, GROUPS),
)
FONT = "font.ttf"
FONT_ALONE = (("font", (FONT,)),)
# The font is damaged on its own, the pictures left whole.
FONT_CORRUPTIONS = (
    ("missing", missing, FONT_ALONE),
    ("empty", empty, FONT_ALONE),
    # Cut in half, data/font.ttf keeps its table directory but loses the tables it points
    # to past the cut, "head" and "maxp" among them, and FreeType then takes the file for
    # no font at all. The message is not assumed from that: font_opens asks SDL_ttf.
    ("half", half, FONT_ALONE),
    ("random", random_bytes, FONT_ALONE),
    # A file of the wrong kind.
    ("tiny_bmp", tiny, FONT_ALONE),
)
# Screenshots are kept for the steps that fail; with BADDATA_SCREENSHOTS=1 for every step
# (writing them takes longer than the runs).
KEEP_ALL = os.environ.get("BADDATA_SCREENSHOTS") == "1"

_ttf_lock = threading.Lock()
_ttf = None


def font_opens(path):
    """Whether SDL_ttf opens the file as the game's font, at its size: the game prints its
    message exactly when TTF_OpenFont fails. Asks the library itself, not the game."""
    global _ttf
    with _ttf_lock:
        if _ttf is None:
            _ttf = ctypes.CDLL(ctypes.util.find_library("SDL_ttf") or "libSDL_ttf-2.0.so.0")
            _ttf.TTF_OpenFont.restype = ctypes.c_void_p
            _ttf.TTF_OpenFont.argtypes = [ctypes.c_char_p, ctypes.c_int]
            _ttf.TTF_CloseFont.argtypes = [ctypes.c_void_p]
            if _ttf.TTF_Init() != 0:
                raise RuntimeError("TTF_Init failed")
        font = _ttf.TTF_OpenFont(path.encode(), 8)
        if font:
            _ttf.TTF_CloseFont(font)
        return bool(font)


# ---------------------------------------------------------------------------------------
# The screens as the damaged data makes them. A picture that did not load is not drawn, so
# the screen keeps there what the previous frame held, text included; the model therefore
# draws each screen over the one before it, and keeps track of where text may lie.

W, H = 320, 240
_INVERT = bytes(255 - i for i in range(256))


class Sprite:
    """A picture ready to draw: its rows as little-endian 5-6-5 bytes, and per row the runs
    of pixels that are not see-through."""

    def __init__(self, picture):
        data = array.array("H", picture.pixels)
        if sys.byteorder == "big":
            data.byteswap()
        raw = data.tobytes()
        self.width, self.height = picture.width, picture.height
        w = self.width
        self.rows = [raw[2 * y * w:2 * (y + 1) * w] for y in range(self.height)]
        self.runs = []
        for y in range(self.height):
            keyed, runs, start = picture.keyed[y * w:(y + 1) * w], [], None
            for x in range(w + 1):
                if x < w and not keyed[x]:
                    start = x if start is None else start
                elif start is not None:
                    runs.append((start, x))
                    start = None
            self.runs.append(runs)


def _rect_rows(rect):
    """The byte ranges of rect = (x, y, w, h), clipped to the screen, one per row."""
    x, y, w, h = rect
    x0, x1, y0, y1 = max(0, x), min(W, x + w), max(0, y), min(H, y + h)
    return [(2 * (r * W + x0), 2 * (r * W + x1)) for r in range(y0, y1)] if x0 < x1 else []


def _inside(inner, outer):
    return (outer[0] <= inner[0] and outer[1] <= inner[1]
            and inner[0] + inner[2] <= outer[0] + outer[2]
            and inner[1] + inner[3] <= outer[1] + outer[3])


def _meet(a, b):
    return (a[0] < b[0] + b[2] and b[0] < a[0] + a[2]
            and a[1] < b[1] + b[3] and b[1] < a[1] + a[3])


class Frame:
    """The screen one step of the run must show: pixels as drawn by the pictures, which of
    them text may cover (left out of the exact comparison), this screen's own text areas
    (each must show something), and its marks. text is "ok", "none" (no font: nothing is
    written) or "damaged" (a font that opens but may write nothing)."""

    def __init__(self, text="ok"):
        self.font = text
        self.kind = "start"
        self.pixels = bytearray(W * H * 2)  # a new window is black
        self.known = bytearray(b"\xff") * (W * H * 2)
        # Pixels where text of an earlier screen may still show.
        self.carried = bytearray(W * H * 2)
        self.text = []
        # Text areas of earlier screens that nothing has covered since, with their screen.
        self.history = []
        # Title marks written by earlier frames and not covered since: the title draws over
        # them when its own picture is missing.
        self.inked = set()
        self.marks = []  # (rectangles, the one marked)

    def next(self, kind):
        """The next screen, to be drawn over this one."""
        f = Frame.__new__(Frame)
        f.font, f.kind = self.font, kind
        f.pixels, f.known = bytearray(self.pixels), bytearray(self.known)
        f.carried = bytearray(self.known.translate(_INVERT))
        f.text = []
        f.history = list(self.history)
        f.history += [(self.kind, r) for r in self.text if (self.kind, r) not in f.history]
        f.inked = set(self.inked)
        if self.font != "none":
            f.inked |= {rects[marked] for rects, marked in self.marks if self.kind == "title"}
        f.marks = []
        return f

    def blit(self, sprite, dx, dy, w, h, keyed=True):
        """Like SDL_BlitSurface from the top left of the picture, clipped to it; a picture
        that did not load (None) draws nothing."""
        if sprite is None:
            return self
        w, h = min(w, sprite.width), min(h, sprite.height)
        full = b"\xff" * (2 * W)
        none = bytes(2 * W)
        for y in range(h):
            if not 0 <= dy + y < H:
                continue
            row = sprite.rows[y]
            base = 2 * ((dy + y) * W + dx)
            for a, b in (sprite.runs[y] if keyed else [(0, sprite.width)]):
                a, b = max(a, -dx), min(b, w, W - dx)
                if a >= b:
                    continue
                n = 2 * (b - a)
                self.pixels[base + 2 * a:base + 2 * b] = row[2 * a:2 * b]
                self.known[base + 2 * a:base + 2 * b] = full[:n]
                self.carried[base + 2 * a:base + 2 * b] = none[:n]
        if not keyed:
            area = (dx, dy, w, h)
            self.history = [(k, r) for k, r in self.history if not _inside(r, area)]
            self.inked = {r for r in self.inked if not _inside(r, area)}
        return self

    def fill(self, colour):
        self.pixels[:] = colour.to_bytes(2, "little") * (W * H)
        self.known[:] = b"\xff" * (W * H * 2)
        self.carried[:] = bytes(W * H * 2)
        self.history, self.inked = [], set()
        return self

    def write(self, *rects):
        """Text goes into rects: from there on their pixels are not known exactly."""
        if self.font == "none":
            return self
        for r in rects:
            self.text.append(r)
            for a, b in _rect_rows(r):
                self.known[a:b] = bytes(b - a)
        return self

    def mark(self, rects, marked):
        if self.font != "none":
            self.marks.append((rects, marked))
        return self

    def picture(self):
        """The model as a Picture, for the artefacts."""
        data = array.array("H")
        data.frombytes(bytes(self.pixels))
        if sys.byteorder == "big":
            data.byteswap()
        return Picture(W, H, list(data))

    def check(self, shot, before):
        """What is wrong with the screenshot shot (5-6-5 bytes) as this screen, the screen
        having been drawn over before (the accepted screenshot of the step before); None
        when nothing is."""
        got = int.from_bytes(shot, "little")
        if (got ^ int.from_bytes(self.pixels, "little")) & int.from_bytes(self.known, "little"):
            return "pixels differ"
        if self.font != "ok":
            return None
        # Where earlier text may show, the screen before is the reference: a text area
        # shows this screen's text if it differs from that.
        carried = int.from_bytes(self.carried, "little")
        ref = ((int.from_bytes(self.pixels, "little") & ~carried)
               | (int.from_bytes(before, "little") & carried)).to_bytes(W * H * 2, "little")
        for r in self.text:
            # Text drawn over the very same text of an earlier frame shows no change.
            if (self.kind, r) in self.history:
                continue
            if not _differs(shot, ref, r):
                return "nothing written in the text area %s" % (r,)
        for rects, marked in self.marks:
            for i, r in enumerate(rects):
                # Another screen's text there leaves the mark unknowable.
                if any(k != self.kind and _meet(r, t) for k, t in self.history):
                    continue
                want = i == marked or r in self.inked
                if _differs(shot, self.pixels, r) != want:
                    return "mark %d of %s %s" % (
                        i, [tuple(x) for x in rects], "missing" if want else "drawn")
        return None

    def differences(self, shot):
        """Indices of the pixels that differ where the model knows them."""
        return [i for i in range(W * H) if self.known[2 * i]
                and shot[2 * i:2 * i + 2] != self.pixels[2 * i:2 * i + 2]]


def _differs(a, b, rect):
    return any(a[s:e] != b[s:e] for s, e in _rect_rows(rect))


class Screens:
    """The run's screens, drawn from the pictures of one data folder."""

    def __init__(self, sprites):
        self.p = sprites

    def title(self, before, mark):
        f = before.next("title").blit(self.p["title"], 0, 0, W, H, keyed=False)
        return f.write(TITLE_TEXT).mark(TITLE_MARKS, mark)

    def selection(self, before):
        f = before.next("selection").fill(rgb565(*SELECTION_GREY))
        for n, (x, y) in enumerate(SELECTION_PORTRAIT_AT, 1):
            name, w, h = MENU_PORTRAITS[n]
            f.blit(self.p[name], x, y, w, h)
        f.blit(self.p["quickie"], 90, 20, 139, 33)
        f.blit(self.p["x_totitle"], 1, 1, 19, 9)
        f.blit(self.p["r_time"], 290, 1, 29, 15)
        return f.write(*SELECTION_TEXT).mark(SELECTION_MARKS, 0).mark(TIME_MARKS, 0)

    def board(self, before, rows, code, opponent=1):
        """A game against opponent with the given rows; the last full row ends it."""
        f = before.next("board").blit(self.p["main"], 0, 0, W, H, keyed=False)
        for name, x, y, w, h in board_sprites(rows, code, opponent):
            f.blit(self.p[name], x, y, w, h)
        return f.write(BOARD_TEXT)

    def result(self, before, name):
        return before.next(name).blit(self.p[name], 0, 0, W, H, keyed=False).write(RESULT_LINE)

    def round(self, before, n):
        f = before.next("round").blit(self.p["round"], 0, 0, W, H, keyed=False)
        f.blit(self.p["x_totitle"], 1, 1, 19, 9)
        name, w, h = MENU_PORTRAITS[n]
        f.blit(self.p[name], ROUND_PORTRAIT_AT[0], ROUND_PORTRAIT_AT[1], w, h)
        return f.write(*ROUND_TEXT)

    def help(self, before):
        return before.next("help").blit(self.p["help_screen"], 0, 0, W, H, keyed=False)


def script(screens, lost_code, won_code, text):
    """The run, step by step: (step, keys pressed, the screen they must lead to). It draws
    every picture: a Quick Game lost, a tournament round won, round 2, help, and out.

    Each step's screen differs from the one before it, so that a lost press or a stuck
    screen fails the step, with two exceptions that a later step or the ending settles
    (Escape ends the game only from the title): without a font that writes, the title's
    mark is not seen; without the help picture, help shows the title it opened over."""
    rows = wrong_rows(lost_code)
    s = screens
    steps = []

    def step(name, keys, make):
        before = steps[-1][2] if steps else Frame(text)
        steps.append((name, tuple(keys), make(before)))

    step("title", (), lambda f: s.title(f, 0))
    step("selection", ["space"], s.selection)
    step("fresh_game", ["b"], lambda f: s.board(f, [], lost_code))
    # Against opponent 1's first code, of two colours, the wrong rows hold every ball and earn
    # every marker (wrong_rows says so).
    step("seven_wrong_rows", [KEYS[c] for row in rows for c in row],
         lambda f: s.board(f, rows, lost_code))
    # The lost game waits for any press; space would open help were the game still on.
    step("loss", ["space"], lambda f: s.result(f, "you_lost"))
    step("title_again", ["b"], lambda f: s.title(f, 0))
    step("tournament_marked", ["Down"], lambda f: s.title(f, 1))
    step("round_1", ["space"], lambda f: s.round(f, 1))
    step("round_1_game", ["b"], lambda f: s.board(f, [], won_code))
    step("right_row", [KEYS[c] for c in won_code], lambda f: s.board(f, [won_code], won_code))
    # The won game waits for any press; x would place a ball were the game still on.
    step("win", ["x"], lambda f: s.result(f, "you_win"))
    step("round_2", ["b"], lambda f: s.round(f, 2))
    step("back_to_title", ["x"], lambda f: s.title(f, 1))
    step("help_marked", ["Down"], lambda f: s.title(f, 2))
    step("help", ["space"], s.help)
    # Any press closes help and is used up there: were help not open, Down would move the
    # mark to "Quit".
    step("help_closed", ["Down"], lambda f: s.title(f, 2))
    return steps


# ---------------------------------------------------------------------------------------
# Running the game on one damaged data folder.

class GameOnServer:
    """One X server and the game on it, started, played and looked at as XGameCase does."""

    start_game = XGameCase.start_game
    stop_game = XGameCase.stop_game
    xdotool = XGameCase.xdotool
    keys = XGameCase.keys
    wait_taken = XGameCase.wait_taken
    wait_focus = XGameCase.wait_focus
    pressed = XGameCase.pressed
    press_settle = XGameCase.press_settle
    start_timeout = XGameCase.start_timeout
    screen_timeout = XGameCase.screen_timeout

    def __init__(self, x, test):
        self.x, self.game, self.box = x, None, None
        # The test's frozen clock, which makes the codes known.
        self.libfaketime, self.faketime = test.libfaketime, test.faketime

    def screenshot(self):
        shot = subprocess.run(["xwd", "-root", "-silent", "-display", self.x.display],
                              capture_output=True, timeout=15, check=True).stdout
        return xwd_bytes(shot)


def xwd_bytes(data):
    """A 16-bit screenshot from xwd as little-endian 5-6-5 bytes, row by row."""
    data = array.array("H", read_xwd(data).pixels)
    if sys.byteorder == "big":
        data.byteswap()
    return data.tobytes()


def _bytes_picture(raw):
    data = array.array("H")
    data.frombytes(raw)
    if sys.byteorder == "big":
        data.byteswap()
    return Picture(W, H, list(data))


class Case:
    """One run: some files damaged one way, and what came of it."""

    def __init__(self, corruption, writer, group, files):
        self.corruption, self.writer, self.group, self.files = corruption, writer, group, files
        self.failure = None
        self.started = False
        self.seconds = 0.0
        self.outcome = {}  # file: what the game makes of it ("not loaded", "drawn 4x4"...)

    def names(self):
        return [f if f == FONT else f + ".bmp" for f in self.files]

    @property
    def label(self):
        if len(self.files) == 1:
            return "%s %s" % (self.names()[0], self.corruption)
        return "%s (%s) %s" % (self.group, ", ".join(self.names()), self.corruption)

    @property
    def folder(self):
        return "%s-%s" % (self.names()[0] if len(self.files) == 1 else self.group,
                          self.corruption)


class BadDataTest(XGameCase):
    """Every data file damaged every way: the game starts, prints exactly its messages,
    plays a scripted path through every screen showing what the damaged data makes of it,
    and ends with status 0."""

    # Games played at once, each on an X server of its own. A game that draws never stops,
    # and with its X server takes about a core, but a run also starts up and waits on
    # still screens: on two cores all runs took 83 s one at a time, 52 s two, 40 s three
    # and 41 s four at a time, a run itself getting slower.
    GAMES = int(os.environ.get("BADDATA_GAMES", "3"))
    # Seconds after which no further run starts, so that many failing runs (each waits out
    # its screen's timeout) end the test with their messages rather than hit CTest's
    # timeout; runs take under a minute in all when nothing fails.
    BUDGET = float(os.environ.get("BADDATA_BUDGET") or slow(300))

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.servers = [cls.x] + [Xvfb() for _ in range(cls.GAMES - 1)]
        for x in cls.servers[1:]:
            cls.addClassCleanup(x.stop)
        # The Quick Game is the run's first game, the tournament's round 1 its second.
        cls.lost_code, cls.won_code = codes(cls.seed, 1, 1)
        cls.sprite_cache, cls.cache_lock = {}, threading.Lock()

    def sprite(self, path):
        """The picture at path as the game draws it, or None where the game cannot load it;
        and what came of it."""
        try:
            data = _read(path)
        except FileNotFoundError:
            return None, "not loaded"
        digest = hashlib.sha1(data).digest()
        with self.cache_lock:
            if digest in self.sprite_cache:
                return self.sprite_cache[digest]
        try:
            picture = read_bmp(path)
            found = Sprite(picture), "drawn %dx%d" % (picture.width, picture.height)
        except ValueError:
            found = None, "not loaded"
        with self.cache_lock:
            self.sprite_cache[digest] = found
        return found

    def run_case(self, server, case):
        """Plays the script on the data folder damaged as case says; sets case.failure."""
        if time.monotonic() > self.deadline:
            return
        case.started = True
        started = time.monotonic()
        box = server.box = Sandbox(self)
        try:
            case.failure = self.play(server, case, box)
        except Exception as e:  # a helper timed out or failed: the case fails, not the run
            case.failure = "%s: %s" % (type(e).__name__, e)
        finally:
            try:
                server.stop_game()
            except Exception as e:
                case.failure = case.failure or "the game could not be stopped: %s" % e
            server.game = None
            shutil.rmtree(box.dir, True)
            case.seconds = time.monotonic() - started

    def play(self, server, case, box):
        root = box.data_copy(without=case.names())
        data = os.path.join(root, "data")
        for name in case.names():
            case.writer(os.path.join(DATA, name), os.path.join(data, name))

        # What the game must make of this folder, from the folder itself.
        font = os.path.join(data, FONT)
        opens = os.path.exists(font) and font_opens(font)
        text = "none" if not opens else "ok" if _read(font) == _read(
            os.path.join(DATA, FONT)) else "damaged"
        sprites = {}
        for name in PICTURES:
            sprites[name], outcome = self.sprite(os.path.join(data, name + ".bmp"))
            if name in case.files:
                case.outcome[name] = outcome
        if FONT in case.files:
            case.outcome[FONT] = {"none": "not opened", "damaged": "opened"}[text]
        expected_out = ((FONT_MISSING if text == "none" else b"")
                        + (TITLE_MISSING if sprites["title"] is None else b"")
                        + (HELP_MISSING if sprites["help_screen"] is None else b""))
        steps = script(Screens(sprites), self.lost_code, self.won_code, text)

        server.start_game(cwd=root, menu=False)
        before = bytes(W * H * 2)
        for n, (name, keys, frame) in enumerate(steps, 1):
            if keys:
                server.keys(*keys)
            shot, problem = self.wait_for(server, frame, before)
            if problem:
                return self.keep(case, n, name, shot, frame, problem)
            if KEEP_ALL:
                self.keep(case, n, name, shot, frame, None)
            before = shot

        server.keys("Escape")
        try:
            out, err = server.game.communicate(timeout=slow(10))
        except subprocess.TimeoutExpired:
            return self.escape_ignored(server, case, len(steps) + 1, frame)
        status = server.game.returncode
        problems = []
        if status != 0:
            problems.append("exit status %d" % status)
        if out != expected_out:
            problems.append("stdout %r, expected %r" % (out, expected_out))
        if err:
            problems.append("stderr %r" % err[-500:])
        return "; ".join(problems) or None

    def escape_ignored(self, server, case, n, frame):
        """The failure of a game that still runs 10 s after Escape on the title: what each of
        its threads does and where, and the screen it shows, kept beside the expected one."""
        states = thread_states(server.game.pid)
        shot = server.screenshot()
        return "the game did not end within %d s of Escape on the title (%s); %s\n%s" % (
            slow(10), states, backtraces(server.game.pid),
            self.keep(case, n, "escape", shot, frame, "still running"))

    def wait_for(self, server, frame, before):
        """Waits until the screen is frame; returns the last screenshot and, when it never
        came, what was wrong with it."""
        server.wait_taken()
        deadline = time.monotonic() + server.screen_timeout
        while True:
            shot = server.screenshot()
            problem = frame.check(shot, before)
            if not problem:
                return shot, None
            status = server.game.poll()
            if status is not None:
                return shot, problem + " (the game ended with status %d%s)" % (
                    status, ", killed by signal %d" % -status if status < 0 else "")
            if time.monotonic() > deadline:
                return shot, problem
            time.sleep(0.05)

    def keep(self, case, n, name, shot, frame, problem):
        """Keeps the screenshot and, for a problem, the expected screen and their
        differences; returns the message."""
        folder = os.path.join(ARTEFACTS, self.id().split(".", 1)[-1], case.folder)
        os.makedirs(folder, exist_ok=True)
        stem = os.path.join(folder, "%02d_%s" % (n, name))
        write_png(stem + ".png", _bytes_picture(shot))
        if problem is None:
            return None
        write_png(stem + "-expected.png", frame.picture())
        diff = frame.differences(shot)
        write_png(stem + "-differences.png", _bytes_picture(shot),
                  overlay={i: (255, 0, 0) for i in diff})
        where = ""
        if diff:
            where = ", %d pixels, the first at (%d, %d)" % (len(diff), diff[0] % W, diff[0] // W)
        return "step %d %s: %s%s; see %s.png" % (n, name, problem, where, stem)

    def run_all(self, cases):
        free = queue.Queue()
        for x in self.servers:
            free.put(GameOnServer(x, self))

        def run(case):
            server = free.get()
            try:
                self.run_case(server, case)
            finally:
                free.put(server)
            return case

        with concurrent.futures.ThreadPoolExecutor(len(self.servers)) as pool:
            return list(pool.map(run, cases))

    def test_each_file_damaged_each_way(self):
        clear_artefacts(self)
        self.assertEqual(sorted(name for _, group in GROUPS for name in group), PICTURES,
                         "the groups must hold every picture of the game's list, once")
        self.assertEqual(PICTURES, sorted(f[:-4] for f in os.listdir(DATA) if f.endswith(".bmp")),
                         "data/ must hold every picture of the game's list, and no other")
        started = time.monotonic()
        self.deadline = started + self.BUDGET
        cases = [Case(name, writer, group, files)
                 for name, writer, groups in PICTURE_CORRUPTIONS + FONT_CORRUPTIONS
                 for group, files in groups]
        done = self.run_all(cases)
        # A group that failed is played again file by file, so that the failure names its
        # file; should none of them fail alone, the group's own failure stands.
        failed = [c for c in done if c.failure and len(c.files) > 1]
        again = self.run_all([Case(c.corruption, c.writer, c.group, (f,))
                              for c in failed for f in c.files])
        elapsed = time.monotonic() - started

        failures = [c for c in done + again if c.failure and len(c.files) == 1]
        failures += [c for c in failed if not any(
            s.failure for s in again if s.corruption == c.corruption and s.group == c.group)]
        unrun = [c for c in done + again if not c.started]
        self.report(done + again, elapsed)
        messages = ["%s: %s" % (c.label, c.failure) for c in failures]
        if unrun:
            messages.append("%d runs did not start, the %d s allowed being spent: %s" % (
                len(unrun), self.BUDGET, ", ".join(c.label for c in unrun)))
        if messages:
            self.fail("%d of %d runs failed:\n%s" % (
                len(failures), len(done) + len(again), "\n".join(messages)))

    def report(self, cases, elapsed):
        """Prints the table of files against corruptions, and what the runs took."""
        cell = {}
        for c in cases:  # a file's own run comes after its group's, and says more
            for f in c.files:
                cell[(f, c.corruption)] = ("not run" if not c.started else "%s: %s" % (
                    "FAIL" if c.failure else "ok", c.outcome.get(f, "?")))
        names = [n for n, _, _ in PICTURE_CORRUPTIONS]
        lines = ["%-22s" % "" + "".join("%-20s" % n for n in names)]
        for f in PICTURES:
            lines.append("%-22s" % (f + ".bmp") + "".join(
                "%-20s" % cell.get((f, n), "-") for n in names))
        lines.append("%-22s" % FONT + ", ".join(
            "%s: %s" % (n, cell.get((FONT, n), "-")) for n, _, _ in FONT_CORRUPTIONS))
        ran = [c for c in cases if c.started]
        print("\n" + "\n".join(lines))
        print("%d runs, %d games at once: %.1f s; a run took %.1f s on average, %.1f s at most"
              % (len(ran), len(self.servers), elapsed,
                 sum(c.seconds for c in ran) / max(1, len(ran)),
                 max((c.seconds for c in ran), default=0)))
        sys.stdout.flush()


if __name__ == "__main__":
    unittest.main()
