# Shared by the whole-program tests: paths, the sandboxed game process, and playing it in X.
import calendar
import ctypes
import functools
import glob
import hashlib
import json
import os
import resource
import select
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

import layout as L
import pictures as picture_list
from pixels import Canvas, differences, differs_in, read_bmp, read_xwd, rgb565, write_png

HERE = os.path.dirname(os.path.abspath(__file__))
TESTS = os.path.dirname(HERE)
ROOT = os.environ.get("GAME_ROOT", os.path.dirname(TESTS))
BUILD = os.path.join(ROOT, "build")
GAME = os.environ.get("CODEBREAKER_BIN", os.path.join(BUILD, "codebreaker"))
RULES_MODEL = os.environ.get("RULES_MODEL_BIN",
                             os.path.join(BUILD, "tests", "tools", "rules_model"))
TEXT_MASK = os.environ.get("TEXT_MASK_BIN", os.path.join(BUILD, "tests", "text_mask"))
SDL_PROBE = os.environ.get("SDL_PROBE_BIN", os.path.join(BUILD, "tests", "sdl_probe"))
FRAME_ALLOC_FAILS = os.environ.get("FRAME_ALLOC_FAILS_LIB",
                                   os.path.join(BUILD, "tests", "libframe_alloc_fails.so"))
JOYSTICK_FAILS = os.environ.get("JOYSTICK_FAILS_LIB",
                                os.path.join(BUILD, "tests", "libjoystick_fails.so"))
# A cross build's programs run through the emulator CMake names (CMAKE_CROSSCOMPILING_EMULATOR,
# a CMake list such as qemu-arm;-L;SYSROOT); empty for a native build. command() puts it before
# every program of the build the tests start: the game, rules_model and sdl_probe.
EMULATOR = [a for a in os.environ.get("CROSSCOMPILING_EMULATOR", "").split(";") if a]
# How many times longer than natively the game may take to start, draw and end under the
# emulator: every wait on the game is scaled by it (1 natively, so native runs keep their limits).
SLOWDOWN = float(os.environ.get("EMULATOR_SLOWDOWN") or (4 if EMULATOR else 1))
# The SDL library file every game of this run must load: the classic library or sdl12-compat,
# which the test run picks through LD_LIBRARY_PATH. Started by hand without it, a test takes
# whichever library the loader finds.
EXPECTED_SDL = os.environ.get("EXPECTED_SDL_LIBRARY")
SANDBOX = os.environ.get("SANDBOX_SH", os.path.join(HERE, "sandbox.sh"))
# The program the sandbox installs as the handheld's menu program: built for this machine, also
# in a cross build, since the game's exec of it reaches this machine's kernel.
FAKE_MENU = os.environ.get("FAKE_MENU_BIN", os.path.join(BUILD, "tests", "fake_menu"))
# Sends a window the request a window manager's close button sends; built for this machine too.
CLOSE_WINDOW = os.environ.get("CLOSE_WINDOW_BIN", os.path.join(BUILD, "tests", "close_window"))
ARTEFACTS = os.environ.get("ARTEFACT_DIR", os.path.join(BUILD, "artefacts"))
DATA = os.path.join(ROOT, "data")

# The class of the game's window: classic SDL 1.2 names it after the program's file, which it
# reads from /proc/PID/exe. Under qemu-user that link reads as the guest program, so the class
# is the game's file name there too, whatever the guest's argv[0] (-0) or the emulator's name.
WINDOW_CLASS = "codebreaker"

MENU_DIR = "/usr/gp2x"
MENU_PROGRAM = "/usr/gp2x/gp2xmenu"

# What start-up prints on stdout for each missing file, in the order it prints them.
FONT_MISSING = b"Font is missing (font.ttf)"
TITLE_MISSING = b"title.bmp could not be found!"
HELP_MISSING = b"help.bmp could not be found!"


_libc = ctypes.CDLL(None, use_errno=True)
_PR_SET_PDEATHSIG = 1


def die_with_parent():
    """For preexec_fn: the child is killed when the test process dies, however it dies, so
    that no game spinning in its loop or X server outlives an aborted test run; and a child
    killed by a fatal signal leaves no core file in the working directory."""
    _libc.prctl(_PR_SET_PDEATHSIG, signal.SIGKILL)
    resource.setrlimit(resource.RLIMIT_CORE, (0, resource.getrlimit(resource.RLIMIT_CORE)[1]))


def slow(seconds):
    """A wait on the game of seconds natively, as long as the emulator needs."""
    return seconds * SLOWDOWN


def command(argv, preload=None, emulator=None):
    """The command that runs argv, a program of the build, with the library preload (one of
    the build's) preloaded into it.

    Natively preload goes into LD_PRELOAD. Under the emulator (EMULATOR unless another is
    given; () runs natively) the program is the emulator's guest: the host's LD_PRELOAD stays
    with the emulator itself, where the clock library (libfaketime) fakes the time the
    emulator passes on for the guest's clock calls, and never reaches the guest's loader,
    which cannot load a host library; preload, built for the target, goes to the guest
    alone (qemu-user's -E and -U set and unset the guest's environment)."""
    emulator = EMULATOR if emulator is None else list(emulator)
    if not emulator:
        return (["env", "LD_PRELOAD=" + preload] if preload else []) + list(argv)
    guest = ["-E", "LD_PRELOAD=" + preload] if preload else ["-U", "LD_PRELOAD"]
    return emulator + guest + list(argv)


def without_emulator_report(err, sig):
    """err without the line in which qemu-user reports that its guest died of sig, which
    dumps core: qemu writes it on the guest's standard error (and none there is written: the
    tests' games run with no core size). Natively err as it is."""
    if not EMULATOR:
        return err
    line = b"qemu: uncaught target signal %d (%s) - core dumped\n" % (
        sig, signal.strsignal(sig).encode())
    return err[:-len(line)] if err.endswith(line) else err


