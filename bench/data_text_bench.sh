#!/usr/bin/env bash
# Builds and runs data_text_bench (TextFileToArray against a plain read,
# the text builder's growth) in a native build made for measuring:
# optimised (Release) and without sanitizers, in its own folder.
#
#   bench/data_text_bench.sh [build-dir]     (default build-bench)
set -euo pipefail
SRC=$(readlink -f "$(dirname "$0")/..")
BUILD=$(readlink -m "${1:-$SRC/build-bench}")
cmake -S "$SRC" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DDV_SANITIZE=OFF -DDV_FUZZ=OFF >/dev/null
cmake --build "$BUILD" -j"${DV_JOBS:-2}" --target data_text_bench
"$BUILD/bench/data_text_bench"
