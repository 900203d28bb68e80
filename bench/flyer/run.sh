#!/usr/bin/env bash
# The warm flyer cycle (merge of a shipped theme with a four-photo project, then render, until the
# picture is in memory), median of 20, beside the same page rendered by `chromium --headless
# --screenshot` (one process per page) and by `wkhtmltoimage`. Goal: <= 100 ms and <= 0.1 of Chromium.
# Usage: bash bench/flyer/run.sh   (bench/run.sh builds first; BENCH_RUNS changes the count)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
bash "$here/setup.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/listora-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
# A private HOME, so the benchmark never touches the user's settings or documents.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
export XDG_CACHE_HOME="$work/home/.cache" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$HOME/Documents" "$HOME/Pictures"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"
export LISTORA_DATA_DIR="$root/build/share/listora" QT_QPA_PLATFORM=offscreen
out="${BENCH_OUT:-$root/build/bench/flyer}"
mkdir -p "$out"
"$root/build/bin/bench_flyer" --runs "${BENCH_RUNS:-20}" --work "$work" --out "$out"
