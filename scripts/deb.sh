#!/usr/bin/env bash
# Makes the Debian package dist/codebreaker_VERSION_ARCH.deb:
#   scripts/deb.sh amd64|armhf|arm64
# The game is built into build-deb-ARCH for /usr with Debian's layout for games (the launcher in
# /usr/games, the program in /usr/lib/games/codebreaker, the data in /usr/share/games/codebreaker)
# and installed by the same install rules as every install, into a staging root; the package
# adds what Debian asks of one: the copyright file, the changelog, a compressed manual page, and
# dependencies computed from the program's libraries. The font is the very file of Debian's
# fonts-dejavu-core, so the package depends on that and links to it instead of carrying a copy.
#
# amd64 is built on an amd64 machine with its own libraries. armhf and arm64 are cross built as
# scripts/arm.sh builds them, against the sysroot of scripts/sysroot.sh (build-ARCH/sysroot, or
# the one CODEBREAKER_ARM_SYSROOT names, which must hold its packages' shlibs and symbols files
# in DEBIAN/ as that script gathers them); the dependencies come from those files.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
arch=${1:-}
build=$root/build-deb-$arch
configure=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DWARNINGS_AS_ERRORS=ON -DCMAKE_INSTALL_PREFIX=/usr
    -DCMAKE_INSTALL_BINDIR=games -DCODEBREAKER_PROGRAM_DIR=lib/games/codebreaker)
shlibdeps=(dpkg-shlibdeps)
case $arch in
amd64)
    [ "$(dpkg --print-architecture)" = "$arch" ] || {
        echo "scripts/deb.sh: this machine is $(dpkg --print-architecture), not $arch" >&2
        exit 2
    }
    scripts/deps.sh deb
    ;;
armhf | arm64)
    scripts/deps.sh arm
    sysroot=${CODEBREAKER_ARM_SYSROOT:-$root/build-$arch/sysroot}
    [ -n "${CODEBREAKER_ARM_SYSROOT:-}" ] || scripts/sysroot.sh "$arch"
    configure+=(-DCMAKE_TOOLCHAIN_FILE="cmake/$arch.cmake" -DCODEBREAKER_ARM_SYSROOT="$sysroot")
    # The program is for ARCH, and the sysroot is the tree its libraries come from.
    shlibdeps=(env DEB_HOST_ARCH="$arch" dpkg-shlibdeps -S"$sysroot")
    ;;
*)
    echo "usage: scripts/deb.sh amd64|armhf|arm64" >&2
    exit 2
    ;;
esac

cmake -S . -B "$build" "${configure[@]}"
cmake --build "$build" -j"$(nproc)" --target codebreaker
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || {
    echo "scripts/deb.sh: no project version in $build/CMakeCache.txt" >&2
    exit 1
}
# The project's version, and the package's first revision of it.
debversion=$version-1

stage=$build/deb
rm -rf "$stage"
mkdir -p "$stage"
DESTDIR=$stage cmake --install "$build" --strip >/dev/null
doc=$stage/usr/share/doc/codebreaker

# The font: a link to fonts-dejavu-core's copy, which is byte for byte the one in data/.
rm "$stage/usr/share/games/codebreaker/data/font.ttf"
# Relative, as Debian links within /usr are.
ln -s "../../../fonts/truetype/dejavu/DejaVuSans.ttf" "$stage/usr/share/games/codebreaker/data/font.ttf"
# Debian keeps licences in the copyright file alone.
rm "$doc/LICENSE" "$doc/font-LICENSE.txt"
gzip -9n "$doc/README.md"
gzip -9n "$stage/usr/share/man/man6/codebreaker.6"
sed "s/@VERSION@/$debversion/; s/@DATE@/$(date -R -u -d @"$(git log -1 --format=%ct 2>/dev/null || echo 0)")/" \
    desktop/debian/changelog.in | gzip -9n >"$doc/changelog.Debian.gz"
cp desktop/debian/copyright "$doc/copyright"
# What lintian is told to pass over, each with its reason.
mkdir -p "$stage/usr/share/lintian/overrides"
cp desktop/debian/lintian-overrides "$stage/usr/share/lintian/overrides/codebreaker"

# Files 644, programs and folders 755, whatever the umask made of them.
find "$stage" -type d -exec chmod 755 {} +
find "$stage" -type f -exec chmod 644 {} +
chmod 755 "$stage/usr/games/codebreaker" "$stage/usr/lib/games/codebreaker/codebreaker"

# Depends: what the program's libraries need, by dpkg-shlibdeps from the machine's packages (or
# the sysroot's); either SDL 1.2 will do (the launcher finds sdl12-compat beside the classic one
# or alone).
# The staging root is a package's tree (it has DEBIAN/) for dpkg-shlibdeps as for dpkg-deb.
mkdir -p "$stage/DEBIAN"
work=$build/deb-work
rm -rf "$work"
mkdir -p "$work/debian"
printf 'Source: codebreaker\n\nPackage: codebreaker\nArchitecture: any\n' >"$work/debian/control"
(cd "$work" && "${shlibdeps[@]}" -O -e"$stage/usr/lib/games/codebreaker/codebreaker") \
    >"$work/shlibs" 2>"$work/shlibs.log" || {
    cat "$work/shlibs.log" >&2
    exit 1
}
depends=$(sed -n 's/^shlibs:Depends=//p' "$work/shlibs" |
    sed 's/libsdl1\.2debian\( ([^)]*)\)\?/libsdl1.2debian\1 | libsdl1.2-compat/')
depends="$depends, fonts-dejavu-core"

size=$(du -sk --exclude=DEBIAN "$stage" | cut -f1)
sed -e "s/@VERSION@/$debversion/" -e "s/@ARCH@/$arch/" -e "s/@DEPENDS@/$depends/" \
    -e "s/@SIZE@/$size/" desktop/debian/control.in >"$stage/DEBIAN/control"
(cd "$stage" && find usr -type f -exec md5sum {} + | sort -k2) >"$stage/DEBIAN/md5sums"
chmod 644 "$stage/DEBIAN/control" "$stage/DEBIAN/md5sums"

mkdir -p dist
deb=dist/codebreaker_${debversion}_$arch.deb
fakeroot dpkg-deb --root-owner-group -Zxz --build "$stage" "$deb" >/dev/null
echo "$root/$deb ($(du -h "$deb" | cut -f1)), Depends: $depends"
