# The installed game: `cmake --install` into a scratch DESTDIR, the tree it makes, its desktop
# metadata, and the installed launcher started from elsewhere on both SDL libraries.
import glob
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from harness import (DATA, ROOT, SANDBOX, SCREEN_TIMEOUT, TITLE_TEXT, Pictures,
                     Sandbox, Screens, Xvfb, artefact_path, clean_env, clear_artefacts,
                     note_screenshot, stop, wait_started)
import pictures as picture_list
from pixels import differences, differs_in, read_png, read_xwd, scaled, write_png

BUILD_DIR = os.environ.get("INSTALL_BUILD_DIR", os.path.join(ROOT, "build"))
CMAKE = os.environ.get("CMAKE_COMMAND", "cmake")

APP_ID = "io.github.codebreaker.CodeBreaker"
PREFIX = "/usr"
# Where each part belongs below the prefix.
LAUNCHER = "bin/codebreaker"
PROGRAM = "lib/codebreaker/codebreaker"
GAME_DIR = "share/games/codebreaker"
DOC_DIR = "share/doc/codebreaker"
DESKTOP_ENTRY = "share/applications/%s.desktop" % APP_ID
METAINFO = "share/metainfo/%s.metainfo.xml" % APP_ID
MAN_PAGE = "share/man/man6/codebreaker.6"
# The game's pictures, from their one list (src/platform/pictures.h).
PICTURES = picture_list.FILES
ICON_SIZES = (16, 24, 32, 48, 64, 128, 256)

# A string only sdl12-compat carries: the variable that scales its window.
COMPAT_MARK = b"SDL12COMPAT_WINDOW_SCALING"
# What the launcher says and how it ends when it cannot start the game.
LAUNCHER_FAILS = 125


def icon_path(size):
    return "share/icons/hicolor/%dx%d/apps/%s.png" % (size, size, APP_ID)


def expected_tree():
    """Every file the install must make, below the prefix, with the source file it must be a
    copy of, or None for one that the build makes."""
    tree = {LAUNCHER: None, PROGRAM: None, MAN_PAGE: None, METAINFO: None,
            DESKTOP_ENTRY: os.path.join(ROOT, "desktop", APP_ID + ".desktop"),
            DOC_DIR + "/LICENSE": os.path.join(ROOT, "LICENSE"),
            DOC_DIR + "/README.md": os.path.join(ROOT, "README.md"),
            DOC_DIR + "/font-LICENSE.txt": os.path.join(DATA, "font-LICENSE.txt")}
    for name in PICTURES + ("font.ttf",):
        tree["%s/data/%s" % (GAME_DIR, name)] = os.path.join(DATA, name)
    for size in ICON_SIZES:
        tree[icon_path(size)] = os.path.join(ROOT, "desktop", "icons", "%dx%d.png" % (size, size))
    return tree


def install(destdir, scratch):
    """Runs `cmake --install BUILD_DIR --prefix /usr` with DESTDIR=destdir, inside the sandbox:
    an install rule that ignored DESTDIR writes into the sandbox's overlay of /usr, never into
    the real one. Returns the install's output and the paths it wrote below /usr itself."""
    env = clean_env(DESTDIR=destdir, TMPDIR=scratch, GP2X_MENU="absent")
    done = subprocess.run([SANDBOX, CMAKE, "--install", BUILD_DIR, "--prefix", PREFIX],
                          env=env, capture_output=True, text=True, timeout=120,
                          stdin=subprocess.DEVNULL)
    if done.returncode != 0:
        raise RuntimeError("cmake --install failed (%d):\n%s%s" % (
            done.returncode, done.stdout, done.stderr))
    stray = []
    for upper in glob.glob(os.path.join(scratch, "sandbox.*", "u")):
        for top, dirs, files in os.walk(upper):
            stray += [os.path.relpath(os.path.join(top, n), upper) for n in files]
    # Hiding a real /usr/gp2x leaves a mark in the overlay; the sandbox made that, not cmake.
    return done.stdout + done.stderr, [p for p in stray if p != "gp2x"]


