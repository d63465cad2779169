#!/usr/bin/env bash
# Runs every test: installs what is missing, builds natively (Debug,
# AddressSanitizer + UBSan) and runs the unit tests, cross-builds x86_64
# and i686 with MinGW (i686 compile only: this kind of machine cannot run
# 32-bit programs), runs the Wine bench on the x86_64 build, and fuzzes the
# relay's command-line handling for a minute (DV_FUZZ_SECONDS).
# The last line is always "N passed, N failed" over everything that ran;
# the exit status is non-zero when anything failed or nothing ran.
set -uo pipefail

ROOT=$(readlink -f "$(dirname "$0")/..")
cd "$ROOT"
# shellcheck source=lib/counts.sh
. scripts/lib/counts.sh

JOBS=${DV_JOBS:-2}
passed=0
failed=0
problems=()

fail_step() { failed=$((failed + 1)); problems+=("$1"); echo "!! $1" >&2; }
section() { echo; echo "==== $*"; }

section "dependencies"
bash scripts/install-deps.sh || fail_step "installing dependencies"

# ---- native ----
section "native build (Debug, ASan+UBSan)"
native_ok=0
if cmake -S . -B build-native -DCMAKE_BUILD_TYPE=Debug -DDV_SANITIZE=ON >build-native.configure.log 2>&1 ||
   { cat build-native.configure.log; false; }; then
  if cmake --build build-native -j"$JOBS"; then native_ok=1; else fail_step "native build"; fi
else
  fail_step "native configure"
fi
rm -f build-native.configure.log

if [ $native_ok -eq 1 ]; then
  section "native unit tests"
  xml="$ROOT/build-native/unit-tests.xml"
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
fi

# ---- MinGW x86_64 + Wine ----
section "MinGW x86_64 build"
win64_ok=0
if cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake >/dev/null; then
  if cmake --build build-win64 -j"$JOBS"; then win64_ok=1; else fail_step "MinGW x86_64 build"; fi
else
  fail_step "MinGW x86_64 configure"
fi

# ---- MinGW i686 (compile only) ----
section "MinGW i686 build (compile only)"
if cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null; then
  cmake --build build-win32 -j"$JOBS" || fail_step "MinGW i686 build"
else
  fail_step "MinGW i686 configure"
fi

if [ $win64_ok -eq 1 ]; then
  section "Wine bench (x86_64)"
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
fi

# ---- fuzzing the relay's command-line parser and dispatch ----
section "relay fuzzing (${DV_FUZZ_SECONDS:-60} s)"
if bash scripts/fuzz-relay.sh "${DV_FUZZ_SECONDS:-60}" "$ROOT/build-fuzz" >build-fuzz.log 2>&1; then
  tail -n 4 build-fuzz.log
  echo "Relay fuzzing: no crash, no hang"
  passed=$((passed + 1))
else
  tail -n 40 build-fuzz.log
  fail_step "relay fuzzing (see build-fuzz.log)"
fi

section "summary"
for p in "${problems[@]}"; do echo "  FAILED: $p"; done
if [ $((passed + failed)) -eq 0 ]; then
  fail_step "no test ran"
fi
echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
