"""Reads tests/support/layout.h, the table of what the screens show and where, for the end-to-end tests,
so that the in-process and the end-to-end tests hold the game to the same figures.

Every `inline` constant of the header becomes an attribute of this module: ints, texts,
colours (as (r, g, b)), `&bmp::name` (as "name"), key constants (KEY_X as "x", the name
xdotool presses; BTN_X as its name) and braced rows (as tuples), arrays of any of them (as
lists). Functions and structs are skipped. A form the reader does not know raises an error at import, so that a
table the tests stop reading fails them instead of going unread."""
import ast
import os
import re

HEADER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "layout.h")

_TOKEN = re.compile(r'(?P<str>"(?:[^"\\]|\\.)*")|(?P<num>-?\d+)|(?P<id>&?[A-Za-z_][\w:]*)'
                    r'|(?P<punct>[{}\[\](),;=*&!?:<>+\-./%|])')


def _strip_comments(text):
    out, i = [], 0
    while i < len(text):
        if text[i] == '"':
            j = i + 1
            while text[j] != '"':
                j += 2 if text[j] == "\\" else 1
            out.append(text[i:j + 1])
            i = j + 1
        elif text.startswith("//", i):
            i = text.find("\n", i)
            i = len(text) if i < 0 else i
        else:
            out.append(text[i])
            i += 1
    return "".join(out)


def _tokens(text):
    pos, out = 0, []
    while pos < len(text):
        if text[pos].isspace():
            pos += 1
            continue
        if text[pos] == "#":  # a preprocessor line
            pos = text.find("\n", pos)
            pos = len(text) if pos < 0 else pos
            continue
        m = _TOKEN.match(text, pos)
        if not m:
            raise ValueError("layout.h: cannot read %r" % text[pos:pos + 40])
        kind = m.lastgroup
        out.append((kind, m.group(kind)))
        pos = m.end()
    return out


def _statements(tokens):
    """Top-level statements as token lists: up to a ';' outside braces, or up to the '}' that
    closes a function's body."""
    stmt, depth = [], 0
    for i, tok in enumerate(tokens):
        stmt.append(tok)
        if tok[1] in "{(":
            depth += 1
        elif tok[1] in "})":
            depth -= 1
            after = tokens[i + 1][1] if i + 1 < len(tokens) else ";"
            if tok[1] == "}" and depth == 0 and after not in (";", ","):
                yield stmt
                stmt = []
        elif tok[1] == ";" and depth == 0:
            yield stmt
            stmt = []


def _value(tokens, i, names):
    """The value starting at tokens[i], and the index after it."""
    kind, text = tokens[i]
    if text == "{":
        items, i = [], i + 1
        while tokens[i][1] != "}":
            item, i = _value(tokens, i, names)
            items.append(item)
            if tokens[i][1] == ",":
                i += 1
            elif tokens[i][1] != "}":
                raise ValueError("layout.h: cannot read %r after %r" % (tokens[i][1], item))
        return items, i + 1
    if kind == "str":
        return ast.literal_eval(text), i + 1
    if kind == "num":
        return int(text), i + 1
    if kind == "id":
        if text.startswith("&bmp::"):
            return text[len("&bmp::"):], i + 1
        if re.fullmatch(r"KEY_[A-Z]", text):
            return text[-1].lower(), i + 1
        if text.startswith("BTN_"):  # the handheld's buttons: no X server presses them
            return text, i + 1
        if text in names:
            return names[text], i + 1
    raise ValueError("layout.h: cannot read the value %r" % text)


def parse(text):
    """The constants of a header's text, by name."""
    tokens = _tokens(_strip_comments(text))
    names = {}
    for stmt in _statements(tokens):
        if stmt[0][1] != "inline":
            continue
        # The declarators follow the type: the first name followed by = [ { or , ;
        i = 1
        while not (stmt[i][0] == "id" and stmt[i + 1][1] in ("=", "[", "{", ",", ";", "(")
                   and stmt[i][1] not in ("constexpr", "const")):
            i += 1
        if stmt[i + 1][1] == "(":
            continue  # a function
        while i < len(stmt) and stmt[i][1] != ";":
            name, is_array = stmt[i][1], stmt[i + 1][1] == "["
            i += 1
            if is_array:
                while stmt[i][1] != "]":
                    i += 1
                i += 1
            if stmt[i][1] == "=":
                i += 1
            value, i = _value(stmt, i, names)
            # An array is a list of its items, each braced row a tuple; a braced value that is
            # no array (a colour, a row) is a tuple.
            if is_array:
                value = [tuple(v) if isinstance(v, list) else v for v in value]
            elif isinstance(value, list):
                value = tuple(value)
            names[name] = value
            if stmt[i][1] == ",":
                i += 1
            elif stmt[i][1] != ";":
                raise ValueError("layout.h: cannot read %r after %s" % (stmt[i][1], name))
    return names


with open(HEADER, encoding="utf-8") as _header:
    globals().update(parse(_header.read()))
