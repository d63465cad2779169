#!/usr/bin/env bash
# GetTextCoordinates of an absent word (a search through every word) over
# a 20-page document, through Docvane.dll and the viewer stand-in under
# Wine, against pdftotext -bbox of the same file plus a count of its words,
# timed in the same run. Two documents of 20 pages, one with short pages
# and one with pages eight times as long, show whether the time per word
# depends on the page length.
#
#   bench/document_search_bench.sh <win64-build-dir>
set -uo pipefail
[ $# -ge 1 ] && [ -d "$1" ] || { echo "usage: $0 <win64-build-dir>" >&2; exit 2; }
BUILD=$(readlink -f "$1")
SRC=$(readlink -f "$(dirname "$0")/..")
case "$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$BUILD/CMakeCache.txt" 2>/dev/null)" in
  Release | RelWithDebInfo | MinSizeRel) ;;
  *) echo "$BUILD is not an optimised build (CMAKE_BUILD_TYPE Release or RelWithDebInfo)" >&2; exit 2 ;;
esac
# shellcheck source=../scripts/lib/wine-env.sh
. "$SRC/scripts/lib/wine-env.sh"

OUT="$BUILD/search-bench"
FILES="$BUILD/search-bench-files"  # beside the prefix folder, which wine_env_start empties
rm -rf "$OUT" "$FILES"
mkdir -p "$OUT" "$FILES"
# 20 pages of numbered words: <lines> lines of 8 words per page.
make_pdf() {
  local name=$1 lines=$2
  {
    echo "%!PS-Adobe-3.0"
    echo "%%Pages: 20"
    for p in $(seq 1 20); do
      echo "%%Page: $p $p"
      echo "/Helvetica findfont 7 scalefont setfont"
      for l in $(seq 1 "$lines"); do
        printf '36 %d moveto (' $((760 - l * 9))
        for w in $(seq 1 8); do printf 'w%dl%dn%d ' "$p" "$l" "$w"; done
        echo ") show"
      done
      echo "showpage"
    done
    echo "%%EOF"
  } >"$FILES/$name.ps"
  gs -q -dSAFER -dNOPAUSE -dBATCH -sDEVICE=pdfwrite -sOutputFile="$FILES/$name.pdf" "$FILES/$name.ps" || exit 1
}
make_pdf short 10
make_pdf long 80

# The baseline: pdftotext -bbox and a count of the words, best of three.
baseline() {
  local best="" t
  for _ in 1 2 3; do
    t=$( { TIMEFORMAT=%R; time pdftotext -bbox "$1" - | grep -c '<word ' >/dev/null; } 2>&1)
    if [ -z "$best" ] || awk "BEGIN{exit !($t < $best)}"; then best=$t; fi
  done
  echo "$best"
}

wine_env_start "$OUT" || exit 1
register_servers "$BUILD" "$SRC/tests/wine/register.list" || exit 1
timeout 900 wine cscript //nologo "$(winpath "$SRC/bench/document_search_bench.vbs")" \
  "$(winpath "$FILES/short.pdf")" "$(winpath "$FILES/long.pdf")" </dev/null 2>&1 | tr -d '\r' >"$OUT/result.txt"
grep -q END-OF-SCRIPT "$OUT/result.txt" || { cat "$OUT/result.txt"; exit 1; }
i=0
for name in short long; do
  read -r _ _ words first warm absent < <(grep "^RESULT $i " "$OUT/result.txt")
  base=$(baseline "$FILES/$name.pdf")
  awk -v n="$name" -v w="$words" -v f="$first" -v s="$warm" -v b="$base" -v a="$absent" 'BEGIN {
    printf "%s: 20 pages, %d words, answer -1: %s\n", n, w, a
    printf "  GetTextCoordinates, first call (reads the text): %.3f s, %.1f us per word\n", f, f * 1e6 / w
    printf "  GetTextCoordinates, text already read:           %.3f s, %.1f us per word\n", s, s * 1e6 / w
    printf "  pdftotext -bbox plus a count:                    %.3f s, %.1f us per word\n", b, b * 1e6 / w
    printf "  ratio first call / pdftotext: %.2f\n", f / b
  }'
  i=$((i + 1))
done
