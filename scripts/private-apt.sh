#!/usr/bin/env bash
# Runs apt-get for another machine's view of Debian, in a private apt state that never touches
# this machine's own: scripts/private-apt.sh STATE ARCH APT-GET-ARGUMENTS...
#
# STATE is a folder of its own (made when missing) that holds the package lists, the download
# cache and an empty dpkg status, so apt sees a machine of Debian architecture ARCH with
# nothing installed. The machine's sources are read; nothing of its apt or dpkg state is
# written. "update" fetches the lists into STATE; then "install --download-only PKG..." fetches
# packages into STATE/cache/archives, and "install --simulate ./some.deb" shows what installing
# it would take on such a machine.
set -euo pipefail

state=${1:?usage: scripts/private-apt.sh STATE ARCH APT-GET-ARGUMENTS...}
arch=${2:?usage: scripts/private-apt.sh STATE ARCH APT-GET-ARGUMENTS...}
shift 2
case $state in /*) ;; *) state=$PWD/$state ;; esac

mkdir -p "$state/lists/partial" "$state/cache/archives/partial" "$state/dpkg"
[ -f "$state/dpkg/status" ] || : >"$state/dpkg/status"
# No lock (the state is ours alone) and no _apt user (the state belongs to whoever runs this).
exec apt-get \
    -o "Dir::State=$state" \
    -o "Dir::State::Lists=$state/lists" \
    -o "Dir::State::status=$state/dpkg/status" \
    -o "Dir::Cache=$state/cache" \
    -o "Dir::Cache::archives=$state/cache/archives" \
    -o "APT::Architecture=$arch" \
    -o "APT::Architectures::=$arch" \
    -o "APT::Install-Recommends=false" \
    -o "Debug::NoLocking=true" \
    -o "APT::Sandbox::User=root" \
    "$@"
