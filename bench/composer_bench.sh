#!/usr/bin/env bash
# NewDocument.Save of a 50-page composed document against Ghostscript run
# directly on the PostScript Word printed for it, in one run (see
# bench/composer_bench.cpp), in a private Wine prefix (its own Xvfb, ended
# on exit) with the COM servers of tests/wine/register.list.
#
#   bench/composer_bench.sh <win64-build-dir> [rounds]     (default 9)
#
# The figures and the files stay in <build>/composer-bench/.
set -uo pipefail
[ $# -ge 1 ] && [ -d "$1" ] || { echo "usage: $0 <win64-build-dir> [rounds]" >&2; exit 2; }
BUILD=$(readlink -f "$1")
ROUNDS=${2:-9}
SRC=$(readlink -f "$(dirname "$0")/..")
# Only an optimised build measures the product.
case "$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$BUILD/CMakeCache.txt" 2>/dev/null)" in
  Release | RelWithDebInfo | MinSizeRel) ;;
  *) echo "$BUILD is not an optimised build (CMAKE_BUILD_TYPE Release or RelWithDebInfo)" >&2; exit 2 ;;
esac
EXE="$BUILD/bench/composer_bench.exe"
[ -f "$EXE" ] || { echo "no $EXE: build the win64 tree first" >&2; exit 2; }
# shellcheck source=../scripts/lib/wine-env.sh
. "$SRC/scripts/lib/wine-env.sh"

STATE="$BUILD/composer-bench"
wine_env_start "$STATE" || exit 1
register_servers "$BUILD" "$SRC/tests/wine/register.list" || exit 1
mkdir -p "$STATE/work"

timeout 1200 wine "$(winpath "$EXE")" "$(winpath "$STATE/work")" "$ROUNDS" </dev/null 2>"$STATE/bench.err" |
  tr -d '\r' | tee "$STATE/result.txt"
rc=${PIPESTATUS[0]}
if [ "$rc" -ne 0 ]; then
  tr -d '\r' <"$STATE/bench.err" | grep -v ':fixme:' >&2
  echo "composer_bench.exe failed (exit $rc)" >&2
  exit 1
fi
