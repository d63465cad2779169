#!/usr/bin/env bash
# The demo: installs what is missing, builds the x86_64 Windows binaries,
# prepares a private Wine prefix with the COM servers registered, runs
# every example listed in examples/examples.list, and shows the files they
# produced with their page counts.
set -uo pipefail

ROOT=$(readlink -f "$(dirname "$0")/..")
cd "$ROOT"
# shellcheck source=lib/wine-env.sh
. scripts/lib/wine-env.sh

BUILD="$ROOT/build-win64"
JOBS=${DV_JOBS:-2}

bash scripts/install-deps.sh || exit 1
cmake -S . -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake >/dev/null || exit 1
cmake --build "$BUILD" -j"$JOBS" || exit 1

wine_env_start "$BUILD/demo" || exit 1
register_servers "$BUILD" "$ROOT/tests/wine/register.list" || exit 1
# dlgrelay.exe goes where the library looks for it first: the system folder.
cp "$BUILD/relay/dlgrelay.exe" "$WINEPREFIX/drive_c/windows/system32/" || exit 1
OUT="$BUILD/demo/output"
mkdir -p "$OUT"

status=0
results=()
while read -r script outputs; do
  case "$script" in ''|'#'*) continue ;; esac
  echo
  echo "==== examples/$script"
  (cd "$OUT" && timeout -k 10 "$DV_WINE_TIMEOUT" wine cscript //nologo \
      "$(winpath "$ROOT/examples/$script")" "$(winpath "$OUT")" </dev/null 2>"$DV_WINE_STATE/$script.err") |
    tr -d '\r'
  for o in $outputs; do
    f="$OUT/$o"
    if [ ! -s "$f" ]; then
      results+=("MISSING  $f")
      status=1
    elif [[ "$f" == *.pdf ]]; then
      if qpdf --check "$f" >/dev/null 2>&1; then
        pages=$(pdfinfo "$f" 2>/dev/null | sed -n 's/^Pages:[[:space:]]*//p')
        results+=("$f  ($pages pages)")
      else
        results+=("DAMAGED  $f (qpdf --check fails)")
        status=1
      fi
    else
      results+=("$f  ($(stat -c %s "$f") bytes)")
    fi
  done
done <"$ROOT/examples/examples.list"

wine_env_stop
trap - EXIT INT TERM
echo
echo "Demo output:"
for r in "${results[@]}"; do echo "  $r"; done
exit $status
