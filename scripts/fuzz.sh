#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each in turn.
#
#   scripts/fuzz.sh [seconds] [build-dir] [target...]
#
# seconds: the whole run (default 60), shared evenly by the targets.
# build-dir: default build-fuzz. targets: default all of them:
#   relay_fuzz           the relay's command-line parser and handlers
#   vb_fuzz              Val and the C* conversions of the VB runtime
#   delimited_text_fuzz  the delimited-text reader behind TextFileToArray
# Findings (crashing inputs) are written to <build-dir>/<target>-findings/;
# each corpus grows in <build-dir>/<target>-corpus/. Exits non-zero on a
# finding or a build failure.
set -euo pipefail

SECONDS_TO_RUN=${1:-60}
SRC=$(readlink -f "$(dirname "$0")/..")
BUILD=$(readlink -m "${2:-$SRC/build-fuzz}")
case "$SECONDS_TO_RUN" in ''|*[!0-9]*) echo "usage: $0 [seconds] [build-dir] [target...]" >&2; exit 2 ;; esac
shift $(($# < 2 ? $# : 2))
declare -A BINARY=([relay_fuzz]=relay/relay_fuzz [vb_fuzz]=platform/vb_fuzz
                   [delimited_text_fuzz]=library/delimited_text_fuzz)
TARGETS=("$@")
[ ${#TARGETS[@]} -gt 0 ] || TARGETS=(relay_fuzz vb_fuzz delimited_text_fuzz)
for t in "${TARGETS[@]}"; do
  [ -n "${BINARY[$t]:-}" ] || { echo "fuzz: unknown target $t" >&2; exit 2; }
done

# Undefined behaviour ends the run like a crash: it is a finding too.
FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g -O1"
cmake -S "$SRC" -B "$BUILD" -DDV_FUZZ=ON -DDV_SANITIZE=OFF -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_C_FLAGS="$FLAGS" -DCMAKE_CXX_FLAGS="$FLAGS" >/dev/null
cmake --build "$BUILD" -j"${DV_JOBS:-2}" --target "${TARGETS[@]}"

# Seeds: inputs of the kind each target meets in use.
seed() { printf "$2" >"$CORPUS/seed-$1"; }
seeds_relay_fuzz() {
  # The command lines of the library, each after a small dialog.
  seed open '\x83\x00\x07\x00\x00\x01\x00\x01\x00open~open~C:\\a.pdf~'
  seed saveas '\x84\x00\x07\x00\x00\x02\x00\x01\x00\x02\x00\x01\x00\x02\x00\x01\x00save as~save as~C:\\o.txt~4~'
  seed headers '\x85\x00\x00\x00\x00\x03\x01\x01\x00\x03\x02\x01\x00\x03\x03\x01\x00\x06\x00\x01\x00add headers & footers~h~1~0~2~0~3~2~T~1~7~'
  seed printtofile '\x02\x00\x00\x00\x00\x01\x00\x01\x00print to file~print to file~C:\\x.ps~'
  seed security '\x83\x00\x07\x00\x00\x03\x05\x01\x00\x01\x00\x01\x00password security - settings~p~pw~'
}
seeds_vb_fuzz() {
  # Texts (first byte even) and raw doubles (first byte odd).
  local n=0 t
  for t in '8.0' ' 7x' '10.1.2' '&HFFFF' '&o17' '-1.5D+3' '2.5' '32767.5' '2147483648' '1E+309' \
           'True' '12/31/1999 11:59:59 PM' '1999-12-31T23:59' '2/29/2000' '0:00' '1/1/100'; do
    seed "text$((n++))" "\\x00$t"
  done
  seed half '\x01\x00\x00\x00\x00\x00\x00\xe0\x3f'
  seed big '\x01\x00\x00\x00\x00\x00\x00\xe0\x41'
  seed date '\x01\x00\x00\x00\x00\x80\x8e\xe1\x40'
  seed largest '\x01\xff\xff\xff\xff\xff\xff\xef\xff'  # -DBL_MAX: its text overflows, as in VB
}
seeds_delimited_text_fuzz() {
  # Mode byte: delimiter in the low nibble, 0x10 remove quotes, 0x20 String array.
  seed csv '\x11a,"b c",1.5\r\n2,,\r\n"q"\r\n'
  seed tabs '\x03x\ty\tz\nw\n\n'
  seed cp1252 '\x02na\xefve;caf\xe9;\x80\r'
  seed bom '\x20\xef\xbb\xbfh\xc3\xa9,llo\r\n'
  seed long '\x0ba,b\rab cab\rab'
}

status=0
each=$((SECONDS_TO_RUN / ${#TARGETS[@]}))
[ "$each" -gt 0 ] || each=1
for t in "${TARGETS[@]}"; do
  CORPUS="$BUILD/$t-corpus"
  FINDINGS="$BUILD/$t-findings"
  mkdir -p "$CORPUS" "$FINDINGS"
  "seeds_$t"
  echo "---- $t ($each s)"
  # -timeout: one input taking longer than 10 s of real time is a hang.
  if ! ASAN_OPTIONS=detect_leaks=1 "$BUILD/${BINARY[$t]}" "$CORPUS" \
    -max_total_time="$each" -timeout=10 -max_len=4096 \
    -artifact_prefix="$FINDINGS/" -print_final_stats=1; then
    echo "fuzz: $t found a fault (input in $FINDINGS/)" >&2
    status=1
  fi
done
exit $status
