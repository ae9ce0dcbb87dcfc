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
# The script's own failures end it with status 125; otherwise the status is the game's.

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
# The wrapper is meant to split into words.
# shellcheck disable=SC2086
exec ${CODEBREAKER_WRAPPER:-} ./codebreaker.gpe "$@"