def without_menu_loader_complaint(err, preload):
    """err without the line in which the host's loader declines the target's library preload
    when the fake menu program, a host program, starts in the game's stead with the
    game's environment: under the emulator the guest's LD_PRELOAD goes with it, though no
    program of the host can load that library. Natively err as it is."""
    if not EMULATOR:
        return err
    head = b"ERROR: ld.so: object '%s' from LD_PRELOAD cannot be preloaded (" % preload.encode()
    lines = err.splitlines(keepends=True)
    if lines and lines[-1].startswith(head) and lines[-1].endswith(b"): ignored.\n"):
        return b"".join(lines[:-1])
    return err


def clean_env(**extra):
    """The test's environment without anything that would steer SDL, the clock or the menu,
    naming the fake menu program for the sandbox."""
    env = {k: v for k, v in os.environ.items()
           if not k.startswith(("SDL_", "FAKETIME", "GP2X_"))
           and k not in ("LD_PRELOAD", "DISPLAY")}
    env["FAKE_MENU_BIN"] = FAKE_MENU
    env.update(extra)
    return env


class Sandbox:
    """A scratch directory, and commands run through tests/support/sandbox.sh with their record
    there."""

    def __init__(self, test):
        self.dir = tempfile.mkdtemp(prefix="cb-test-")
        test.addCleanup(shutil.rmtree, self.dir, True)
        self.record = os.path.join(self.dir, "menu-record")

    def data_copy(self, without=()):
        """A project root of its own: a copy of data/ less the named files."""
        root = os.path.join(self.dir, "root")
        shutil.copytree(DATA, os.path.join(root, "data"),
                        ignore=lambda d, names: [n for n in names if n in without])
        return root

    def env(self, **extra):
        # The sandbox makes its overlay's layers below TMPDIR, so they go with self.dir.
        return clean_env(GP2X_RECORD=self.record, TMPDIR=self.dir, **extra)

    def popen(self, argv, cwd=ROOT, env=None, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
              **kw):
        """Starts argv inside the sandbox; the process id stays that of argv's program."""
        return subprocess.Popen([SANDBOX] + list(argv), cwd=cwd,
                                env=env if env is not None else self.env(),
                                stdin=subprocess.DEVNULL, stdout=stdout, stderr=stderr,
                                start_new_session=True, preexec_fn=die_with_parent, **kw)

    def read_record(self):
        """The fake menu's record as a list of lines, or None when it never ran."""
        try:
            with open(self.record) as f:
                return f.read().splitlines()
        except FileNotFoundError:
            return None


def write_huge_height(src, dst):
    """Copies the BMP src to dst with its height field (offset 22) set to 0x80000000: a
    header that SDL's loader accepts as a picture with no pixels."""
    with open(src, "rb") as f:
        data = bytearray(f.read())
    data[22:26] = b"\x00\x00\x00\x80"
    with open(dst, "wb") as f:
        f.write(data)


def menu_record(cwd, argv0, *args):
    """The record the fake menu writes when started once in cwd as argv0 with args."""
    return (["cwd=" + cwd, "argv0=" + argv0, "argc=%d" % len(args)]
            + ["arg=" + a for a in args] + ["end"])


def stop(proc, sig=signal.SIGKILL, timeout=10):
    """Ends proc's whole session (it leads one) and reaps it; returns (stdout, stderr)."""
    if proc.poll() is None:
        try:
            os.killpg(proc.pid, sig)
        except ProcessLookupError:
            pass
    try:
        return proc.communicate(timeout=timeout)
    except subprocess.TimeoutExpired:
        os.killpg(proc.pid, signal.SIGKILL)
        return proc.communicate(timeout=timeout)


def proc_status(pid):
    """Fields of /proc/PID/status, or None once the process is gone."""
    try:
        with open("/proc/%d/status" % pid) as f:
            return dict(line.rstrip("\n").split(":\t", 1) for line in f if ":\t" in line)
    except (FileNotFoundError, ProcessLookupError):
        return None


def thread_states(pid):
    """What each thread of the process is doing, as the kernel tells it: name, state (R
    running, S sleeping, D in an uninterruptible wait...) and the kernel function it waits in;
    for telling a game that hangs from one that is busy or never got a press."""
    states = []
    try:
        tasks = sorted(os.listdir("/proc/%d/task" % pid), key=int)
    except FileNotFoundError:
        return "process %d is gone" % pid
    for tid in tasks:
        try:
            with open("/proc/%d/task/%s/stat" % (pid, tid)) as f:
                stat = f.read()
            with open("/proc/%d/task/%s/wchan" % (pid, tid)) as f:
                wchan = f.read().strip() or "-"
        except FileNotFoundError:
            continue
        name = stat[stat.index("(") + 1:stat.rindex(")")]
        state = stat[stat.rindex(")") + 2]
        states.append("%s %s %s" % (name, state, wchan))
    return "threads: " + ", ".join(states) + "; %.2f s of processor time" % (
        cpu_seconds(pid) or 0)


def backtraces(pid):
    """Every thread's stack of the process, from gdb when it is installed: where a game that
    runs but does not act is spinning."""
    if not shutil.which("gdb"):
        return "(no gdb for backtraces)"
    try:
        done = subprocess.run(["gdb", "-p", str(pid), "-batch", "-nx",
                               "-ex", "thread apply all bt 12"],
                              capture_output=True, text=True, timeout=60,
                              stdin=subprocess.DEVNULL)
    except subprocess.TimeoutExpired:
        return "(gdb took over a minute)"
    return "\n".join(line for line in done.stdout.splitlines()
                     if line.startswith(("Thread", "#")))


