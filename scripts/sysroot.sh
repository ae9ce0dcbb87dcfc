#!/usr/bin/env bash
# Makes an ARM sysroot for cross builds from Debian's own packages, without touching the
# machine's package database: scripts/sysroot.sh ARCH [FOLDER [PACKAGE...]]
#
# ARCH is a Debian architecture (armhf or arm64; armel works where its packages exist).
# FOLDER defaults to build-ARCH/sysroot. A private apt state beside it (FOLDER.apt, see
# scripts/private-apt.sh) downloads SDL 1.2, SDL_ttf, SDL_mixer, GoogleTest and everything they
# need at run time for ARCH; each .deb is then unpacked into FOLDER with dpkg-deb -x, never
# installed, and its shlibs and symbols files gathered in FOLDER/DEBIAN/, with the list of its
# files (FOLDER/DEBIAN/files: "PACKAGE /path" lines); of its documents only its copyright file
# stays. PACKAGEs, when given, take the place of the build's own list: a root of only what
# they need, such as libsdl2-2.0-0 for a handheld that has SDL2 alone. The machine's sources
# are read, nothing of its apt or dpkg state is written. Running it again with a finished sysroot does
# nothing; an interrupted run starts the unpacking afresh.
set -euo pipefail

arch=${1:?usage: scripts/sysroot.sh ARCH [FOLDER [PACKAGE...]]}
root=$(cd "$(dirname "$0")/.." && pwd)
dest=${2:-$root/build-$arch/sysroot}
case $dest in /*) ;; *) dest=$PWD/$dest ;; esac

# What the game and its in-process tests link, the C++ run time the test programs need when
# they run under the emulator, the font the Debian package takes from fonts-dejavu-core, and
# sdl12-compat, the SDL 1.2 the handheld package carries.
packages=(libsdl1.2-dev libsdl-ttf2.0-dev libsdl-mixer1.2-dev libgtest-dev libstdc++6 libgcc-s1
    fonts-dejavu-core libsdl1.2-compat)
if [ $# -gt 2 ]; then packages=("${@:3}"); fi

stamp=$dest/.codebreaker-sysroot
want="$arch ${packages[*]}"
if [ -f "$stamp" ] && [ "$(head -n1 "$stamp")" = "$want" ]; then
    echo "sysroot: $dest is ready"
    exit 0
fi

state=$dest.apt
mkdir -p "$state"
apt=("$root/scripts/private-apt.sh" "$state" "$arch" -q)
echo "sysroot: reading Debian's $arch package lists"
"${apt[@]}" update >"$state/update.log" 2>&1 || {
    cat "$state/update.log" >&2
    exit 1
}
echo "sysroot: downloading ${packages[*]} and what they need, for $arch"
"${apt[@]}" -y install --download-only "${packages[@]}" >"$state/install.log" 2>&1 || {
    cat "$state/install.log" >&2
    exit 1
}

# Unpacked into a fresh folder that takes the sysroot's name only when it is whole.
rm -rf "$dest.partial"
mkdir -p "$dest.partial"
debs=("$state"/cache/archives/*_"$arch".deb "$state"/cache/archives/*_all.deb)
# Each package's shlibs and symbols files, which tell what a program linked with its libraries
# must depend on, go into the sysroot's DEBIAN/, where dpkg-shlibdeps -S looks for them in a
# tree being packaged (scripts/deb.sh).
mkdir -p "$dest.partial/DEBIAN"
: >"$dest.partial/DEBIAN/shlibs"
: >"$dest.partial/DEBIAN/symbols"
: >"$dest.partial/DEBIAN/files"
control=$dest.partial.control
n=0
for deb in "${debs[@]}"; do
    [ -f "$deb" ] || continue
    rm -rf "$control"
    dpkg-deb -e "$deb" "$control"
    for f in shlibs symbols; do
        if [ -f "$control/$f" ]; then cat "$control/$f" >>"$dest.partial/DEBIAN/$f"; fi
    done
    package=$(sed -n 's/^Package: //p' "$control/control")
    # Unpacked, each file it names listed as it goes.
    dpkg-deb -X "$deb" "$dest.partial" | sed -n "s|^\./\(.*[^/]\)\$|$package /\1|p" \
        >>"$dest.partial/DEBIAN/files"
    n=$((n + 1))
done
rm -rf "$control"
[ "$n" -gt 0 ] || {
    echo "sysroot: no packages were downloaded for $arch" >&2
    exit 1
}

# Absolute links (libfoo.so -> /lib/...) would point into the machine's own root: make each
# one relative, so that it stays inside the sysroot for the linker and the emulator alike.
while IFS= read -r link; do
    target=$(readlink "$link")
    case $target in
    /*) ln -sfn "$(realpath -m --relative-to="$(dirname "$link")" "$dest.partial$target")" "$link" ;;
    esac
done < <(find "$dest.partial" -type l)

# Documentation, manual pages and translations serve neither the linker nor the emulator;
# each package's copyright file stays, for a package that carries one of its libraries.
doc=$dest.partial/usr/share/doc
if [ -d "$doc" ]; then
    find "$doc" -mindepth 2 ! -type d ! -name copyright -delete
    find "$doc" -mindepth 2 -type d -empty -delete
fi
rm -rf "$dest.partial/usr/share/man" "$dest.partial/usr/share/locale" \
    "$dest.partial/usr/share/info"

{
    echo "$want"
    ls "$state/cache/archives" | grep '\.deb$'
} >"$dest.partial/.codebreaker-sysroot"
rm -rf "$dest"
mv "$dest.partial" "$dest"
# The packages are unpacked for good; the lists stay for the next architecture's update.
rm -f "$state"/cache/archives/*.deb "$state"/cache/*.bin
echo "sysroot: $n packages unpacked into $dest ($(du -sh "$dest" | cut -f1))"
