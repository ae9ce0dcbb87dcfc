#!/usr/bin/env bash
# Makes the handheld box for ARCH, a booted ARM Linux with no X: scripts/box.sh armhf|arm64
# [shell [640x480|WxH]]
#
# Under build-ARCH/box/ it lays Debian 12's kernel for the architecture (arm64's, or armhf's
# armmp), the modules a handheld's screen and controls need (virtio GPU through DRM/KMS,
# virtio input, evdev, uinput, virtio's console for the test's commands) and the root of a
# handheld's device side: the C library, busybox, SDL2 and what SDL2 needs to draw through
# KMS/DRM with Mesa's software rendering, nothing of SDL 1.2, SDL_ttf or SDL_mixer. Then
# base.cpio, that root, the modules and tests/box/init as an initramfs. Everything comes
# through a private apt state (scripts/private-apt.sh), never the machine's own package
# database, and stays in the build tree: a second run downloads nothing.
#
# "shell" then boots the box with its console on this terminal and a shell on it, the screen at
# 320x240 (or the size given) in no window, and the bundled handheld package of build-ARCH/dist
# (or else dist/) on its memory card /card (see HACKING.md). Ctrl-A X leaves qemu.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
arch=${1:-}
case $arch in
arm64) kernel_flavour=arm64 triplet=aarch64-linux-gnu ;;
armhf) kernel_flavour=armmp triplet=arm-linux-gnueabihf ;;
*)
    echo "usage: scripts/box.sh armhf|arm64 [shell [WxH]]" >&2
    exit 2
    ;;
esac
box=$root/build-$arch/box
mkdir -p "$box"

# The device side: busybox for its shell and tools, SDL2 (Debian's, which loads X11's and
# Wayland's libraries too, as a handheld's need not) with udev's library, through which it finds
# the input devices, and Mesa's EGL, GBM and GLES with its software KMS driver. kmod's depmod is
# this machine's, for the modules' list.
scripts/sysroot.sh "$arch" "$box/root" busybox-static libsdl2-2.0-0 libudev1 libegl1 libegl-mesa0 \
    libgles2 libgl1-mesa-dri

# The modules the box's init loads (tests/box/init); virtio-gpu is loaded by the tests, after a
# start without a GPU. A USB sound card stands for the handheld's sound: both kernels have its
# driver, which the armhf one has of no PCI sound card QEMU emulates.
box_modules="virtio_pci virtio_input evdev joydev uinput virtio_console xhci_pci snd_usb_audio"