def _stat_seconds(path):
    """User plus system time from a /proc stat file, or None once its process is gone."""
    try:
        with open(path) as f:
            fields = f.read().rsplit(")", 1)[1].split()
    except (FileNotFoundError, ProcessLookupError):
        return None
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    """User plus system time the process has used so far, or None once it is gone."""
    return _stat_seconds("/proc/%d/stat" % pid)


def main_thread_seconds(pid):
    """Seconds the process's main thread has run on a processor so far, to the nanosecond where
    the kernel keeps scheduler statistics; None once it is gone."""
    try:
        with open("/proc/%d/task/%d/schedstat" % (pid, pid)) as f:
            return int(f.read().split()[0]) / 1e9
    except (FileNotFoundError, ProcessLookupError):
        return _stat_seconds("/proc/%d/task/%d/stat" % (pid, pid))


def sdl_libraries(pid):
    """The real paths of the SDL 1.2 library files mapped into the process, sorted."""
    try:
        with open("/proc/%d/maps" % pid) as f:
            paths = {fields[5] for fields in (line.split(None, 5) for line in f)
                     if len(fields) == 6}
    except (FileNotFoundError, ProcessLookupError):
        raise AssertionError("process %d ended before its libraries could be read" % pid)
    return sorted({os.path.realpath(p.strip()) for p in paths
                   if os.path.basename(p).startswith("libSDL-1.2.so")})


def check_sdl_library(pid, expected=None):
    """Fails (AssertionError) unless the running process has the run's SDL library loaded
    (or expected), and no other: each test claims one library, and this holds it to that
    claim. Under the emulator the guest's libraries are mapped by the emulator's process, from
    the target's folders (the sysroot), so the maps name the very file the guest loaded."""
    expected = expected or EXPECTED_SDL
    if expected is None:
        return
    loaded = sdl_libraries(pid)
    if loaded != [os.path.realpath(expected)]:
        raise AssertionError("the game runs on %s, not on %s" % (loaded, expected))


_emulator_threads = None


def emulator_threads():
    """The threads the emulator keeps for itself, besides its guest's (0 natively): counted
    in an emulator that holds its guest before the guest's first instruction, waiting for a
    debugger (qemu-user's -g) that never comes."""
    global _emulator_threads
    if _emulator_threads is not None:
        return _emulator_threads
    if not EMULATOR:
        _emulator_threads = 0
        return 0
    folder = tempfile.mkdtemp(prefix="cb-emulator-")
    socket = os.path.join(folder, "gdb")
    held = subprocess.Popen(EMULATOR + ["-g", socket, RULES_MODEL, "draws", "1", "1"],
                            stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                            start_new_session=True, preexec_fn=die_with_parent)
    try:
        # The emulator listens once the guest is loaded, just before it waits.
        deadline = time.monotonic() + slow(10)
        while not os.path.exists(socket) and held.poll() is None \
                and time.monotonic() < deadline:
            time.sleep(0.01)
        st = proc_status(held.pid) if os.path.exists(socket) else None
        if not st:
            raise RuntimeError("the emulator %s never held its guest for a debugger" % EMULATOR)
        _emulator_threads = int(st["Threads"]) - 1
    finally:
        # The emulator leaves its guest's signals to the guest, which never runs: only
        # SIGKILL ends it here.
        stop(held)
        shutil.rmtree(folder, True)
    return _emulator_threads


def wait_started(proc, timeout=10):
    """Waits until the game has finished start-up, with the dummy audio driver, and checks
    that it runs on the run's SDL library.

    Opening the audio device is start-up's last step, and SDL plays the dummy device from a
    thread of its own: a second thread of the game's own means every message of start-up has
    been written. Under the emulator the game's threads are the emulator's threads less those
    it keeps for itself. Returns False if the process ended or time ran out first."""
    deadline = time.monotonic() + slow(timeout)
    # The process is known by its name, not by the path of its image: seen from outside the
    # sandbox's mount namespace (or from a chroot) that path need not read as GAME. Under the
    # emulator it is the emulator's name, which none of the sandbox's steps before it bear.
    name = os.path.basename(EMULATOR[0] if EMULATOR else GAME)[:15]
    threads = 2 + emulator_threads()
    while time.monotonic() < deadline:
        if proc.poll() is not None:
            return False
        st = proc_status(proc.pid)
        if st and st.get("Name") == name and int(st.get("Threads", "1")) >= threads:
            check_sdl_library(proc.pid)
            return True
        time.sleep(0.02)
    return False


def run(argv, timeout=30, **kw):
    """Runs a helper program to its end and returns its stdout as text."""
    return subprocess.run(argv, check=True, capture_output=True, text=True, timeout=timeout,
                          stdin=subprocess.DEVNULL, **kw).stdout


def clear_artefacts(test):
    """Empties the test's artefact folder, so that it holds this run's pictures only."""
    shutil.rmtree(os.path.join(ARTEFACTS, test.id().split(".", 1)[-1]), True)


def differing_steps(test, pairs, kept="differences"):
    """[(step, pixels that differ)] of each (step, shot, other shot) of pairs, with the shot
    kept as STEP-KEPT.png, its differing pixels red, for each step whose shots differ."""
    counts = []
    for step, shot, other in pairs:
        diff = differences(shot, other)
        counts.append((step, len(diff)))
        if diff:
            write_png(artefact_path(test, "%s-%s" % (step, kept)), shot,
                      overlay={i: (255, 0, 0) for i in diff})
    return counts


def artefact_path(test, step, ext="png"):
    """Where a test keeps what a reviewer may want to look at: one folder per test."""
    d = os.path.join(ARTEFACTS, test.id().split(".", 1)[-1])
    os.makedirs(d, exist_ok=True)
    return os.path.join(d, "%s.%s" % (step, ext))


