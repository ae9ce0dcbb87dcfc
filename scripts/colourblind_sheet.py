# Renders the six balls and three markers of a data folder as other eyes see them, one PNG sheet.
#
# Usage: colourblind_sheet.py OUT.png [DATA_DIR] [SCALE]
# Rows from the top: normal colour, greyscale, protanopia, deuteranopia, tritanopia (tests/support/vision.py).
# Columns: the red, green, blue, yellow, brown and purple balls, then the white, black and
# crossed markers. Each sprite lies on the board's hole colour, every pixel a SCALE square.
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "support"))
from pixels import Picture, read_bmp, rgb888, write_png
from vision import VIEWS, seen

BALLS = ("red", "green", "blue", "yellow", "brown", "purple")
# The dark of the board's holes, which the sprites are drawn over in a game.
HOLE = (34, 24, 18)
BACKDROP = (72, 72, 80)
CELL_W, CELL_H, GAP = 27, 25, 3


def sprites(data):
    """The nine sprites as rows of 8-bit colours, None where they are see-through."""
    def load(name):
        p = read_bmp(os.path.join(data, name))
        px = [None if k else rgb888(v) for v, k in zip(p.pixels, p.keyed)]
        return p.width, p.height, px

    out = [load("ball_%s.bmp" % b) for b in BALLS]
    white, black, cross = load("1.bmp"), load("2.bmp"), load("3.bmp")
    crossed = [c if c is not None else b for b, c in zip(black[2], cross[2])]
    return out + [white, black, (black[0], black[1], crossed)]


def sheet(data, k):
    items = sprites(data)
    w = GAP + len(items) * (CELL_W + GAP)
    h = GAP + len(VIEWS) * (CELL_H + GAP)
    rgb = [BACKDROP] * (w * h)
    for row, view in enumerate(VIEWS):
        y0 = GAP + row * (CELL_H + GAP)
        for col, (sw, sh, px) in enumerate(items):
            x0 = GAP + col * (CELL_W + GAP)
            for y in range(CELL_H):
                for x in range(CELL_W):
                    rgb[(y0 + y) * w + x0 + x] = seen(HOLE, view)
            ox, oy = x0 + (CELL_W - sw) // 2, y0 + (CELL_H - sh) // 2
            for y in range(sh):
                for x in range(sw):
                    if px[y * sw + x] is not None:
                        rgb[(oy + y) * w + ox + x] = seen(px[y * sw + x], view)
    big = [rgb[(y // k) * w + x // k] for y in range(h * k) for x in range(w * k)]
    # write_png takes 5-6-5 pixels; the overlay gives it every pixel's exact 8-bit colour.
    return Picture(w * k, h * k, [0] * len(big)), dict(enumerate(big))


def main(out, data, k):
    picture, colours = sheet(data, k)
    write_png(out, picture, colours)


if __name__ == "__main__":
    if not 2 <= len(sys.argv) <= 4:
        sys.exit("usage: colourblind_sheet.py OUT.png [DATA_DIR] [SCALE]")
    here = os.path.dirname(os.path.abspath(__file__))
    main(sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else os.path.join(here, "..", "data"),
         int(sys.argv[3]) if len(sys.argv) > 3 else 6)
