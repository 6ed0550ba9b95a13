#!/usr/bin/env bash
# Set-up, build Release and start Lindqua on the bundled example (a scratch copy, so the
# shipped example stays clean). Without a display it renders the example to a PNG instead.
set -euo pipefail
cd "$(dirname "$0")"
tools/setup.sh
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/ccache}"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j "$(nproc)"

app=build/src/app/lindqua
if [[ ! -x "$app" ]]; then
    echo "run: $app was not built (is Qt 6 missing?)" >&2
    exit 1
fi
scratch=$(mktemp -d "${TMPDIR:-/tmp}/lindqua-example.XXXXXX")
cp examples/* "$scratch"/
pic=$(find "$scratch" -maxdepth 1 \( -name "*.png" -o -name "*.jpg" \) | sort | head -n 1)
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    out="$scratch/render.png"
    QT_QPA_PLATFORM=offscreen "$app" -pic "$pic" -render "$out"
    echo "run: no display; rendered the example to $out"
else
    echo "run: opening $pic"
    exec "$app" -pic "$pic"
fi
