#!/usr/bin/env bash
# The main window's flyer cycle as a user meets it: time from a theme, font or colour change to the
# new flyer on the canvas, in the real window off-screen, median of 20. Goal: <= 100 ms. Then Flyer
# Details live: keystroke to flyer (goal median <= 100 ms, 95th percentile <= 150 ms, handling <= 2 ms)
# and a 12 MP photo chosen to flyer (goal <= 400 ms).
# Usage: bash bench/mainwin/run.sh   (bench/run.sh builds first; BENCH_RUNS changes the count)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"

# A private HOME (tests/run-isolated.sh) and a copy of the data folder, so the benchmark never
# touches the user's files or the build's covers.
export QT_QPA_PLATFORM=offscreen BENCH_DATA="$root/build/share/listora"
bash "$root/tests/run-isolated.sh" bash -c \
    'cp -r "$BENCH_DATA" "$TMPDIR/data" && LISTORA_DATA_DIR="$TMPDIR/data" exec "$0" --runs "${BENCH_RUNS:-20}"' \
    "$root/build/bin/bench_mainwin"
