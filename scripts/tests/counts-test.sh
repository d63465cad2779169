#!/usr/bin/env bash
# Checks gtest_xml_counts and gtest_failure_details (scripts/lib/counts.sh) on made-up reports.
# Prints "PASS"/"FAIL" lines and exits non-zero on a failure.
set -uo pipefail
SRC=$(readlink -f "$(dirname "$0")/../..")
# shellcheck source=../lib/counts.sh
. "$SRC/scripts/lib/counts.sh"
DIR=$(mktemp -d)
trap 'rm -rf "$DIR"' EXIT
failures=0
check() {
  if [ "$2" = "$3" ]; then echo "PASS $1"; else echo "FAIL $1: got '$2', expected '$3'"; failures=$((failures + 1)); fi
}

# A report as large as the unit tests' (well beyond a pipe's buffer), with
# Windows line ends: read whole every time, however the reads interleave.
{
  printf '<?xml version="1.0" encoding="UTF-8"?>\r\n'
  printf '<testsuites tests="12" failures="2" disabled="3" errors="1" skipped="1" name="AllTests">\r\n'
  for i in $(seq 4000); do printf '  <testcase name="Case%d" status="run" result="completed" />\r\n' "$i"; done
  printf '</testsuites>\r\n'
} >"$DIR/large.xml"
bad=0
for _ in $(seq 30); do [ "$(gtest_xml_counts "$DIR/large.xml")" = "5 3" ] || bad=$((bad + 1)); done
check "a large report counts the same on every read" "$bad" 0

printf '<testsuites tests="2" failures="0" errors="0" name="AllTests">\n</testsuites>\n' >"$DIR/plain.xml"
check "absent attributes count as 0" "$(gtest_xml_counts "$DIR/plain.xml")" "2 0"

: >"$DIR/empty.xml"
gtest_xml_counts "$DIR/empty.xml" >/dev/null
check "an empty report is no report" $? 1
gtest_xml_counts "$DIR/none.xml" >/dev/null
check "a missing report is no report" $? 1

# The lines of failed tests only, without Wine's debug channels.
{
  printf '[ RUN      ] A.Passes\r\n'
  printf 'noise of a passing test\r\n'
  printf '[       OK ] A.Passes (1 ms)\r\n'
  printf '[ RUN      ] A.Fails\r\n'
  printf '0024:fixme:ole:something\r\n'
  printf 'FINDING X#1 hang\r\n'
  printf 'test.cpp:9: Failure\r\n'
  printf '[  FAILED  ] A.Fails (2 ms)\r\n'
  printf '[  FAILED  ] A.Fails\r\n'
} >"$DIR/failed.log"
check "a failed test's lines are shown, a passing one's are not" "$(gtest_failure_details "$DIR/failed.log" | tr '\n' '/')" \
  "  | FINDING X#1 hang/  | test.cpp:9: Failure/"
for i in $(seq 50); do echo "line $i"; done | sed '1i [ RUN      ] B.Long' | sed '$a [  FAILED  ] B.Long' >"$DIR/long.log"
check "a long failure is cut at 40 lines" "$(gtest_failure_details "$DIR/long.log" | tail -n 1)" "  | ... 10 more lines"

echo "Report counting: $((6 - failures)) passed, $failures failed"
[ $failures -eq 0 ]
