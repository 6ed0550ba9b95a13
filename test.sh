#!/usr/bin/env bash
# Set-up, build and run every test: a Release build, then the same tests under
# AddressSanitizer + UndefinedBehaviorSanitizer, then a short fuzzing run.
set -euo pipefail
cd "$(dirname "$0")"
tools/setup.sh
export QT_QPA_PLATFORM=offscreen
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/ccache}"
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tools/lsan.supp:print_suppressions=0"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLINDQUA_SANITIZE=ON -DLINDQUA_BENCH=OFF
cmake --build build-asan -j "$jobs"
if [[ -x tools/fuzz-smoke.sh ]]; then
    tools/fuzz-smoke.sh
fi
ctest --test-dir build-asan --output-on-failure -j "$jobs"
