#!/usr/bin/env bash
# The Wine bench: runs every Windows test program and every script client
# of a win64 build in a fresh private Wine prefix.
#
#   scripts/wine-bench.sh <win64-build-dir> [filter]
#
# filter (optional) is a substring: only programs/scripts whose file name
# contains it are run. See tests/wine/README.md.
set -uo pipefail

usage() { echo "usage: $0 <win64-build-dir> [filter]" >&2; exit 2; }
[ $# -ge 1 ] && [ -d "$1" ] || usage
BUILD=$(readlink -f "$1")
FILTER=${2:-}
SRC=$(readlink -f "$(dirname "$0")/..")
# shellcheck source=lib/wine-env.sh
. "$SRC/scripts/lib/wine-env.sh"
# shellcheck source=lib/counts.sh
. "$SRC/scripts/lib/counts.sh"

STATE="$BUILD/wine-bench"
LIST="$SRC/tests/wine/register.list"
PROGRAMS_DIR="$BUILD/wine-tests"
SCRIPTS_DIR="$SRC/tests/wine/scripts"
MARKER="END-OF-SCRIPT"

passed=0
failed=0
failures=()

note_fail() { failed=$((failed + 1)); failures+=("$1"); }

wine_env_start "$STATE" || { echo "Wine bench: 0 passed, 1 failed (environment did not start)"; exit 1; }
# The library's diagnostics interface answers only where the test bench
# asks for it (never in a user's or the demo's prefix).
timeout 120 wine reg add 'HKCU\Software\Docvane\TestBench' /v Diagnostics /t REG_DWORD /d 1 /f >/dev/null 2>&1 ||
  { echo "Wine bench: 0 passed, 1 failed (diagnostics switch not set)"; exit 1; }

OUT="$STATE/out"      # logs and reports of this run
WORK="$STATE/work"    # scratch folder handed to the tests
mkdir -p "$OUT" "$WORK"
# What a test may rely on (all as Windows paths; *_UNIX as Unix paths).
export DV_SOURCE_DIR; DV_SOURCE_DIR=$(winpath "$SRC")
export DV_BUILD_DIR; DV_BUILD_DIR=$(winpath "$BUILD")
export DV_TEST_DATA; DV_TEST_DATA=$(winpath "$SRC/tests/wine/data")
export DV_BENCH_DIR; DV_BENCH_DIR=$(winpath "$WORK")
export DV_BENCH_DIR_UNIX="$WORK"
export DV_WINE_BENCH=1

if ! register_servers "$BUILD" "$LIST"; then
  note_fail "registration"
fi

# ---- Windows GoogleTest programs ----
shopt -s nullglob
for exe in "$PROGRAMS_DIR"/*.exe; do
  name=$(basename "$exe" .exe)
  [ -z "$FILTER" ] || [[ "$name" == *"$FILTER"* ]] || continue
  log="$OUT/$name.log"
  xml="$OUT/$name.xml"
  echo "---- $name"
  (cd "$OUT" && timeout -k 10 "$DV_WINE_TIMEOUT" wine "$exe" "--gtest_output=xml:$name.xml" </dev/null >"$log" 2>&1)
  rc=$?
  tr -d '\r' <"$log" | grep -E '^\[ +(OK|FAILED|PASSED|SKIPPED) +\]|^\[==========\]' || true
  if counts=$(gtest_xml_counts "$xml"); then
    read -r p f <<<"$counts"
    passed=$((passed + p))
    failed=$((failed + f))
    [ "$f" -eq 0 ] || failures+=("$name ($f test(s))")
    if [ $rc -ne 0 ] && [ "$f" -eq 0 ]; then
      note_fail "$name (exit $rc after reporting)"
    fi
  else
    [ $rc -eq 124 ] && why="timed out after ${DV_WINE_TIMEOUT}s" || why="exit $rc, no report"
    note_fail "$name ($why)"
    tail -n 40 "$log" | tr -d '\r'
  fi
done

# ---- VBScript / JScript clients ----
for script in "$SCRIPTS_DIR"/*.vbs "$SCRIPTS_DIR"/*.js; do
  name=$(basename "$script")
  [ -z "$FILTER" ] || [[ "$name" == *"$FILTER"* ]] || continue
  log="$OUT/$name.log"
  echo "---- $name"
  (cd "$WORK" && timeout -k 10 "$DV_WINE_TIMEOUT" wine cscript //nologo "$(winpath "$script")" </dev/null >"$log" 2>&1)
  rc=$?
  tr -d '\r' <"$log" >"$log.txt"
  grep -E '^(PASS|FAIL) ' "$log.txt" || true
  p=$(grep -c '^PASS ' "$log.txt")
  f=$(grep -c '^FAIL ' "$log.txt")
  passed=$((passed + p))
  failed=$((failed + f))
  while IFS= read -r l; do failures+=("$name: ${l#FAIL }"); done < <(grep '^FAIL ' "$log.txt")
  if ! grep -qx "$MARKER" "$log.txt"; then
    # cscript exits 0 and prints nothing when a script dies: no marker, no pass.
    [ $rc -eq 124 ] && why="timed out" || why="died before $MARKER (exit $rc)"
    note_fail "$name ($why)"
    tail -n 40 "$log.txt"
  elif [ $((p + f)) -eq 0 ]; then
    note_fail "$name (reported no result)"
  fi
done

echo
echo "Wine bench results:"
for f in "${failures[@]}"; do echo "  FAILED: $f"; done
echo "Wine: $passed passed, $failed failed"
echo "$passed $failed" >"$STATE/summary"
wine_env_stop
trap - EXIT INT TERM
if [ $failed -ne 0 ]; then exit 1; fi
if [ $passed -eq 0 ] && [ -z "$FILTER" ]; then
  echo "Wine bench: no test ran" >&2
  exit 1
fi
exit 0
