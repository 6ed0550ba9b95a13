#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (in build-fuzz) and runs one of them.
#
#     tools/fuzz.sh TARGET SECONDS [extra libFuzzer options...]
#
# TARGET is lrc_format_fuzzer, lrc_document_fuzzer or picture_fuzzer. The run grows the corpus in
# build-fuzz/corpus/TARGET (or LINDQUA_FUZZ_CORPUS), seeded from fuzz/corpus, the shared test data
# (../shared/testdata) and examples/; a crashing input lands in build-fuzz/artifacts/. Exits non-zero on any crash,
# sanitizer report, leak, time-out or broken property.
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ $# -lt 2 ]]; then
    echo "usage: $0 TARGET SECONDS [libFuzzer options...]" >&2
    exit 2
fi
target=$1
seconds=$2
shift 2
build=${LINDQUA_FUZZ_BUILD:-build-fuzz}
testdata=${LINDQUA_TESTDATA_DIR:-$PWD/../shared/testdata}
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/ccache}"

case "$target" in
lrc_format_fuzzer | lrc_document_fuzzer) kind=lrc ;;
picture_fuzzer) kind=picture ;;
*)
    echo "fuzz: unknown target $target" >&2
    exit 2
    ;;
esac

if [[ ! -f "$build/build.ninja" ]]; then
    CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
        -DLINDQUA_FUZZ=ON -DLINDQUA_TESTS=OFF -DLINDQUA_BENCH=OFF -DLINDQUA_SANITIZE=OFF >/dev/null
fi
cmake --build "$build" -j "${LINDQUA_FUZZ_JOBS:-$(nproc)}" --target "$target"

# Seeds: our own small files, plus the shared test data and the bundled example when present.
seeds="$build/seeds/$target"
rm -rf "$seeds"
corpus=${LINDQUA_FUZZ_CORPUS:-$build/corpus/$target}
mkdir -p "$seeds" "$corpus" "$build/artifacts"
cp fuzz/corpus/"$kind"/* "$seeds"/
if [[ "$kind" == lrc ]]; then
    patterns=("$testdata"/lrc/*.lrc examples/*.lrc)
else
    patterns=("$testdata"/png/*.png "$testdata"/jpeg/*.jpg examples/*.png examples/*.jpg)
fi
for f in "${patterns[@]}"; do
    [[ -f "$f" ]] && cp "$f" "$seeds"/
done
[[ -d "$testdata" ]] || echo "fuzz: shared test data missing ($testdata); seeding from fuzz/corpus and examples only"

# Leaks are checked; Qt's one-time plug-in and cache allocations are not ours.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}:allocator_may_return_null=1"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tools/lsan.supp:print_suppressions=0"
export QT_QPA_PLATFORM=offscreen

# A picture within the pixel limit may decode into 1 GiB, and a legitimate one takes seconds.
"$build/fuzz/$target" -max_total_time="$seconds" -timeout=60 -rss_limit_mb=4096 -malloc_limit_mb=3072 \
    -max_len=65536 -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" "$@" \
    "$corpus" "$seeds"
