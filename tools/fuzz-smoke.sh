#!/usr/bin/env bash
# Short fuzzing run for ./test.sh: builds the libFuzzer targets with clang (build-fuzz) and runs
# each for a fixed time, about 60 s in all. Fails on any crash, sanitizer report or broken
# property. For a longer run of one target: tools/fuzz.sh TARGET SECONDS.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang++ >/dev/null; then
    echo "fuzz-smoke: clang++ missing (tools/setup.sh installs it)" >&2
    exit 1
fi
seconds=${LINDQUA_FUZZ_SMOKE_SECONDS:-20}
mkdir -p "${LINDQUA_FUZZ_BUILD:-build-fuzz}"
for target in lrc_format_fuzzer lrc_document_fuzzer picture_fuzzer; do
    echo "fuzz-smoke: $target for ${seconds} s"
    # A fresh corpus from the seeds each time, so the run's length does not grow with the long
    # runs' corpora (libFuzzer first runs every corpus input, however long that takes).
    corpus="${LINDQUA_FUZZ_BUILD:-build-fuzz}/smoke-corpus/$target"
    rm -rf "$corpus"
    LINDQUA_FUZZ_CORPUS="$corpus" tools/fuzz.sh "$target" "$seconds" -seed="${LINDQUA_FUZZ_SEED:-1}" >"${LINDQUA_FUZZ_BUILD:-build-fuzz}/$target-smoke.log" 2>&1 || {
        tail -n 60 "${LINDQUA_FUZZ_BUILD:-build-fuzz}/$target-smoke.log" >&2
        echo "fuzz-smoke: $target FAILED (log: ${LINDQUA_FUZZ_BUILD:-build-fuzz}/$target-smoke.log)" >&2
        exit 1
    }
    grep -E '^stat::number_of_executed_units|^Done' "${LINDQUA_FUZZ_BUILD:-build-fuzz}/$target-smoke.log" || true
done
echo "fuzz-smoke: all targets ran clean"
