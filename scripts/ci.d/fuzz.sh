#!/usr/bin/env bash
# Builds every fuzz target (fuzz/fuzz_<name>.cpp) with clang, libFuzzer and the address and
# undefined-behaviour sanitizers, and runs each for a bounded time from its seed corpus
# (fuzz/corpus/<name>/). Any crash, sanitizer report, leak, time-out or oversized allocation fails.
#   FUZZ_SECONDS  run time per target (default 50)
#   FUZZ_TARGETS  names to run (default: all)
set -euo pipefail
cd "$(dirname "$0")/../.."

seconds=${FUZZ_SECONDS:-50}
build=build/fuzz
CXX=clang++ cmake -S fuzz -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j 2

if [ -n "${FUZZ_TARGETS:-}" ]; then
    read -r -a names <<<"$FUZZ_TARGETS"
else
    names=()
    for source in fuzz/fuzz_*.cpp; do
        name=$(basename "$source" .cpp)
        names+=("${name#fuzz_}")
    done
fi

failed=0
for name in "${names[@]}"; do
    binary="$build/fuzz_$name"
    seeds="fuzz/corpus/$name"
    if [ ! -x "$binary" ]; then
        echo "fuzz: $binary was not built; add listora_fuzz_target($name ...) to fuzz/CMakeLists.txt" >&2
        failed=1
        continue
    fi
    if [ ! -d "$seeds" ]; then
        echo "fuzz: no seed corpus $seeds" >&2
        failed=1
        continue
    fi
    # New inputs go to a scratch corpus, so the committed seeds stay as they are.
    scratch=$(mktemp -d)
    echo "fuzz: $name for ${seconds}s"
    if ! "$binary" "$scratch" "$seeds" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 \
        -malloc_limit_mb=128 -print_final_stats=1 -artifact_prefix="$build/$name-" 2>"$build/$name.log"; then
        tail -n 60 "$build/$name.log" >&2
        echo "fuzz: $name FAILED; the input that did it is in $build/$name-*" >&2
        failed=1
    else
        grep -E '^stat::number_of_executed_units|^Done' "$build/$name.log" || true
    fi
    rm -rf "$scratch"
done
exit $failed
