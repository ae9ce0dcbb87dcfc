# A handheld package as a player gets it: unpacked from its tarball into a fresh folder, its
# tree checked, and the game started from elsewhere through its launcher, under the emulator.
# The bundled package (PACKAGE_KIND bundled) carries every library but the C library's and
# SDL2's, and starts on a root of SDL2 alone; the other (system) takes them from the handheld.
import filecmp
import os
import struct
import subprocess
import sys
import tarfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import pictures as picture_list  # noqa: E402
from handheld import (HANDHELD, glibc_floor, needed, package_of, readelf,  # noqa: E402
                      root_library, search_paths, unresolved)
from harness import (DATA, EMULATOR, FONT_MISSING, HELP_MISSING, MENU_DIR, MENU_PROGRAM, ROOT,
                     TITLE_MISSING, Sandbox, command, menu_record, stop)

TARBALL = os.environ.get("PACKAGE_TARBALL", "")
ARCH = os.environ.get("PACKAGE_ARCH", "")
PRESS_ESCAPE = os.environ.get("PRESS_ESCAPE_LIB", "")
KIND = os.environ.get("PACKAGE_KIND", "")
SYSROOT = os.environ.get("PACKAGE_SYSROOT", "")
# A handheld with SDL2 alone: the C library, SDL2 and what SDL2 needs (scripts/sysroot.sh).
SDL2_ROOT = os.environ.get("PACKAGE_SDL2_ROOT", "")
BUNDLED = KIND == "bundled"
# What only the bundled package carries, and what it carries its own of.
OWN_LIBRARIES = ("libSDL-1.2.so.0", "libSDL_ttf-2.0.so.0", "libSDL_mixer-1.2.so.0",
                 "libfreetype.so.6")

# ELF's word size (EI_CLASS), machine (e_machine) and, for 32-bit ARM, the flags every armhf
# program carries: version 5 of the ARM EABI, hard-float calls.
ELF_OF = {"armhf": (1, 40), "arm64": (2, 183)}
EF_ARM_EABI_VER5 = 0x05000000
EF_ARM_ABI_FLOAT_HARD = 0x400

PROGRAMS = ("codebreaker.gpe", "codebreaker.sh")
DUMMY = dict(SDL_VIDEODRIVER="dummy", SDL_AUDIODRIVER="dummy")


