# How a colour looks to other eyes: greyscale and simulated protanopia, deuteranopia, tritanopia.

# Machado, Oliveira & Fernandes, "A Physiologically-based Model for Simulation of Color Vision
# Deficiency", IEEE TVCG 15(6), 2009: the matrices at severity 1.0 from the paper's table,
# applied to linear RGB.
DICHROMAT_MATRICES = {
    "protanopia": ((0.152286, 1.052583, -0.204868),
                   (0.114503, 0.786281, 0.099216),
                   (-0.003882, -0.048116, 1.051998)),
    "deuteranopia": ((0.367322, 0.860646, -0.227968),
                     (0.280085, 0.672501, 0.047413),
                     (-0.011820, 0.042940, 0.968881)),
    "tritanopia": ((1.255528, -0.076749, -0.178779),
                   (-0.078411, 0.930809, 0.147602),
                   (0.004733, 0.691367, 0.303900)),
}

# Relative luminance from linear sRGB (ITU-R BT.709 primaries).
LUMINANCE = (0.2126, 0.7152, 0.0722)

VIEWS = ("normal", "greyscale", "protanopia", "deuteranopia", "tritanopia")


def to_linear(v):
    """An sRGB channel 0..255 as linear light 0..1."""
    c = v / 255.0
    return c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4


def to_srgb(c):
    """Linear light, clamped to 0..1, as an sRGB channel rounded to 0..255."""
    c = min(1.0, max(0.0, c))
    v = c * 12.92 if c <= 0.0031308 else 1.055 * c ** (1 / 2.4) - 0.055
    return round(v * 255)


def seen(rgb, view):
    """The 8-bit colour rgb as it looks in view, one of VIEWS."""
    if view == "normal":
        return tuple(rgb)
    lin = [to_linear(v) for v in rgb]
    if view == "greyscale":
        y = to_srgb(sum(k * c for k, c in zip(LUMINANCE, lin)))
        return (y, y, y)
    matrix = DICHROMAT_MATRICES[view]
    return tuple(to_srgb(sum(k * c for k, c in zip(row, lin))) for row in matrix)
