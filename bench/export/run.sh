#!/usr/bin/env bash
# Export of the flyer bitmap to PDF (frame, quality-100 intermediate JPEG, PDF written) against one
# quality-100 JPEG encode of the same 816 x 1056 bitmap. Goal: ratio <= 1.3.
# Usage: bash bench/export/run.sh [runs]   (bench/run.sh builds first)
set -euo pipefail
cd "$(dirname "$0")/../.."
runtime=$(mktemp -d "${TMPDIR:-/tmp}/listora-bench.XXXXXX")
trap 'rm -rf "$runtime"' EXIT
chmod 700 "$runtime"
XDG_RUNTIME_DIR="$runtime" QT_QPA_PLATFORM=offscreen ./build/bin/bench_export "$@"
