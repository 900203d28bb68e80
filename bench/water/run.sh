#!/usr/bin/env bash
# One frame of the splash's water effect; goal <= 0.5 ms. Usage: bash bench/water/run.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
[ -d build ] || cmake --preset dev >/dev/null
cmake --build build --target bench_water >/dev/null
build/bin/bench_water