_digests = {}


def data_digest(folder):
    """A digest of what the game reads from a data folder, the font and the pictures by name
    and content: the same for any two folders that give the game the same files."""
    folder = os.path.realpath(folder)
    files = sorted(n for n in os.listdir(folder) if n.endswith((".ttf", ".bmp"))
                   and os.path.isfile(os.path.join(folder, n)))
    stats = [os.stat(os.path.join(folder, n)) for n in files]
    stamp = tuple((n, s.st_mtime_ns, s.st_size) for n, s in zip(files, stats))
    if _digests.get(folder, (None,))[0] != stamp:
        h = hashlib.sha256()
        for name in files:
            with open(os.path.join(folder, name), "rb") as f:
                h.update(name.encode() + b"\0" + hashlib.sha256(f.read()).digest())
        _digests[folder] = (stamp, h.hexdigest())
    return _digests[folder][1]


def file_digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def note_screenshot(test, step, game_data, pictures):
    """Writes beside a kept screenshot that passed its check what it was drawn from: the data
    folder the game read and the folders of the pictures the expected screen was built of,
    each as its data_digest, and the PNG's own digest. scripts/screenshots.py keeps only
    screenshots whose note says that all of it was data/ as committed."""
    note = {"png": file_digest(artefact_path(test, step)),
            "game_data": data_digest(game_data),
            "expected_from": sorted({data_digest(os.path.dirname(p)) for p in pictures})}
    with open(artefact_path(test, step, "json"), "w") as f:
        json.dump(note, f, indent=1, sort_keys=True)


def not_the_games_own(png, data=DATA):
    """Why the kept screenshot png is not a picture of the game drawing data/ as committed
    (the data folder given), or None when it is: it has no note (its check failed, or it was
    never checked), the PNG changed since, or the game or the picture it was held to read
    another data folder, such as one with a test's paint."""
    try:
        with open(os.path.splitext(png)[0] + ".json") as f:
            note = json.load(f)
    except FileNotFoundError:
        return "it has no note: its check failed or never ran"
    want = data_digest(data)
    if note.get("png") != file_digest(png):
        return "it changed after its check"
    if note.get("game_data") != want:
        return "the game read a data folder other than %s" % data
    if any(d != want for d in note.get("expected_from", [None])):
        return "it was held to pictures other than those of %s" % data
    return None


# ---------------------------------------------------------------------------------------
# The game played in a real X server: key presses in, screenshots out.

# The figures come from tests/support/layout.h, the table the in-process tests hold the game to.

# Key of each colour 1..6 (red, green, blue, yellow, brown, purple) and its ball's picture.
KEYS = {c + 1: key for c, key in enumerate(L.colour_keys)}
BALLS = {c + 1: name for c, name in enumerate(L.balls)}

# The board's layout.
BALL_X, BALL_DX, BALL_Y, BALL_DY = L.hole_x, L.hole_dx, L.hole_y, L.row_dy
MARK_X = tuple(L.marker_x)
MARK_Y, MARK_DY, MARK_LOWER = L.marker_y, L.row_dy, L.marker_lower
BANNER_X = L.banner_x
BANNER_Y = tuple(L.banner_top)
FALSE_H = tuple(L.false_banner_h)
# The game copies its own rectangle of each opponent's portrait: picture, x, y, w, h.
GAME_PORTRAITS = {o + 1: (name, x, L.game_portrait_y, w, h)
                  for o, (name, _, _, x, w, h) in enumerate(L.portraits)}
# "Opponent" is drawn anti-aliased from its place.
BOARD_TEXT = (L.board_label[1], L.board_label[2], 60, 20)

# The menus' rectangle of each portrait: picture, w, h.
MENU_PORTRAITS = {o + 1: (name, w, h) for o, (name, w, h, _, _, _) in enumerate(L.portraits)}
ROUND_PORTRAIT_AT = (L.round_portrait_x, L.round_portrait_y)
SELECTION_PORTRAIT_AT = tuple(zip(L.selection_portrait_x, L.selection_portrait_y))
SELECTION_GREY = L.GREY

# Each title mark "[ ]" starts 3 px left of its entry's bullet, so only a marked entry has
# anything drawn in the 3 px left of the bullets.
TITLE_ENTRIES = tuple(L.title_entries)
TITLE_MARKS = [(L.title_mark_x, y, 3, 12) for y in L.title_entry_y]
# The same on the selection: a bullet per opponent, its mark 3 px to the left...
SELECTION_BULLET_X = tuple(L.selection_bullet_x)
SELECTION_MARKS = [(x - 3, L.selection_bullet_y, 3, 12) for x in SELECTION_BULLET_X]
# ...and a bullet per time.
TIME_MARKS = [(L.time_mark_x, y, 3, 12) for y in L.time_y]

# Seconds a screen may take to show what it should.
SCREEN_TIMEOUT = slow(8)

WHITE, BLACK, CROSS = "white", "black", "black+cross"


@functools.lru_cache(maxsize=None)
def _marks(row, code):
    words = run(command([RULES_MODEL, "marks"] + [str(c) for c in code + row]))
    return tuple({"white": WHITE, "black": BLACK, "cross": CROSS}[w] for w in words.split()[:4])


def marks_for(row, code):
    """The marker of each hole of the row against the code, as the tests' statement of the
    rules (tests/support/rules_model.h) gives them: WHITE, BLACK or CROSS."""
    return list(_marks(tuple(row), tuple(code)))


