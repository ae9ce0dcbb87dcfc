# Pictures as 5-6-5 pixels: BMP and PNG files, xwd screenshots, and an expected-screen canvas.
import struct
import zlib

def _mask_shift_bits(mask):
    shift = 0
    while mask and not mask & 1:
        mask >>= 1
        shift += 1
    bits = 0
    while mask & 1:
        mask >>= 1
        bits += 1
    return shift, bits


class Picture:
    """width x height pixels in 5-6-5, row by row from the top, and which are see-through;
    source is the file it was read from, if any."""

    def __init__(self, width, height, pixels, keyed=None, source=None):
        self.width, self.height = width, height
        self.pixels = pixels
        self.keyed = keyed if keyed is not None else [False] * (width * height)
        self.source = source

    def at(self, x, y):
        return self.pixels[y * self.width + x]


def find_colour(palette, rgb):
    """The palette index SDL 1.2's SDL_MapRGB picks for rgb in a paletted format: the first
    entry at the least squared distance."""
    best, smallest = 0, None
    for i, entry in enumerate(palette):
        distance = sum((a - b) ** 2 for a, b in zip(entry, rgb))
        if smallest is None or distance < smallest:
            best, smallest = i, distance
            if distance == 0:
                break
    return best


def read_bmp(path):
    """Loads a BMP as SDL 1.2 would, then maps it to 5-6-5 as a blit onto the screen does.

    Handles BITMAPINFOHEADER (and its later versions) with 16, 24 or 32 bits per pixel,
    plain or with bit fields, and 8 bits per pixel with a palette; bottom-up or top-down.
    keyed marks the pixels equal to magenta (255, 0, 255) mapped into the file's own format,
    which is what the game's colour key drops: for a palette, the pixels holding the index
    that SDL_MapRGB picks for magenta, the nearest entry. Raises ValueError for a file the
    game cannot draw from: not a BMP, no pixels, or fewer bytes than its rows need."""
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 54 or data[:2] != b"BM":
        raise ValueError("%s: not a BMP file" % path)
    offset, header_size = struct.unpack_from("<II", data, 10)
    width, height, _planes, bpp, compression = struct.unpack_from("<iiHHI", data, 18)
    if header_size < 40:
        raise ValueError("%s: header of %d bytes is not supported" % (path, header_size))
    palette = None
    if bpp == 8:
        if compression != 0:
            raise ValueError("%s: 8 bits with compression %d not supported" % (path, compression))
        used = struct.unpack_from("<I", data, 46)[0] or 256
        start = 14 + header_size
        if used > 256 or start + 4 * used > len(data):
            raise ValueError("%s: palette of %d entries does not fit" % (path, used))
        # Stored blue, green, red, unused.
        palette = [(data[p + 2], data[p + 1], data[p]) for p in range(start, start + 4 * used, 4)]
    elif compression == 3:  # BI_BITFIELDS: the masks follow the 40 header bytes
        masks = struct.unpack_from("<III", data, 14 + 40)
    elif compression == 0 and bpp == 16:
        masks = (0x7C00, 0x03E0, 0x001F)
    elif compression == 0 and bpp in (24, 32):
        masks = (0xFF0000, 0x00FF00, 0x0000FF)
    else:
        raise ValueError("%s: %d bits, compression %d not supported" % (path, bpp, compression))
    if bpp not in (8, 16, 24, 32):
        raise ValueError("%s: %d bits per pixel not supported" % (path, bpp))
    # SDL's loader takes any header at its word; the game draws nothing from a picture with
    # no rows or columns, and SDL gives none for a file whose rows are cut short.
    top_down = height < 0
    height = abs(height)
    stride = (width * bpp + 31) // 32 * 4
    if width <= 0 or height == 0:
        raise ValueError("%s: %d x %d pixels" % (path, width, height))
    if offset + stride * height > len(data):
        raise ValueError("%s: %d rows of %d bytes from %d do not fit in %d bytes" % (
            path, height, stride, offset, len(data)))
    step = bpp // 8
    pixels, keyed = [], []
    if palette is not None:
        # The blit maps each entry to 5-6-5 by keeping the top bits of its channels.
        colours = [rgb565(*entry) for entry in palette]
        key = find_colour(palette, (255, 0, 255))
        for y in range(height):
            row = offset + (y if top_down else height - 1 - y) * stride
            for index in data[row:row + width]:
                if index >= len(palette):
                    raise ValueError("%s: index %d past the palette" % (path, index))
                pixels.append(colours[index])
                keyed.append(index == key)
        return Picture(width, height, pixels, keyed, path)

    fields = [_mask_shift_bits(m) for m in masks]
    # SDL_MapRGB(255, 0, 255) in the file's format: full red and blue, no green.
    key = (((255 >> (8 - fields[0][1])) << fields[0][0])
           | ((255 >> (8 - fields[2][1])) << fields[2][0]))
    for y in range(height):
        row = offset + (y if top_down else height - 1 - y) * stride
        for x in range(width):
            p = row + x * step
            raw = int.from_bytes(data[p:p + step], "little")
            # SDL 1.2 widens a channel by shifting its bits up, then the blit to 5-6-5 keeps
            # the top bits of each.
            r8, g8, b8 = (((raw & m) >> s) << (8 - n) & 0xFF for m, (s, n) in zip(masks, fields))
            pixels.append((r8 >> 3) << 11 | (g8 >> 2) << 5 | (b8 >> 3))
            keyed.append((raw & (masks[0] | masks[1] | masks[2])) == key)
    return Picture(width, height, pixels, keyed, path)


