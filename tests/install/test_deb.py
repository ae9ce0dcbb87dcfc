"""The Debian package of this build's architecture (scripts/deb.sh ARCH): lintian finds nothing in
it; its Depends are the packages of the libraries the program loads, with either SDL 1.2; apt
resolves it on Debian 12 from a private apt state. The amd64 package is then installed with apt
into a throwaway Debian 12 root, where the game started from its desktop entry's Exec line
shows its title and ends on Escape with status 0, and apt-get purge leaves no file of it
behind; the root is made once with mmdebstrap and kept in the build tree. An ARM package is
unpacked over a copy of the ARM sysroot instead, and started there the same way under the
emulator. The machine's own /usr and package database are never touched."""
import filecmp
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from harness import (EMULATOR, ROOT, SCREEN_TIMEOUT, TITLE_TEXT, Pictures, Sandbox,  # noqa: E402
                     Screens, Xvfb, artefact_path, clear_artefacts, stop)
from pixels import differences, differs_in, read_xwd, write_png  # noqa: E402
from handheld import needed as elf_needed  # noqa: E402

ARCH = os.environ.get("DEB_ARCH", "amd64")
BUILD = os.path.join(ROOT, "build-deb-" + ARCH)
# A cross build's emulator is qemu-user with -L and the sysroot its programs run against.
SYSROOT = EMULATOR[EMULATOR.index("-L") + 1] if "-L" in EMULATOR else None
ROOT_CACHE = os.path.join(BUILD, "root-cache", "bookworm.tar")
DESKTOP_ENTRY = "usr/share/applications/io.github.codebreaker.CodeBreaker.desktop"
PROGRAM = "usr/lib/games/codebreaker/codebreaker"
FONT = "usr/share/games/codebreaker/data/font.ttf"
PATH = "/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin:/usr/local/games:/usr/games"
# What apt, dpkg and the dependencies' own scripts keep in any root they touch (logs, caches,
# their books, the backups adduser makes of the user tables): none of it is the package's.
BOOKKEEPING = re.compile(r"^\./(var/log/|var/cache/|var/lib/apt/|var/lib/dpkg/|run/"
                         r"|etc/(passwd|group|shadow|gshadow|subuid|subgid)-$)")
# Walked for the root's file lists: not the mounts, the scratch folder or apt's downloads.
PRUNED = ("./proc", "./sys", "./dev", "./tmp", "./var/cache/apt", "./var/lib/apt/lists")
# Packages the game needs that no library of its brings: the font.
NOT_LIBRARIES = {"fonts-dejavu-core"}

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


def library_packages(info_files):
    """{soname: the packages that say they ship it} from shlibs files ("libSDL-1.2 0
    libsdl1.2debian (>= 1.2.15)") and symbols files ("libc.so.6 libc6 #MINVER#")."""
    owners = {}
    for path in info_files:
        with open(path, errors="replace") as f:
            for line in f:
                words = line.split()
                if path.endswith("shlibs") and len(words) >= 3 and not words[0].endswith(":"):
                    # libfoo 1 is libfoo.so.1; libfoo-1.2 0 is libfoo-1.2.so.0.
                    soname, package = "%s.so.%s" % (words[0], words[1]), words[2]
                elif path.endswith("symbols") and line[:1] not in " \t*|#" and len(words) >= 2:
                    soname, package = words[0], words[1]
                else:
                    continue
                owners.setdefault(soname, set()).add(package)
    return owners


def alternatives(depends):
    """Depends as a list of alternatives, each a list of package names without versions."""
    return [[re.sub(r"\s*\(.*\)", "", a).strip() for a in group.split("|")]
            for group in depends.split(",")]


class DebPackageTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        env = dict(os.environ)
        if SYSROOT:
            env["CODEBREAKER_ARM_SYSROOT"] = SYSROOT
        made = subprocess.run([os.path.join(ROOT, "scripts", "deb.sh"), ARCH], cwd=ROOT, env=env,
                              capture_output=True, text=True, timeout=900)
        if made.returncode:
            raise RuntimeError("scripts/deb.sh %s failed:\n%s%s" % (ARCH, made.stdout[-2000:],
                                                                    made.stderr[-2000:]))
        cls.deb = os.path.join(ROOT, made.stdout.strip().splitlines()[-1].split(" (")[0])
        listing = subprocess.run(["dpkg-deb", "--fsys-tarfile", cls.deb], capture_output=True,
                                 check=True).stdout
        names = subprocess.run(["tar", "-t"], input=listing, capture_output=True,
                               check=True).stdout.decode().split()
        cls.files = sorted(n.rstrip("/") for n in names if not n.endswith("/"))
        cls.control = subprocess.run(["dpkg-deb", "--field", cls.deb], capture_output=True,
                                     text=True, check=True).stdout

    def setUp(self):
        clear_artefacts(self)

    def field(self, name):
        found = re.search(r"(?m)^%s: (.*)$" % name, self.control)
        self.assertTrue(found, "no %s field" % name)
        return found.group(1)

    def test_lintian_finds_nothing(self):
        out = subprocess.run(["lintian", "--fail-on", "error,warning", self.deb],
                             capture_output=True, text=True, timeout=600)
        self.assertEqual(out.returncode, 0, out.stdout + out.stderr)

    def test_depends_on_the_libraries_it_loads_and_no_more(self):
        self.assertEqual(self.field("Architecture"), ARCH)
        with tempfile.TemporaryDirectory() as tmp:
            subprocess.run(["dpkg-deb", "-x", self.deb, tmp], check=True)
            needed = elf_needed(os.path.join(tmp, PROGRAM))
        # Who ships each library: the sysroot's packages for an ARM build, this machine's
        # for its own (read, never written).
        info = (glob.glob(os.path.join(SYSROOT, "DEBIAN", "*")) if SYSROOT else
                glob.glob("/var/lib/dpkg/info/*.shlibs") + glob.glob("/var/lib/dpkg/info/*.symbols"))
        owners = library_packages(info)
        self.assertEqual([n for n in needed if n not in owners], [], "libraries of no package")
        groups = [g for g in alternatives(self.field("Depends")) if g[0] not in NOT_LIBRARIES]
        # Each library's package is depended on, and each dependency ships a library it loads.
        self.assertEqual([n for n in needed if not any(owners[n] & set(g) for g in groups)], [],
                         "libraries whose package is not depended on")
        self.assertEqual([g for g in groups if not any(owners[n] & set(g) for n in needed)], [],
                         "dependencies on packages of no library the program loads")
        groups = alternatives(self.field("Depends"))
        self.assertIn(["libsdl1.2debian", "libsdl1.2-compat"], groups)
        self.assertIn(["fonts-dejavu-core"], groups)

    def test_apt_resolves_it_on_debian_12(self):
        # A Debian 12 machine of the package's architecture with nothing installed, as apt in a
        # state of its own sees it.
        state = os.path.join(BUILD, "apt")
        apt = [os.path.join(ROOT, "scripts", "private-apt.sh"), state, ARCH, "-q"]
        updated = subprocess.run(apt + ["update"], capture_output=True, text=True, timeout=600)
        self.assertEqual(updated.returncode, 0, updated.stdout + updated.stderr)
        simulated = subprocess.run(apt + ["install", "--simulate", self.deb],
                                   capture_output=True, text=True, timeout=600)
        self.assertEqual(simulated.returncode, 0, simulated.stdout + simulated.stderr)
        out = simulated.stdout
        self.assertRegex(out, r"(?m)^Inst codebreaker \(\S+ local-deb \[%s\]\)$" % ARCH)
        self.assertRegex(out, r"(?m)^Conf codebreaker ")
        installed = set(re.findall(r"(?m)^Inst (\S+) ", out))
        for group in alternatives(self.field("Depends")):
            self.assertTrue(installed & set(group), "nothing installed for %s" % group)
        with open(artefact_path(self, "simulated", "txt"), "w") as f:
            f.write(out)

    def unpack_into_copy_of_sysroot(self):
        """The sysroot with the package unpacked over it, in a copy (its files linked, not
        copied, where they can be) that goes with the test."""
        root = os.path.join(BUILD, "root")
        shutil.rmtree(root, ignore_errors=True)
        self.addCleanup(shutil.rmtree, root, ignore_errors=True)
        if subprocess.run(["cp", "-al", SYSROOT, root], capture_output=True).returncode:
            shutil.rmtree(root, ignore_errors=True)
            subprocess.run(["cp", "-a", SYSROOT, root], check=True)
        subprocess.run(["dpkg-deb", "-x", self.deb, root], check=True)
        return root

    @unittest.skipUnless(SYSROOT, "an ARM build's package")
    def test_unpacked_over_the_sysroot_plays_under_the_emulator(self):
        root = self.unpack_into_copy_of_sysroot()
        self.check_installed(root)
        x = Xvfb()
        self.addCleanup(x.stop)
        box = Sandbox(self)
        # Started as the desktop starts it, from the Exec line found on the PATH; the launcher
        # runs the ARM game under the emulator, which takes its libraries from the root.
        env = box.env(DISPLAY=x.display, SDL_AUDIODRIVER="dummy", GP2X_MENU="absent",
                      PATH="%s/usr/games:/usr/bin:/bin" % root,
                      CODEBREAKER_WRAPPER="%s -L %s" % (EMULATOR[0], root))
        self.play_title_and_out(x, lambda exec_line: box.popen(["sh", "-c", exec_line],
                                                               cwd="/", env=env), root)

    def check_installed(self, root):
        missing = [f for f in self.files if not os.path.lexists(os.path.join(root, f))]
        self.assertEqual(missing, [], "files of the package not installed")
        # The font is fonts-dejavu-core's, the very file the game was drawn with.
        font = os.path.join(root, FONT)
        target = os.path.join(os.path.dirname(font), os.readlink(font))
        self.assertTrue(filecmp.cmp(target, os.path.join(ROOT, "data", "font.ttf"), False))

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

    @unittest.skipIf(SYSROOT, "a package of this machine's own architecture")
    def test_installs_plays_and_purges_in_a_debian_12_root(self):
        root = self.fresh_root()
        shutil.copy(self.deb, os.path.join(root, "tmp", "codebreaker.deb"))
        before = file_list(root)
        self.in_root(root, "apt-get update -q")
        self.in_root(root, "apt-get install -y -q /tmp/codebreaker.deb")
        self.check_installed(root)
        self.keep_list("installed", file_list(root) - before)

        x = Xvfb()
        self.addCleanup(x.stop)
        self.play_title_and_out(x, lambda exec_line: subprocess.Popen(
            ["unshare", "--mount", "--fork", "sh", "-c", IN_ROOT, "sh", root, "DISPLAY=" +
             x.display, "SDL_AUDIODRIVER=dummy", "sh", "-c", exec_line],
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
            start_new_session=True), root)

        self.in_root(root, "apt-get purge -y -q --autoremove codebreaker")
        left = [f for f in self.files if os.path.lexists(os.path.join(root, f))]
        self.assertEqual(left, [], "files of the package left after the purge")
        after = file_list(root) - before
        self.keep_list("left-after-purge", after)
        new = sorted(f for f in after if not BOOKKEEPING.match(f))
        self.assertEqual(new, [], "files left in the root after the purge")

    def keep_list(self, name, files):
        """Keeps a list of the root's files for a reviewer, one a line."""
        with open(artefact_path(self, name, "txt"), "w") as f:
            f.writelines(n + "\n" for n in sorted(files))

    def play_title_and_out(self, x, start, root):
        """Starts the desktop entry's Exec line of the package in root with start(exec_line);
        the game must show the title, and end on Escape with status 0."""
        with open(os.path.join(root, DESKTOP_ENTRY)) as f:
            entry = dict(line.rstrip("\n").split("=", 1) for line in f if "=" in line)
        game = start(entry["Exec"])
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