def wrong_rows(code):
    """Seven rows of four colours for a game against code (any code of any opponent), none of
    them the code: typed in one after another they lose the game, each row showing the false
    banner. The same code always gives the same rows.

    For a code of opponent 1 of two colours (d1 three times, then another colour d2), such as
    XGameCase.code, callers may rely on more: the rows hold all six colours, and they earn
    white, black and crossed markers, the first row all three (black, white, cross, black).
    (A code of one colour can earn no black marker.)"""
    d1, d2 = code[0], code[3]
    o1, o2, o3, o4 = [c for c in range(1, 7) if c not in (d1, d2)][:4]
    rows = [
        [d2, d1, o1, d1],  # against d1 d1 d1 d2: black, white, cross, black
        [o1, o2, o3, o4],  # all crossed
        [d1, d1, d1, d1],  # three white, black
        [d2, d2, d2, d2],  # three black, white
        [o2, d1, o3, d2],  # cross, white, cross, white
        [d1, d2, d1, o4],  # white, black, white, cross
        [o1, o2, o3, d1],  # cross, cross, cross, black
    ]
    # Against another code a row may be the code itself (d1 d1 d1 d1 for a code of one colour,
    # say): a colour the code lacks, in its last hole, makes it wrong.
    absent = min(c for c in range(1, 7) if c not in code)
    return [row if row != list(code) else row[:3] + [absent] for row in rows]


def board_sprites(rows, code, opponent=1):
    """What a game draws over its background, in order, as (picture, x, y, w, h): the
    opponent's portrait, the balls of the rows (the last may be partial), then the markers
    and banner of each full row up to the first right one. Against opponent 6 a right row
    has no banner."""
    out = [GAME_PORTRAITS[opponent]]
    for r, row in enumerate(rows):
        for hole, colour in enumerate(row):
            out.append((BALLS[colour], BALL_X + BALL_DX * hole, BALL_Y + BALL_DY * r, 27, 25))
    for r, row in enumerate(rows):
        if len(row) < 4:
            break
        for hole, mark in enumerate(marks_for(row, code)):
            x, y = MARK_X[hole], MARK_Y + MARK_DY * r + (MARK_LOWER if hole >= 2 else 0)
            out.append(("1" if mark == WHITE else "2", x, y, 14, 8))
            if mark == CROSS:
                out.append(("3", x, y, 14, 8))
        if list(row) == list(code):
            if opponent != 6:
                out.append(("right", BANNER_X, BANNER_Y[r], 54, 36))
            break
        out.append(("false", BANNER_X, BANNER_Y[r], 54, FALSE_H[r]))
    return out


class Pictures:
    """data/'s BMPs, read on first use, by the name of a picture of the game's list
    (tests/support/pictures.py): its global's, as layout.h gives it, or its file's without
    .bmp. A name the list does not hold is an error, not a file looked for."""

    def __init__(self, data=DATA):
        self.data, self.cache = data, {}

    def __getitem__(self, name):
        file = picture_list.find(name).file
        if file not in self.cache:
            self.cache[file] = read_bmp(os.path.join(self.data, file))
        return self.cache[file]

    def __getattr__(self, name):
        if name.startswith("__"):
            raise AttributeError(name)
        try:
            return self[name]
        except KeyError as e:
            raise AttributeError(e.args[0]) from None


class Screens:
    """The screens as the game must show them, from data/'s pictures; each Canvas's text
    lists where anti-aliased text goes over it."""

    def __init__(self, pictures):
        self.p = pictures

    def full(self, name):
        return Canvas().blit(self.p[name], 0, 0, keyed=False)

    def fresh_board(self, opponent=1):
        return self.board([], [], opponent)

    def board(self, rows, code, opponent=1):
        """A game with the given rows of colours (board_sprites says what is drawn)."""
        c = self.full("main")
        for name, x, y, w, h in board_sprites(rows, code, opponent):
            c.blit(self.p[name], x, y, w, h)
        return c.with_text(BOARD_TEXT).with_words(("Opponent", 12, 100, WHITE_RGB))

    def help(self):
        return self.full("help_screen")

    def title(self):
        return self.full("title").with_text(TITLE_TEXT).with_words(*TITLE_WORDS)

    def selection(self):
        c = Canvas(fill=rgb565(*SELECTION_GREY))
        for n, (x, y) in enumerate(SELECTION_PORTRAIT_AT, 1):
            name, w, h = MENU_PORTRAITS[n]
            c.blit(self.p[name], x, y, w, h)
        c.blit(self.p.quickie, 90, 20, 139, 33)
        c.blit(self.p.x_totitle, 1, 1, 19, 9)
        c.blit(self.p.r_time, 290, 1, 29, 15)
        return c.with_text(*SELECTION_TEXT).with_words(*SELECTION_WORDS)

    def round(self, n):
        name, w, h = MENU_PORTRAITS[n]
        c = self.full("round").blit(self.p.x_totitle, 1, 1, 19, 9)
        c.blit(self.p[name], ROUND_PORTRAIT_AT[0], ROUND_PORTRAIT_AT[1], w, h)
        return c.with_text(*ROUND_TEXT).with_words(
            *ROUND_WORDS, (str(n), L.round_number_x, L.round_number_y, WHITE_RGB))

    def win(self, tournament=False):
        line = RESULT_WORDS["win", tournament]
        return self.full("you_win").with_text(RESULT_LINE).with_words(
            (line, L.result_line_x, L.result_line_y, WHITE_RGB))

    def loss(self, tournament=False):
        line = RESULT_WORDS["loss", tournament]
        return self.full("you_lost").with_text(RESULT_LINE).with_words(
            (line, L.result_line_x, L.result_line_y, WHITE_RGB))

    def error(self):
        return Canvas(fill=0xFFFF).with_text(*ERROR_LINES).with_words(*ERROR_WORDS)


