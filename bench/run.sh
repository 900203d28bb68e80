#!/usr/bin/env bash
# Builds the benchmarks and runs each one (bench/<name>/run.sh), printing medians and ratios to their peers.
# Usage: bash bench/run.sh [name ...]
# Names: photos, flyer, mainwin, export, water, batch, print (the print-quality page), worker (the
# render worker's memory over 2,000 flyers; goal: it grows by at most 5 MB), campaign (a listing's 7 files).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset dev >/dev/null
cmake --build --preset dev >/dev/null
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
    for d in bench/*/; do [ -f "$d/run.sh" ] && names+=("$(basename "$d")"); done
fi
for n in "${names[@]}"; do
    echo "== $n"
    bash "bench/$n/run.sh"
done
