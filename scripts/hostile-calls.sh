#!/usr/bin/env bash
# The long form of the hostile-calls harness: every public member of
# Docvane.dll with many seeds, in the Wine bench's private prefix.
#
#   scripts/hostile-calls.sh <win64-build-dir> [seeds-per-member] [first-seed] [Interface.Member]
#
# Prints the harness's findings and its counts (calls, members covered,
# crashes, hangs, leaks); exits non-zero when it found anything.
set -uo pipefail

[ $# -ge 1 ] && [ -d "$1" ] || { echo "usage: $0 <win64-build-dir> [seeds] [first-seed] [Interface.Member]" >&2; exit 2; }
BUILD=$(readlink -f "$1")
SRC=$(readlink -f "$(dirname "$0")/..")
export DV_HOSTILE_SEEDS=${2:-40}
export DV_HOSTILE_SEED=${3:-1}
export DV_HOSTILE_MEMBER=${4:-}
# About a second a call, plus children started again after a crash or hang.
export DV_WINE_TIMEOUT=${DV_WINE_TIMEOUT:-$((600 + DV_HOSTILE_SEEDS * 200))}

"$SRC/scripts/wine-bench.sh" "$BUILD" hostile_calls
rc=$?
log="$BUILD/wine-bench/out/hostile_calls_test.log"
if [ -f "$log" ]; then
  tr -d '\r' <"$log" | grep -E '^FINDING |hostile calls:' || true
fi
exit $rc
