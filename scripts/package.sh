#!/usr/bin/env bash
# Makes the handheld package for armhf or arm64:
#   scripts/package.sh armhf|arm64 [BUILD_FOLDER]
# Installs what is missing (cross compilers, qemu-user), makes the sysroot (scripts/sysroot.sh;
# CODEBREAKER_ARM_SYSROOT names another), builds the game into BUILD_FOLDER (default
# build-ARCH) with cmake/ARCH.cmake and packs it: dist/codebreaker-ARCH/, the folder to copy to
# the handheld's memory card, and dist/codebreaker-VERSION-ARCH.tar.gz of it.
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
echo "The handheld package, for $arch:"
echo "  $root/dist/codebreaker-$arch/ ($(du -sh "dist/codebreaker-$arch" | cut -f1))"
for tarball in dist/codebreaker-*-"$arch".tar.gz; do
  echo "  $root/$tarball ($(du -h "$tarball" | cut -f1))"
done