ROUND_NUMBER = (L.round_number_x, L.round_number_y, 30, 12)
# Where each screen writes its anti-aliased text.
# The title's entries, their bullets and the mark: x 225 to about 300, y 150 to 197.
TITLE_TEXT = (220, 145, 100, 56)
SELECTION_TEXT = (
    (80, 70, 240, 13),    # "Please choose your opponent!"
    (25, 90, 295, 13),    # the opponents' bullets and mark
    (25, 150, 295, 47),   # name, IQ, comment (and its second line)
    (272, 20, 48, 37))    # the times, their bullets and mark
ROUND_TEXT = (
    ROUND_NUMBER,         # the round's number
    (70, 67, 250, 24),    # the opponent's comment, one or two lines
    (20, 120, 300, 36),   # name, IQ and time limit with their captions
    (20, 200, 120, 12))   # "Press B to start!"
# The one white line of the win and loss screens, around its place.
RESULT_LINE = (L.result_line_x - 6, L.result_line_y - 5, 275, 19)
# The four black lines of the joke error screen.
ERROR_LINES = [(x, y, 310, 12) for _, x, y, _ in L.error_lines]

# The texts each screen writes whatever is marked: (text, x, y, colour).
WHITE_RGB, ORANGE_RGB, CYAN_RGB, BLACK_RGB = L.WHITE, L.ORANGE, L.CYAN, L.BLACK
TITLE_WORDS = ([("-", L.title_bullet_x, y, CYAN_RGB) for y in L.title_entry_y]
               + [(e, L.title_entry_x, y, WHITE_RGB)
                  for e, y in zip(TITLE_ENTRIES, L.title_entry_y)])
SELECTION_WORDS = (
    list(L.selection_labels)
    + [("-", x, L.selection_bullet_y, CYAN_RGB) for x in SELECTION_BULLET_X]
    + [("-", L.time_bullet_x, y, CYAN_RGB) for y in L.time_y]
    + [(t, L.time_x, y, WHITE_RGB) for t, y in zip(L.times, L.time_y)])
ROUND_WORDS = list(L.round_labels)
# The line of the win and loss screens, by the mode of the game: (screen, tournament).
RESULT_WORDS = {
    ("win", False): L.quick_game_line,
    ("win", True): L.tournament_win_line,
    ("loss", False): L.quick_game_line,
    ("loss", True): L.tournament_loss_line,
}
ERROR_WORDS = list(L.error_lines)


class Xvfb:
    """A private X server on the first free display, by default of 320x240 at 16 bits: the
    game's window fills it. screen is Xvfb's WIDTHxHEIGHTxDEPTH."""

    def __init__(self, screen="320x240x16"):
        rfd, wfd = os.pipe()
        self.log = tempfile.TemporaryFile()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(wfd), "-screen", "0", screen, "-nolisten", "tcp",
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


_covered = {}


def covered(text):
    """The (x, y) offsets that text covers fully when written alone with data/font.ttf."""
    if text not in _covered:
        out = run(command([TEXT_MASK, os.path.join(ROOT, "data", "font.ttf"), text]))
        _covered[text] = [tuple(int(v) for v in p.split(",")) for p in out.split()]
    return _covered[text]


def misplaced_words(shot, expected):
    """The expected screen's texts that the screenshot does not show in their colour at
    their place: (text, pixels fully covered, how many of them are wrong, the first wrong)."""
    out = []
    for text, x, y, rgb in expected.words:
        want = rgb565(*rgb)
        cover = covered(text)
        wrong = [(x + dx, y + dy) for dx, dy in cover
                 if 0 <= x + dx < shot.width and 0 <= y + dy < shot.height
                 and shot.pixels[(y + dy) * shot.width + x + dx] != want]
        if wrong or not cover:
            out.append((text, len(cover), len(wrong), wrong[0] if wrong else None))
    return out


