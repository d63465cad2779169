#!/usr/bin/env bash
# Builds the relay's libFuzzer target with clang and runs it.
#
#   scripts/fuzz-relay.sh [seconds] [build-dir]
#
# seconds: length of the run (default 60). build-dir: default build-fuzz.
# Findings (crashing inputs) are written to <build-dir>/relay-fuzz-findings/;
# the corpus grows in <build-dir>/relay-fuzz-corpus/. Exits non-zero on a
# finding or a build failure.
set -euo pipefail

SECONDS_TO_RUN=${1:-60}
SRC=$(readlink -f "$(dirname "$0")/..")
BUILD=$(readlink -m "${2:-$SRC/build-fuzz}")
case "$SECONDS_TO_RUN" in ''|*[!0-9]*) echo "usage: $0 [seconds] [build-dir]" >&2; exit 2 ;; esac

FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -g -O1"
cmake -S "$SRC" -B "$BUILD" -DDV_FUZZ=ON -DDV_SANITIZE=OFF -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_C_FLAGS="$FLAGS" -DCMAKE_CXX_FLAGS="$FLAGS" >/dev/null
cmake --build "$BUILD" -j2 --target relay_fuzz

CORPUS="$BUILD/relay-fuzz-corpus"
FINDINGS="$BUILD/relay-fuzz-findings"
mkdir -p "$CORPUS" "$FINDINGS"
# Seeds: the command lines of the library, each after a small dialog.
seed() { printf "$1" >"$CORPUS/seed-$2"; }
seed '\x83\x00\x07\x00\x00\x01\x00\x01\x00open~open~C:\\a.pdf~' open
seed '\x84\x00\x07\x00\x00\x02\x00\x01\x00\x02\x00\x01\x00\x02\x00\x01\x00save as~save as~C:\\o.txt~4~' saveas
seed '\x85\x00\x00\x00\x00\x03\x01\x01\x00\x03\x02\x01\x00\x03\x03\x01\x00\x06\x00\x01\x00add headers & footers~h~1~0~2~0~3~2~T~1~7~' headers
seed '\x02\x00\x00\x00\x00\x01\x00\x01\x00print to file~print to file~C:\\x.ps~' printtofile
seed '\x83\x00\x07\x00\x00\x03\x05\x01\x00\x01\x00\x01\x00password security - settings~p~pw~' security

# -timeout: one input taking longer than 10 s of real time is a hang.
ASAN_OPTIONS=detect_leaks=1 "$BUILD/relay/relay_fuzz" "$CORPUS" \
  -max_total_time="$SECONDS_TO_RUN" -timeout=10 -max_len=4096 \
  -artifact_prefix="$FINDINGS/" -print_final_stats=1
