#!/usr/bin/env bash
# Render worker memory over a long batch: 2,000 flyers of a shipped four-photo theme, each from its
# own project folder and texts, as `listora-cli batch` makes them. Prints the worker's resident
# memory (and that of its engine processes) as it goes and its growth from flyer 100 to the end.
# Goal: the worker grows by at most 5 MB over 2,000 flyers.
# Usage: bash bench/worker/run.sh   (bench/run.sh builds first; BENCH_FLYERS changes the count)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"

export LISTORA_DATA_DIR="$root/build/share/listora" QT_QPA_PLATFORM=offscreen
# A private HOME and scratch folder (tests/run-isolated.sh), so the benchmark never touches
# the user's settings or documents.
bash "$root/tests/run-isolated.sh" "$root/build/bin/bench_worker" --flyers "${BENCH_FLYERS:-2000}"
