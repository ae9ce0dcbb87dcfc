#!/usr/bin/env bash
# Refreshes docs/screenshots/ from the end-to-end run: the games played under Xvfb leave a
# screenshot of every step, and eight of them are kept at twice their size; the installed
# launcher's 3x window on sdl12-compat is kept as it is.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure -R '^(e2e\.(game|help|quick_game|tournament)|install\.window)$'
python3 scripts/screenshots.py build/artefacts docs/screenshots
