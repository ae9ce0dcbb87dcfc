#!/usr/bin/env bash
# Builds the frame benchmark, runs it timed and under callgrind (on classic SDL and on
# sdl12-compat) and rewrites docs/performance.md with its figures.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
build_type=RelWithDebInfo
cmake -S . -B build -DCMAKE_BUILD_TYPE=$build_type -DBENCH=ON >/dev/null
cmake --build build -j"$(nproc)" --target codebreaker_bench
bench=build/bench/codebreaker_bench

run=$(mktemp -d)
trap 'rm -rf "$run"' EXIT

echo "Timing every frame and start-up (median of 9 runs)..."
"$bench" --benchmark_repetitions=9 --benchmark_min_time=0.1 --benchmark_report_aggregates_only=true \
    --benchmark_out="$run/timing.json" --benchmark_out_format=json

# One dump per screen and picture set; the main thread only (the audio thread mixes silence).
frames=20
callgrind() { # folder, then the environment to run in
    local dir=$run/$1
    shift
    mkdir -p "$dir"
    env "$@" valgrind --tool=callgrind --separate-threads=yes --compress-strings=no \
        --compress-pos=no --callgrind-out-file="$dir/cg.out" "$bench" --callgrind=$frames \
        >"$dir/log" 2>&1 || { cat "$dir/log" >&2; exit 1; }
    # Only the main thread's dumps count: "-01" is the thread that drew.
    for f in "$dir"/cg.out.*-01; do mv "$f" "${f%-01}"; done
    rm -f "$dir"/cg.out.*-0[2-9] "$dir"/cg.out-*
}
echo "Counting instructions under callgrind ($frames frames of each)..."
callgrind classic
compat_dir=$(dirname "$(find /usr/lib* -path '*sdl12-compat/libSDL-1.2.so.0' 2>/dev/null | head -n1)")
if [ -n "$compat_dir" ] && [ "$compat_dir" != . ]; then
    callgrind compat LD_LIBRARY_PATH="$compat_dir"
fi

version() { dpkg-query -W -f='${Version}' "$1" 2>/dev/null || echo unknown; }
{
    echo "date: $(date -u '+%Y-%m-%d %H:%M UTC')"
    echo "cpu: $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1)"
    echo "system: $(. /etc/os-release && echo "$PRETTY_NAME"), Linux $(uname -r)"
    echo "compiler: $(c++ --version | head -n1)"
    echo "build_type: $build_type"
    echo "sdl: $(version libsdl1.2debian)"
    echo "sdl12_compat: $(version libsdl1.2-compat)"
    echo "sdl_ttf: $(version libsdl-ttf2.0-0)"
    echo "freetype: $(version libfreetype6)"
    echo "valgrind: $(valgrind --version | sed "s/^valgrind-//")"
} >"$run/machine.txt"

python3 bench/report.py "$run" >docs/performance.md
echo "Wrote docs/performance.md"
