# The two readers of the game's list of pictures (src/platform/pictures.h) outside C++, CMake's
# (tools/art_files.cmake) and the tests' (tests/support/pictures.py): both read the list alike,
# and both stop at a line they do not know rather than skip a picture.
import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "support"))
import pictures  # noqa: E402

CMAKE = os.environ.get("CMAKE_COMMAND", "cmake")
LISTER = os.path.join(HERE, "list_pictures.cmake")

with open(pictures.HEADER, encoding="utf-8") as f:
    GOOD = f.read()
FIRST = '    PICTURE("title.bmp",             title,             false, 320, 240) \\\n'
LAST = '    PICTURE("you_lost.bmp",          lost,              false, 320, 240)\n'

# Headers each reader must refuse: (what is wrong, the header's text).
BAD = [
    ("keyed written as 1", GOOD.replace(FIRST, FIRST.replace("false", "1"))),
    ("a size as an expression", GOOD.replace(FIRST, FIRST.replace("320", "160 * 2"))),
    ("a file that is no BMP", GOOD.replace(FIRST, FIRST.replace("title.bmp", "title.png"))),
    ("a comment inside the list", GOOD.replace(FIRST, FIRST + "    // the markers \\\n")),
    ("a blank line inside the list", GOOD.replace(FIRST, FIRST + "\n")),
    ("a picture after the list", GOOD + LAST.replace("you_lost.bmp", "extra.bmp")),
    ("the last line continued", GOOD.replace(LAST, LAST[:-1] + " \\\n")),
    ("a block comment", GOOD.replace("#pragma once\n", "#pragma once\n/* */\n")),
    ("a conditional", GOOD.replace("#pragma once\n", "#pragma once\n#if 1\n")),
    ("a file listed twice", GOOD.replace(LAST, LAST.replace("lost,", "lost2,").replace(
        "you_lost.bmp", "title.bmp"))),
    ("a global listed twice", GOOD.replace(LAST, LAST.replace("lost,", "title,"))),
    ("no list", GOOD.replace("#define GAME_PICTURES(PICTURE)", "// GAME_PICTURES(PICTURE)")),
]


def cmake_list(header=None):
    """(status, output) of the CMake reader on the header (the real one when None)."""
    argv = [CMAKE] + (["-DART_PICTURES_HEADER=" + header] if header else []) + ["-P", LISTER]
    done = subprocess.run(argv, capture_output=True, text=True, timeout=60,
                          stdin=subprocess.DEVNULL)
    return done.returncode, done.stdout + done.stderr


class PictureListTest(unittest.TestCase):
    def test_the_readers_read_the_list_alike(self):
        status, out = cmake_list()
        self.assertEqual(status, 0, out)
        self.assertEqual(out.splitlines(), ["%s %s" % (e.file, e.name) for e in pictures.ALL])
        self.assertEqual(pictures.parse(GOOD), list(pictures.ALL))

    def test_only_full_screens_are_unkeyed(self):
        # Every other picture is drawn over one of the full screens; the art generator paints
        # the unkeyed ones as full screens (dithered, 16 bits).
        for e in pictures.ALL:
            with self.subTest(e.file):
                self.assertEqual((e.width, e.height) == (320, 240), not e.keyed)

    def test_both_readers_refuse_a_line_they_do_not_know(self):
        self.assertTrue(all(text != GOOD for _, text in BAD), "a case did not change the header")
        with tempfile.TemporaryDirectory(prefix="cb-pictures-") as folder:
            for what, text in BAD:
                with self.subTest(what):
                    with self.assertRaises(ValueError):
                        pictures.parse(text, what)
                    header = os.path.join(folder, "pictures.h")
                    with open(header, "w", encoding="utf-8") as f:
                        f.write(text)
                    status, out = cmake_list(header)
                    self.assertNotEqual(status, 0, out)
                    self.assertIn(header, out)


if __name__ == "__main__":
    unittest.main()
