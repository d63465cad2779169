#!/usr/bin/env bash
# Runs every test: installs what is missing, builds natively (Debug,
# AddressSanitizer + UBSan) and runs the unit tests, cross-builds x86_64
# and, of i686, what ships (compile only: this kind of machine cannot run
# 32-bit programs), runs the Wine bench on the x86_64 build, fuzzes the
# relay's command lines, the VB conversions and the delimited-text reader
# (a minute in all, DV_FUZZ_SECONDS), and checks the paths the READMEs name.
#
# The i686 build and the fuzzing run beside the Wine bench, which spends
# most of its time waiting for Wine; DV_OVERLAP=0 runs every step in turn.
# Each step prints its wall time, and the summary lists them all.
# The last line is always "N passed, N failed" over everything that ran;
# the exit status is non-zero when anything failed or nothing ran.
set -uo pipefail

ROOT=$(readlink -f "$(dirname "$0")/..")
cd "$ROOT"
# shellcheck source=lib/counts.sh
. scripts/lib/counts.sh

JOBS=${DV_JOBS:-2}
FUZZ_SECONDS=${DV_FUZZ_SECONDS:-60}
OVERLAP=${DV_OVERLAP:-1}
passed=0
failed=0
problems=()
timings=()
started=$SECONDS

fail_step() { failed=$((failed + 1)); problems+=("$1"); echo "!! $1" >&2; }
section() { echo; echo "==== $*"; }
# record_time <name> <seconds>: one line of the summary's step times.
record_time() {
  echo "---- $1: $2 s"
  timings+=("$(printf '%6d s  %s' "$2" "$1")")
}
# timed <name> <command...>: runs a step in the foreground and records its wall time.
timed() {
  local name=$1 t0=$SECONDS rc
  shift
  "$@"
  rc=$?
  record_time "$name" $((SECONDS - t0))
  return $rc
}

# ---- steps ----

step_deps() { bash scripts/install-deps.sh || fail_step "installing dependencies"; }

native_ok=0
step_native_build() {
  if cmake -S . -B build-native -DCMAKE_BUILD_TYPE=Debug -DDV_SANITIZE=ON >build-native.configure.log 2>&1 ||
     { cat build-native.configure.log; false; }; then
    if cmake --build build-native -j"$JOBS"; then native_ok=1; else fail_step "native build"; fi
  else
    fail_step "native configure"
  fi
  rm -f build-native.configure.log
}

step_native_tests() {
  local xml="$ROOT/build-native/unit-tests.xml" rc counts p f
  rm -f "$xml"
  (cd build-native && ./tests/unit/dv_unit_tests --gtest_output="xml:$xml")
  rc=$?
  if counts=$(gtest_xml_counts "$xml"); then
    read -r p f <<<"$counts"
    echo "Native unit tests: $p passed, $f failed"
    passed=$((passed + p)); failed=$((failed + f))
    [ "$f" -eq 0 ] || problems+=("native unit tests ($f)")
    if [ $rc -ne 0 ] && [ "$f" -eq 0 ]; then fail_step "native unit tests exited $rc (sanitizer report?)"; fi
  else
    fail_step "native unit tests produced no report (exit $rc)"
  fi
}

win64_ok=0
step_win64_build() {
  if cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake >/dev/null; then
    if cmake --build build-win64 -j"$JOBS"; then win64_ok=1; else fail_step "MinGW x86_64 build"; fi
  else
    fail_step "MinGW x86_64 configure"
  fi
}

step_wine_bench() {
  local rc p f
  rm -f build-win64/wine-bench/summary
  bash scripts/wine-bench.sh build-win64
  rc=$?
  if [ -s build-win64/wine-bench/summary ]; then
    read -r p f <build-win64/wine-bench/summary
    passed=$((passed + p)); failed=$((failed + f))
    [ "$f" -eq 0 ] || problems+=("Wine bench ($f)")
    if [ $rc -ne 0 ] && [ "$f" -eq 0 ]; then fail_step "Wine bench exited $rc"; fi
  else
    fail_step "Wine bench did not finish (exit $rc)"
  fi
}

# The steps that may run beside the Wine bench report through files:
# <log> gets their output, <log>.result "<seconds> <exit status>".
# What ships (dv_product: the server, the relay, the example clients); the
# stand-ins and the tests only ever run as x86_64.
side_i686_build() {
  cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null &&
    cmake --build build-win32 -j"$1" --target dv_product
}
side_fuzz() { DV_JOBS=$1 bash scripts/fuzz.sh "$FUZZ_SECONDS" "$ROOT/build-fuzz"; }
run_side() {
  local log=$1 t0=$SECONDS rc
  shift
  "$@" >"$log" 2>&1
  rc=$?
  echo "$((SECONDS - t0)) $rc" >"$log.result"
}
# collect_side <name> <log> <failure text>: prints the step's outcome.
collect_side() {
  local name=$1 log=$2 what=$3 seconds rc
  if [ ! -s "$log.result" ] || ! read -r seconds rc <"$log.result"; then
    fail_step "$what (did not finish, see $log)"
    return 1
  fi
  section "$name"
  if [ "$rc" -eq 0 ]; then
    tail -n 6 "$log"
  else
    tail -n 40 "$log"
    fail_step "$what (see $log)"
  fi
  record_time "$name" "$seconds"
  return "$rc"
}

