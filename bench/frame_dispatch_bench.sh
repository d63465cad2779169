#!/usr/bin/env bash
# Runs bench/frame_dispatch_bench.vbs against a win64 build in a private
# Wine prefix (its own Xvfb, ended on exit), after registering the COM
# servers of tests/wine/register.list.
#
#   bench/frame_dispatch_bench.sh <win64-build-dir>
set -uo pipefail
[ $# -ge 1 ] && [ -d "$1" ] || { echo "usage: $0 <win64-build-dir>" >&2; exit 2; }
BUILD=$(readlink -f "$1")
SRC=$(readlink -f "$(dirname "$0")/..")
# shellcheck source=../scripts/lib/wine-env.sh
. "$SRC/scripts/lib/wine-env.sh"

wine_env_start "$BUILD/frame-bench" || exit 1
register_servers "$BUILD" "$SRC/tests/wine/register.list" || exit 1
timeout 600 wine cscript //nologo "$(winpath "$SRC/bench/frame_dispatch_bench.vbs")" </dev/null 2>&1 | tr -d '\r' | tee "$BUILD/frame-bench/result.txt"
grep -q END-OF-SCRIPT "$BUILD/frame-bench/result.txt"
