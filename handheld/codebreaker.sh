#!/bin/sh
# Code Breaker's launcher on a handheld: starts the game in its own folder, where data/ lies.
#
# Handheld menus start a program from wherever they like, while the game reads data/ from its
# working folder; so this finds its own folder, through any symbolic links to it, and starts
# codebreaker.gpe there. POSIX sh alone: no readlink, no bash.
#
# CODEBREAKER_WRAPPER, when set, is a command the game runs under, split at blanks: a debugger
# ("gdb --args"), a tracer ("strace -f"), or an emulator that runs this ARM build on another
# machine ("qemu-arm -L /usr/arm-linux-gnueabihf"), as the package's own test does.
# The script's own failures end it with status 125, a handheld without SDL2 with status 1 (the
# game's for an SDL that cannot start); otherwise the status is the game's.

fail() {
    echo "codebreaker.sh: $*" >&2
    exit 125
}

self=$0
case $self in
*/*) ;;
*)
    # Run as "sh codebreaker.sh": the shell looked in the working folder first, then PATH.
    if [ -f "$self" ]; then
        self=./$self
    else
        self=$(command -v -- "$self") || fail "cannot tell where this script lives"
    fi
    ;;
esac
# Each link's target, relative to the link's folder unless absolute, until the real file.
hops=0
while [ -h "$self" ] && [ "$hops" -lt 40 ]; do
    target=$(ls -ld -- "$self") || fail "cannot follow the link $self"
    target=${target#* -> }
    case $target in
    /*) self=$target ;;
    *) self=${self%/*}/$target ;;
    esac
    hops=$((hops + 1))
done
folder=${self%/*}
cd -- "${folder:-/}" || fail "cannot enter the game's folder $folder"
[ -f ./codebreaker.gpe ] || fail "no codebreaker.gpe in $(pwd)"

# The package that carries lib/ takes SDL2 from the handheld, and nothing else but the C
# library. Without SDL2 the loader would stop the game with a note about a missing shared
# object; the player is told instead, and the status is the game's own for an SDL that cannot
# start. The handheld's loader lists the game's libraries without running it (a loader for
# another processor only fails to, and the game is started as ever).
if [ -d ./lib ] && [ -z "${CODEBREAKER_WRAPPER:-}" ]; then
    for loader in /lib/ld-linux-aarch64.so.1 /lib/ld-linux-armhf.so.3; do
        [ -x "$loader" ] || continue
        if "$loader" --list ./codebreaker.gpe 2>&1 |
            grep -Eq 'libSDL2-2\.0\.so\.0(: cannot open| => not found)'; then
            echo "codebreaker.sh: this handheld has no SDL2 (libSDL2-2.0.so.0), which the game" \
                "needs: SDL2 2.0.7 or later" >&2
            exit 1
        fi
    done
fi

# sdl12-compat draws the 320x240 frame through SDL2: scaled to the screen with the nearest
# pixel, so that it stays sharp, and through OpenGL ES, which every handheld's GPU driver has.
# SDL2's first choice on KMS/DRM can be desktop OpenGL, which Mesa accepts there and then shows
# nothing but black. Either can be set otherwise before this starts.
SDL12COMPAT_SCALE_METHOD=${SDL12COMPAT_SCALE_METHOD:-nearest}
SDL_RENDER_DRIVER=${SDL_RENDER_DRIVER:-opengles2}
export SDL12COMPAT_SCALE_METHOD SDL_RENDER_DRIVER
# The wrapper is meant to split into words.
# shellcheck disable=SC2086
exec ${CODEBREAKER_WRAPPER:-} ./codebreaker.gpe "$@"
