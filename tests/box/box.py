"""The handheld box: Debian 12's ARM kernel booted under qemu-system (-machine virt, TCG) with a
virtio GPU and keyboard and no X, on the device-side root that scripts/box.sh makes. The host
drives it through QEMU's QMP (screendumps, key presses) and a virtio console port on which the
box's init runs each line sent as a shell command.

    python3 tests/box/box.py shell ARCH [WxH [PACKAGE]]   boots it with a shell on this
        terminal, the screen at WxH (320x240), PACKAGE (a handheld package's folder or
        tarball) on the memory card /card
"""
import json
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))

# How each architecture's box is started: its emulator, machine and processor. The armhf
# kernel (armmp) has no LPAE, so the machine keeps its PCI windows below 4 GiB.
MACHINES = {
    "arm64": ("qemu-system-aarch64", ["-machine", "virt", "-cpu", "cortex-a53"]),
    "armhf": ("qemu-system-arm", ["-machine", "virt,highmem=off", "-cpu", "cortex-a15"]),
}
TRIPLET = {"arm64": "aarch64-linux-gnu", "armhf": "arm-linux-gnueabihf"}
READY = "@@box-ready"
STATUS = "@@box-status "


class BoxError(RuntimeError):
    pass


def box_folder(arch):
    return os.environ.get("BOX_DIR") or os.path.join(ROOT, "build-" + arch, "box")


def cpio_of(folder, out):
    """Appends folder's tree, owned by root, to the open file out as a newc archive."""
    names = subprocess.run(["find", ".", "-mindepth", "1"], cwd=folder, capture_output=True,
                           text=True, check=True).stdout.split("\n")
    listing = "\n".join(sorted(n for n in names if n)) + "\n"
    subprocess.run(["cpio", "--quiet", "-o", "-H", "newc", "-R", "0:0"], cwd=folder,
                   input=listing.encode(), stdout=out, check=True)


def qemu_argv(arch, folder, initrd, size=(320, 240), memory=1024, keyboard=True, shell=False):
    """The command that boots the box of arch (its kernel in folder) on initrd: a virtio GPU
    with the screen at size (None: no GPU), a virtio keyboard, a USB sound card whose sound
    goes nowhere and no network; with shell, the console on this terminal and a shell on it."""
    program, machine = MACHINES[arch]
    append = "console=ttyAMA0 rdinit=/init panic=-1 " + ("box.shell" if shell else
                                                          "quiet loglevel=3")
    argv = [program] + machine + [
        "-smp", "2", "-m", str(memory), "-nic", "none", "-display", "none", "-no-reboot",
        "-kernel", os.path.join(folder, "kernel", "vmlinuz"), "-initrd", initrd,
        "-append", append]
    if size:
        argv += ["-device", "virtio-gpu-pci,id=screen,xres=%d,yres=%d" % tuple(size)]
    if keyboard:
        argv += ["-device", "virtio-keyboard-pci"]
    # The game opens the sound device and plays nothing.
    argv += ["-audiodev", "none,id=sound", "-device", "qemu-xhci",
             "-device", "usb-audio,audiodev=sound"]
    if shell:
        argv += ["-nographic"]
    return argv


def make_initrd(folder, overlay, path):
    """The box's base.cpio with overlay's tree laid over it, into path."""
    with open(path, "wb") as out:
        with open(os.path.join(folder, "base.cpio"), "rb") as base:
            shutil.copyfileobj(base, out, 1 << 20)
        if overlay:
            cpio_of(overlay, out)


