#!/usr/bin/env bash
# Takes a screenshot of the real Lindqua window, for a person to look at: starts the tool on a
# scratch copy of the bundled example under a virtual X server (xvfb-run), waits until the
# window has painted, saves a PNG of the whole screen and ends the tool.
#
#   tools/screenshot.sh [OUT.png]       default: build/screenshot.png
#
# Uses build/src/app/lindqua (LINDQUA_APP overrides it); build it first with ./run.sh or
# cmake --build build.
set -euo pipefail

# Inside the X server: start the tool with its own settings folder, wait for its window, then
# grab the screen until the grab shows a painted picture (many colours, not a blank window).
run_inside() {
    local app=$1 pic=$2 out=$3 scratch=$4
    export XDG_CONFIG_HOME="$scratch/config" XDG_RUNTIME_DIR="$scratch/runtime"
    mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
    QT_QPA_PLATFORM=xcb "$app" -pic "$pic" &
    local pid=$! shown=0
    for _ in $(seq 200); do
        if xwininfo -root -tree 2>/dev/null | grep -q '"Lindqua - '; then shown=1; break; fi
        sleep 0.1
    done
    if [[ $shown -eq 0 ]]; then
        echo "screenshot: the window did not appear" >&2
        kill "$pid" 2>/dev/null || true
        return 1
    fi
    local colours=0
    for _ in $(seq 100); do
        sleep 0.2
        import -window root "$out"
        colours=$(convert "$out" -format %k info:)
        [[ $colours -gt 200 ]] && break
    done
    sleep 0.5
    import -window root "$out"
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}
if [[ "${1:-}" == --inside ]]; then
    shift
    run_inside "$@"
    exit
fi

cd "$(dirname "$0")/.."
app=$(realpath -m "${LINDQUA_APP:-build/src/app/lindqua}")
out=$(realpath -m "${1:-build/screenshot.png}")
if [[ ! -x "$app" ]]; then
    echo "screenshot: $app is missing; build it first (./run.sh)" >&2
    exit 1
fi
for tool in xvfb-run import convert xwininfo; do
    command -v "$tool" >/dev/null || { echo "screenshot: $tool is missing (tools/setup.sh installs it)" >&2; exit 1; }
done
mkdir -p "$(dirname "$out")"
scratch=$(mktemp -d "${TMPDIR:-/tmp}/lindqua-shot.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
cp examples/* "$scratch"/
pic=$(find "$scratch" -maxdepth 1 \( -name "*.png" -o -name "*.jpg" \) | sort | head -n 1)

xvfb-run -a -s "-screen 0 1280x800x24" "$PWD/tools/screenshot.sh" --inside "$app" "$pic" "$out" "$scratch"
echo "screenshot: saved $out"