def section(man, name):
    """The text of a manual page's section, up to the next .SH."""
    m = re.search(r"^\.SH %s\n(.*?)(?=^\.SH |\Z)" % re.escape(name), man, re.M | re.S)
    return m.group(1) if m else ""


def desktop_entry(path):
    """The [Desktop Entry] group of a desktop file as a dict."""
    entry, group = {}, None
    with open(path) as f:
        for line in f:
            line = line.rstrip("\n")
            if line.startswith("["):
                group = line
            elif group == "[Desktop Entry]" and "=" in line and not line.startswith("#"):
                key, value = line.split("=", 1)
                entry[key] = value
    return entry


class InstalledCase(unittest.TestCase):
    """Installs the build into a fresh DESTDIR with prefix /usr once for the class."""

    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.mkdtemp(prefix="cb-install-")
        cls.addClassCleanup(shutil.rmtree, cls.scratch, True)
        cls.destdir = os.path.join(cls.scratch, "destdir")
        cls.install_output, cls.stray = install(cls.destdir, cls.scratch)

    @classmethod
    def path(cls, relative, root=None):
        """A path below the prefix, in the DESTDIR (or in another copy of the tree)."""
        return os.path.join(root or cls.destdir, PREFIX.lstrip("/"), relative)


class InstallTreeTest(InstalledCase):
    """Every file lands where it belongs, with nothing written outside DESTDIR."""

    def test_every_file_where_it_belongs(self):
        self.assertEqual(self.stray, [], "the install wrote below /usr itself, not DESTDIR")
        root = os.path.join(self.destdir, PREFIX.lstrip("/"))
        self.assertEqual(os.listdir(self.destdir), [PREFIX.lstrip("/")],
                         "the install wrote outside the prefix")
        installed = set()
        for top, dirs, files in os.walk(root):
            installed |= {os.path.relpath(os.path.join(top, n), root) for n in files}
        expected = expected_tree()
        self.assertEqual(sorted(installed - set(expected)), [], "installed but not expected")
        self.assertEqual(sorted(set(expected) - installed), [], "expected but not installed")
        for relative, source in sorted(expected.items()):
            if source:
                with self.subTest(file=relative), open(source, "rb") as a, \
                        open(self.path(relative), "rb") as b:
                    self.assertTrue(a.read() == b.read(), "differs from %s" % source)

    def test_launcher_and_program_are_executables(self):
        with open(self.path(PROGRAM), "rb") as f:
            self.assertEqual(f.read(4), b"\x7fELF")
        with open(self.path(LAUNCHER)) as f:
            self.assertEqual(f.readline(), "#!/bin/sh\n")
        for relative in (LAUNCHER, PROGRAM):
            with self.subTest(file=relative):
                self.assertEqual(os.stat(self.path(relative)).st_mode & 0o111, 0o111)
        # Parsed by the system's POSIX shell (dash on Debian), not by bash.
        checked = subprocess.run(["sh", "-n", self.path(LAUNCHER)], capture_output=True,
                                 text=True)
        self.assertEqual((checked.returncode, checked.stderr), (0, ""))

    def test_icons_are_pngs_of_their_size_with_transparency(self):
        for size in ICON_SIZES:
            with self.subTest(size=size):
                icon = read_png(self.path(icon_path(size)))
                self.assertEqual((icon.width, icon.height, icon.colour), (size, size, 6))
                alpha = icon.alpha
                self.assertEqual(alpha[0], 0, "the top left corner should be see-through")
                self.assertEqual(alpha[size * size - 1], 0, "the bottom right corner too")
                self.assertEqual(alpha[size // 2 * size + size // 2], 255,
                                 "the middle should be opaque")


class DesktopMetadataTest(InstalledCase):
    """The desktop entry, the AppStream metadata and the manual page pass their checkers and
    name what the install really made."""

    def checker(self, *argv):
        """Runs a checker on installed files; prints what it says, and returns it."""
        done = subprocess.run(list(argv), capture_output=True, text=True, timeout=60,
                              stdin=subprocess.DEVNULL)
        print("$ %s  (status %d)\n%s%s" % (" ".join(argv), done.returncode, done.stdout,
                                           done.stderr))
        return done

    def test_desktop_entry_validates_and_names_the_installed_files(self):
        done = self.checker("desktop-file-validate", self.path(DESKTOP_ENTRY))
        self.assertEqual(done.returncode, 0)
        self.assertEqual(done.stdout + done.stderr, "", "desktop-file-validate has remarks")
        entry = desktop_entry(self.path(DESKTOP_ENTRY))
        self.assertEqual(entry.get("Type"), "Application")
        self.assertEqual(entry.get("Name"), "Code Breaker")
        self.assertEqual(entry.get("Terminal"), "false")
        self.assertEqual(entry.get("StartupWMClass"), "codebreaker")
        categories = entry.get("Categories", "").rstrip(";").split(";")
        self.assertIn("Game", categories)
        self.assertGreaterEqual(len(categories), 2, "Game and a second category")
        # A desktop finds the program on the PATH and the icon in the hicolor theme.
        self.assertEqual(os.path.join("bin", entry.get("Exec", "").split()[0]), LAUNCHER)
        self.assertEqual(entry.get("Icon"), APP_ID)

    def test_metainfo_validates_and_names_the_desktop_entry(self):
        done = self.checker("appstreamcli", "validate", "--no-net", self.path(METAINFO))
        self.assertEqual(done.returncode, 0)
        # Pedantic remarks only: errors, warnings and infos (such as a missing content
        # rating) are all things software centres act on.
        remarks = re.findall(r"^[EWI]: .*$", done.stdout + done.stderr, re.M)
        self.assertEqual(remarks, [], "appstreamcli has remarks")
        with open(self.path(METAINFO)) as f:
            xml = f.read()
        self.assertIn("<id>%s</id>" % APP_ID, xml)
        self.assertIn('<launchable type="desktop-id">%s</launchable>'
                      % os.path.basename(DESKTOP_ENTRY), xml)
        # Our code and pictures are MIT; the font we ship keeps its own licence.
        self.assertIn("<project_license>MIT AND Bitstream-Vera</project_license>", xml)
        self.assertRegex(xml, r'<release version="[^"@]+" date="\d{4}-\d\d-\d\d"')

    def test_man_page_is_clean_and_names_what_is_installed(self):
        page = self.path(MAN_PAGE)
        done = self.checker("groff", "-man", "-ww", "-z", "-Tutf8", page)
        self.assertEqual((done.returncode, done.stderr), (0, ""), "groff warns")
        done = self.checker("lexgrog", page)
        self.assertEqual(done.returncode, 0)
        self.assertIn("codebreaker - ", done.stdout, "no NAME line for whatis")
        with open(page) as f:
            man = f.read()
        self.assertRegex(man, re.compile(r"^\.TH CODEBREAKER 6 ", re.M),
                         "not a page of section 6")
        for name in ("SYNOPSIS", "DESCRIPTION", "KEYS", "ENVIRONMENT", "FILES", "EXIT STATUS",
                     "SEE ALSO"):
            self.assertTrue(section(man, name).strip(), "no section %s" % name)
        # Every variable the launcher reads is documented...
        with open(self.path(LAUNCHER)) as f:
            read = set(re.findall(r"\$\{?([A-Z][A-Z0-9_]+)", f.read()))
        self.assertIn("CODEBREAKER_SDL", read)
        environment = section(man, "ENVIRONMENT")
        self.assertEqual(sorted(v for v in read if v not in environment), [])
        # ...and every file of the game it names is where it says, under the prefix.
        named = re.findall(r"^\.I (\S*codebreaker\S*)$", man, re.M)
        self.assertTrue(named)
        for path in named:
            with self.subTest(path=path):
                self.assertTrue(path.startswith(PREFIX + "/"), "not under the prefix")
                self.assertTrue(os.path.exists(self.path(path[len(PREFIX) + 1:])))
        self.assertIn(LAUNCHER_FAILS, [int(s) for s in re.findall(
            r"^\.B (\d+)$", section(man, "EXIT STATUS"), re.M)])


def compat_paths():
    """(the system's libSDL-1.2.so.0, sdl12-compat's folder beside it) on this machine, as the
    built game resolves its SDL without help."""
    out = subprocess.run(["ldd", os.path.join(BUILD_DIR, "codebreaker")],
                         env=clean_env(LD_LIBRARY_PATH=""), capture_output=True, text=True,
                         check=True).stdout
    m = re.search(r"^\s*libSDL-1\.2\.so\.0 => (\S+)", out, re.M)
    if not m:
        raise RuntimeError("the game links no libSDL-1.2.so.0:\n" + out)
    # Named as the launcher names it: /lib may be a link to /usr/lib.
    system = os.path.join(os.path.realpath(os.path.dirname(m.group(1))),
                          os.path.basename(m.group(1)))
    folder = os.path.join(os.path.dirname(system), "sdl12-compat")
    with open(system, "rb") as f:
        if COMPAT_MARK in f.read():
            raise RuntimeError("the system's SDL 1.2 is sdl12-compat: classic SDL is missing")
    if not os.path.exists(os.path.join(folder, "libSDL-1.2.so.0")):
        raise RuntimeError("sdl12-compat is not installed in %s (Debian package "
                           "libsdl1.2-compat)" % folder)
    return system, folder


class LauncherCase(InstalledCase):
    """Starts the installed launcher inside the sandbox, with nothing of the test's own
    environment that could choose or scale an SDL."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.system_sdl, cls.compat_folder = compat_paths()

    def setUp(self):
        self.box = Sandbox(self)
        self.game = None

    def tearDown(self):
        if self.game:
            stop(self.game)

    def launch(self, argv=None, cwd="/", setup="", **env):
        """Starts argv (the installed launcher by default) in cwd; setup is shell code run in
        the sandbox first, to rearrange its /usr. A value of None in env unsets it."""
        argv = list(argv or [self.path(LAUNCHER)])
        if setup:
            argv = ["sh", "-c", setup + '\nexec "$@"', "sh"] + argv
        full = {k: v for k, v in self.box.env(GP2X_MENU="absent").items()
                if k != "LD_LIBRARY_PATH" and not k.startswith(("CODEBREAKER_", "SDL12COMPAT_"))}
        full.update(env)
        full = {k: v for k, v in full.items() if v is not None}
        self.game = self.box.popen(argv, cwd=cwd, env=full)
        return self.game

    def wait_game(self, root=None, timeout=10):
        """Waits until the launcher has become the installed game (of the tree at root) with
        its SDL loaded; returns the libSDL-1.2 path it mapped, as seen in its sandbox."""
        program = os.path.realpath(self.path(PROGRAM, root))
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self.game.poll() is not None:
                out, err = self.game.communicate()
                self.fail("ended with status %d before the game ran: %r %r"
                          % (self.game.returncode, out, err))
            exe, mapped = None, []
            try:
                exe = os.readlink("/proc/%d/exe" % self.game.pid)
                with open("/proc/%d/maps" % self.game.pid) as f:
                    mapped = [line.split(None, 5)[5].strip() for line in f
                              if "libSDL-1.2.so" in line]
            except (FileNotFoundError, ProcessLookupError):
                pass
            if exe == program and mapped:
                return mapped[0]
            time.sleep(0.02)
        self.fail("the installed game %s never ran (last seen: %s)" % (program, exe))

    def game_environment(self):
        with open("/proc/%d/environ" % self.game.pid, "rb") as f:
            return dict(item.decode().split("=", 1) for item in f.read().split(b"\0") if item)

    def is_compat(self, library):
        """Whether the library the game mapped is sdl12-compat, read through the game's own
        root: in the sandbox, /usr is not the machine's."""
        with open("/proc/%d/root%s" % (self.game.pid, library), "rb") as f:
            return COMPAT_MARK in f.read()


class LauncherTest(LauncherCase):
    """The installed launcher from anywhere: it starts the game in its data's directory, on
    the SDL 1.2 it should, with the scaling it should."""

    def moved_tree(self, name="moved"):
        """A copy of the whole installed tree somewhere else, to be started from there."""
        moved = os.path.join(self.box.dir, name)
        shutil.copytree(self.destdir, moved, symlinks=True)
        return moved

    def test_starts_the_game_in_its_data_from_anywhere(self):
        links = os.path.join(self.box.dir, "links")
        os.makedirs(links)
        launcher = self.path(LAUNCHER)
        os.symlink(launcher, os.path.join(links, "absolute"))
        os.symlink(os.path.relpath(launcher, links), os.path.join(links, "relative"))
        os.symlink("relative", os.path.join(links, "chained"))
        path = "%s:/usr/bin:/bin" % os.path.dirname(launcher)
        # (how, argv, working directory, extra environment, root of the tree that must run)
        cases = [
            ("by its path from /", [launcher], "/", {}, None),
            ("found on the PATH", ["codebreaker"], links, {"PATH": path}, None),
            ("through an absolute link", [os.path.join(links, "absolute")], "/", {}, None),
            ("through a relative link", ["./relative"], links, {}, None),
            ("through a chain of links", [os.path.join(links, "chained")], "/tmp", {}, None),
            ("as sh codebreaker", ["sh", "codebreaker"], os.path.dirname(launcher), {}, None),
            # The wrapper is a command with its own arguments, and runs the game.
            ("under a wrapper", [launcher], "/",
             {"CODEBREAKER_WRAPPER": "env WRAPPED_BY=env"}, None),
        ]
        moved = self.moved_tree()
        cases.append(("moved with its tree", [self.path(LAUNCHER, moved)], "/", {}, moved))
        for how, argv, cwd, env, root in cases:
            with self.subTest(how):
                # Classic SDL: wait_started knows start-up is over by the thread its dummy
                # sound driver starts last.
                self.launch(argv, cwd=cwd, SDL_VIDEODRIVER="dummy", SDL_AUDIODRIVER="dummy",
                            CODEBREAKER_SDL="classic", **env)
                try:
                    self.wait_game(root)
                    cwd_of_game = os.readlink("/proc/%d/cwd" % self.game.pid)
                    wrapped_by = self.game_environment().get("WRAPPED_BY")
                    started = wait_started(self.game)
                finally:
                    out, err = stop(self.game, signal.SIGTERM)
                self.assertEqual(cwd_of_game, os.path.realpath(self.path(GAME_DIR, root)))
                self.assertEqual(wrapped_by, "env" if "CODEBREAKER_WRAPPER" in env else None)
                self.assertTrue(started, "start-up never finished: %r %r" % (out, err))
                # The game found its font and pictures: it reports none missing.
                self.assertEqual(out, b"")

    def test_chooses_the_sdl_library_and_its_scaling(self):
        lib = os.path.dirname(self.system_sdl)
        rearrange = {
            # sdl12-compat beside classic SDL 1.2, as on this machine.
            "beside": "",
            "absent": "rm -rf '%s'" % self.compat_folder,
            # sdl12-compat as the one SDL 1.2 of the system, as some distributions have it.
            "only": "cp '{c}/libSDL-1.2.so.0' '{lib}/cb.new' && mv -f '{lib}/cb.new' '{s}' "
                    "&& rm -rf '{c}'".format(c=self.compat_folder, lib=lib, s=self.system_sdl),
        }
        compat, classic = True, False
        folder = self.compat_folder
        scaled_3x = {"SDL12COMPAT_WINDOW_SCALING": "3", "SDL12COMPAT_SCALE_METHOD": "nearest"}
        unscaled = {"SDL12COMPAT_WINDOW_SCALING": None, "SDL12COMPAT_SCALE_METHOD": None}
        # (sdl12-compat, the player's environment, library the game must load, what the
        # game's environment must hold: None for unset)
        cases = [
            ("beside", {}, compat, dict(scaled_3x, LD_LIBRARY_PATH=folder)),
            ("beside", {"CODEBREAKER_SDL": ""}, compat, dict(scaled_3x, LD_LIBRARY_PATH=folder)),
            ("beside", {"CODEBREAKER_SDL": "auto"}, compat, scaled_3x),
            ("beside", {"CODEBREAKER_SDL": "compat"}, compat, scaled_3x),
            ("beside", {"CODEBREAKER_SDL": "classic"}, classic,
             dict(unscaled, LD_LIBRARY_PATH=None)),
            ("beside", {"SDL12COMPAT_WINDOW_SCALING": "2"}, compat,
             {"SDL12COMPAT_WINDOW_SCALING": "2", "SDL12COMPAT_SCALE_METHOD": "nearest"}),
            ("beside", {"SDL12COMPAT_SCALE_METHOD": "linear"}, compat,
             {"SDL12COMPAT_WINDOW_SCALING": "3", "SDL12COMPAT_SCALE_METHOD": "linear"}),
            ("beside", {"LD_LIBRARY_PATH": "/opt/nothing"}, compat,
             dict(scaled_3x, LD_LIBRARY_PATH=folder + ":/opt/nothing")),
            ("absent", {}, classic, dict(unscaled, LD_LIBRARY_PATH=None)),
            ("only", {}, compat, dict(scaled_3x, LD_LIBRARY_PATH=None)),
            ("only", {"CODEBREAKER_SDL": "compat"}, compat, scaled_3x),
            ("only", {"CODEBREAKER_SDL": "classic"}, compat, unscaled),
        ]
        for where, env, want_compat, want_env in cases:
            with self.subTest(compat=where, env=env):
                self.launch(setup=rearrange[where], SDL_VIDEODRIVER="dummy",
                            SDL_AUDIODRIVER="dummy", **env)
                try:
                    library = self.wait_game()
                    self.assertEqual(self.is_compat(library), want_compat,
                                     "the game loaded %s" % library)
                    got = self.game_environment()
                    self.assertEqual({k: got.get(k) for k in want_env}, want_env)
                finally:
                    stop(self.game)

    def test_fails_plainly_when_it_cannot_start_the_game(self):
        # (what is wrong, sandbox set-up with {tree} for the installed tree, environment, what
        # the launcher must say)
        cases = [
            ("sdl12-compat asked for, not installed", "rm -rf '%s'" % self.compat_folder,
             {"CODEBREAKER_SDL": "compat"}, b"sdl12-compat is not installed"),
            ("an unknown library", "", {"CODEBREAKER_SDL": "sdl2"},
             b"CODEBREAKER_SDL must be auto, compat or classic"),
            ("the data gone", "rm -rf '{tree}/%s/%s/data'" % (PREFIX, GAME_DIR), {},
             b"data is not installed"),
            ("the game gone", "rm -f '{tree}/%s/%s'" % (PREFIX, PROGRAM), {},
             b"the game is not installed"),
        ]
        for n, (what, setup, env, message) in enumerate(cases):
            with self.subTest(what):
                tree = self.moved_tree("tree%d" % n)
                self.launch([self.path(LAUNCHER, tree)], setup=setup.format(tree=tree),
                            SDL_VIDEODRIVER="dummy", SDL_AUDIODRIVER="dummy", **env)
                out, err = self.game.communicate(timeout=10)
                self.assertEqual(self.game.returncode, LAUNCHER_FAILS, err)
                self.assertIn(message, err)
                self.assertEqual(out, b"")


class InstalledWindowTest(LauncherCase):
    """The installed launcher started from / opens the title screen in X: 960x720 with sharp
    pixels on sdl12-compat, 320x240 on classic SDL; Escape ends it with status 0."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.x = Xvfb("1024x768x16")
        cls.addClassCleanup(cls.x.stop)
        cls.wm_class = desktop_entry(cls.path(DESKTOP_ENTRY))["StartupWMClass"]

    def setUp(self):
        super().setUp()
        clear_artefacts(self)

    def xdotool(self, *args, timeout=15, check=True):
        return subprocess.run(["xdotool"] + list(args), env=self.x.env(), capture_output=True,
                              text=True, timeout=timeout, check=check,
                              stdin=subprocess.DEVNULL)

    def window_gone(self):
        deadline = time.monotonic() + 5
        while time.monotonic() < deadline and self.xdotool(
                "search", "--class", "^%s$" % self.wm_class, check=False).returncode == 0:
            time.sleep(0.05)

    def test_title_screen_at_the_right_size(self):
        # (library, environment, scale of the window)
        cases = [("sdl12-compat", {}, 3), ("classic SDL", {"CODEBREAKER_SDL": "classic"}, 1)]
        title = Screens(Pictures()).title()
        for name, env, k in cases:
            with self.subTest(name):
                self.launch(DISPLAY=self.x.display, SDL_AUDIODRIVER="dummy", **env)
                try:
                    self.title_then_escape(title, name, k)
                finally:
                    stop(self.game)
                    self.window_gone()

    def title_then_escape(self, title, name, k):
        """The game just started shows the title at k times its size, and Escape ends it."""
        # The desktop entry's window class is the one the game's window has.
        window = self.xdotool("search", "--sync", "--onlyvisible", "--class",
                              "^%s$" % self.wm_class).stdout.split()[0]
        geometry = dict(line.split("=", 1) for line in self.xdotool(
            "getwindowgeometry", "--shell", window).stdout.split())
        self.assertEqual((int(geometry["WIDTH"]), int(geometry["HEIGHT"])),
                         (320 * k, 240 * k))
        text = [tuple(v * k for v in TITLE_TEXT)]
        shot = self.expect_title(window, scaled(title, k), text,
                                 "title_%s" % name.split()[0], title.sources)
        if k > 1:
            self.assertEqual(self.blurred_blocks(shot, k), [],
                             "pixels are not sharp %dx%d squares" % (k, k))
        self.xdotool("windowfocus", "--sync", window)
        self.xdotool("key", "Escape")
        try:
            out, err = self.game.communicate(timeout=10)
        except subprocess.TimeoutExpired:
            self.fail("Escape did not end the game")
        self.assertEqual(self.game.returncode, 0, err)

    def expect_title(self, window, expected, text, step, pictures):
        """Waits until the window shows expected (drawn from the pictures' files) outside the
        text area, with something in it; keeps the screenshot, and on a failure the
        differences too."""
        deadline = time.monotonic() + SCREEN_TIMEOUT
        while True:
            shot = read_xwd(subprocess.run(
                ["xwd", "-id", window, "-silent", "-display", self.x.display],
                capture_output=True, timeout=15, check=True).stdout)
            diff = differences(shot, expected, text)
            drawn = differs_in(shot, expected, text[0])
            if (not diff and drawn) or time.monotonic() > deadline:
                break
            time.sleep(0.05)
        write_png(artefact_path(self, step), shot)
        if diff:
            write_png(artefact_path(self, step + "-differences"), shot,
                      overlay={i: (255, 0, 0) for i in diff})
            self.fail("%s: %d pixels differ from the title screen, the first at (%d, %d); see %s"
                      % (step, len(diff), diff[0] % shot.width, diff[0] // shot.width,
                         artefact_path(self, step + "-differences")))
        self.assertTrue(drawn, "%s: no menu text drawn" % step)
        note_screenshot(self, step, self.path(os.path.join(GAME_DIR, "data")), pictures)
        return shot

    def blurred_blocks(self, shot, k):
        """Top left corners of the k x k squares that are not of one colour: nearest-neighbour
        scaling makes every square of the window one pixel of the game."""
        out = []
        w, p = shot.width, shot.pixels
        for y in range(0, shot.height, k):
            for x in range(0, w, k):
                first = p[y * w + x]
                if any(p[(y + j) * w + x + i] != first for j in range(k) for i in range(k)):
                    out.append((x, y))
        return out


if __name__ == "__main__":
    unittest.main()