MAGENTA = (255, 0, 255)
# The fixed palette for pictures of more than 256 colours: 6 levels of red and blue and 7 of
# green, 252 entries among which magenta is exact and appears once.
_RB_LEVELS = [round(i * 255 / 5) for i in range(6)]
_G_LEVELS = [round(i * 255 / 6) for i in range(7)]
FIXED_PALETTE = [(r, g, b) for r in _RB_LEVELS for g in _G_LEVELS for b in _RB_LEVELS]


def _nearest_level(levels, v):
    return min(levels, key=lambda level: abs(level - v))


def quantise(rgb):
    """The FIXED_PALETTE entry for an 8-bit colour: the nearest one, except that only magenta
    itself goes to magenta, so that the see-through pixels stay exactly those."""
    q = (_nearest_level(_RB_LEVELS, rgb[0]), _nearest_level(_G_LEVELS, rgb[1]),
         _nearest_level(_RB_LEVELS, rgb[2]))
    if q == MAGENTA and rgb != MAGENTA:
        others = [e for e in FIXED_PALETTE if e != MAGENTA]
        q = others[find_colour(others, rgb)]
    return q


def write_bmp(path, picture, bpp):
    """Saves a Picture of 5-6-5 pixels as a bottom-up BITMAPINFOHEADER BMP of 8, 24 or 32
    bits per pixel. Each channel is widened to 8 bits by repeating its top bits, so that the
    8-bit colour keeps the 5-6-5 one as its top bits. At 8 bits the palette holds exactly the
    picture's colours when there are at most 256 of them, else FIXED_PALETTE."""
    colours = [rgb888(p) for p in picture.pixels]
    w, h = picture.width, picture.height
    stride = (w * bpp + 31) // 32 * 4
    palette = b""
    rows = []
    if bpp == 8:
        distinct = sorted(set(colours))
        entries = distinct if len(distinct) <= 256 else FIXED_PALETTE
        index = {e: i for i, e in enumerate(entries)}
        if len(distinct) > 256:
            index = {c: index[quantise(c)] for c in distinct}
        palette = b"".join(bytes((b, g, r, 0)) for r, g, b in entries)
        for y in range(h):
            rows.append(bytes(index[c] for c in colours[y * w:(y + 1) * w]))
        used = len(entries)
    elif bpp in (24, 32):
        pad = b"" if bpp == 24 else b"\x00"
        for y in range(h):
            rows.append(b"".join(bytes((b, g, r)) + pad for r, g, b in colours[y * w:(y + 1) * w]))
        used = 0
    else:
        raise ValueError("%d bits per pixel not supported" % bpp)
    # Unless the pixels of a plain 24- or 32-bit file start right after its header, SDL
    # reads bit masks from there.
    offset = 14 + 40 + len(palette)
    body = b"".join(row.ljust(stride, b"\x00") for row in reversed(rows))
    header = struct.pack("<2sIHHI", b"BM", offset + len(body), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bpp, 0, len(body), 2835, 2835, used, 0)
    with open(path, "wb") as f:
        f.write(header + info + palette + body)


