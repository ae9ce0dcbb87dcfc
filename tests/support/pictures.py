"""Reads the game's one list of its pictures, src/platform/pictures.h, for the tests: each
picture's file in data/, the bitmap global it loads into, whether it is keyed (its magenta
see-through) and its width and height, in the list's order, which is the game's load order.

The reader knows only the forms the header keeps to: comment and blank lines, `#pragma once`,
`#define GAME_PICTURES(PICTURE) \\` and one `PICTURE("file.bmp", global, true|false, width,
height)` line per picture, each but the last ending in a backslash. Any other line raises an
error at import, so that a picture listed in another form fails the tests instead of going
unread. tools/art_files.cmake reads the list for CMake by the same rules."""
import collections
import os
import re

HEADER = os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(
    os.path.abspath(__file__)))), "src", "platform", "pictures.h")

Entry = collections.namedtuple("Entry", "file name keyed width height")
Entry.__doc__ = "One picture: its file, its global's name, keyed or not, its size."
Entry.stem = property(lambda e: e.file[:-len(".bmp")], doc="The file's name without .bmp.")

_WS = r"[ \t]*"
_PICTURE = re.compile(
    r'[ \t]+PICTURE\("([a-z0-9_]+\.bmp)",{0}([a-z_][a-z0-9_]*),{0}(true|false),{0}([1-9][0-9]*),'
    r'{0}([1-9][0-9]*)\){0}(\\)?'.format(_WS))
_DEFINE = re.compile(r"#define GAME_PICTURES\(PICTURE\){0}\\".format(_WS))


def parse(text, where=HEADER):
    """The pictures of a header's text, as a list of Entry in its order."""
    entries, state = [], "before"  # before the macro, inside it, after it
    for n, line in enumerate(text.split("\n"), 1):
        if state == "inside":
            m = _PICTURE.fullmatch(line)
            if not m:
                raise ValueError('%s:%d: not a PICTURE("file.bmp", global, true|false, width, '
                                 "height) line, which is all GAME_PICTURES may hold: %r"
                                 % (where, n, line))
            entry = Entry(m[1], m[2], m[3] == "true", int(m[4]), int(m[5]))
            for field, what in (("file", "%s"), ("name", "the global %s")):
                if any(getattr(e, field) == getattr(entry, field) for e in entries):
                    raise ValueError("%s:%d: %s is listed twice" % (
                        where, n, what % getattr(entry, field)))
            entries.append(entry)
            if not m[6]:
                state = "after"  # the macro's last line
        elif re.fullmatch(r"[ \t]*(//.*)?", line) or line == "#pragma once":
            pass  # nothing listed here
        elif state == "before" and _DEFINE.fullmatch(line):
            state = "inside"
        else:
            raise ValueError("%s:%d: cannot read this line of the pictures' list: %r"
                             % (where, n, line))
    if state != "after":
        raise ValueError("%s: no complete #define GAME_PICTURES(PICTURE) list in it" % where)
    return entries


with open(HEADER, encoding="utf-8") as _header:
    ALL = tuple(parse(_header.read()))

# The files in data/, in the list's order.
FILES = tuple(e.file for e in ALL)
_BY_NAME = {e.name: e for e in ALL}
for _e in ALL:
    if _BY_NAME.setdefault(_e.stem, _e) is not _e:
        raise ValueError("%s: %s is also the global of %s: find() could not tell them apart"
                         % (HEADER, _e.stem, _BY_NAME[_e.stem].file))


def find(name):
    """The picture of that global's name (as tests/support/layout.h gives it, "falce") or of
    that file's name without .bmp ("false"); KeyError for a name the list does not hold."""
    try:
        return _BY_NAME[name]
    except KeyError:
        raise KeyError("%r is no picture of %s: neither a global's name nor a file's"
                       % (name, HEADER)) from None
