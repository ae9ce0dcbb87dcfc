"""The reader of the screens' table (tests/support/layout.py): every form the header uses comes
out as the C++ means it, and a form it does not know stops it instead of being read wrongly."""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import layout  # noqa: E402

WELL_FORMED = r'''
// A comment with "quotes", braces { and a ; in it.
#pragma once
#include "platform/platform.h"
struct Rgb {
    int r, g, b;
};
inline constexpr Rgb WHITE{255, 255, 255}, ORANGE{255, 160, 50};
inline constexpr int a = 1, b = -2;
inline constexpr int list[ROWS] = {18, 46,
                                   72};
inline constexpr const char* words[3] = {"Quick Game", "Page 'x();' \"y\"", "Größe"};
inline constexpr const char* line = "Press B // not a comment";
inline constexpr Label label = {"Opponent", 12, 100, WHITE};
inline constexpr Label labels[] = {
    {"Name: ", 25, 150, ORANGE},
    {"IQ: ", 25, 162, ORANGE},
};
inline SDL_Surface** const pictures[2] = {&bmp::ball_red, &bmp::zebrolt_mm};
inline const Row rows[1] = {{&bmp::borin_quastle, 18, 32, 42}};
inline constexpr int keys[2] = {KEY_X, KEY_L}, buttons[1] = {BTN_START};
inline const char* pick(bool win) {
    return win ? line : words[0];
}
inline constexpr int after_function = 7;
'''


class LayoutTableTest(unittest.TestCase):
    def test_every_form_reads_as_the_compiler_sees_it(self):
        got = layout.parse(WELL_FORMED)
        self.assertEqual(got, {
            "WHITE": (255, 255, 255),
            "ORANGE": (255, 160, 50),
            "a": 1,
            "b": -2,
            "list": [18, 46, 72],
            "words": ["Quick Game", "Page 'x();' \"y\"", "Größe"],
            "line": "Press B // not a comment",
            "label": ("Opponent", 12, 100, (255, 255, 255)),
            "labels": [("Name: ", 25, 150, (255, 160, 50)), ("IQ: ", 25, 162, (255, 160, 50))],
            "pictures": ["ball_red", "zebrolt_mm"],
            "rows": [("borin_quastle", 18, 32, 42)],
            "keys": ["x", "l"],
            "buttons": ["BTN_START"],
            "after_function": 7,
        })

    def test_forms_it_does_not_know_stop_it(self):
        cases = [
            ("a hexadecimal number", "inline constexpr int a = 0x10;"),
            ("an expression", "inline constexpr int a = 150 + 12;"),
            ("an expression in a list", "inline constexpr int a[2] = {150, 150 + 12};"),
            ("a name it does not know", "inline constexpr int a = SOMETHING;"),
            ("items without a comma", "inline constexpr int a[2] = {1 2};"),
            ("a character", "inline constexpr char a = 'x';"),
        ]
        for name, text in cases:
            with self.subTest(name):
                with self.assertRaises(ValueError):
                    layout.parse(text)


if __name__ == "__main__":
    unittest.main()
