#!/usr/bin/env bash
# Batch flyers: a spreadsheet of 50 listings with four 12-megapixel camera photos each, made into PDF
# flyers by the whole listora-cli command with --jobs 2, at screen and at print quality: flyers per
# second and the peak memory of the command and its render workers together (goals: screen 8/s and at
# most 1 GB, print 3/s); then 500 rows in one run, the last 50 against the first 50 (goal: within 10 %).
# Usage: bash bench/batch/run.sh   (bench/run.sh builds first; BENCH_ROWS, BENCH_LONG_ROWS (0: no long
# run), BENCH_JOBS and BENCH_PHOTO change the load; BENCH_BASELINE_CLI=path runs an earlier listora-cli beside it,
# which gives a ratio that holds on a busy machine)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"

export LISTORA_DATA_DIR="$root/build/share/listora" QT_QPA_PLATFORM=offscreen
# A private HOME and scratch folder (tests/run-isolated.sh), so the benchmark never touches
# the user's settings or documents.
bash "$root/tests/run-isolated.sh" "$root/build/bin/bench_batch" --rows "${BENCH_ROWS:-50}" --long-rows "${BENCH_LONG_ROWS:-500}" \
    --jobs "${BENCH_JOBS:-2}" --photo "${BENCH_PHOTO:-4000x3000}" --cli "$root/build/bin/listora-cli" \
    ${BENCH_BASELINE_CLI:+--baseline-cli "$BENCH_BASELINE_CLI"}
