#!/usr/bin/env bash
# Runs scripts/check-readme-paths.sh on a small made-up tree and compares
# what it reports with what it must report. Prints "PASS"/"FAIL" lines and
# exits non-zero on a difference.
set -uo pipefail
SRC=$(readlink -f "$(dirname "$0")/../..")
TREE=$(mktemp -d)
trap 'rm -rf "$TREE"' EXIT

mkdir -p "$TREE/lib/core" "$TREE/lib/include/dv" "$TREE/scripts" "$TREE/build-x/out" "$TREE/tests/wine/scripts"
touch "$TREE/lib/core/a.cpp" "$TREE/lib/core/b.h" "$TREE/lib/include/dv/host.h" "$TREE/scripts/run.sh" \
  "$TREE/tests/wine/scripts/x.vbs" "$TREE/lib/core/unit_vb_test.cpp" "$TREE/lib/core/unit_fakes_test.cpp"
cat >"$TREE/README.md" <<'MD'
Found: `scripts/run.sh`, `lib/core/`, `dv/host.h`, `lib/core/unit_{vb,fakes}_test.cpp`.
Left out: `build-x/out/gone.txt`, `<build>/wine-bench/summary`, `/bin/sh`, `C:\Docs\a.pdf`,
`HKCU\Software\X`, `Docvane.dll`, `lib/none.exe`, `Word.Application`, `.ps`, `a b.cpp`, `dv::lib`.
Missing: `scripts/gone.sh`, `lib/core/unit_{vb,gone}_test.cpp`, `nowhere.h`, `lib/core/*.idl`.
MD
cat >"$TREE/lib/README.md" <<'MD'
Relative to this folder and above: `core/a.cpp`, `b.h`, `core/*.cpp`, `scripts/run.sh`.
Missing: `core/c.cpp`, `x.vbs`.
MD
cat >"$TREE/build-x/README.md" <<'MD'
Build folders are not read: `missing/entirely.cpp`.
MD

out=$(bash "$SRC/scripts/check-readme-paths.sh" "$TREE")
rc=$?
expected='README.md: 4 of 10 named paths missing:
  lib/core/*.idl
  lib/core/unit_gone_test.cpp
  nowhere.h
  scripts/gone.sh
lib/README.md: 2 of 6 named paths missing:
  core/c.cpp
  x.vbs
README paths: 0 passed, 2 failed'
status=0
if [ "$out" = "$expected" ]; then echo "PASS README path check reports exactly the missing paths"; else
  echo "FAIL README path check reports exactly the missing paths"; diff <(echo "$expected") <(echo "$out"); status=1
fi
if [ $rc -ne 0 ]; then echo "PASS README path check fails when a path is missing"; else
  echo "FAIL README path check fails when a path is missing"; status=1
fi
rm "$TREE/lib/README.md" "$TREE/README.md"
if bash "$SRC/scripts/check-readme-paths.sh" "$TREE" >/dev/null; then echo "PASS README path check passes a tree without missing paths"; else
  echo "FAIL README path check passes a tree without missing paths"; status=1
fi
exit $status
