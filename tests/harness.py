# Shared by the whole-program tests: paths, the sandboxed game process, and waiting on it.
import ctypes
import os
import shutil
import signal
import subprocess
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.environ.get("GAME_ROOT", os.path.dirname(HERE))
BUILD = os.path.join(ROOT, "build")
GAME = os.environ.get("CODEBREAKER_BIN", os.path.join(BUILD, "codebreaker"))
CODEOF = os.environ.get("CODEOF_BIN", os.path.join(BUILD, "tests", "codeof"))
SDL_INIT_REASON = os.environ.get("SDL_INIT_REASON_BIN",
                                 os.path.join(BUILD, "tests", "sdl_init_reason"))
SANDBOX = os.environ.get("SANDBOX_SH", os.path.join(HERE, "sandbox.sh"))
ARTEFACTS = os.environ.get("ARTEFACT_DIR", os.path.join(BUILD, "artefacts"))
DATA = os.path.join(ROOT, "data")

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
    that no game spinning in its loop or X server outlives an aborted test run."""
    _libc.prctl(_PR_SET_PDEATHSIG, signal.SIGKILL)


def clean_env(**extra):
    """The test's environment without anything that would steer SDL, the clock or the menu."""
    env = {k: v for k, v in os.environ.items()
           if not k.startswith(("SDL_", "FAKETIME", "GP2X_")) and k not in ("LD_PRELOAD", "DISPLAY")}
    env.update(extra)
    return env


class Sandbox:
    """A scratch directory, and commands run through tests/sandbox.sh with their record there."""

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

    def popen(self, argv, cwd=ROOT, env=None, **kw):
        """Starts argv inside the sandbox; the process id stays that of argv's program."""
        return subprocess.Popen([SANDBOX] + list(argv), cwd=cwd,
                                env=env if env is not None else self.env(),
                                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, start_new_session=True,
                                preexec_fn=die_with_parent, **kw)

    def read_record(self):
        """The fake menu's record as a list of lines, or None when it never ran."""
        try:
            with open(self.record) as f:
                return f.read().splitlines()
        except FileNotFoundError:
            return None


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


def cpu_seconds(pid):
    """User plus system time the process has used so far, or None once it is gone."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
    except (FileNotFoundError, ProcessLookupError):
        return None
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def wait_started(proc, timeout=10):
    """Waits until the game has finished start-up, with the dummy audio driver.

    Opening the audio device is start-up's last step, and SDL plays the dummy device from a
    thread of its own: a second thread in the game's own image means every message of
    start-up has been written. Returns False if the process ended or time ran out first."""
    deadline = time.monotonic() + timeout
    real = os.path.realpath(GAME)
    while time.monotonic() < deadline:
        if proc.poll() is not None:
            return False
        st = proc_status(proc.pid)
        try:
            exe = os.path.realpath("/proc/%d/exe" % proc.pid)
        except OSError:
            exe = None
        if st and exe == real and int(st.get("Threads", "1")) >= 2:
            return True
        time.sleep(0.02)
    return False


def run(argv, timeout=30, **kw):
    """Runs a helper program to its end and returns its stdout as text."""
    return subprocess.run(argv, check=True, capture_output=True, text=True, timeout=timeout,
                          stdin=subprocess.DEVNULL, **kw).stdout


def artefact_path(test, step, ext="png"):
    """Where a test keeps what a reviewer may want to look at: one folder per test."""
    d = os.path.join(ARTEFACTS, test.id().split(".", 1)[-1])
    os.makedirs(d, exist_ok=True)
    return os.path.join(d, "%s.%s" % (step, ext))
