# The balls, also under the wrong rows' banners, and the markers stay apart in greyscale and to
# protanopes, deuteranopes, tritanopes.
import itertools
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import layout as L
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
# The holes (from 0) whose balls a banner lies over: the second one in part, the third one whole.
HOLES_UNDER_BANNERS = (1, 2)


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


def under_wrong_banners(ball, banner, row, hole):
    """ball (a 27x25 sprite's colours, see colours()) as the frame of seven wrong rows shows it
    in row and hole (from 0): every row's false banner, at its place and as many lines of it as
    the game draws there, over the ball's opaque pixels. Neighbouring rows' banners count too."""
    bx = L.hole_x + L.hole_dx * hole
    by = L.hole_y + L.row_dy * row
    out = list(ball)
    for top, lines in zip(L.banner_top, L.false_banner_h):
        for y in range(L.ball_h):
            v = by + y - top
            if not 0 <= v < lines:
                continue
            for x in range(L.ball_w):
                u = bx + x - L.banner_x
                if 0 <= u < L.banner_w and out[y * L.ball_w + x] is not None:
                    over = banner[v * L.banner_w + u]
                    if over is not None:
                        out[y * L.ball_w + x] = over
    return out


def shares_apart(pictures):
    """{(view, first, second): share} for every pair of pictures in every view."""
    return {(view, n1, n2): share_apart(p1, p2, view)
            for (n1, p1), (n2, p2) in itertools.combinations(pictures.items(), 2)
            for view in VIEWS}


def print_table(title, names, shares):
    print("\n%s: share of shared opaque pixels more than %d/255 apart" % (title, THRESHOLD))
    print("%-20s" % "pair" + "".join("%14s" % v for v in VIEWS))
    for n1, n2 in itertools.combinations(names, 2):
        print("%-20s" % ("%s/%s" % (n1, n2))
              + "".join("%13.1f%%" % (100 * shares[view, n1, n2]) for view in VIEWS))
    sys.stdout.flush()


def table(title, pictures):
    """{(view, first, second): share} for every pair of pictures in every view, printed."""
    shares = shares_apart(pictures)
    print_table(title, list(pictures), shares)
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

    def test_banners_land_on_the_balls_at_their_places(self):
        # A ball of one grey under banners of one red pixel: which pixel of the ball turns red,
        # if any. The second hole's ball reaches 11 px into the banner and the third lies under
        # it whole; row 2 draws two more lines, which reach row 3's ball, and row 1's last line
        # touches the top of row 2's balls.
        grey, red = (100, 100, 100), (255, 0, 0)
        # (what, the banner's red pixel, row and hole from 0, a see-through pixel of the ball,
        #  the ball's red pixel)
        cases = [
            ("third hole, row 1", (23, 5), 0, 2, None, (2, 2)),
            ("second hole, row 7", (0, 10), 6, 1, None, (16, 3)),
            ("row 2's line 34 over row 3", (30, 34), 2, 2, None, (9, 1)),
            ("row 1's line 33 over row 2", (30, 33), 1, 2, None, (9, 1)),
            ("line 34 of other rows is not drawn", (30, 34), 4, 2, None, None),
            ("the fourth hole lies beyond", (53, 20), 3, 3, None, None),
            ("see-through pixels of the ball stay so", (23, 5), 0, 2, (2, 2), None),
        ]
        for what, (x, y), row, hole, clear, hit in cases:
            with self.subTest(what):
                banner = [None] * (L.banner_w * 36)
                banner[y * L.banner_w + x] = red
                ball = [grey] * (L.ball_w * L.ball_h)
                if clear:
                    ball[clear[1] * L.ball_w + clear[0]] = None
                shown = under_wrong_banners(ball, banner, row, hole)
                red_at = [(i % L.ball_w, i // L.ball_w) for i, p in enumerate(shown) if p == red]
                self.assertEqual(red_at, [hit] if hit else [])

    def test_marker_with_cross_is_the_black_one_beneath(self):
        black = [(10, 10, 10)] * 4
        cross = [None, (255, 40, 40), None, None]
        self.assertEqual(drawn_over(black, cross),
                         [(10, 10, 10), (255, 40, 40), (10, 10, 10), (10, 10, 10)])


class CommittedPicturesTest(unittest.TestCase):
    """Every pair of balls, plain and under the wrong rows' banners, and of markers, differs in
    at least 8 % of their shared pixels in greyscale and in each simulation."""

    def assert_apart(self, shares):
        close = ["%s/%s in %s: %.1f %%" % (a, b, view, 100 * s)
                 for (view, a, b), s in shares.items() if view in CHECKED and s < MIN_SHARE]
        self.assertFalse(close, "pairs that look alike:\n  " + "\n  ".join(close))

    def test_balls(self):
        balls = {name: colours(read_bmp(os.path.join(DATA, "ball_%s.bmp" % name)))
                 for name in BALLS}
        self.assert_apart(table("balls", balls))

    def test_balls_under_the_wrong_rows_banners(self):
        """The six balls as the seven wrong rows' banners leave them, in each hole a banner lies
        over and in every row (whose balls stand 3 to 10 px below its banner's top), are held
        apart as the plain balls are; the table shows each pair's lowest share of all places."""
        plain = {name: colours(read_bmp(os.path.join(DATA, "ball_%s.bmp" % name)))
                 for name in BALLS}
        banner = colours(read_bmp(os.path.join(DATA, "false.bmp")))
        lowest = {}
        for row in range(len(L.banner_top)):
            for hole in HOLES_UNDER_BANNERS:
                balls = {name: under_wrong_banners(p, banner, row, hole)
                         for name, p in plain.items()}
                for key, share in shares_apart(balls).items():
                    lowest[key] = min(share, lowest.get(key, 1.0))
        print_table("balls under the false banners, lowest of holes 2 and 3 in rows 1 to 7",
                    BALLS, lowest)
        self.assert_apart(lowest)

    def test_markers(self):
        white = colours(read_bmp(os.path.join(DATA, "1.bmp")))
        black = colours(read_bmp(os.path.join(DATA, "2.bmp")))
        # The crossed marker is the black one with 3.bmp drawn over it.
        cross = drawn_over(black, colours(read_bmp(os.path.join(DATA, "3.bmp"))))
        self.assert_apart(table("markers", {"white": white, "black": black, "crossed": cross}))


if __name__ == "__main__":
    unittest.main()
