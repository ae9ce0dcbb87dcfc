# The handheld launcher's button map: made from the pad's entry of SDL's controller
# configuration, as a handheld's system exports it, unless a map is given.
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from harness import ROOT  # noqa: E402

LAUNCHER = os.path.join(ROOT, "handheld", "codebreaker.sh")

# Input devices as the kernel lists them: a keyboard, and a pad with a joystick handler.
DEVICES = """I: Bus=0006 Vendor=0627 Product=0001 Version=0001
N: Name="QEMU Virtio Keyboard"
H: Handlers=sysrq kbd leds event0

I: Bus=0003 Vendor=1209 Product=0001 Version=0001
N: Name="Handheld Gamepad"
H: Handlers=event1 js0
"""

# Entries in SDL's notation. The typical handheld's: A right of B, its B the first button.
TYPICAL = ("19000000010000000100000000010000,Handheld Gamepad,b:b0,a:b1,x:b2,y:b3,"
           "leftshoulder:b4,rightshoulder:b5,back:b8,start:b9,dpup:b13,dpdown:b14,dpleft:b15,"
           "dpright:b16,leftx:a0,lefty:a1,lefttrigger:b6,platform:Linux,")
TYPICAL_MAP = "b:b0,a:b1,x:b2,y:b3,l:b4,r:b5,select:b8,start:b9,up:b13,down:b14,left:b15,right:b16"
# A pad with A and B swapped in position (A below B) whose D-pad is a hat.
BELOW = ("03000000aaaa0000bbbb000000000000,Other Pad,a:b0,b:b1,y:b2,x:b3,leftshoulder:b4,"
         "rightshoulder:b5,back:b6,start:b7,dpup:h0.1,dpright:h0.2,dpdown:h0.4,dpleft:h0.8,"
         "righttrigger:a5,")
BELOW_MAP = "a:b0,b:b1,y:b2,x:b3,l:b4,r:b5,select:b6,start:b7,up:h0.1,right:h0.2,down:h0.4,left:h0.8"
ANOTHER = "03000000cccc0000dddd000000000000,Some Keyboard Pad,a:b5,b:b6,"


class PadMapTest(unittest.TestCase):
    """The launcher started as a menu starts it, its game a stand-in that prints the map it
    was given."""

    # (name, environment besides the devices, devices listing or None for none, the map the
    # game is given or None for no map at all)
    CASES = [
        ("the pad's entry among others", {"SDL_GAMECONTROLLERCONFIG": "\n".join(
            [ANOTHER, TYPICAL, BELOW])}, DEVICES, TYPICAL_MAP),
        ("A below B, the D-pad a hat", {"SDL_GAMECONTROLLERCONFIG": BELOW}, None, BELOW_MAP),
        ("the one entry given, whatever its name", {"SDL_GAMECONTROLLERCONFIG": BELOW},
         DEVICES, BELOW_MAP),
        ("from the system's file", {"SDL_GAMECONTROLLERCONFIG_FILE": "FILE"}, DEVICES,
         TYPICAL_MAP),
        ("entries, none the pad's", {"SDL_GAMECONTROLLERCONFIG": ANOTHER + "\n" + BELOW},
         DEVICES, None),
        ("an entry of nothing the game uses",
         {"SDL_GAMECONTROLLERCONFIG": "0300,Sticks Only,leftx:a0,lefty:a1,"}, None, None),
        ("no description of the pad", {}, DEVICES, None),
        ("a map given wins", {"SDL_GAMECONTROLLERCONFIG": TYPICAL, "CODEBREAKER_BUTTONS": "none"},
         DEVICES, "none"),
        ("an empty map given wins", {"SDL_GAMECONTROLLERCONFIG": TYPICAL,
                                     "CODEBREAKER_BUTTONS": ""}, DEVICES, ""),
    ]

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="cb-launcher-")
        self.addCleanup(shutil.rmtree, self.dir, True)
        self.folder = os.path.join(self.dir, "codebreaker-test")
        os.makedirs(self.folder)
        shutil.copy(LAUNCHER, self.folder)
        game = os.path.join(self.folder, "codebreaker.gpe")
        with open(game, "w") as f:
            f.write('#!/bin/sh\nprintf "%s" "${CODEBREAKER_BUTTONS-(no map)}"\n')
        os.chmod(game, 0o755)
        self.db = os.path.join(self.dir, "gamecontrollerdb.txt")
        with open(self.db, "w") as f:
            f.write("# Game controller entries\n%s\n%s\n" % (ANOTHER, TYPICAL))

    def map_given(self, env, devices):
        listing = os.path.join(self.dir, "devices")
        with open(listing, "w") as f:
            f.write(devices or "")
        full = {k: v for k, v in os.environ.items()
                if not k.startswith(("SDL_GAMECONTROLLER", "CODEBREAKER_"))}
        full["CODEBREAKER_INPUT_DEVICES"] = listing
        full.update({k: self.db if v == "FILE" else v for k, v in env.items()})
        done = subprocess.run(["sh", os.path.join(self.folder, "codebreaker.sh")], env=full,
                              cwd=self.dir, capture_output=True, text=True, timeout=30)
        self.assertEqual((done.returncode, done.stderr), (0, ""))
        return done.stdout

    def test_the_map_is_the_pads_entry_by_its_letters(self):
        for name, env, devices, expected in self.CASES:
            with self.subTest(name):
                self.assertEqual(self.map_given(env, devices),
                                 "(no map)" if expected is None else expected)


if __name__ == "__main__":
    unittest.main()
