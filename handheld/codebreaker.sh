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

# The button map (CODEBREAKER_BUTTONS; README.txt says how to write one). Where the handheld's
# system describes its pad in SDL's notation, in SDL_GAMECONTROLLERCONFIG as its launchers
# export it or in the file SDL_GAMECONTROLLERCONFIG_FILE names, the map is made from the pad's
# entry: the one named as the first joystick the kernel lists, or else the one entry
# SDL_GAMECONTROLLERCONFIG holds. The entry's a, b, x and y are taken for the letters printed on
# the buttons, as the handhelds' entries write them: on a pad whose A sits right of B, "a" names
# the button on the right, and the game's A is that button. Shoulders, back, start and the
# D-pad (buttons or hat 0) make the rest; sticks and triggers are no control of the game. A map
# set before this starts, even an empty one, wins.
pad_name() {
    awk '/^N: Name=/ { name = substr($0, 9); gsub(/^"|"$/, "", name) }
         /^H: Handlers=/ && / js[0-9]+/ { print name; exit }' \
        "${CODEBREAKER_INPUT_DEVICES:-/proc/bus/input/devices}" 2>/dev/null
}
pad_map() {
    {
        printf '%s\n' "${SDL_GAMECONTROLLERCONFIG:-}" | sed 's/^/env,/'
        if [ -n "${SDL_GAMECONTROLLERCONFIG_FILE:-}" ]; then
            sed 's/^/file,/' "$SDL_GAMECONTROLLERCONFIG_FILE" 2>/dev/null
        fi
    } | awk -F, -v pad="$(pad_name)" '
        $2 ~ /^[ \t]*#/ || NF < 4 { next }
        $1 == "env" { given++; if (given == 1) only = $0 }
        !found && pad != "" && $3 == pad { found = $0 }
        END {
            line = found != "" ? found : (given == 1 ? only : "")
            if (line == "") exit 1
            split("a:a b:b x:x y:y leftshoulder:l rightshoulder:r back:select start:start " \
                  "dpup:up dpdown:down dpleft:left dpright:right", pairs, " ")
            for (i in pairs) { split(pairs[i], p, ":"); control[p[1]] = p[2] }
            n = split(line, field, ",")
            map = ""
            for (i = 4; i <= n; i++) {
                if (split(field[i], kv, ":") != 2 || !(kv[1] in control)) continue
                if (kv[2] !~ /^b[0-9]+$/ && kv[2] !~ /^h0\.[1248]$/) continue
                map = map (map == "" ? "" : ",") control[kv[1]] ":" kv[2]
            }
            if (map == "") exit 1
            print map
        }'
}
if [ -z "${CODEBREAKER_BUTTONS+set}" ] && map=$(pad_map); then
    CODEBREAKER_BUTTONS=$map
    export CODEBREAKER_BUTTONS
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
