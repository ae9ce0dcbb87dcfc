#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh test
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWARNINGS_AS_ERRORS=ON -DBENCH=ON
cmake --build build -j"$(nproc)"
# Everything that loads SDL runs twice: on the classic library the build links, and, named
# "compat.", on sdl12-compat through LD_LIBRARY_PATH (tests/CMakeLists.txt finds its folder).
# Independent tests run side by side, one per core; tests that share something say so to CTest
# (RESOURCE_LOCK), and CTest keeps them apart.
ctest --test-dir build --output-on-failure --timeout 300 -j"$(nproc)"

# The in-process tests and the short soak once more, built with AddressSanitizer and
# UndefinedBehaviorSanitizer, on classic SDL (the whole-program tests run the build above).
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWARNINGS_AS_ERRORS=ON -DSANITIZE=ON
cmake --build build-asan -j"$(nproc)"
ctest --test-dir build-asan --output-on-failure --timeout 300 -j"$(nproc)" \
    --exclude-regex '^(compat\.)?(process|e2e|style)\.|^compat\.sdl12_compat_missing$'

# The handheld's builds: the game and its tests cross-built for 32-bit (armhf) and 64-bit
# (arm64) ARM Linux against sysroots of Debian's ARM libraries, the tests run under qemu.
scripts/arm.sh armhf
scripts/arm.sh arm64
