#!/usr/bin/env bash
# The Wine bench: runs every Windows test program and every script client
# of a win64 build, spread over private Wine prefixes that run side by side.
#
#   scripts/wine-bench.sh <win64-build-dir> [filter]
#
# filter (optional) is a substring: only programs/scripts whose file name
# contains it are run. DV_WINE_LANES sets the number of prefixes (default
# 2). See tests/wine/README.md.
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
OUT="$STATE/out"      # logs and reports of this run
MARKER="END-OF-SCRIPT"
LANES=${DV_WINE_LANES:-2}
case "$LANES" in '' | *[!0-9]* | 0) echo "DV_WINE_LANES must be a positive number" >&2; exit 2 ;; esac
started=$SECONDS

rm -rf "$STATE"
mkdir -p "$OUT"

# ---- what to run ----
shopt -s nullglob
items=()
for f in "$PROGRAMS_DIR"/*.exe "$SCRIPTS_DIR"/*.vbs "$SCRIPTS_DIR"/*.js; do
  name=$(basename "$f")
  [ -z "$FILTER" ] || [[ "${name%.exe}" == *"$FILTER"* ]] || continue
  items+=("$f")
done
# The longest first (as long as the last run took), so that no lane is
# left with a long test at the end; unknown ones count as long. A program
# that took longer than DV_WINE_SHARD_SECONDS (default 60) is split into
# GoogleTest shards that can run in different lanes. Queue entries are
# "<program or script><TAB><shard><TAB><shards>".
DURATIONS="$BUILD/wine-bench.durations"
# A build that has not run the bench yet (a clean checkout, CI) starts from
# the durations kept with the tests, so its long programs are split as well.
[ -f "$DURATIONS" ] || cp "$SRC/tests/wine/durations.txt" "$DURATIONS" 2>/dev/null || true
SHARD_SECONDS=${DV_WINE_SHARD_SECONDS:-60}
# Programs whose tests share one suite-level run, which shards would repeat.
UNSPLIT="$SRC/tests/wine/unsplit.txt"
mapfile -t queue < <(for f in "${items[@]}"; do
  d=$(awk -v n="$(basename "$f")" '$2 == n { print $1 }' "$DURATIONS" 2>/dev/null | tail -n 1)
  d=${d:-9999}
  k=1
  if [[ "$f" == *.exe ]] && [ "$d" != 9999 ] && [ "$LANES" -gt 1 ] && [ "$d" -gt "$SHARD_SECONDS" ] &&
     ! grep -qx "$(basename "$f")" "$UNSPLIT" 2>/dev/null; then
    k=$(((d + SHARD_SECONDS - 1) / SHARD_SECONDS))
    [ "$k" -le $((2 * LANES)) ] || k=$((2 * LANES))
  fi
  for i in $(seq 0 $((k - 1))); do printf '%s\t%s\t%s\t%s\n' $((d / k)) "$f" "$i" "$k"; done
done | sort -s -t$'\t' -k1,1nr | cut -f2-)
[ "$LANES" -le ${#queue[@]} ] || LANES=${#queue[@]}
[ "$LANES" -ge 1 ] || LANES=1
printf '%s\n' "${queue[@]}" >"$STATE/queue"
echo 0 >"$STATE/queue.next"

# next_item: the next entry of the shared queue, or nothing when it is empty.
next_item() {
  (
    flock 8
    local n
    n=$(cat "$STATE/queue.next")
    echo $((n + 1)) >"$STATE/queue.next"
    sed -n "$((n + 1))p" "$STATE/queue"
  ) 8>"$STATE/queue.lock"
}

# run_program <exe> <lane-dir> <shard> <shards>: one GoogleTest program (or
# one shard of it); prints its report lines and "RESULT <passed> <failed>"
# plus "FAILURE <text>" lines.
run_program() {
  local exe=$1 dir=$2 shard=$3 shards=$4 name log xml rc counts p f why
  name=$(basename "$exe" .exe)
  [ "$shards" -eq 1 ] || name="$name.shard$((shard + 1))of$shards"
  log="$OUT/$name.log"
  xml="$name.xml"
  (cd "$dir/cwd" && GTEST_TOTAL_SHARDS=$shards GTEST_SHARD_INDEX=$shard \
    timeout -k 10 "$DV_WINE_TIMEOUT" wine "$exe" "--gtest_output=xml:$xml" </dev/null >"$log" 2>&1)
  rc=$?
  [ -f "$dir/cwd/$xml" ] && mv "$dir/cwd/$xml" "$OUT/$xml"
  tr -d '\r' <"$log" | grep -E '^\[ +(OK|FAILED|PASSED|SKIPPED) +\]|^\[==========\]' || true
  if counts=$(gtest_xml_counts "$OUT/$xml"); then
    read -r p f <<<"$counts"
    echo "RESULT $p $f"
    if [ "$f" -ne 0 ]; then
      echo "FAILURE $name ($f test(s))"
      gtest_failure_details "$log"
    fi
    if [ $rc -ne 0 ] && [ "$f" -eq 0 ]; then
      echo "RESULT 0 1"
      echo "FAILURE $name (exit $rc after reporting)"
    fi
  else
    [ $rc -eq 124 ] && why="timed out after ${DV_WINE_TIMEOUT}s" || why="exit $rc, no report"
    echo "RESULT 0 1"
    echo "FAILURE $name ($why)"
    tail -n 40 "$log" | tr -d '\r'
  fi
}

# run_script <file> <lane-dir>: one VBScript or JScript client, same output.
run_script() {
  local script=$1 dir=$2 name log rc p f why
  name=$(basename "$script")
  log="$OUT/$name.log"
  (cd "$dir/work" && timeout -k 10 "$DV_WINE_TIMEOUT" wine cscript //nologo "$(winpath "$script")" </dev/null >"$log" 2>&1)
  rc=$?
  tr -d '\r' <"$log" >"$log.txt"
  grep -E '^(PASS|FAIL) ' "$log.txt" || true
  p=$(grep -c '^PASS ' "$log.txt")
  f=$(grep -c '^FAIL ' "$log.txt")
  echo "RESULT $p $f"
  grep '^FAIL ' "$log.txt" | sed "s/^FAIL /FAILURE $name: /"
  if ! grep -qx "$MARKER" "$log.txt"; then
    # cscript exits 0 and prints nothing when a script dies: no marker, no pass.
    [ $rc -eq 124 ] && why="timed out" || why="died before $MARKER (exit $rc)"
    echo "RESULT 0 1"
    echo "FAILURE $name ($why)"
    tail -n 40 "$log.txt"
  elif [ $((p + f)) -eq 0 ]; then
    echo "RESULT 0 1"
    echo "FAILURE $name (reported no result)"
  fi
}

# run_lane <n>: its own prefix and display; takes tests from the queue until
# it is empty. Everything it reports goes to <lane-dir>/report.
run_lane() {
  local lane=$1 dir="$STATE/lane$1" entry item shard shards name what t0 block
  wine_env_start "$dir" "${DV_WINE_IMAGE:-$BUILD/wine-image}" >"$STATE/lane$lane.env.log" 2>&1 || {
    cat "$STATE/lane$lane.env.log"
    echo "RESULT 0 1" >>"$STATE/lane$lane.report"
    echo "FAILURE lane $lane: the Wine environment did not start" >>"$STATE/lane$lane.report"
    return 1
  }
  sed 's/^/['"$lane"'] /' "$STATE/lane$lane.env.log"
  mkdir -p "$dir/cwd" "$dir/work"
  # What a test may rely on (all as Windows paths; *_UNIX as Unix paths).
  export DV_SOURCE_DIR; DV_SOURCE_DIR=$(winpath "$SRC")
  export DV_BUILD_DIR; DV_BUILD_DIR=$(winpath "$BUILD")
  export DV_TEST_DATA; DV_TEST_DATA=$(winpath "$SRC/tests/wine/data")
  export DV_BENCH_DIR; DV_BENCH_DIR=$(winpath "$dir/work")
  export DV_BENCH_DIR_UNIX="$dir/work"
  export DV_WINE_BENCH=1

  t0=$SECONDS
  if ! register_servers "$BUILD" "$LIST" >"$dir/register.out" 2>&1; then
    cat "$dir/register.out"
    { echo "RESULT 0 1"; echo "FAILURE registration in lane $lane"; } >>"$STATE/lane$lane.report"
  fi
  echo "[$lane] registration: $((SECONDS - t0)) s"
  # The library's diagnostics interface answers only where the test bench
  # asks for it (never in a user's or the demo's prefix).
  if ! timeout 120 wine reg add 'HKCU\Software\Docvane\TestBench' /v Diagnostics /t REG_DWORD /d 1 /f \
    >>"$dir/register.out" 2>&1; then
    { echo "RESULT 0 1"; echo "FAILURE diagnostics switch in lane $lane"; } >>"$STATE/lane$lane.report"
  fi

  while entry=$(next_item) && [ -n "$entry" ]; do
    IFS=$'\t' read -r item shard shards <<<"$entry"
    name=$(basename "$item")
    what=$name
    [ "$shards" -eq 1 ] || what="$name, shard $((shard + 1)) of $shards"
    t0=$SECONDS
    case "$item" in
      *.exe) block=$(run_program "$item" "$dir" "$shard" "$shards") ;;
      *) block=$(run_script "$item" "$dir") ;;
    esac
    echo "$((SECONDS - t0)) $name" >>"$STATE/durations"
    # One block per test, so that lanes do not interleave within it.
    printf '[%s] ---- %s (%d s)\n%s\n' "$lane" "$what" $((SECONDS - t0)) \
      "$(echo "$block" | grep -v '^RESULT \|^FAILURE ')"
    echo "$block" | grep '^RESULT \|^FAILURE ' >>"$STATE/lane$lane.report"
  done
  t0=$SECONDS
  wine_env_stop
  trap - EXIT INT TERM
  echo "[$lane] done; stopping Wine took $((SECONDS - t0)) s"
}

lane_pids=()
# An interrupted lane cleans up once its running test returns; ending the
# lane's Wine processes makes that at once.
stop_lanes() {
  local pid lane
  for pid in "${lane_pids[@]}"; do kill -TERM "$pid" 2>/dev/null; done
  for lane in $(seq 1 "$LANES"); do
    [ -d "$STATE/lane$lane/prefix" ] && WINEPREFIX="$STATE/lane$lane/prefix" timeout 30 wineserver -k >/dev/null 2>&1
  done
  for pid in "${lane_pids[@]}"; do wait "$pid" 2>/dev/null; done
}
trap 'stop_lanes; exit 130' INT TERM

echo "Wine bench: ${#items[@]} programs and scripts (${#queue[@]} runs) in $LANES prefixes"
for lane in $(seq 1 "$LANES"); do
  run_lane "$lane" &
  lane_pids+=($!)
done
for pid in "${lane_pids[@]}"; do wait "$pid"; done
trap - INT TERM

passed=0
failed=0
failures=()
for lane in $(seq 1 "$LANES"); do
  [ -f "$STATE/lane$lane.report" ] || continue
  while read -r kind rest; do
    case "$kind" in
      RESULT) read -r p f <<<"$rest"; passed=$((passed + p)); failed=$((failed + f)) ;;
      FAILURE) failures+=("$rest") ;;
    esac
  done <"$STATE/lane$lane.report"
done
# Durations of this run (shards added up) order the next one; tests this
# run left out keep theirs.
if [ -f "$STATE/durations" ]; then
  touch "$DURATIONS"
  awk 'FNR == NR { t[$2] += $1; next } !($2 in t) { print } END { for (n in t) print t[n], n }' \
    "$STATE/durations" "$DURATIONS" >"$DURATIONS.new" && mv "$DURATIONS.new" "$DURATIONS"
fi

echo
echo "Wine bench results:"
for f in "${failures[@]}"; do echo "  FAILED: $f"; done
echo "Wine bench wall time: $((SECONDS - started)) s"
echo "Wine: $passed passed, $failed failed"
echo "$passed $failed" >"$STATE/summary"
if [ $failed -ne 0 ]; then exit 1; fi
if [ $passed -eq 0 ] && [ -z "$FILTER" ]; then
  echo "Wine bench: no test ran" >&2
  exit 1
fi
exit 0
