#!/bin/sh
# Runs a command in a private mount namespace whose /usr holds a fake handheld menu program.
#
#   tests/support/sandbox.sh COMMAND [ARG...]
#
# The game ends by chdir("/usr/gp2x") and exec of /usr/gp2x/gp2xmenu. Here /usr is an
# overlay seen only by COMMAND and what it execs, and /usr/gp2x/gp2xmenu in it is a copy of
# the program named by $FAKE_MENU_BIN (tests/tools/fake_menu.cpp), which appends to the file
# named by $GP2X_RECORD:
#   cwd=<its working directory>
#   argv0=<the argv[0] it was started with>
#   argc=<number of arguments after it>
#   arg=<each argument>          (one line each)
#   end
# then exits 0. With GP2X_MENU=absent there is no /usr/gp2x at all instead. The overlay's
# writable layers live in a fresh directory under ${TMPDIR:-/tmp} (sandbox.XXXXXX), which
# the caller removes. COMMAND keeps this script's process id:
# unshare and both shells exec, so a signal sent to the id reaches COMMAND itself.
# Whenever the namespace or the mount cannot be had this fails (non-zero status, a message
# on stderr) and never runs COMMAND outside it, so the machine's real /usr is never touched.
set -eu

fail() {
    echo "sandbox.sh: $*" >&2
    exit 125
}

[ $# -gt 0 ] || fail "no command given"
# Checked before anything is made, so that a run without it never starts COMMAND at all.
[ -n "${FAKE_MENU_BIN:-}" ] || fail "FAKE_MENU_BIN names no fake menu program"
[ -f "$FAKE_MENU_BIN" ] && [ -x "$FAKE_MENU_BIN" ] ||
    fail "the fake menu program $FAKE_MENU_BIN is not an executable file"

if [ "${SANDBOX_STAGE:-}" != inside ]; then
    command -v unshare >/dev/null 2>&1 || fail "unshare is not installed"
    SANDBOX_DIR=$(mktemp -d "${TMPDIR:-/tmp}/sandbox.XXXXXX") || fail "cannot make a temp dir"
    export SANDBOX_DIR
    # When unshare cannot make the namespace it says so and ends non-zero itself.
    SANDBOX_STAGE=inside exec unshare -m --propagation private "$0" "$@"
fi

# From here on: inside the new mount namespace.
unset SANDBOX_STAGE
T=$SANDBOX_DIR
unset SANDBOX_DIR
mkdir -p "$T/u" "$T/w" || fail "cannot make the overlay's layers in $T"

# A marker put straight into the upper layer shows through /usr only if the overlay is
# really mounted there; nothing is written below /usr before that is proven.
marker=".sandbox-marker.$$"
: >"$T/u/$marker" || fail "cannot write to $T/u"
mount -t overlay overlay -o "lowerdir=/usr,upperdir=$T/u,workdir=$T/w" /usr ||
    fail "cannot mount an overlay over /usr"
[ -e "/usr/$marker" ] || fail "/usr is not the overlay after mounting it"
rm -f "/usr/$marker"

if [ "${GP2X_MENU:-}" = absent ]; then
    rm -rf /usr/gp2x || fail "cannot hide /usr/gp2x in the overlay"
    exec "$@"
fi
mkdir -p /usr/gp2x || fail "cannot make /usr/gp2x in the overlay"
cp "$FAKE_MENU_BIN" /usr/gp2x/gp2xmenu || fail "cannot copy the fake menu program"
chmod 755 /usr/gp2x/gp2xmenu || fail "cannot make the fake menu program executable"

exec "$@"