def read_xwd(data):
    """A 16-bit ZPixmap screenshot from xwd as a Picture of 5-6-5 pixels."""
    h = struct.unpack_from(">25I", data, 0)
    (header_size, _version, pixmap_format, depth, width, height, _xoffset, byte_order,
     _bitmap_unit, _bit_order, _bitmap_pad, bits_per_pixel, bytes_per_line, _visual_class,
     red_mask, green_mask, blue_mask, _bits_per_rgb, _cmap_entries, ncolors) = h[:20]
    if pixmap_format != 2 or bits_per_pixel != 16 or depth != 16:
        raise ValueError("screenshot is not a 16-bit ZPixmap (format %d, depth %d, %d bpp)"
                         % (pixmap_format, depth, bits_per_pixel))
    if (red_mask, green_mask, blue_mask) != (0xF800, 0x07E0, 0x001F):
        raise ValueError("screen is not 5-6-5: masks %x %x %x" % (red_mask, green_mask, blue_mask))
    start = header_size + ncolors * 12
    fmt = ("<" if byte_order == 0 else ">") + "%dH" % width
    pixels = []
    for y in range(height):
        pixels.extend(struct.unpack_from(fmt, data, start + y * bytes_per_line))
    return Picture(width, height, pixels)


def rgb565(r, g, b):
    """An 8-bit colour as SDL_MapRGB maps it onto the 5-6-5 screen."""
    return (r >> 3) << 11 | (g >> 2) << 5 | b >> 3


def rgb888(p):
    """A 5-6-5 pixel as the 8-bit colour the screen shows: each channel's top bits repeated."""
    r, g, b = p >> 11, (p >> 5) & 0x3F, p & 0x1F
    return (r << 3 | r >> 2, g << 2 | g >> 4, b << 3 | b >> 2)


def write_png(path, picture, overlay=None):
    """Saves a Picture as an RGB PNG; overlay maps pixel index to an (r, g, b) to paint over."""
    raw = bytearray()
    for y in range(picture.height):
        raw.append(0)
        for x in range(picture.width):
            i = y * picture.width + x
            raw.extend(overlay[i] if overlay and i in overlay else rgb888(picture.pixels[i]))

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    png = (b"\x89PNG\r\n\x1a\n"
           + chunk(b"IHDR", struct.pack(">IIBBBBB", picture.width, picture.height, 8, 2, 0, 0, 0))
           + chunk(b"IDAT", zlib.compress(bytes(raw), 6)) + chunk(b"IEND", b""))
    with open(path, "wb") as f:
        f.write(png)


def read_png(path):
    """An 8-bit RGB or RGBA PNG without filters or interlace (as write_png and the icon
    generator write them) as a Picture of 5-6-5 pixels, after checking the signature, the
    chunks' order and CRCs and the image data's length. The Picture also has colour, the
    PNG's colour type (2 RGB, 6 RGBA), and alpha, each pixel's alpha (255 for RGB)."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("%s: not a PNG file" % path)
    at, header, idat, kinds = 8, None, b"", []
    while at < len(data):
        length, kind = struct.unpack_from(">I4s", data, at)
        body = data[at + 8:at + 8 + length]
        (crc,) = struct.unpack_from(">I", data, at + 8 + length)
        if crc != zlib.crc32(kind + body) & 0xFFFFFFFF:
            raise ValueError("%s: bad CRC in %s" % (path, kind))
        kinds.append(kind)
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    if not kinds or kinds[0] != b"IHDR" or kinds[-1] != b"IEND":
        raise ValueError("%s: chunks %s" % (path, kinds))
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace:
        raise ValueError("%s: only 8-bit RGB or RGBA without interlace is read, not %s"
                         % (path, header))
    channels = 3 if colour == 2 else 4
    raw = zlib.decompress(idat)
    stride = 1 + channels * width
    if len(raw) != stride * height:
        raise ValueError("%s: %d bytes of image data for %s" % (path, len(raw), header))
    pixels, alpha = [], []
    for y in range(height):
        row = raw[y * stride:(y + 1) * stride]
        if row[0] != 0:
            raise ValueError("%s: row %d is filtered" % (path, y))
        for x in range(1, stride, channels):
            pixels.append(rgb565(*row[x:x + 3]))
            alpha.append(row[x + 3] if channels == 4 else 255)
    picture = Picture(width, height, pixels)
    picture.colour, picture.alpha = colour, alpha
    return picture


def scaled(picture, k):
    """picture k times as wide and high, each pixel a k x k square."""
    pixels = []
    for y in range(picture.height):
        row = [p for p in picture.pixels[y * picture.width:(y + 1) * picture.width]
               for _ in range(k)]
        pixels.extend(row * k)
    return Picture(picture.width * k, picture.height * k, pixels)


class Canvas(Picture):
    """The screen as it should be, built the way the game draws it."""

    def __init__(self, width=320, height=240, fill=0):
        super().__init__(width, height, [fill] * (width * height))
        # Rectangles (x, y, w, h) where the screen writes anti-aliased text over this
        # picture: left out of exact comparisons, but something must be drawn in each.
        self.text = []
        # Texts known to be written there: (text, x, y, (r, g, b)), each held to its colour
        # where its letters cover a pixel fully.
        self.words = []
        # The files of the pictures copied onto it.
        self.sources = set()

    def copy(self):
        c = Canvas(self.width, self.height)
        c.pixels = list(self.pixels)
        c.text = list(self.text)
        c.words = list(self.words)
        c.sources = set(self.sources)
        return c

    def with_text(self, *rects):
        self.text.extend(rects)
        return self

    def with_words(self, *words):
        self.words.extend(words)
        return self

    def without_text(self):
        """The same picture, to be matched exactly everywhere (no font: no text at all)."""
        c = self.copy()
        c.text = []
        c.words = []
        return c

    def blit(self, src, dx, dy, w=None, h=None, keyed=True):
        """Copies src's top-left w x h (clipped to src and screen) to (dx, dy), like
        SDL_BlitSurface; with keyed, src's magenta pixels leave the screen as it was."""
        w = src.width if w is None else min(w, src.width)
        h = src.height if h is None else min(h, src.height)
        if getattr(src, "source", None):
            self.sources.add(src.source)
        for y in range(h):
            if not 0 <= dy + y < self.height:
                continue
            for x in range(w):
                if not 0 <= dx + x < self.width:
                    continue
                i = y * src.width + x
                if keyed and src.keyed[i]:
                    continue
                self.pixels[(dy + y) * self.width + dx + x] = src.pixels[i]
        return self


