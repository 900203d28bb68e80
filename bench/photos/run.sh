#!/usr/bin/env bash
# Photo intake of one 12-megapixel JPEG against the libjpeg-turbo floor (djpeg | cjpeg -quality 100,
# plus cjpeg of the 600-pixel photo). Called by bench/run.sh, which builds it first.
set -euo pipefail
cd "$(dirname "$0")/../.."
QT_QPA_PLATFORM=offscreen ./build/bin/bench_photos "$@"
