# The sandbox every game run goes through: its fake menu, and that it never runs outside.
import os
import stat
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import MENU_PROGRAM, Sandbox, menu_record, stop


def real_menu_state():
    """What the machine's own /usr/gp2x holds, seen from outside any sandbox."""
    try:
        return sorted(os.listdir("/usr/gp2x"))
    except FileNotFoundError:
        return None


class SandboxTest(unittest.TestCase):

    def run_in(self, box, argv, env=None):
        proc = box.popen(argv, env=env)
        try:
            out, err = proc.communicate(timeout=20)
        finally:
            stop(proc)
        return proc, out, err

    def test_fake_menu_records_its_start_and_stays_inside(self):
        before = real_menu_state()
        box = Sandbox(self)
        proc, out, err = self.run_in(box, [
            "sh", "-c", 'echo $$; cd /tmp && exec %s "two words" last' % MENU_PROGRAM])
        self.assertEqual((proc.returncode, err), (0, b""))
        # Every step execs, so the command has the id the caller started.
        self.assertEqual(out, b"%d\n" % proc.pid)
        self.assertEqual(box.read_record(), menu_record("/tmp", MENU_PROGRAM, "two words", "last"))
        self.assertEqual(real_menu_state(), before)

    def test_no_menu_when_asked_for_none(self):
        box = Sandbox(self)
        proc, out, err = self.run_in(box, ["sh", "-c", "ls -d /usr/gp2x || echo none"],
                                     env=box.env(GP2X_MENU="absent"))
        self.assertEqual(proc.returncode, 0)
        self.assertEqual(out, b"none\n")

    # Stand-ins for the tools the sandbox needs, each failing in its own way:
    # (name, tool, script body, words its message must hold)
    BROKEN = [
        ("unshare refused", "unshare",
         'echo "unshare: unshare failed: Operation not permitted" >&2; exit 1', b"unshare"),
        ("mount refused", "mount", "exit 32", b"cannot mount an overlay"),
        # Claims success but mounts an empty directory instead of the overlay: the
        # command must not run, and nothing may be written to a /usr that is not the overlay.
        ("mount without overlay", "mount",
         'exec /usr/bin/mount --bind "$EMPTY_DIR" /usr', b"not the overlay"),
    ]

    def test_fails_loudly_and_never_runs_outside(self):
        for name, tool, body, words in self.BROKEN:
            with self.subTest(name):
                box = Sandbox(self)
                stubs = os.path.join(box.dir, "stubs")
                empty = os.path.join(box.dir, "empty")
                os.makedirs(stubs)
                os.makedirs(empty)
                path = os.path.join(stubs, tool)
                with open(path, "w") as f:
                    f.write("#!/bin/sh\n" + body + "\n")
                os.chmod(path, stat.S_IRWXU)
                ran = os.path.join(box.dir, "command-ran")
                env = box.env(PATH=stubs + ":" + os.environ["PATH"], EMPTY_DIR=empty)
                proc, out, err = self.run_in(box, ["touch", ran], env=env)
                self.assertNotEqual(proc.returncode, 0)
                self.assertIn(words, err)
                self.assertFalse(os.path.exists(ran), "the command ran outside the sandbox")
                self.assertEqual(os.listdir(empty), [])


if __name__ == "__main__":
    unittest.main()