def _rects(ignore):
    """ignore as a list of (x, y, w, h): None, one rectangle, or a sequence of them."""
    if not ignore:
        return []
    if isinstance(ignore[0], int):
        return [tuple(ignore)]
    return [tuple(r) for r in ignore]


def differences(actual, expected, ignore=None):
    """Indices of pixels that differ, leaving out the rectangle(s) ignore = (x, y, w, h)."""
    if (actual.width, actual.height) != (expected.width, expected.height):
        raise AssertionError("screen is %dx%d, expected %dx%d" % (
            actual.width, actual.height, expected.width, expected.height))
    rects = _rects(ignore)
    out = []
    a, e, w = actual.pixels, expected.pixels, actual.width
    for i in range(len(a)):
        if a[i] != e[i]:
            x, y = i % w, i // w
            if any(rx <= x < rx + rw and ry <= y < ry + rh for rx, ry, rw, rh in rects):
                continue
            out.append(i)
    return out


def differs_in(actual, expected, rect):
    """Whether any pixel inside rect = (x, y, w, h) differs: something was drawn there."""
    x0, y0, w, h = rect
    for y in range(max(0, y0), min(actual.height, y0 + h)):
        row = y * actual.width
        for x in range(max(0, x0), min(actual.width, x0 + w)):
            if actual.pixels[row + x] != expected.pixels[row + x]:
                return True
    return False


def paint_bmp_rows(src, dst, first, last, rgb):
    """Copies the BMP src to dst with its rows first..last (from the top) painted one
    opaque colour, so that whether a game draws those rows shows on the screen."""
    with open(src, "rb") as f:
        data = bytearray(f.read())
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _planes, bpp, compression = struct.unpack_from("<iiHHI", data, 18)
    stride = (width * bpp + 31) // 32 * 4
    rows = [offset + (y if height < 0 else abs(height) - 1 - y) * stride
            for y in range(first, last + 1)]
    if bpp == 8:
        # A palette picture: the colour goes into an entry that no pixel uses.
        header = struct.unpack_from("<I", data, 14)[0]
        used = set()
        for y in range(abs(height)):
            start = offset + y * stride
            used.update(data[start:start + width])
        free = [i for i in range(256) if i not in used]
        if not free:
            raise ValueError("%s: every palette entry is in use" % src)
        entry = 14 + header + 4 * free[0]
        data[entry:entry + 4] = bytes((rgb[2], rgb[1], rgb[0], 0))
        for row in rows:
            data[row:row + width] = bytes([free[0]]) * width
        with open(dst, "wb") as f:
            f.write(data)
        return
    if compression == 3:
        masks = struct.unpack_from("<III", data, 14 + 40)
    elif bpp == 16:
        masks = (0x7C00, 0x03E0, 0x001F)
    else:
        masks = (0xFF0000, 0x00FF00, 0x0000FF)
    raw = 0
    for value, mask in zip(rgb, masks):
        shift, bits = _mask_shift_bits(mask)
        raw |= (value >> (8 - bits)) << shift
    step = bpp // 8
    for row in rows:
        for x in range(width):
            data[row + x * step:row + (x + 1) * step] = raw.to_bytes(step, "little")
    with open(dst, "wb") as f:
        f.write(data)
