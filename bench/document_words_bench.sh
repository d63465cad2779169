#!/usr/bin/env bash
# GetPagesWordCount of a 200-page PDF (every page's word count, the page
# text read on the first page) through Docvane.dll and the viewer stand-in
# under Wine, against pdftotext of the same file plus a count of its
# words, timed in the same run. Prints the ratio (goal at most 3).
#
#   bench/document_words_bench.sh <win64-build-dir>
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

OUT="$BUILD/words-bench"
FILES="$BUILD/words-bench-files"  # beside the prefix folder, which wine_env_start empties
rm -rf "$OUT" "$FILES"
mkdir -p "$OUT" "$FILES"
# 200 pages of 40 lines of 8 numbered words.
{
  echo "%!PS-Adobe-3.0"
  echo "%%Pages: 200"
  for p in $(seq 1 200); do
    echo "%%Page: $p $p"
    echo "/Helvetica findfont 7 scalefont setfont"
    for l in $(seq 1 40); do
      printf '36 %d moveto (' $((760 - l * 15))
      for w in $(seq 1 8); do printf 'w%dl%dn%d ' "$p" "$l" "$w"; done
      echo ") show"
    done
    echo "showpage"
  done
  echo "%%EOF"
} >"$FILES/words.ps"
gs -q -dSAFER -dNOPAUSE -dBATCH -sDEVICE=pdfwrite -sOutputFile="$FILES/words.pdf" "$FILES/words.ps" || exit 1

# The baseline: pdftotext and a count of the words, best of three.
baseline() {
  local best="" t
  for _ in 1 2 3; do
    t=$( { TIMEFORMAT=%R; time pdftotext "$1" - | wc -w >/dev/null; } 2>&1)
    if [ -z "$best" ] || awk "BEGIN{exit !($t < $best)}"; then best=$t; fi
  done
  echo "$best"
}

wine_env_start "$OUT" || exit 1
register_servers "$BUILD" "$SRC/tests/wine/register.list" || exit 1
timeout 900 wine cscript //nologo "$(winpath "$SRC/bench/document_words_bench.vbs")" \
  "$(winpath "$FILES/words.pdf")" </dev/null 2>&1 | tr -d '\r' >"$OUT/result.txt"
grep -q END-OF-SCRIPT "$OUT/result.txt" || { cat "$OUT/result.txt"; exit 1; }
read -r _ words first warm < <(grep "^RESULT " "$OUT/result.txt")
base=$(baseline "$FILES/words.pdf")
direct=$(pdftotext "$FILES/words.pdf" - | wc -w)
awk -v w="$words" -v d="$direct" -v f="$first" -v s="$warm" -v b="$base" 'BEGIN {
  printf "200 pages, %d words (pdftotext | wc -w: %d)\n", w, d
  printf "  GetPagesWordCount, first call (reads the text): %.3f s\n", f
  printf "  GetPagesWordCount, text already read:           %.3f s, %.2f ms per page\n", s, s * 1000 / 200
  printf "  pdftotext plus a word count:                    %.3f s\n", b
  printf "  ratio first call / pdftotext (goal <= 3): %.2f\n", f / b
  printf "  ratio later calls / pdftotext: %.2f\n", s / b
}'
