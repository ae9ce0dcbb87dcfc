# The balls and the markers stay apart in greyscale and to protanopes, deuteranopes, tritanopes.
import itertools
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from pixels import read_bmp, rgb888
from vision import VIEWS, seen

DATA = os.environ.get("DATA_DIR") or os.path.join(
    os.path.dirname(os.path.abspath(__file__)), "..", "data")

# Two pixels look different when one of their channels differs by more than this (of 255): the
# largest channel difference counts, since a change in any one channel shows. In greyscale the
# three channels are the same, so it is the difference in lightness.
THRESHOLD = 12
# Two pictures look different when at least this share of the pixels both cover does.
MIN_SHARE = 0.08
CHECKED = ("greyscale", "protanopia", "deuteranopia", "tritanopia")

BALLS = ("red", "green", "blue", "yellow", "brown", "purple")


def colours(picture):
    """A picture's pixels as the screen's 8-bit colours, None where it is see-through."""
    return [None if k else rgb888(p) for p, k in zip(picture.pixels, picture.keyed)]


def drawn_over(under, over):
    """over's opaque pixels on top of under, as the game blits one sprite onto another."""
    return [o if o is not None else u for u, o in zip(under, over)]


def share_apart(a, b, view):
    """The share of the pixels opaque in both a and b that look different in view."""
    shared = [(p, q) for p, q in zip(a, b) if p is not None and q is not None]
    if not shared:
        return 0.0
    apart = sum(1 for p, q in shared
                if max(abs(x - y) for x, y in zip(seen(p, view), seen(q, view))) > THRESHOLD)
    return apart / len(shared)


def table(title, pictures):
    """{(view, first, second): share} for every pair of pictures in every view, printed."""
    shares = {}
    print("\n%s: share of shared opaque pixels more than %d/255 apart" % (title, THRESHOLD))
    print("%-20s" % "pair" + "".join("%14s" % v for v in VIEWS))
    for (n1, p1), (n2, p2) in itertools.combinations(pictures.items(), 2):
        row = "%-20s" % ("%s/%s" % (n1, n2))
        for view in VIEWS:
            shares[view, n1, n2] = share_apart(p1, p2, view)
            row += "%13.1f%%" % (100 * shares[view, n1, n2])
        print(row)
    sys.stdout.flush()
    return shares


class CheckTest(unittest.TestCase):
    """The measure itself, on small pictures whose answer follows from its definition."""

    def test_share_of_pixels_apart(self):
        grey = (100, 100, 100)
        # (what, pixels of the second picture against 100 of grey, expected share)
        cases = [
            ("8 of 100 differ by 13", [(113, 100, 100)] * 8 + [grey] * 92, 0.08),
            ("a difference of 12 is not one", [(112, 100, 100)] * 8 + [grey] * 92, 0.0),
            ("any channel counts", [(100, 100, 87)] * 7 + [grey] * 93, 0.07),
            ("see-through pixels are left out", [(140, 140, 140)] * 8 + [None] * 92, 1.0),
        ]
        for what, pixels, expected in cases:
            with self.subTest(what):
                self.assertAlmostEqual(share_apart([grey] * 100, pixels, "normal"), expected)

    def test_black_and_white_stay_themselves(self):
        # Every view keeps the ends of the grey scale: a matrix typed with a row or column
        # swapped would tint white.
        for view in VIEWS:
            with self.subTest(view):
                self.assertEqual(seen((255, 255, 255), view), (255, 255, 255))
                self.assertEqual(seen((0, 0, 0), view), (0, 0, 0))

    def test_greyscale_is_luminance_in_linear_light(self):
        # Pure red has a relative luminance of 0.2126, which is sRGB 127: in greyscale it is
        # that grey, though in colour the two are far apart. Weighting the sRGB values instead
        # of linear light would make red 54.
        red, grey = [(255, 0, 0)] * 10, [(127, 127, 127)] * 10
        self.assertEqual(share_apart(red, grey, "normal"), 1.0)
        self.assertEqual(share_apart(red, grey, "greyscale"), 0.0)

    def test_marker_with_cross_is_the_black_one_beneath(self):
        black = [(10, 10, 10)] * 4
        cross = [None, (255, 40, 40), None, None]
        self.assertEqual(drawn_over(black, cross),
                         [(10, 10, 10), (255, 40, 40), (10, 10, 10), (10, 10, 10)])


class CommittedPicturesTest(unittest.TestCase):
    """Every pair of balls, and of markers, differs in at least 8 % of their shared pixels
    in greyscale and in each simulation."""

    def assert_apart(self, shares):
        close = ["%s/%s in %s: %.1f %%" % (a, b, view, 100 * s)
                 for (view, a, b), s in shares.items() if view in CHECKED and s < MIN_SHARE]
        self.assertFalse(close, "pairs that look alike:\n  " + "\n  ".join(close))

    def test_balls(self):
        balls = {name: colours(read_bmp(os.path.join(DATA, "ball_%s.bmp" % name)))
                 for name in BALLS}
        self.assert_apart(table("balls", balls))

    def test_markers(self):
        white = colours(read_bmp(os.path.join(DATA, "1.bmp")))
        black = colours(read_bmp(os.path.join(DATA, "2.bmp")))
        # The crossed marker is the black one with 3.bmp drawn over it.
        cross = drawn_over(black, colours(read_bmp(os.path.join(DATA, "3.bmp"))))
        self.assert_apart(table("markers", {"white": white, "black": black, "crossed": cross}))


if __name__ == "__main__":
    unittest.main()
