"""The Debian package (scripts/deb.sh amd64): lintian finds nothing in it; apt installs it into a
throwaway Debian 12 root, where the game started from its desktop entry's Exec line shows its
title and ends on Escape with status 0; and apt-get purge leaves no file of it behind. The root
is made once with mmdebstrap and kept in the build tree; the machine's own /usr and package
database are never touched."""
import filecmp
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from harness import (ROOT, SCREEN_TIMEOUT, TITLE_TEXT, Pictures, Screens, Xvfb,  # noqa: E402
                     artefact_path, clear_artefacts, stop)
from pixels import differences, differs_in, read_xwd, write_png  # noqa: E402

BUILD = os.path.join(ROOT, "build-deb-amd64")
ROOT_CACHE = os.path.join(BUILD, "root-cache", "bookworm.tar")
DESKTOP_ENTRY = "usr/share/applications/io.github.codebreaker.CodeBreaker.desktop"
PATH = "/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin:/usr/local/games:/usr/games"
# What apt, dpkg and the dependencies' own scripts keep in any root they touch (logs, caches,
# their books, the backups adduser makes of the user tables): none of it is the package's.
BOOKKEEPING = re.compile(r"^\./(var/log/|var/cache/|var/lib/apt/|var/lib/dpkg/|run/"
                         r"|etc/(passwd|group|shadow|gshadow|subuid|subgid)-$)")
# Walked for the root's file lists: not the mounts, the scratch folder or apt's downloads.
PRUNED = ("./proc", "./sys", "./dev", "./tmp", "./var/cache/apt", "./var/lib/apt/lists")

# Runs a shell script (the arguments after the root) chrooted into the root named first, with
# the root's own /proc and /dev and this machine's X socket, in a mount namespace of its own
# that ends with it, so that nothing stays mounted.
IN_ROOT = """set -e
root=$1; shift
mount -t proc proc "$root/proc"
mount --rbind /dev "$root/dev"
mkdir -p "$root/tmp/.X11-unix"
mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
exec chroot "$root" /usr/bin/env -i PATH=%s HOME=/root DEBIAN_FRONTEND=noninteractive "$@"
""" % PATH


def file_list(root):
    out = []
    for where, dirs, files in os.walk(root):
        rel = "." + where[len(root):]
        dirs[:] = [d for d in dirs if os.path.join(rel, d) not in PRUNED]
        out.extend(os.path.join(rel, n) for n in dirs + files)
    return set(out)


class DebPackageTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        made = subprocess.run([os.path.join(ROOT, "scripts", "deb.sh"), "amd64"], cwd=ROOT,
                              capture_output=True, text=True, timeout=900)
        if made.returncode:
            raise RuntimeError("scripts/deb.sh amd64 failed:\n" + made.stdout[-2000:]
                               + made.stderr[-2000:])
        cls.deb = os.path.join(ROOT, made.stdout.strip().splitlines()[-1].split(" (")[0])
        listing = subprocess.run(["dpkg-deb", "--fsys-tarfile", cls.deb], capture_output=True,
                                 check=True).stdout
        names = subprocess.run(["tar", "-t"], input=listing, capture_output=True,
                               check=True).stdout.decode().split()
        cls.files = sorted(n.rstrip("/") for n in names if not n.endswith("/"))

    def setUp(self):
        clear_artefacts(self)

    def test_lintian_finds_nothing(self):
        out = subprocess.run(["lintian", "--fail-on", "error,warning", self.deb],
                             capture_output=True, text=True, timeout=600)
        self.assertEqual(out.returncode, 0, out.stdout + out.stderr)

    def fresh_root(self):
        """A Debian 12 root with apt, unpacked from the cache, which mmdebstrap makes once."""
        if not os.path.exists(ROOT_CACHE):
            os.makedirs(os.path.dirname(ROOT_CACHE), exist_ok=True)
            made = subprocess.run(["mmdebstrap", "--variant=apt", "--format=tar", "bookworm",
                                   ROOT_CACHE + ".partial"], capture_output=True, text=True,
                                  timeout=900)
            self.assertEqual(made.returncode, 0, made.stderr[-3000:])
            os.replace(ROOT_CACHE + ".partial", ROOT_CACHE)
        root = tempfile.mkdtemp(prefix="root-", dir=BUILD)
        self.addCleanup(shutil.rmtree, root, ignore_errors=True)
        subprocess.run(["tar", "-C", root, "-xf", ROOT_CACHE], check=True, timeout=300)
        # apt in the root reaches the registry as this machine does.
        shutil.copyfile("/etc/resolv.conf", os.path.join(root, "etc", "resolv.conf"))
        return root

    def in_root(self, root, script, timeout=600):
        done = subprocess.run(["unshare", "--mount", "--fork", "sh", "-c", IN_ROOT, "sh", root,
                               "sh", "-c", script], capture_output=True, text=True,
                              timeout=timeout)
        self.assertEqual(done.returncode, 0, "%s:\n%s%s" % (script, done.stdout[-3000:],
                                                            done.stderr[-3000:]))
        return done.stdout

    def test_installs_plays_and_purges_in_a_debian_12_root(self):
        root = self.fresh_root()
        shutil.copy(self.deb, os.path.join(root, "tmp", "codebreaker.deb"))
        before = file_list(root)
        self.in_root(root, "apt-get update -q")
        simulated = self.in_root(root, "apt-get install --simulate -q /tmp/codebreaker.deb")
        self.assertRegex(simulated, r"(?m)^Inst codebreaker ")
        self.in_root(root, "apt-get install -y -q /tmp/codebreaker.deb")
        missing = [f for f in self.files if not os.path.lexists(os.path.join(root, f))]
        self.assertEqual(missing, [], "files of the package not installed")
        # The font is fonts-dejavu-core's, the very file the game was drawn with.
        font = os.path.join(root, "usr/share/games/codebreaker/data/font.ttf")
        target = os.path.join(os.path.dirname(font), os.readlink(font))
        self.assertTrue(filecmp.cmp(target, os.path.join(ROOT, "data", "font.ttf"), False))

        self.play_from_desktop_entry(root)

        self.in_root(root, "apt-get purge -y -q --autoremove codebreaker")
        left = [f for f in self.files if os.path.lexists(os.path.join(root, f))]
        self.assertEqual(left, [], "files of the package left after the purge")
        new = sorted(f for f in file_list(root) - before if not BOOKKEEPING.match(f))
        self.assertEqual(new, [], "files left in the root after the purge")

    def play_from_desktop_entry(self, root):
        with open(os.path.join(root, DESKTOP_ENTRY)) as f:
            entry = dict(line.rstrip("\n").split("=", 1) for line in f if "=" in line)
        x = Xvfb()
        self.addCleanup(x.stop)
        game = subprocess.Popen(
            ["unshare", "--mount", "--fork", "sh", "-c", IN_ROOT, "sh", root, "DISPLAY=" +
             x.display, "SDL_AUDIODRIVER=dummy", "sh", "-c", entry["Exec"]],
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.addCleanup(stop, game)

        def xdotool(*args):
            return subprocess.run(["xdotool"] + list(args), env=x.env(), capture_output=True,
                                  text=True, timeout=SCREEN_TIMEOUT, check=True).stdout

        window = xdotool("search", "--sync", "--onlyvisible", "--class",
                         "^%s$" % entry["StartupWMClass"]).split()[0]
        title = Screens(Pictures()).title()
        deadline = time.monotonic() + SCREEN_TIMEOUT
        while True:
            shot = read_xwd(subprocess.run(["xwd", "-id", window, "-silent", "-display",
                                            x.display], capture_output=True, timeout=15,
                                           check=True).stdout)
            diff = differences(shot, title, [TITLE_TEXT])
            drawn = differs_in(shot, title, TITLE_TEXT)
            if (not diff and drawn) or time.monotonic() > deadline:
                break
            time.sleep(0.05)
        write_png(artefact_path(self, "title"), shot)
        self.assertEqual(diff, [], "the installed game's first screen is not the title; see %s"
                         % artefact_path(self, "title"))
        self.assertTrue(drawn, "no menu text drawn")
        xdotool("windowfocus", "--sync", window)
        xdotool("key", "Escape")
        try:
            out, err = game.communicate(timeout=SCREEN_TIMEOUT)
        except subprocess.TimeoutExpired:
            self.fail("Escape on the title did not end the installed game")
        self.assertEqual(game.returncode, 0, err)


if __name__ == "__main__":
    unittest.main()