# The kernel: the package the flavour's metapackage names, alone (its dependencies are a
# Debian system's tools to install it, none of the box's).
stamp=$box/kernel/.codebreaker-kernel
listed=$box/kernel/modules/lib/modules/box-modules
if [ ! -f "$stamp" ] || [ "$(cat "$listed" 2>/dev/null)" != "$box_modules" ]; then
    state=$box/root.apt
    apt=("$root/scripts/private-apt.sh" "$state" "$arch" -q)
    package=$("${apt[@]}" -s install "linux-image-$kernel_flavour" 2>/dev/null |
        sed -n 's/^Inst \(linux-image-[0-9][^ ]*\) .*/\1/p' | head -n1)
    [ -n "$package" ] || {
        echo "box: no kernel package for linux-image-$kernel_flavour" >&2
        exit 1
    }
    echo "box: downloading $package for $arch"
    rm -rf "$box/kernel" "$box/kernel.partial"
    mkdir -p "$box/kernel.partial/deb"
    (cd "$box/kernel.partial/deb" && "${apt[@]}" download "$package" >/dev/null)
    dpkg-deb -x "$box/kernel.partial/deb/"*.deb "$box/kernel.partial/unpacked"
    release=$(ls "$box/kernel.partial/unpacked/lib/modules")
    cp "$box/kernel.partial/unpacked/boot/vmlinuz-$release" "$box/kernel.partial/vmlinuz"
    # Only the modules the box loads and what they need, listed for busybox's modprobe.
    /sbin/depmod -b "$box/kernel.partial/unpacked" "$release"
    modules=$box/kernel.partial/unpacked/lib/modules/$release
    mkdir -p "$box/kernel.partial/modules/lib/modules/$release"
    for name in $box_modules virtio-gpu; do
        line=$(grep -E "/${name//_/[-_]}\.ko:" "$modules/modules.dep") || {
            echo "box: $package has no module $name" >&2
            exit 1
        }
        for file in ${line//:/}; do
            mkdir -p "$box/kernel.partial/modules/lib/modules/$release/$(dirname "$file")"
            cp "$modules/$file" "$box/kernel.partial/modules/lib/modules/$release/$file"
        done
    done
    cp "$modules/modules.builtin" "$modules/modules.builtin.modinfo" \
        "$modules/modules.order" \
        "$box/kernel.partial/modules/lib/modules/$release/"
    /sbin/depmod -b "$box/kernel.partial/modules" "$release"
    rm -rf "$box/kernel.partial/deb" "$box/kernel.partial/unpacked"
    echo "$package" >"$box/kernel.partial/.codebreaker-kernel"
    echo "$box_modules" >"$box/kernel.partial/modules/lib/modules/box-modules"
    mv "$box/kernel.partial" "$box/kernel"
    rm -f "$box/base.cpio"
fi

not_on_handheld="libpulse0 libsndfile1 libflac12 libvorbis0a libvorbisenc2 libogg0 libopus0
    libmpg123-0 libmp3lame0 libasyncns0"

# The initramfs: the root, the modules and the box's init, owned by root, in one archive that
# each boot puts before its own small one (the kernel unpacks them one over the other).
if [ ! -f "$box/base.cpio" ] || [ "$root/tests/box/init" -nt "$box/base.cpio" ] ||
    [ "$box/root/.codebreaker-sysroot" -nt "$box/base.cpio" ] ||
    [ "$root/scripts/box.sh" -nt "$box/base.cpio" ]; then
    echo "box: packing $box/base.cpio"
    stage=$box/base.stage
    rm -rf "$stage"
    mkdir -p "$stage"
    cp -a "$box/root/." "$stage/"
    # A handheld's SDL2 plays through ALSA alone: PulseAudio's client, which Debian's SDL2 loads,
    # and the sound-file libraries it brings (those SDL_mixer loads too) are not on the device.
    # Debian's SDL2 then finds libpulse among the libraries the game has loaded from its lib/.
    grep -E "^($(echo $not_on_handheld | tr ' ' '|')) " "$stage/DEBIAN/files" | cut -d' ' -f2- |
        while IFS= read -r file; do rm -f "$stage$file"; done
    rm -rf "$stage/DEBIAN" "$stage/.codebreaker-sysroot" "$stage/usr/include"
    cp -a "$box/kernel/modules/." "$stage/"
    install -m 755 "$root/tests/box/init" "$stage/init"
    mkdir -p "$stage/proc" "$stage/sys" "$stage/dev" "$stage/tmp" "$stage/run" "$stage/root"
    (cd "$stage" && find . -mindepth 1 | LC_ALL=C sort |
        cpio --quiet -o -H newc -R 0:0) >"$box/base.cpio.partial"
    mv "$box/base.cpio.partial" "$box/base.cpio"
    rm -rf "$stage"
fi
echo "box: $box ready: $(cat "$box/kernel/.codebreaker-kernel"), base.cpio $(du -h "$box/base.cpio" | cut -f1)"

if [ "${2:-}" = shell ]; then
    package=$(ls "build-$arch"/dist/codebreaker-*-"$arch".tar.gz dist/codebreaker-*-"$arch".tar.gz \
        2>/dev/null | head -n1)
    exec python3 "$root/tests/box/box.py" shell "$arch" "${3:-320x240}" $package
fi
