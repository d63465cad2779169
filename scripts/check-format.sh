#!/usr/bin/env bash
# Checks that every C++ source of the tree is formatted as .clang-format
# says. Prints the files that are not and "Format: N files formatted,
# N not"; exits non-zero when one is not.
#   scripts/check-format.sh            check
#   scripts/check-format.sh --fix      reformat them in place
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
command -v clang-format >/dev/null || { echo "check-format: clang-format is not installed" >&2; exit 2; }
fix=0
[ "${1:-}" = "--fix" ] && fix=1
passed=0
failed=0
while IFS= read -r f; do
  [ -f "$f" ] || continue
  if [ $fix -eq 1 ]; then
    clang-format -i "$f"
  elif clang-format --dry-run -Werror "$f" >/dev/null 2>&1; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "not formatted: $f (scripts/check-format.sh --fix)"
  fi
done < <(git ls-files -co --exclude-standard -- '*.cpp' '*.h')
[ $fix -eq 1 ] && exit 0
echo "Format: $passed files formatted, $failed not"
[ $failed -eq 0 ]