section "dependencies"
timed "dependencies" step_deps

section "native build (Debug, ASan+UBSan)"
timed "native build" step_native_build
if [ $native_ok -eq 1 ]; then
  section "native unit tests"
  timed "native unit tests" step_native_tests
fi

section "MinGW x86_64 build"
timed "MinGW x86_64 build" step_win64_build

I686_LOG="$ROOT/build-win32.log"
FUZZ_LOG="$ROOT/build-fuzz.log"
rm -f "$I686_LOG.result" "$FUZZ_LOG.result"
side_pid=""
if [ "$OVERLAP" = 1 ] && [ $win64_ok -eq 1 ]; then
  # At low priority: the cores the bench leaves while it waits on Wine go
  # to building and fuzzing, and all of them once the bench is done.
  section "beside the Wine bench: MinGW i686 build, then fuzzing (logs: build-win32.log, build-fuzz.log)"
  # Its own process group, so an interrupt can end the whole of it.
  set -m
  (renice -n 10 -p "$BASHPID" >/dev/null
   run_side "$I686_LOG" side_i686_build "$JOBS"; run_side "$FUZZ_LOG" side_fuzz "$JOBS") &
  side_pid=$!
  set +m
  trap '[ -n "$side_pid" ] && kill -- "-$side_pid" 2>/dev/null; exit 130' INT TERM
else
  section "MinGW i686 build (compile only)"
  run_side "$I686_LOG" side_i686_build "$JOBS"
fi

if [ $win64_ok -eq 1 ]; then
  section "Wine bench (x86_64)"
  timed "Wine bench" step_wine_bench
fi

if [ -n "$side_pid" ]; then
  t0=$SECONDS
  wait "$side_pid"
  side_pid=""
  trap - INT TERM
  record_time "waiting for the i686 build and fuzzing after the Wine bench" $((SECONDS - t0))
else
  run_side "$FUZZ_LOG" side_fuzz "$JOBS"
fi
collect_side "MinGW i686 build (compile only)" "$I686_LOG" "MinGW i686 build"
# Each fuzz target that ran counts as one test; a failure without a
# finding (the build) is the one collect_side counts.
fuzz_ran=$(grep -c '^---- ' "$FUZZ_LOG" 2>/dev/null || true)
fuzz_found=$(grep -c 'found a fault' "$FUZZ_LOG" 2>/dev/null || true)
fuzz_ran=${fuzz_ran:-0}
fuzz_found=${fuzz_found:-0}
collect_side "fuzzing (${FUZZ_SECONDS} s)" "$FUZZ_LOG" "fuzzing"
if [ "$fuzz_ran" -gt 0 ]; then
  echo "Fuzzing: $((fuzz_ran - fuzz_found)) targets without a finding, $fuzz_found with one"
  passed=$((passed + fuzz_ran - fuzz_found))
  [ "$fuzz_found" -le 1 ] || failed=$((failed + fuzz_found - 1))
fi

section "formatting (clang-format)"
t0=$SECONDS
format_out=$(bash scripts/check-format.sh)
format_rc=$?
echo "$format_out" | tail -n 20
# One test: every C++ source formatted.
if [ $format_rc -eq 0 ]; then
  passed=$((passed + 1))
else
  fail_step "formatting (scripts/check-format.sh --fix)"
fi
record_time "formatting" $((SECONDS - t0))

section "paths named in the READMEs, and the scripts' own tests"
t0=$SECONDS
# The scripts' own checks on made-up inputs: the README path check must
# report exactly what is missing, the report counting count every report.
for own in scripts/tests/*-test.sh; do
  self_out=$(bash "$own")
  echo "$self_out"
  p=$(grep -c '^PASS ' <<<"$self_out"); f=$(grep -c '^FAIL ' <<<"$self_out")
  passed=$((passed + p)); failed=$((failed + f))
  [ "$f" -eq 0 ] || problems+=("$own ($f)")
done
readme_out=$(bash scripts/check-readme-paths.sh)
readme_rc=$?
echo "$readme_out"
if read -r p f < <(echo "$readme_out" | sed -n 's/^README paths: \([0-9]*\) passed, \([0-9]*\) failed$/\1 \2/p'); then
  passed=$((passed + p)); failed=$((failed + f))
  [ "$f" -eq 0 ] || problems+=("README paths ($f)")
elif [ $readme_rc -ne 0 ]; then
  fail_step "README path check (exit $readme_rc)"
fi
record_time "README paths" $((SECONDS - t0))

section "summary"
echo "Wall time per step:"
printf '%s\n' "${timings[@]}"
printf '%6d s  %s\n' $((SECONDS - started)) "in all"
for p in "${problems[@]}"; do echo "  FAILED: $p"; done
if [ $((passed + failed)) -eq 0 ]; then
  fail_step "no test ran"
fi
echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
