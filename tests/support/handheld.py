"""What the handheld packages' tests share: ELF files read with the machine's readelf (it reads
any architecture's), libraries looked up in a root as the target's loader would, and the
loader's trace of a run."""
import os
import re
import subprocess
import tarfile

# The C library's own files, and GCC's run-time support that it loads itself: a handheld
# always has them, of its own build.
C_LIBRARY = {"libc.so.6", "libm.so.6", "libpthread.so.0", "libdl.so.2", "librt.so.1",
             "ld-linux-armhf.so.3", "ld-linux-aarch64.so.1", "libgcc_s.so.1"}
# All a handheld with SDL2 is sure to give the bundled package: however its SDL2 was built
# (ALSA alone, no PulseAudio, X11 or Wayland), it has these.
HANDHELD = C_LIBRARY | {"libSDL2-2.0.so.0"}
TRIPLET = {"armhf": "arm-linux-gnueabihf", "arm64": "aarch64-linux-gnu"}


def unpack_package(tarball, into):
    """Unpacks a handheld package's tarball into the folder into, as a player would onto a
    memory card (where Python has them, its filters refuse anything but plain files and
    folders inside it); returns the package's folder name."""
    with tarfile.open(tarball, "r:gz") as tar:
        safe = {"filter": "data"} if hasattr(tarfile, "data_filter") else {}
        tar.extractall(into, **safe)
    (top,) = os.listdir(into)
    return top


def readelf(*args):
    return subprocess.run(["readelf"] + list(args), capture_output=True, text=True,
                          check=True).stdout


def needed(path):
    """The sonames the ELF file at path needs, in order."""
    return re.findall(r"\(NEEDED\)\s+Shared library: \[(.*)\]", readelf("-d", path))


def search_paths(path):
    """(RPATH entries, RUNPATH entries) of the ELF file at path."""
    dynamic = readelf("-d", path)

    def entries(tag):
        found = re.search(r"\(%s\)\s+Library \w+: \[(.*)\]" % tag, dynamic)
        return found.group(1).split(":") if found else []
    return entries("RPATH"), entries("RUNPATH")


def unresolved(program):
    """{soname: [files that need it]} of every NEEDED entry of the program or of the ELF
    files in lib/ beside it that the loader would find neither among the handheld's own
    libraries (HANDHELD) nor in the program's folder, on a handheld that has nothing else.

    Each file's libraries are looked for as the loader looks: in its RUNPATH alone where it
    has one, else in its RPATH and then the program's; $ORIGIN is the file's own folder. A
    soname the loader happens to have loaded already for another file does not count: each
    file must be able to find its libraries by itself."""
    folder = os.path.dirname(os.path.abspath(program))
    lib = os.path.join(folder, "lib")

    def expanded(entries, path):
        return [os.path.normpath(e.replace("$ORIGIN", os.path.dirname(path))
                                 .replace("${ORIGIN}", os.path.dirname(path)))
                for e in entries]

    program_rpath = expanded(search_paths(program)[0], program)
    files = [program] + sorted(os.path.join(lib, n) for n in os.listdir(lib))
    missing = {}
    for path in files:
        rpath, runpath = search_paths(path)
        if runpath:
            dirs = expanded(runpath, path)
        else:
            dirs = expanded(rpath, path) + ([] if path == program else program_rpath)
        for soname in needed(path):
            found = any(os.path.commonpath([d, folder]) == folder
                        and os.path.isfile(os.path.join(d, soname)) for d in dirs)
            if not (found or soname in HANDHELD):
                missing.setdefault(soname, []).append(os.path.relpath(path, folder))
    return missing


def glibc_floor(paths):
    """The highest GLIBC_ version that any of the ELF files needs, as a tuple of numbers."""
    versions = set()
    for path in paths:
        versions.update(re.findall(r"Name: GLIBC_([0-9.]+)", readelf("-V", "--wide", path)))
    return max(tuple(int(n) for n in v.split(".")) for v in versions)


def root_library(root, arch, soname):
    """The file of soname in root (a target's root: a sysroot, or a handheld's) where the
    target's loader would look, sdl12-compat's folder first; None when it has none."""
    t = TRIPLET[arch]
    for folder in ("usr/lib/%s/sdl12-compat" % t, "lib/%s" % t, "usr/lib/%s" % t,
                   "usr/lib/%s/pulseaudio" % t, "lib", "usr/lib"):
        path = os.path.join(root, folder, soname)
        if os.path.exists(path):
            return path
    return None


def package_of(root, path):
    """The Debian package that put path (a file in root) there, from the list
    scripts/sysroot.sh keeps in root/DEBIAN/files."""
    wanted = "/" + os.path.relpath(os.path.realpath(path), os.path.realpath(root))
    with open(os.path.join(root, "DEBIAN", "files")) as f:
        for line in f:
            package, _, name = line.rstrip("\n").partition(" ")
            if name == wanted:
                return package
    return None


def loaded_libraries(trace):
    """{soname: the file the loader loaded it from} from the lines of a loader's trace of
    LD_DEBUG=libs:files (each "trying file=" the loader tried, then "generating link map"
    for the one it took). Every process of the trace together."""
    loaded, tried = {}, None
    for line in trace.splitlines():
        text = line.split(":", 1)[1].strip() if ":" in line else line.strip()
        m = re.match(r"trying file=(.*)$", text)
        if m:
            tried = m.group(1)
            continue
        m = re.match(r"file=(\S+) \[\d+\];\s+generating link map", text)
        if m:
            name = m.group(1)
            loaded[os.path.basename(name)] = name if name.startswith("/") else tried
            tried = None
    return loaded