def elf_header(path):
    """(EI_CLASS, e_type, e_machine, e_flags, the sections' names) of a little-endian ELF file."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:4] != b"\x7fELF" or data[5] != 1:
        raise AssertionError("%s is no little-endian ELF file" % path)
    cls = data[4]
    e_type, e_machine = struct.unpack_from("<HH", data, 16)
    # Where the 32-bit and 64-bit layouts keep the flags, the section table, and each
    # section's name and file offset.
    if cls == 1:
        (e_flags,) = struct.unpack_from("<I", data, 36)
        (shoff,) = struct.unpack_from("<I", data, 32)
        shentsize, shnum, shstrndx = struct.unpack_from("<HHH", data, 46)
        offset_format, offset_at = "<I", 16
    else:
        (e_flags,) = struct.unpack_from("<I", data, 48)
        (shoff,) = struct.unpack_from("<Q", data, 40)
        shentsize, shnum, shstrndx = struct.unpack_from("<HHH", data, 58)
        offset_format, offset_at = "<Q", 24

    def section(i):
        at = shoff + i * shentsize
        return (struct.unpack_from("<I", data, at)[0],
                struct.unpack_from(offset_format, data, at + offset_at)[0])

    strings = section(shstrndx)[1]
    names = []
    for i in range(shnum):
        at = strings + section(i)[0]
        names.append(data[at:data.index(b"\0", at)].decode())
    return cls, e_type, e_machine, e_flags, names


class UnpackedPackageTest(unittest.TestCase):

    def setUp(self):
        self.assertIn(ARCH, ELF_OF, "PACKAGE_ARCH names no known build")
        self.assertTrue(os.path.isfile(TARBALL), "no package %r: build handheld_package" % TARBALL)
        self.assertTrue(EMULATOR, "no emulator to run the %s game under (qemu-user)" % ARCH)
        self.assertTrue(os.path.isfile(PRESS_ESCAPE), "no shim %r" % PRESS_ESCAPE)
        self.assertIn(KIND, ("bundled", "system"), "PACKAGE_KIND names no known package")
        self.top = "codebreaker-" + ARCH + ("" if BUNDLED else "-sdl12")
        self.box = Sandbox(self)
        # The player's card: the tarball unpacked into a folder of its own.
        self.card = os.path.join(self.box.dir, "card")
        with tarfile.open(TARBALL, "r:gz") as tar:
            self.members = tar.getmembers()
            # Where Python has them, the extraction filters refuse anything but plain files
            # and folders inside the card.
            safe = {"filter": "data"} if hasattr(tarfile, "data_filter") else {}
            tar.extractall(self.card, **safe)
        self.folder = os.path.join(self.card, self.top)
        # Where the handheld's launcher happens to be: no data/ there.
        self.elsewhere = os.path.join(self.box.dir, "elsewhere")
        os.makedirs(self.elsewhere)

    def test_tarball_is_reproducible(self):
        with open(TARBALL, "rb") as f:
            head = f.read(10)
        self.assertEqual(head[:3], b"\x1f\x8b\x08", "not gzip")
        self.assertEqual(head[3] & 0x08, 0, "gzip keeps a file name")
        self.assertEqual(head[4:8], b"\0\0\0\0", "gzip keeps a time")
        names = [m.name for m in self.members]
        self.assertEqual(names, sorted(names))
        for m in self.members:
            with self.subTest(m.name):
                self.assertTrue(m.name == self.top or m.name.startswith(self.top + "/"))
                self.assertTrue(m.isdir() or m.isfile(), "neither a file nor a folder")
                self.assertEqual((m.uid, m.gid, m.mtime), (0, 0, 0))
                executable = m.isdir() or os.path.basename(m.name) in PROGRAMS
                self.assertEqual(m.mode, 0o755 if executable else 0o644)

    def test_tree_is_exactly_the_game_its_launcher_documents_and_data(self):
        found = set()
        for where, _, files in os.walk(self.folder):
            found.update(os.path.relpath(os.path.join(where, f), self.folder) for f in files)
        # Every picture of the game's list and the font with its licence, nothing else of data/.
        data = sorted(os.listdir(DATA))
        self.assertEqual(sorted(n for n in data if n.endswith(".bmp")),
                         sorted(picture_list.FILES))
        expected = {"codebreaker.gpe", "codebreaker.sh", "README.txt", "LICENSE"}
        expected.update("data/" + n for n in data)
        carried = {f for f in found if f.startswith(("lib/", "licenses/"))}
        self.assertEqual(found - carried, expected)
        # Libraries and their licences in the bundled package alone (checked below).
        self.assertEqual(bool(carried), BUNDLED)

        match, mismatch, errors = filecmp.cmpfiles(DATA, os.path.join(self.folder, "data"), data,
                                                   shallow=False)
        self.assertEqual((mismatch, errors), ([], []), "data/ differs from the source's")
        for mine, source in (("LICENSE", "LICENSE"), ("codebreaker.sh", "handheld/codebreaker.sh")):
            self.assertTrue(filecmp.cmp(os.path.join(self.folder, mine),
                                        os.path.join(ROOT, source), shallow=False), mine)
        with open(os.path.join(self.folder, "README.txt")) as f:
            readme = f.read()
        self.assertNotIn("@", readme, "a placeholder was left unfilled")
        for words in (self.top, "codebreaker.sh", "codebreaker.gpe", "MIT", "data/font-LICENSE.txt",
                      {"armhf": "ARMv7 with hard float", "arm64": "AArch64"}[ARCH]):
            self.assertIn(words, readme)
        # The C library it needs: the highest version the game and its libraries need.
        lib = os.path.join(self.folder, "lib")
        objects = [os.path.join(self.folder, "codebreaker.gpe")] + (
            [os.path.join(lib, n) for n in os.listdir(lib)] if BUNDLED else [])
        floor = ".".join(str(n) for n in glibc_floor(objects))
        said = " ".join(readme.split())
        self.assertIn("a GNU C library of version %s or later" % floor, said)
        if BUNDLED:
            self.assertIn("SDL2 2.0.7 or later", said)
            self.assertIn("licenses/", said)

    def test_game_is_a_stripped_program_for_the_build(self):
        cls, e_type, machine, flags, sections = elf_header(
            os.path.join(self.folder, "codebreaker.gpe"))
        self.assertEqual((cls, machine), ELF_OF[ARCH])
        self.assertIn(e_type, (2, 3), "neither a program nor a position-independent one")
        if ARCH == "armhf":
            self.assertEqual(flags & 0xFF000000, EF_ARM_EABI_VER5)
            self.assertTrue(flags & EF_ARM_ABI_FLOAT_HARD, "not hard-float")
        self.assertNotIn(".symtab", sections)
        self.assertFalse([s for s in sections if s.startswith(".debug")])
        # Its libraries are looked for in lib/ beside it first, for its libraries' own
        # libraries too (RPATH, not RUNPATH), and nowhere of the machine it was built on.
        self.assertEqual(search_paths(os.path.join(self.folder, "codebreaker.gpe")),
                         (["$ORIGIN/lib"], []))

    @unittest.skipUnless(BUNDLED, "the bundled package carries libraries")
    def test_carries_every_library_but_the_c_librarys_and_sdl2s(self):
        lib = os.path.join(self.folder, "lib")
        carried = sorted(os.listdir(lib))
        self.assertLessEqual(set(OWN_LIBRARIES), set(carried))
        self.assertEqual([n for n in carried if n in HANDHELD], [],
                         "libraries the handheld has of its own")
        # Statically, as the loader would look on a handheld with nothing but its C library
        # and SDL2: every library the game and the carried ones need is found in lib/.
        self.assertEqual(unresolved(os.path.join(self.folder, "codebreaker.gpe")), {},
                         "needed, found neither in lib/ nor among the C library and SDL2")
        # SDL 1.2 is sdl12-compat, over the handheld's SDL2.
        with open(os.path.join(lib, "libSDL-1.2.so.0"), "rb") as f:
            self.assertIn(b"SDL12COMPAT_", f.read())
        # Each is Debian's file as the sysroot has it, with its package's licence beside it;
        # one that named a search path of its own looks beside itself instead, and only that
        # differs.
        owners = set()
        for name in carried:
            with self.subTest(name):
                mine = os.path.join(lib, name)
                source = root_library(SYSROOT, ARCH, name)
                self.assertTrue(source, "the sysroot has no %s" % name)
                if not filecmp.cmp(mine, source, False):
                    self.assertEqual(search_paths(mine), ([], ["$ORIGIN"]))
                    self.assertNotIn(search_paths(source), (([], []), ([], ["$ORIGIN"])))
                    self.assertEqual(needed(mine), needed(source))
                    self.assertEqual(readelf("--dyn-syms", "--wide", mine),
                                     readelf("--dyn-syms", "--wide", source))
                owner = package_of(SYSROOT, source)
                self.assertTrue(owner, "no package of the sysroot ships %s" % source)
                owners.add(owner)
                licence = os.path.join(self.folder, "licenses", owner + ".txt")
                self.assertTrue(os.path.isfile(licence), "no licence of %s" % owner)
                self.assertTrue(filecmp.cmp(licence, os.path.join(
                    SYSROOT, "usr/share/doc", owner, "copyright"), False))
        self.assertEqual(sorted(os.listdir(os.path.join(self.folder, "licenses"))),
                         sorted(o + ".txt" for o in owners))

    @unittest.skipUnless(BUNDLED, "the bundled package carries libraries")
    def test_game_started_directly_loads_on_a_handheld_with_sdl2_alone(self):
        # Without its launcher, so without data/: it says so, and ends in the menu program.
        status, out, err, record = self.play(command(
            [os.path.join(self.folder, "codebreaker.gpe")], preload=PRESS_ESCAPE,
            emulator=[EMULATOR[0], "-L", SDL2_ROOT]))
        self.assertEqual((out, err), (FONT_MISSING + TITLE_MISSING + HELP_MISSING, b""))
        self.assertEqual(record, menu_record(MENU_DIR, MENU_PROGRAM))
        self.assertEqual(status, 0)

    def play(self, argv):
        """Runs argv (the launcher, or the game under the emulator) from elsewhere in the
        sandbox on SDL's dummy drivers, with Escape pressed on the title menu; returns
        (status, stdout, stderr, the menu program's record)."""
        wrapper = command([], preload=PRESS_ESCAPE)
        game = self.box.popen(argv, cwd=self.elsewhere,
                              env=self.box.env(CODEBREAKER_WRAPPER=" ".join(wrapper), **DUMMY))
        try:
            out, err = game.communicate(timeout=60)
        finally:
            stop(game)
        return game.returncode, out, err, self.box.read_record()

    def test_launcher_starts_the_game_on_the_packages_data_and_it_ends_in_the_menu(self):
        launcher = os.path.join(self.folder, "codebreaker.sh")
        # Straight, and through a link from another folder, as a menu entry may be.
        link = os.path.join(self.box.dir, "links", "Code Breaker")
        os.makedirs(os.path.dirname(link))
        os.symlink(os.path.relpath(launcher, os.path.dirname(link)), link)
        for how in (launcher, link):
            with self.subTest(how):
                if os.path.exists(self.box.record):
                    os.remove(self.box.record)
                status, out, err, record = self.play([how])
                # Not one file missing: the font and pictures were the package's own.
                self.assertEqual((out, err), (b"", b""))
                self.assertEqual(record, menu_record(MENU_DIR, MENU_PROGRAM),
                                 "the menu program was not started as expected (status %r)"
                                 % status)
                self.assertEqual(status, 0)

    def test_without_the_launcher_the_data_is_missing(self):
        # The check above can tell: the game started elsewhere by itself finds no data/.
        status, out, err, record = self.play(
            command([os.path.join(self.folder, "codebreaker.gpe")], preload=PRESS_ESCAPE))
        self.assertEqual((out, err), (FONT_MISSING + TITLE_MISSING + HELP_MISSING, b""))
        self.assertEqual(record, menu_record(MENU_DIR, MENU_PROGRAM))
        self.assertEqual(status, 0)


if __name__ == "__main__":
    unittest.main()
