# The sandbox every game run goes through: its fake menu, and that it never runs outside.
import os
import shutil
import stat
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from harness import FAKE_MENU, MENU_DIR, MENU_PROGRAM, Sandbox, menu_record, stop


def real_menu_state():
    """What the machine's own /usr/gp2x holds, seen from outside any sandbox."""
    try:
        return sorted(os.listdir("/usr/gp2x"))
    except FileNotFoundError:
        return None


def unexecutable_copy(folder):
    """A copy of the fake menu program in folder that nobody may execute."""
    path = os.path.join(folder, "menu")
    shutil.copy(FAKE_MENU, path)
    os.chmod(path, 0o644)
    return path


class SandboxTest(unittest.TestCase):

    def run_in(self, box, argv, env=None):
        proc = box.popen(argv, env=env)
        try:
            out, err = proc.communicate(timeout=20)
        finally:
            stop(proc)
        return proc, out, err

    # Each starts the menu program in cwd as argv0 with args, and the record must name the
    # folder recorded. Relative folders lie in the scratch directory, where "link" links to
    # "real". (name, cwd, folder recorded, argv0, args)
    STARTS = [
        ("as the game starts it", MENU_DIR, MENU_DIR, MENU_PROGRAM, ()),
        # A script would record its own path whatever argv[0] its caller gave.
        ("under another name", "/tmp", "/tmp", "menu", ("two words", "", "last")),
        ("from a link", "link", "real", "gp2xmenu", ("x",)),
    ]
    # Prints its process id, then becomes argv[2] in the folder argv[1] with the rest as argv.
    START = ("import os, sys; print(os.getpid(), flush=True); os.chdir(sys.argv[1]); "
             "os.execv(sys.argv[2], sys.argv[3:])")

    def test_fake_menu_records_its_start_and_stays_inside(self):
        before = real_menu_state()
        for name, cwd, recorded, argv0, args in self.STARTS:
            with self.subTest(name):
                box = Sandbox(self)
                os.makedirs(os.path.join(box.dir, "real"))
                os.symlink("real", os.path.join(box.dir, "link"))
                proc, out, err = self.run_in(box, [sys.executable, "-c", self.START,
                                                   os.path.join(box.dir, cwd), MENU_PROGRAM,
                                                   argv0] + list(args))
                self.assertEqual((proc.returncode, err), (0, b""))
                # Every step execs, so the command has the id the caller started.
                self.assertEqual(out, b"%d\n" % proc.pid)
                folder = os.path.join(os.path.realpath(box.dir), recorded)
                self.assertEqual(box.read_record(), menu_record(folder, argv0, *args))
        self.assertEqual(real_menu_state(), before)

    def test_fake_menu_appends_and_fails_without_a_record_file(self):
        box = Sandbox(self)
        menu = ["sh", "-c", "cd / && %s one && %s two" % (MENU_PROGRAM, MENU_PROGRAM)]
        proc, out, err = self.run_in(box, menu)
        self.assertEqual((proc.returncode, out, err), (0, b"", b""))
        self.assertEqual(box.read_record(), menu_record("/", MENU_PROGRAM, "one")
                         + menu_record("/", MENU_PROGRAM, "two"))
        env = box.env()
        del env["GP2X_RECORD"]
        proc, out, err = self.run_in(box, menu, env=env)
        self.assertEqual(proc.returncode, 1)
        self.assertIn(b"GP2X_RECORD", err)

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

    # What FAKE_MENU_BIN names, made in the scratch folder given (None leaves it unset), and
    # what else the environment holds.
    BAD_MENUS = [
        ("unset", lambda folder: None, {}),
        # Every caller names it, so that none can start a menu it forgot to pass.
        ("unset with no menu asked for", lambda folder: None, {"GP2X_MENU": "absent"}),
        ("empty", lambda folder: "", {}),
        ("no such file", lambda folder: os.path.join(folder, "none"), {}),
        ("not executable", unexecutable_copy, {}),
        ("a folder", lambda folder: folder, {}),
    ]

    def test_never_runs_without_the_fake_menu_program(self):
        for name, make, extra in self.BAD_MENUS:
            with self.subTest(name):
                box = Sandbox(self)
                env = box.env(**extra)
                menu = make(box.dir)
                if menu is None:
                    del env["FAKE_MENU_BIN"]
                else:
                    env["FAKE_MENU_BIN"] = menu
                ran = os.path.join(box.dir, "command-ran")
                proc, out, err = self.run_in(box, ["touch", ran], env=env)
                self.assertEqual(proc.returncode, 125)
                self.assertIn(b"sandbox.sh: ", err)
                self.assertIn(b"fake menu program", err)
                self.assertFalse(os.path.exists(ran), "the command ran without a menu program")

if __name__ == "__main__":
    unittest.main()
