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
# Only an optimised build measures the product.
case "$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$BUILD/CMakeCache.txt" 2>/dev/null)" in
  Release | RelWithDebInfo | MinSizeRel) ;;
  *) echo "$BUILD is not an optimised build (CMAKE_BUILD_TYPE Release or RelWithDebInfo)" >&2; exit 2 ;;
esac
# shellcheck source=../scripts/lib/wine-env.sh
. "$SRC/scripts/lib/wine-env.sh"

wine_env_start "$BUILD/frame-bench" || exit 1
register_servers "$BUILD" "$SRC/tests/wine/register.list" || exit 1
timeout 600 wine cscript //nologo "$(winpath "$SRC/bench/frame_dispatch_bench.vbs")" </dev/null 2>&1 | tr -d '\r' | tee "$BUILD/frame-bench/result.txt"
grep -q END-OF-SCRIPT "$BUILD/frame-bench/result.txt"