class Box:
    """One boot of the box. overlay is a folder laid over the root (the memory card, the
    box's helpers); size the screen's mode (xres, yres of the virtio GPU), None for no GPU."""

    def __init__(self, arch, overlay=None, size=(320, 240), memory=1024, keyboard=True):
        if arch not in MACHINES:
            raise BoxError("no box for %r" % arch)
        self.arch, self.size = arch, size
        self.folder = box_folder(arch)
        for need in ("kernel/vmlinuz", "base.cpio"):
            if not os.path.exists(os.path.join(self.folder, need)):
                raise BoxError("no %s in %s: scripts/box.sh %s makes it"
                               % (need, self.folder, arch))
        self.work = tempfile.mkdtemp(prefix="cb-box-")
        self.console = os.path.join(self.work, "console.log")
        initrd = os.path.join(self.work, "initrd.cpio")
        make_initrd(self.folder, overlay, initrd)
        self.qmp_path = os.path.join(self.work, "qmp.sock")
        self.ctl_path = os.path.join(self.work, "ctl.sock")
        self.argv = qemu_argv(arch, self.folder, initrd, size, memory, keyboard) + [
            "-serial", "file:" + self.console,
            "-qmp", "unix:%s,server=on,wait=off" % self.qmp_path,
            "-device", "virtio-serial-pci",
            "-chardev", "socket,id=ctl,path=%s,server=on,wait=off" % self.ctl_path,
            "-device", "virtserialport,chardev=ctl,name=box"]
        self.qemu = None
        self.boot_seconds = None

    # Starting and stopping.

    def start(self, timeout=180):
        """Boots, and waits for the box's init to answer on the control port; returns the
        seconds it took."""
        started = time.monotonic()
        self.qemu = subprocess.Popen(self.argv, stdin=subprocess.DEVNULL,
                                     stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self.qmp = self._connect(self.qmp_path, started + 30)
        self.qmp_file = self.qmp.makefile("rwb", buffering=0)
        self._qmp_line()  # the greeting
        self.command("qmp_capabilities")
        self.ctl = self._connect(self.ctl_path, started + 30)
        self.ctl_buffer = b""
        line = self._ctl_line(started + timeout)
        if not line.startswith(READY):
            raise BoxError("the box did not start: %r%s" % (line, self.console_tail()))
        self.boot_seconds = time.monotonic() - started
        return self.boot_seconds

    def _connect(self, path, deadline):
        while True:
            if self.qemu.poll() is not None:
                raise BoxError("qemu ended with status %s: %s" % (
                    self.qemu.returncode, self.qemu.stdout.read().decode(errors="replace")))
            try:
                s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
                s.connect(path)
                return s
            except OSError:
                s.close()
                if time.monotonic() > deadline:
                    raise BoxError("qemu opened no socket %s" % path)
                time.sleep(0.05)

    def stop(self):
        if self.qemu and self.qemu.poll() is None:
            try:
                self.command("quit")
            except (OSError, BoxError):
                pass
            try:
                self.qemu.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.qemu.kill()
                self.qemu.wait()
        if self.qemu and self.qemu.stdout:
            self.qemu.stdout.close()
        for s in ("qmp", "ctl"):
            if hasattr(self, s):
                getattr(self, s).close()
        shutil.rmtree(self.work, ignore_errors=True)

    def console_tail(self, lines=30):
        try:
            with open(self.console, errors="replace") as f:
                tail = f.read().splitlines()[-lines:]
        except OSError:
            return ""
        return "\nthe box's console ends:\n  " + "\n  ".join(tail)

    # QMP.

    def _qmp_line(self):
        line = self.qmp_file.readline()
        if not line:
            raise BoxError("qemu closed its QMP socket" + self.console_tail())
        return json.loads(line)

    def command(self, name, **arguments):
        message = {"execute": name}
        if arguments:
            message["arguments"] = arguments
        self.qmp_file.write(json.dumps(message).encode() + b"\n")
        while True:
            reply = self._qmp_line()
            if "return" in reply:
                return reply["return"]
            if "error" in reply:
                raise BoxError("QMP %s: %s" % (name, reply["error"].get("desc")))
            # An event ({"event": ...}): not an answer.

    def screendump(self):
        """The GPU's scanout now: (width, height, RGB bytes)."""
        path = os.path.join(self.work, "screen.ppm")
        self.command("screendump", filename=path)
        with open(path, "rb") as f:
            data = f.read()
        os.remove(path)
        # P6, width, height, maxval, each ended by one blank, then the pixels.
        fields, at = [], 0
        while len(fields) < 4:
            while data[at:at + 1].isspace():
                at += 1
            end = at
            while not data[end:end + 1].isspace():
                end += 1
            fields.append(data[at:end])
            at = end
        at += 1
        if fields[0] != b"P6" or fields[3] != b"255":
            raise BoxError("screendump is no 8-bit PPM: %r" % fields)
        width, height = int(fields[1]), int(fields[2])
        return width, height, data[at:at + width * height * 3]

    def key(self, qcode, hold=0.04):
        """Presses and releases a key of the virtio keyboard (a QEMU key code: "spc", "b",
        "up", "esc")."""
        for down in (True, False):
            self.command("input-send-event", device="screen", events=[
                {"type": "key", "data": {"down": down, "key": {"type": "qcode", "data": qcode}}}])
            if down:
                time.sleep(hold)

    # The control port.

    def _ctl_line(self, deadline):
        while b"\n" not in self.ctl_buffer:
            left = deadline - time.monotonic()
            if left <= 0:
                raise BoxError("the box did not answer in time" + self.console_tail())
            if self.qemu.poll() is not None:
                raise BoxError("qemu ended with status %s%s" % (self.qemu.returncode,
                                                               self.console_tail()))
            self.ctl.settimeout(min(left, 1.0))
            try:
                chunk = self.ctl.recv(65536)
            except socket.timeout:
                continue
            if not chunk:
                raise BoxError("the box closed its control port" + self.console_tail())
            self.ctl_buffer += chunk
        line, _, self.ctl_buffer = self.ctl_buffer.partition(b"\n")
        return line.decode(errors="replace")

    def run(self, command, timeout=60):
        """Runs command with the box's shell; returns (status, what it printed)."""
        if "\n" in command:
            raise ValueError("one line a command")
        self.ctl.sendall(command.encode() + b"\n")
        deadline = time.monotonic() + timeout
        out = []
        while True:
            line = self._ctl_line(deadline)
            if line.startswith(STATUS):
                return int(line[len(STATUS):]), "\n".join(out)
            out.append(line)

    def check(self, command, timeout=60):
        """Runs command, which must end with status 0; returns what it printed."""
        status, out = self.run(command, timeout)
        if status != 0:
            raise BoxError("in the box, %r ended with status %d:\n%s" % (command, status, out))
        return out


def shell(arch, size, package=None):
    """Boots the box with a shell on this terminal's console; package, a handheld package's
    folder or tarball, is laid on the memory card /card."""
    folder = box_folder(arch)
    work = tempfile.mkdtemp(prefix="cb-box-shell-")
    try:
        overlay = None
        if package:
            overlay = os.path.join(work, "overlay")
            card = os.path.join(overlay, "card")
            os.makedirs(card)
            if os.path.isdir(package):
                shutil.copytree(package, os.path.join(card, os.path.basename(
                    os.path.normpath(package))), symlinks=True)
            else:
                subprocess.run(["tar", "-xzf", package, "-C", card], check=True)
        initrd = os.path.join(work, "initrd.cpio")
        make_initrd(folder, overlay, initrd)
        w, h = (int(v) for v in size.split("x"))
        print("Ctrl-A X leaves qemu.", file=sys.stderr)
        return subprocess.call(qemu_argv(arch, folder, initrd, (w, h), shell=True))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    if len(sys.argv) in (3, 4, 5) and sys.argv[1] == "shell" and sys.argv[2] in MACHINES:
        sys.exit(shell(sys.argv[2], sys.argv[3] if len(sys.argv) > 3 else "320x240",
                       sys.argv[4] if len(sys.argv) > 4 else None))
    print(__doc__, file=sys.stderr)
    sys.exit(2)
