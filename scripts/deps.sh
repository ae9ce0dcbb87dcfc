#!/usr/bin/env bash
# Installs the Debian packages that building and playing need, when any is missing; with
# "test" what the tests need too, with "arm" what ARM builds and their tests need, with "deb"
# what making the Debian package needs.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    libsdl1.2-dev libsdl-ttf2.0-dev libsdl-mixer1.2-dev
    # SDL 1.2 over SDL2, beside the classic library: the launcher prefers it for its sharp
    # 3x window, and the tests run on both.
    libsdl1.2-compat
)
# ARM builds: the cross compilers and the emulator their tests run under; the ARM libraries
# themselves go into a sysroot of the build's (scripts/sysroot.sh), never onto this machine.
arm=(g++-arm-linux-gnueabihf g++-aarch64-linux-gnu qemu-user patchelf
     # The handheld box: Debian's ARM kernels booted under qemu-system, their modules listed
     # with depmod, the initramfs packed with cpio.
     qemu-system-arm kmod cpio)
test=(libgtest-dev libbenchmark-dev clang-format xvfb xdotool x11-apps x11-utils libx11-dev faketime python3 util-linux
      mount valgrind desktop-file-utils appstream groff-base man-db
      # The Debian package: made, checked, and installed into a throwaway root.
      dpkg-dev fakeroot lintian mmdebstrap)
case "${1:-}" in
"") ;;
test | arm) packages+=("${test[@]}" "${arm[@]}") ;;
deb) packages+=(dpkg-dev fakeroot) ;;
*)
    echo "usage: scripts/deps.sh [test|arm|deb]" >&2
    exit 2
    ;;
esac

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
