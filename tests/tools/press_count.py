# Counts key presses sent with xdotool to press_probe windows against the presses they receive.
#
#   python3 tests/tools/press_count.py [--library classic|compat] [--servers 3]
#                                      [--presses 2000] [--hogs 0] [--probe PATH]
#
# Each of --servers private X servers (Xvfb, as the end-to-end tests start them) gets a
# press_probe window that redraws continually, as the game does, and is focused as the harness
# focuses the game's window. Presses go out as the harness sends them: xdotool key --delay 30 to
# the focused window, in calls of 1 to 12 keys, with screenshots (xwd) taken in between; --hogs
# processes spin besides, for load. On sdl12-compat (--library compat) the probe runs over
# SDL2 through LD_LIBRARY_PATH, as the compat. tests run. At the end each server's presses
# sent are held to the key-down events its probe printed, in order: missing, extra or
# reordered presses are counted and shown. Not a test: a measurement, for whether the tests'
# presses can go missing between the X server and an SDL 1.2 program.
import argparse
import os
import random
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                                "support"))
from harness import BUILD, Xvfb, die_with_parent, sdl_libraries, stop  # noqa: E402

# xdotool's names; the probe prints SDL's, which for these are the same in lower case.
KEYS = ("a", "b", "x", "y", "l", "r", "space", "Escape", "Up", "Down", "Left", "Right")
COMPAT_DIRS = ("/usr/lib/x86_64-linux-gnu/sdl12-compat", "/usr/lib/aarch64-linux-gnu/sdl12-compat",
               "/usr/lib64/sdl12-compat", "/usr/lib/sdl12-compat")


class Probe:
    """One X server with a drawing press_probe on it, and what the probe printed."""

    def __init__(self, probe, library):
        self.x = Xvfb()
        env = self.x.env()
        if library == "compat":
            found = [d for d in COMPAT_DIRS if os.path.exists(os.path.join(d, "libSDL-1.2.so.0"))]
            if not found:
                raise SystemExit("sdl12-compat is not installed")
            env["LD_LIBRARY_PATH"] = found[0]
        self.proc = subprocess.Popen([probe, "draw"], env=env, stdin=subprocess.DEVNULL,
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                                     start_new_session=True, preexec_fn=die_with_parent)
        self.lines, self.ready = [], threading.Event()
        self.reader = threading.Thread(target=self.read, daemon=True)
        self.reader.start()
        if not self.ready.wait(15):
            raise RuntimeError("the probe never got ready: %s" % self.proc.stderr.read())
        found = self.xdotool("search", "--sync", "--onlyvisible", "--name", "press probe")
        self.window = found.stdout.split()[0]
        self.xdotool("windowfocus", "--sync", self.window)
        self.library = sdl_libraries(self.proc.pid)
        self.sent = []

    def read(self):
        for line in self.proc.stdout:
            line = line.split()
            if line == ["ready"]:
                self.ready.set()
            self.lines.append(line)

    def xdotool(self, *args):
        return subprocess.run(["xdotool"] + list(args), env=self.x.env(), capture_output=True,
                              text=True, timeout=30, check=True, stdin=subprocess.DEVNULL)

    def downs(self):
        return [line[2] for line in self.lines if len(line) == 3 and line[1] == "down"]

    def press(self, count, rng):
        """Sends count presses as the harness does, in calls of a few keys."""
        while len(self.sent) < count:
            keys = [rng.choice(KEYS) for _ in range(min(rng.randint(1, 12),
                                                        count - len(self.sent)))]
            self.xdotool("key", "--delay", "30", *keys)
            self.sent += keys
            subprocess.run(["xwd", "-root", "-silent", "-display", self.x.display],
                           capture_output=True, timeout=60, check=True)

    def finish(self):
        """Waits until the probe has printed a key-down for every press or has printed nothing
        new for 5 s, then ends it; returns (sent, received, focus changes)."""
        last, quiet = -1, time.monotonic()
        while len(self.downs()) < len(self.sent) and time.monotonic() - quiet < 5:
            if len(self.lines) != last:
                last, quiet = len(self.lines), time.monotonic()
            time.sleep(0.1)
        stop(self.proc, sig=15)
        self.reader.join(5)
        self.x.stop()
        focus = [" ".join(line[1:]) for line in self.lines if len(line) > 1 and line[1] == "focus"]
        return [k.lower() for k in self.sent], self.downs(), focus


def compare(sent, received):
    """(missing, extra, first difference): presses sent that never came and presses that came
    unsent, by a longest common subsequence of the two orders."""
    n, m = len(sent), len(received)
    best = [[0] * (m + 1) for _ in range(n + 1)]
    for i in range(n - 1, -1, -1):
        for j in range(m - 1, -1, -1):
            best[i][j] = (best[i + 1][j + 1] + 1 if sent[i] == received[j]
                          else max(best[i + 1][j], best[i][j + 1]))
    common = best[0][0]
    first = next((i for i, (a, b) in enumerate(zip(sent, received)) if a != b), None)
    return n - common, m - common, first


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--library", choices=("classic", "compat"), default="classic")
    ap.add_argument("--servers", type=int, default=3)
    ap.add_argument("--presses", type=int, default=2000, help="per server")
    ap.add_argument("--hogs", type=int, default=0, help="busy processes besides the probes")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--probe", default=os.environ.get(
        "PRESS_PROBE_BIN", os.path.join(BUILD, "tests", "tools", "press_probe")))
    args = ap.parse_args()

    hogs = [subprocess.Popen([sys.executable, "-c", "while True: pass"], start_new_session=True,
                             preexec_fn=die_with_parent) for _ in range(args.hogs)]
    probes = []
    try:
        probes = [Probe(args.probe, args.library) for _ in range(args.servers)]
        started = time.monotonic()
        threads = [threading.Thread(target=p.press, args=(args.presses, random.Random(
            args.seed * 100 + n))) for n, p in enumerate(probes)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        elapsed = time.monotonic() - started
        total_sent = total_missing = total_extra = 0
        for n, p in enumerate(probes):
            sent, received, focus = p.finish()
            missing, extra, first = compare(sent, received)
            total_sent, total_missing, total_extra = (
                total_sent + len(sent), total_missing + missing, total_extra + extra)
            print("server %d: %d presses sent, %d received, %d missing, %d extra%s; focus: %s"
                  % (n + 1, len(sent), len(received), missing, extra,
                     "" if first is None else ", first difference at press %d" % (first + 1),
                     ", ".join(focus) or "no change"))
        print("SDL library loaded: %s" % ", ".join(sorted({l for p in probes for l in p.library})))
        print("%s, %d servers, %d hogs: %d presses in %.0f s, %d missing, %d extra" % (
            args.library, args.servers, args.hogs, total_sent, elapsed, total_missing,
            total_extra))
        return 1 if total_missing or total_extra else 0
    finally:
        for p in probes:
            if p.proc.poll() is None:
                stop(p.proc)
        for h in hogs:
            stop(h)


if __name__ == "__main__":
    sys.exit(main())
