#!/usr/bin/env bash
# Batch flyers: a spreadsheet of 50 listings with four 12-megapixel camera photos each, made into PDF
# flyers. Prints flyers per second (in process, and for the whole listora-cli command) and the share
# of the time spent in photo intake, in merge and render, and in writing the PDF.
# Usage: bash bench/batch/run.sh   (bench/run.sh builds first; BENCH_ROWS and BENCH_PHOTO change the load)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"

work=$(mktemp -d "${TMPDIR:-/tmp}/listora-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
# A private HOME, so the benchmark never touches the user's settings or documents.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
export XDG_CACHE_HOME="$work/home/.cache" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$HOME/Documents" "$HOME/Pictures"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"
export LISTORA_DATA_DIR="$root/build/share/listora" QT_QPA_PLATFORM=offscreen
# The PDF writer reports each page it adds on standard output; only the figures are of interest here.
"$root/build/bin/bench_batch" --rows "${BENCH_ROWS:-50}" --photo "${BENCH_PHOTO:-4000x3000}" --work "$work" \
    --cli "$root/build/bin/listora-cli" | grep -v "^Adding "
