#!/usr/bin/env bash
# Checks gtest_xml_counts (scripts/lib/counts.sh) on made-up reports.
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

echo "Report counting: $((4 - failures)) passed, $failures failed"
[ $failures -eq 0 ]
