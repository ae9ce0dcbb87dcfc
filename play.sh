#!/usr/bin/env bash
# Installs what is missing, builds the game, stages an install under build/ and starts it
# through its launcher (a sharp 3x window where sdl12-compat is installed).
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --target codebreaker -j"$(nproc)"
cmake --install build --prefix "$PWD/build/stage" >/dev/null
exec build/stage/bin/codebreaker
