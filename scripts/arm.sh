#!/usr/bin/env bash
# Builds the game and its tests for ARM Linux and runs the tests under qemu:
#   scripts/arm.sh armhf|arm64
# Installs what is missing (cross compilers, qemu-user), makes the sysroot under
# build-ARCH/sysroot, builds into build-ARCH and runs the ARM test programs through the
# emulator: every in-process test, the handheld packages, then the whole ARM game played
# under Xvfb beside the native one, the same from the bundled handheld package on a root of
# SDL2 alone (build-ARCH/sysroot-sdl2), the Debian package (scripts/deb.sh ARCH) checked,
# unpacked over a copy of the sysroot and started there, and the bundled package played in the
# handheld box (scripts/box.sh): Debian's ARM kernel booted under qemu-system, no X.
set -euo pipefail
cd "$(dirname "$0")/.."
arch=${1:-}
case $arch in
armhf | arm64) ;;
*)
    echo "usage: scripts/arm.sh armhf|arm64" >&2
    exit 2
    ;;
esac
scripts/deps.sh arm
scripts/sysroot.sh "$arch"
# A handheld that has SDL2 alone, which the bundled handheld package is tested on, and the box
# that boots such a handheld's kernel and root.
scripts/sysroot.sh "$arch" "build-$arch/sysroot-sdl2" libsdl2-2.0-0
scripts/box.sh "$arch"
cmake -S . -B "build-$arch" -DCMAKE_TOOLCHAIN_FILE="cmake/$arch.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWARNINGS_AS_ERRORS=ON
cmake --build "build-$arch" -j"$(nproc)"
ctest --test-dir "build-$arch" --output-on-failure --timeout 300 -j"$(nproc)" \
    --exclude-regex '^(process|e2e|install|style|box)\.'
# The whole ARM game is held to the native game of build/, made here as run_tests.sh makes it.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWARNINGS_AS_ERRORS=ON >/dev/null
cmake --build build --target codebreaker -j"$(nproc)"
ctest --test-dir "build-$arch" --output-on-failure --verbose --no-tests=error \
    --tests-regex '^(e2e\.(arm|bundle)_matches_native|install\.deb|box\..*)$'
