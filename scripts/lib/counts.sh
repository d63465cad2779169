# gtest_xml_counts <xml>: prints "<passed> <failed>" for a GoogleTest XML
# report (disabled and skipped tests are neither). Prints nothing and
# returns 1 when the report is missing or unreadable.
gtest_xml_counts() {
  local xml=$1 head tests failures errors disabled skipped
  [ -s "$xml" ] || return 1
  # grep reads the file itself: under pipefail, a writer before "grep -m1"
  # would die of SIGPIPE when grep stops early, and fail a good report.
  head=$(grep -m1 -o '<testsuites [^>]*>' "$xml") || return 1
  attr() { echo "$head" | grep -o " $1=\"[0-9]*\"" | grep -o '[0-9]\+' || echo 0; }
  tests=$(attr tests); failures=$(attr failures); errors=$(attr errors)
  disabled=$(attr disabled); skipped=$(attr skipped)
  local failed=$((failures + errors))
  local passed=$((tests - disabled - skipped - failed))
  [ $passed -lt 0 ] && passed=0
  echo "$passed $failed"
}

# gtest_failure_details <log>: what a GoogleTest program printed inside its
# failed tests (the assertion messages and the test's own lines), Wine's
# debug channels left out, at most 40 lines a test. Nothing for a log
# without failed tests.
gtest_failure_details() {
  tr -d '\r' <"$1" | awk '
    /^\[ RUN      \]/ { n = 0; kept = 0; inside = 1; next }
    /^\[       OK \]/ { inside = 0; next }
    /^\[  FAILED  \]/ {
      if (inside) { for (i = 1; i <= n; i++) print "  | " buf[i]; if (kept > n) print "  | ... " kept - n " more lines" }
      inside = 0; next
    }
    # The summary lines printed inside a test are on show already.
    inside && !/^[0-9a-f]+:(fixme|err|warn|trace):/ && !/^(fixme|err|warn|trace):/ && !/^\[==========\]/ {
      kept++; if (n < 40) buf[++n] = $0
    }'
}
