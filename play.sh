#!/usr/bin/env bash
# Installs what is missing, builds the game and starts it from the project root.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --target codebreaker -j"$(nproc)"
exec build/codebreaker
