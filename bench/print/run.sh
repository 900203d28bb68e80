#!/usr/bin/env bash
# The print-quality PDF of the four-photo Gallery flyer (print copies already made, warm worker),
# median of 20, beside `chromium --headless --print-to-pdf` of the same merged page (one process
# per page); the first print copy of a 12 MP original; the PDF's size with four 12 MP originals; the
# press-ready PDF (bleed, boxes, crop marks) of Gallery and Bold Banner beside their print pages.
# Goals: <= 300 ms, <= 150 ms, <= 6 MB; press <= 1.5 x the print page's time, <= 1.1 x its size.
# Usage: bash bench/print/run.sh   (bench/run.sh builds first; BENCH_RUNS changes the count)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
bash "$root/bench/flyer/setup.sh" # Chromium, the peer

export LISTORA_DATA_DIR="$root/build/share/listora" QT_QPA_PLATFORM=offscreen
out="${BENCH_OUT:-$root/build/bench/print}"
mkdir -p "$out"
# A private HOME and scratch folder (tests/run-isolated.sh), so the benchmark never touches
# the user's settings, documents or cache.
bash "$root/tests/run-isolated.sh" "$root/build/bin/bench_print" --runs "${BENCH_RUNS:-20}" --out "$out"
