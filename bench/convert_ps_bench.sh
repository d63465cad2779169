#!/usr/bin/env bash
# CreatePDFfromPS on a 50-page PostScript file against the same Ghostscript
# conversion run directly, in one run, in a private Wine prefix (its own
# Xvfb, ended on exit) with the COM servers of tests/wine/register.list.
#
#   bench/convert_ps_bench.sh <win64-build-dir> [rounds]
#
# bench/convert_ps_bench.exe writes the PostScript file and the job
# prologue the Distiller stand-in runs, and times, in-process and around
# the call only, Docvane's CreatePDFfromPS, the stand-in's FileToPDF alone
# and the start of a Unix program from Wine. This script times the same
# Ghostscript command line the stand-in starts (same arguments, same
# prologue, output to a file) directly, half of the rounds before and half
# after the Wine program, and compares medians.
set -uo pipefail
[ $# -ge 1 ] && [ -d "$1" ] || { echo "usage: $0 <win64-build-dir> [rounds]" >&2; exit 2; }
BUILD=$(readlink -f "$1")
ROUNDS=${2:-6}
SRC=$(readlink -f "$(dirname "$0")/..")
EXE="$BUILD/bench/convert_ps_bench.exe"
[ -f "$EXE" ] || { echo "no $EXE: build the win64 tree first" >&2; exit 2; }
# shellcheck source=../scripts/lib/wine-env.sh
. "$SRC/scripts/lib/wine-env.sh"

STATE="$BUILD/convert-bench"
wine_env_start "$STATE" || exit 1
register_servers "$BUILD" "$SRC/tests/wine/register.list" || exit 1
WORK="$STATE/work"
mkdir -p "$WORK"

direct() {  # one direct Ghostscript run, prints its wall time in seconds
  local t0 t1
  t0=$(date +%s.%N)
  gs -q -dBATCH -dNOPAUSE -dSAFER --permit-file-read=/* -sDEVICE=pdfwrite \
    -sOutputFile="$WORK/direct.pdf" -f "$WORK/prologue.ps" >"$WORK/direct.log" 2>&1 || return 1
  t1=$(date +%s.%N)
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.4f\n", b - a }'
}

if ! timeout 900 wine "$(winpath "$EXE")" "$(winpath "$WORK")" "$ROUNDS" </dev/null \
    >"$STATE/wine.txt" 2>"$STATE/wine.err"; then
  tr -d '\r' <"$STATE/wine.err" | grep -v '^[0-9a-f]*:fixme' >&2
  echo "convert_ps_bench.exe failed" >&2
  exit 1
fi
tr -d '\r' <"$STATE/wine.txt" >"$STATE/times.txt"
# The prologue exists now; the direct runs go around a second Wine run so
# that both kinds of figure come from the same stretch of machine load.
: >"$STATE/direct.txt"
for _ in $(seq 1 "$ROUNDS"); do
  t=$(direct) || { echo "direct Ghostscript run failed (see $WORK/direct.log)" >&2; exit 1; }
  echo "time gs $t" >>"$STATE/direct.txt"
done
if ! timeout 900 wine "$(winpath "$EXE")" "$(winpath "$WORK")" "$ROUNDS" </dev/null \
    >"$STATE/wine2.txt" 2>>"$STATE/wine.err"; then
  echo "convert_ps_bench.exe failed (second run)" >&2
  exit 1
fi
tr -d '\r' <"$STATE/wine2.txt" >>"$STATE/times.txt"
grep -c '^Page ' "$WORK/direct.log" | grep -qx 50 || { echo "direct run did not print 50 pages" >&2; exit 1; }
qpdf --check "$WORK/direct.pdf" >/dev/null 2>&1 || { echo "direct run wrote a damaged PDF" >&2; exit 1; }
cat "$STATE/direct.txt" >>"$STATE/times.txt"

median() {  # median of the figures of one kind
  awk -v k="$1" '$1 == "time" && $2 == k { print $3 }' "$STATE/times.txt" | sort -g |
    awk '{ v[NR] = $1 } END { if (NR == 0) print "nan"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
gs_t=$(median gs)
dist_t=$(median distiller)
dv_t=$(median docvane)
unix_t=$(median unix-start)
# CreatePDFfromPS makes no waits of its own: it calls FileToPDF, which
# returns when the job is done, and takes no stable-file readings (those
# belong to the paths where an application prints in the background).
waits=0
awk -v g="$gs_t" -v d="$dist_t" -v c="$dv_t" -v u="$unix_t" -v w="$waits" -v n="$ROUNDS" 'BEGIN {
  printf "CreatePDFfromPS, 50 pages, medians of %d rounds each (two Wine runs) and %d direct runs\n", 2 * n, n
  printf "  Ghostscript directly                 %8.3f s\n", g
  printf "  Distiller stand-in FileToPDF alone   %8.3f s  (its Unix program start from Wine: %.3f s)\n", d, u
  printf "  Docvane CreatePDFfromPS              %8.3f s\n", c
  printf "  waits the pipeline must make         %8.3f s\n", w
  printf "RATIO (CreatePDFfromPS - waits) / direct = %.4f   overhead %+.1f %% (goal: within 5 %%)\n", (c - w) / g, ((c - w) / g - 1) * 100
  printf "  of which the Distiller stand-in %+.1f %%, Docvane on top of it %+.1f %%\n", (d - g) / g * 100, (c - d) / g * 100
}' | tee "$STATE/result.txt"
