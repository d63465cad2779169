#!/usr/bin/env bash
# The demo: installs what is missing, builds the x86_64 Windows binaries it
# needs, prepares a private Wine prefix with the COM servers registered,
# runs every example listed in examples/examples.list, and shows the files
# they produced with their page counts.
set -uo pipefail

ROOT=$(readlink -f "$(dirname "$0")/..")
cd "$ROOT"
# shellcheck source=lib/wine-env.sh
. scripts/lib/wine-env.sh

BUILD="$ROOT/build-win64"
JOBS=${DV_JOBS:-2}
LIST="$ROOT/examples/examples.list"
REGISTER="$ROOT/tests/wine/register.list"

bash scripts/install-deps.sh || exit 1

# Only what the demo runs: the COM servers (a file's target has the file's
# name), the relay and the example programs. The tests are not built.
targets=(dlgrelay)
while read -r line; do
  line="${line%%#*}"
  [ -n "${line// /}" ] || continue
  f=$(basename "$(echo "$line" | tr -d '[:space:]')")
  targets+=("${f%.*}")
done <"$REGISTER"
while read -r example _; do
  case "$example" in *.exe) targets+=("${example%.exe}") ;; esac
done <"$LIST"
echo "demo: building ${targets[*]} in $BUILD (the first build takes a few minutes)"
cmake -S . -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake >/dev/null || exit 1
cmake --build "$BUILD" -j"$JOBS" --target "${targets[@]}" >"$BUILD/demo-build.log" 2>&1 ||
  { tail -40 "$BUILD/demo-build.log"; echo "demo: build failed (see $BUILD/demo-build.log)" >&2; exit 1; }

wine_env_start "$BUILD/demo" || exit 1
register_servers "$BUILD" "$REGISTER" || exit 1
# dlgrelay.exe goes where the library looks for it first: the system folder.
cp "$BUILD/relay/dlgrelay.exe" "$WINEPREFIX/drive_c/windows/system32/" || exit 1
OUT="$BUILD/demo/output"
mkdir -p "$OUT"
# The demo machine has Acrobat 9 and Access 2003; the Access example reads
# a database built here from SQL text.
wine reg add 'HKLM\SOFTWARE\Classes\AcroExch.App\AcrobatVersion' /ve /d 9.0 /f >/dev/null 2>&1 || exit 1
wine reg add 'HKLM\SOFTWARE\Classes\Access.Application\CurVer' /ve /d Access.Application.11 /f >/dev/null 2>&1 || exit 1
rm -f "$OUT/sample.mdb" && sqlite3 "$OUT/sample.mdb" ".read $ROOT/examples/sample_database.sql" || exit 1

status=0
results=()
while read -r example outputs; do
  case "$example" in ''|'#'*) continue ;; esac
  echo
  echo "==== examples/$example"
  err="$DV_WINE_STATE/$example.err"
  case "$example" in
    *.exe)
      (cd "$OUT" && timeout -k 10 "$DV_WINE_TIMEOUT" wine "$(winpath "$BUILD/examples/$example")" \
          "$(winpath "$OUT")" </dev/null 2>"$err") | tr -d '\r'
      rc=${PIPESTATUS[0]} ;;
    *)
      (cd "$OUT" && timeout -k 10 "$DV_WINE_TIMEOUT" wine cscript //nologo \
          "$(winpath "$ROOT/examples/$example")" "$(winpath "$OUT")" </dev/null 2>"$err") | tr -d '\r' |
          tee "$DV_WINE_STATE/$example.out"
      rc=${PIPESTATUS[0]}
      # Wine's script host exits 0 and says nothing when a script dies, so
      # every example ends by printing "Done." and anything else is a failure.
      if [ "$rc" -eq 0 ] && [ "$(tail -n 1 "$DV_WINE_STATE/$example.out")" != "Done." ]; then
        echo "(the script stopped before its end)" >"$err"
        rc=1
      fi ;;
  esac
  if [ "$rc" -ne 0 ]; then
    # A script host that dies says nothing; programs say why on stderr.
    tr -d '\r' <"$err" | grep -v ':fixme:' | tail -5
    results+=("FAILED   examples/$example (exit $rc)")
    status=1
  fi
  for o in $outputs; do
    f="$OUT/$o"
    if [ ! -s "$f" ]; then
      results+=("MISSING  $f")
      status=1
    elif [[ "$f" == *.pdf ]]; then
      if check=$(qpdf --check "$f" 2>&1); then
        pages=$(pdfinfo "$f" 2>/dev/null | sed -n 's/^Pages:[[:space:]]*//p')
        results+=("$f  ($pages pages, qpdf --check clean)")
      else
        results+=("DAMAGED  $f (qpdf --check: $(echo "$check" | tail -1))")
        status=1
      fi
    else
      results+=("$f  ($(stat -c %s "$f") bytes)")
    fi
  done
done <"$LIST"

wine_env_stop
trap - EXIT INT TERM
echo
echo "Demo output (Windows path $(winpath "$OUT")):"
for r in "${results[@]}"; do echo "  $r"; done
if [ $status -eq 0 ]; then echo "Demo: all examples ran, all files present and clean."
else echo "Demo: FAILED (see above)."; fi
exit $status
