#!/usr/bin/env bash
# Makes the handheld packages for armhf or arm64:
#   scripts/package.sh armhf|arm64 [BUILD_FOLDER]
# Installs what is missing (cross compilers, qemu-user), makes the sysroot (scripts/sysroot.sh;
# CODEBREAKER_ARM_SYSROOT names another), builds the game into BUILD_FOLDER (default
# build-ARCH) with cmake/ARCH.cmake and packs it: dist/codebreaker-ARCH/, the folder to copy to
# the memory card of a handheld that has SDL2 (it carries every other library the game needs),
# dist/codebreaker-ARCH-sdl12/ for a handheld that has SDL 1.2, SDL_ttf and SDL_mixer, and
# dist/codebreaker-VERSION-ARCH[-sdl12].tar.gz of each. It prints each one's size and the
# oldest GNU C library it runs on.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
arch=${1:-}
case $arch in
armhf | arm64) ;;
*)
    echo "usage: scripts/package.sh armhf|arm64 [BUILD_FOLDER]" >&2
    exit 2
    ;;
esac
build=${2:-build-$arch}
sysroot=${CODEBREAKER_ARM_SYSROOT:-$root/build-$arch/sysroot}

scripts/deps.sh arm
scripts/sysroot.sh "$arch" "$sysroot"
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="cmake/$arch.cmake" \
    -DCODEBREAKER_ARM_SYSROOT="$sysroot" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCODEBREAKER_DIST_DIR="$root/dist"
cmake --build "$build" -j"$(nproc)" --target handheld_package

echo
echo "The handheld packages, for $arch:"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
for folder in "dist/codebreaker-$arch" "dist/codebreaker-$arch-sdl12"; do
    name=${folder#dist/}
    tarball=dist/codebreaker-$version-${name#codebreaker-}.tar.gz
    # What its README.txt says it needs of the handheld's C library.
    floor=$(tr -s ' \n' '  ' <"$folder/README.txt" | sed -n 's/.*GNU C library of version \([0-9.]*\) or later.*/\1/p')
    echo "  $root/$folder/ ($(du -sh "$folder" | cut -f1)), $root/$tarball ($(du -h "$tarball" | cut -f1))"
    echo "    needs a GNU C library of version $floor or later"
done
