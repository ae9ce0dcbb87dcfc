# The screenshots kept for docs/ are the game's own drawing of data/: the notes the checks
# write, and the refusal of a shot with a test's paint in it.
import os
import shutil
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import harness
from harness import DATA, not_the_games_own, note_screenshot
from pixels import Canvas, paint_bmp_rows, read_bmp, write_png


class NoteTest(unittest.TestCase):
    """A screenshot counts as the game's own only when the game and the screen it was held to
    both read data/ as committed, and the PNG is the one that was checked."""

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="cb-shots-")
        self.addCleanup(shutil.rmtree, self.dir, True)
        self.addCleanup(setattr, harness, "ARTEFACTS", harness.ARTEFACTS)
        harness.ARTEFACTS = os.path.join(self.dir, "artefacts")
        # A copy of data/ as committed, and one with the wrong banner's last lines painted.
        self.same = os.path.join(self.dir, "same")
        self.painted = os.path.join(self.dir, "painted")
        shutil.copytree(DATA, self.same)
        shutil.copytree(DATA, self.painted)
        paint_bmp_rows(os.path.join(DATA, "false.bmp"), os.path.join(self.painted, "false.bmp"),
                       34, 35, (255, 255, 0))

    def kept(self, step, game_data, pictures_from, change_after=False):
        """A screenshot kept and noted as the harness keeps one; its path."""
        picture = read_bmp(os.path.join(pictures_from, "false.bmp"))
        expected = Canvas().blit(picture, 127, 18, 54, 34)
        png = harness.artefact_path(self, step)
        write_png(png, expected)
        note_screenshot(self, step, game_data, expected.sources)
        if change_after:
            write_png(png, Canvas(fill=0xFFFF))
        return png

    def test_what_is_refused(self):
        # (what, the game's data, the expected screen's pictures, PNG changed after its check,
        # the reason expected or None)
        cases = [
            ("data/ itself", DATA, DATA, False, None),
            ("a copy of data/ as committed", self.same, self.same, False, None),
            ("the game read painted pictures", self.painted, DATA, False, "the game read"),
            ("held to painted pictures", DATA, self.painted, False, "held to pictures"),
            ("changed after its check", DATA, DATA, True, "changed after its check"),
        ]
        for n, (what, game_data, pictures, changed, reason) in enumerate(cases):
            with self.subTest(what):
                png = self.kept("case_%d" % n, game_data, pictures, changed)
                why = not_the_games_own(png)
                if reason is None:
                    self.assertIsNone(why)
                else:
                    self.assertIsNotNone(why)
                    self.assertIn(reason, why)

    def test_a_screenshot_without_a_note_is_refused(self):
        # A failed check keeps its screenshot but writes no note.
        png = harness.artefact_path(self, "unchecked")
        write_png(png, Canvas())
        self.assertIn("no note", not_the_games_own(png))


if __name__ == "__main__":
    unittest.main()
