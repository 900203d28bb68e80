#!/usr/bin/env bash
# The warm flyer cycle (merge of a shipped theme with a four-photo project, then render, until the
# picture is in memory), median of 20, beside the same page rendered by `chromium --headless
# --screenshot` (one process per page) and by `wkhtmltoimage`. Goal: <= 100 ms and <= 0.1 of Chromium.
# Usage: bash bench/flyer/run.sh   (bench/run.sh builds first; BENCH_RUNS changes the count)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
bash "$here/setup.sh"

export LISTORA_DATA_DIR="$root/build/share/listora" QT_QPA_PLATFORM=offscreen
out="${BENCH_OUT:-$root/build/bench/flyer}"
mkdir -p "$out"
# A private HOME and scratch folder (tests/run-isolated.sh), so the benchmark never touches
# the user's settings or documents.
bash "$root/tests/run-isolated.sh" "$root/build/bin/bench_flyer" --runs "${BENCH_RUNS:-20}" --out "$out"