def codes(seed, *opponents):
    """The codes of games against the opponents in that order, in one run seeded so."""
    out = run(command([RULES_MODEL, "codes", str(seed)] + [str(n) for n in opponents]))
    return [[int(v) for v in line.split()] for line in out.splitlines()]


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
        # A frozen clock makes the seed known; take the first second whose first code
        # against opponent 1 has two colours, so that a row can earn all three markers.
        for seed in range(cls.BASE_TIME, cls.BASE_TIME + 100):
            draws = [int(v) for v in run(command([RULES_MODEL, "draws", str(seed), "2"])).split()]
            if draws[0] != draws[1]:
                break
        cls.seed = seed
        cls.code = codes(seed, 1)[0]
        cls.faketime = time.strftime("%Y-%m-%d %H:%M:%S", time.gmtime(seed))
        clock = run(["env", "LD_PRELOAD=" + cls.libfaketime, "FAKETIME=" + cls.faketime,
                     "TZ=UTC", "date", "+%s"]).strip()
        if clock != str(seed):
            raise RuntimeError("faketime gives %s, not %d" % (clock, seed))

    def setUp(self):
        clear_artefacts(self)
        self.box = Sandbox(self)
        self.game = None
        self.steps = 0

    def tearDown(self):
        self.stop_game()

    def stop_game(self):
        if self.game:
            stop(self.game)
        # The next game must not find this game's window.
        deadline = time.monotonic() + slow(5)
        while time.monotonic() < deadline and self.xdotool(
                "search", "--class", WINDOW_CLASS, check=False).returncode == 0:
            time.sleep(0.05)

    # Seconds a screen may take to show what it should, and start-up to show a window; a
    # game run under a slow tool raises them.
    screen_timeout = SCREEN_TIMEOUT
    start_timeout = slow(15)

    def xdotool(self, *args, check=True, timeout=15):
        return subprocess.run(["xdotool"] + list(args), env=self.x.env(), capture_output=True,
                              timeout=timeout, check=check, stdin=subprocess.DEVNULL)

    def start_game(self, cwd=ROOT, menu=True, audio="dummy", redirect="", frozen=True,
                   wrapper=(), game=GAME, emulator=None, sdl_library=None, preload=None,
                   **env_extra):
        """Starts the game on the frozen clock (on the real one without frozen); without
        menu there is no /usr/gp2x; audio names SDL's sound driver ("none" stands for a
        machine without a sound device); redirect is a shell redirection applied to the
        game (">&-" starts it with its standard output closed); wrapper is a command the
        game runs under; env_extra goes into its environment. game is the program, run under
        emulator (EMULATOR unless given; () runs it natively) on sdl_library (the run's
        unless given; False leaves the library to the caller), with preload, a library of
        the build, preloaded into it."""
        if self.game:
            self.stop_game()
        self.game_data = os.path.join(cwd, "data")
        extra = {} if menu else {"GP2X_MENU": "absent"}
        env = self.box.env(DISPLAY=self.x.display, SDL_VIDEODRIVER="x11",
                           SDL_AUDIODRIVER=audio, TZ="UTC", **extra, **env_extra)
        # Only the game sees the frozen clock; monotonic time keeps running for SDL.
        # The clock library opens descriptors of its own, which would fill closed ones.
        clock = ["env", "LD_PRELOAD=" + self.libfaketime, "FAKETIME=" + self.faketime,
                 "FAKETIME_DONT_FAKE_MONOTONIC=1"] if frozen else []
        native = not (EMULATOR if emulator is None else emulator)
        if clock and preload and native:
            # A second LD_PRELOAD would take the clock library's place: one holds both.
            clock[1] += ":" + preload
            preload = None
        argv = clock + list(wrapper) + command([game], preload=preload, emulator=emulator)
        if redirect:
            argv = ["sh", "-c", 'exec "$@" ' + redirect, "sh"] + argv
        self.game = self.box.popen(argv, cwd=cwd, env=env)
        self.pressed_at = None
        # The first window found may be gone by the time it is focused (seen once with
        # sdl12-compat under valgrind, whose SDL2 may make its window anew while the video
        # mode is set up): then the game's window is looked for again.
        deadline = time.monotonic() + self.start_timeout
        while True:
            found = self.xdotool("search", "--sync", "--onlyvisible", "--class", WINDOW_CLASS,
                                 timeout=self.start_timeout)
            self.window = found.stdout.split()[0].decode()
            focus = self.xdotool("windowfocus", "--sync", self.window, check=False)
            if focus.returncode == 0:
                break
            if time.monotonic() > deadline or self.game.poll() is not None:
                raise RuntimeError("the game's window %s could not be focused: %s" % (
                    self.window, focus.stderr.decode(errors="replace").strip()))
            time.sleep(0.1)
        if sdl_library is not False:
            check_sdl_library(self.game.pid, sdl_library)

    def open_game_against_1(self):
        """Starts the game and goes from the title through the selection to a fresh game
        against the first opponent, checking each screen on the way."""
        self.start_game()
        self.expect_title(0, "title")
        self.keys("space")
        self.expect_selection(1, "selection")
        self.keys("b")
        self.expect_screen(self.screens.fresh_board(), "fresh_board")

    # Processor time the game's main thread must have had since the last press before the next
    # one goes out, or the screen is looked at. Any screen's loop polls its queue and draws its
    # frame many times over in it (a frame takes well under a millisecond), so by then the press
    # has left the X server for the game and the screen shows what it made of it. Without this
    # wait a press whose effect shows nothing (help opened or closed while its picture is
    # missing) could be followed so closely by the next one that both arrive in one poll, and
    # help, which takes every press queued with the one that closes it, would take both; and a
    # title's mark could be looked at before the last press moved it.
    press_settle = 0.02

    def wait_taken(self):
        """Waits until the game has taken from the X server every press sent so far (see
        press_settle); fails, with what its threads do, when it does not run for that long
        within the screen's timeout. Returns at once when the game has ended."""
        if self.pressed_at is None:
            return
        deadline = time.monotonic() + self.screen_timeout
        while self.game.poll() is None:
            ran = main_thread_seconds(self.game.pid)
            if ran is None or ran >= self.pressed_at + self.press_settle:
                return
            if time.monotonic() > deadline:
                raise AssertionError(
                    "the game's main thread ran %.3f s in %d s since the last press, too little "
                    "to have taken it: %s" % (ran - self.pressed_at, self.screen_timeout,
                                              thread_states(self.game.pid)))
            time.sleep(0.005)

    def wait_focus(self):
        """Waits until the game's window has the keyboard focus, where xdotool's presses go;
        fails when it does not get it back within the screen's timeout."""
        deadline = time.monotonic() + self.screen_timeout
        while True:
            focused = self.xdotool("getwindowfocus", check=False).stdout.decode().strip()
            if focused == self.window or self.game.poll() is not None:
                return
            if time.monotonic() > deadline:
                raise AssertionError("the game's window %s does not have the keyboard focus "
                                     "(%r has it): no press would reach it" % (
                                         self.window, focused))
            time.sleep(0.05)

    def pressed(self):
        """Notes that presses went out now: the next ones wait until the game took them."""
        self.pressed_at = main_thread_seconds(self.game.pid)

    def keys(self, *names):
        """Presses the keys 30 ms apart, once the game has taken every earlier press and its
        window has the focus, so that every press counts. The game takes them in order, so a
        check that some keys changed nothing presses after them a key whose effect differs if
        they did."""
        self.wait_taken()
        self.wait_focus()
        self.xdotool("key", "--delay", "30", *names)
        self.pressed()

    def keys_at_once(self, *names):
        """Presses the keys while the game is stopped, so that it finds them all queued
        together when it goes on."""
        self.wait_taken()
        self.wait_focus()
        os.kill(self.game.pid, signal.SIGSTOP)
        try:
            self.xdotool("key", "--delay", "30", *names)
            # The X server has them once a round trip after them has come back.
            self.xdotool("getwindowname", self.window)
        finally:
            os.kill(self.game.pid, signal.SIGCONT)
        self.pressed()

    def close_window(self):
        """Asks the game's window to close as a window manager's close button does (a
        WM_DELETE_WINDOW message)."""
        self.wait_taken()
        done = subprocess.run([CLOSE_WINDOW, self.window], env=self.x.env(), capture_output=True,
                              timeout=15, stdin=subprocess.DEVNULL)
        self.assertEqual(done.returncode, 0, "close_window: %s" % done.stderr.decode(
            errors="replace").strip())

    def type_row(self, row):
        self.keys(*(KEYS[c] for c in row))

    def screenshot(self):
        shot = subprocess.run(["xwd", "-root", "-silent", "-display", self.x.display],
                              capture_output=True, timeout=15, check=True)
        return read_xwd(shot.stdout)

    def expect_screen(self, expected, step):
        """Waits until the game has taken every press sent (so that the screen shows what they
        made of it, not a frame between them) and the screen is expected pixel for pixel
        outside its text areas, with something drawn in each of them, and keeps the
        screenshot. On a timeout the last screenshot, the expected screen and the differences
        (red) are kept as well, and the test fails."""
        self.steps += 1
        name = "%02d_%s" % (self.steps, step)
        self.wait_taken()
        deadline = time.monotonic() + self.screen_timeout
        while True:
            shot = self.screenshot()
            diff = differences(shot, expected, expected.text)
            blank = [r for r in expected.text if not differs_in(shot, expected, r)]
            words = misplaced_words(shot, expected)
            if (not diff and not blank and not words) or time.monotonic() > deadline \
                    or self.game.poll() is not None:
                break
            time.sleep(0.05)
        write_png(artefact_path(self, name), shot)
        if words and not diff and not blank:
            text, cover, wrong, first = words[0]
            self.fail("%s: %r is not written in its colour at its place: %d of the %d pixels "
                      "its letters cover are wrong, the first at %s; see %s" % (
                          step, text, wrong, cover, first, artefact_path(self, name)))
        if diff or blank:
            write_png(artefact_path(self, name + "-expected"), expected)
            ended = ("" if self.game.poll() is None
                     else " (the game ended, status %r)" % self.game.returncode)
            if not diff:
                self.fail("%s: nothing drawn in the text area(s) %s%s; see %s" % (
                    step, blank, ended, artefact_path(self, name)))
            write_png(artefact_path(self, name + "-differences"), shot,
                      overlay={i: (255, 0, 0) for i in diff})
            i = diff[0]
            self.fail("%s: %d pixels differ from what the game should show, the first at "
                      "(%d, %d): %#06x instead of %#06x%s; see %s" % (
                          step, len(diff), i % 320, i // 320, shot.pixels[i], expected.pixels[i],
                          ended, artefact_path(self, name + "-differences")))
        note_screenshot(self, name, self.game_data, expected.sources)
        return shot

    def expect_same(self, earlier, step, expected):
        """Waits for expected, then holds the screen to a screenshot of the same screen
        taken earlier in the run, text and all."""
        shot = self.expect_screen(expected, step)
        diff = differences(shot, earlier)
        if diff:
            name = "%02d_%s" % (self.steps, step)
            write_png(artefact_path(self, name + "-earlier"), earlier)
            write_png(artefact_path(self, name + "-differences"), shot,
                      overlay={i: (255, 0, 0) for i in diff})
            i = diff[0]
            self.fail("%s: %d pixels differ from the same screen seen before, the first at "
                      "(%d, %d); see %s" % (step, len(diff), i % 320, i // 320,
                                            artefact_path(self, name + "-differences")))
        return shot

    def marked(self, shot, bare, rects):
        """Indices of the rectangles with something drawn in them over the bare screen."""
        return [n for n, r in enumerate(rects) if differs_in(shot, bare, r)]

    def expect_title(self, mark, step):
        """The title menu with the mark on entry mark (0..3), and on no other."""
        bare = self.screens.title()
        shot = self.expect_screen(bare, step)
        self.assertEqual(self.marked(shot, bare, TITLE_MARKS), [mark],
                         "%s: the mark should be on %r" % (step, TITLE_ENTRIES[mark]))
        return shot

    def expect_selection(self, opponent, step, time_mark=1):
        """The Quick Game selection with opponent (1..6) and time_mark (1..3) marked."""
        bare = self.screens.selection()
        shot = self.expect_screen(bare, step)
        self.assertEqual(self.marked(shot, bare, SELECTION_MARKS), [opponent - 1],
                         "%s: opponent %d should be marked" % (step, opponent))
        self.assertEqual(self.marked(shot, bare, TIME_MARKS), [time_mark - 1],
                         "%s: time %d should be marked" % (step, time_mark))
        return shot

    def ended(self, timeout=10):
        """Waits for the game process to end (timeout as natively); returns (stdout,
        stderr)."""
        try:
            return self.game.communicate(timeout=slow(timeout))
        except subprocess.TimeoutExpired:
            self.fail("the game did not end within %d s" % slow(timeout))

    def end_with_menu(self):
        """The game must be replaced by the menu program, which ends with its status 0."""
        out, err = self.ended()
        self.assertEqual(self.box.read_record(), menu_record(MENU_DIR, MENU_PROGRAM))
        self.assertEqual(self.game.returncode, 0)
        return out, err
