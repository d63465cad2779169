#!/usr/bin/env bash
# Checks that every repository path the project's READMEs name exists.
#
#   scripts/check-readme-paths.sh [tree]      (default: this repository)
#
# Which code spans count as paths: a span in backticks without blanks that
# contains a "/" or ends in a source extension (.cpp .h .idl .sh .md ...),
# e.g. `scripts/test.sh`, `relay_launch.*`, `dv/win32/com.h`. Left out on
# purpose, because they are not files of the tree:
#   - build output: a first component build or build-* (`build-win64/...`)
#     and built files (.exe .dll .tlb .obj .a .log .xml);
#   - generated or placeholder names, written with angle brackets
#     (`<build>/wine-bench/summary`, `<name>.vbs`);
#   - absolute paths (`/bin/sh`), Windows and registry paths (with "\" or
#     "~"), URLs, and anything with ":", "(", "=", "|" or quotes in it.
# Where a path is looked for: a name with a "/" under the README's folder
# or any folder above it up to the root, or under an include/ folder of
# the tree (`dv/host.h`); a bare file name anywhere under the README's
# folder. `*` and `{a,b}` match as in the shell; a pattern needs one match.
#
# Prints each README's missing paths and "README paths: N passed, N
# failed" (one test per README); exits non-zero when a path is missing.
set -uo pipefail

ROOT=$(readlink -f "${1:-$(dirname "$0")/..}")
cd "$ROOT" || exit 1

SOURCE_EXT='cpp|cc|c|h|hpp|idl|def|rc|sh|md|txt|list|vbs|js|cmake|ps|pdf|json|py|in|yml|yaml'
BUILT_EXT='exe|dll|tlb|obj|o|a|lib|log|xml'

# READMEs and include folders of the tree, build folders and .git aside.
mapfile -t READMES < <(find . \( -path './build*' -o -path './.git' \) -prune -o -name README.md -type f -print | sort)
mapfile -t INCLUDES < <(find . \( -path './build*' -o -path './.git' \) -prune -o -type d -name include -print)

looks_like_path() {
  local s=$1
  [ -n "$s" ] || return 1
  case "$s" in
    *[[:space:]]* | *'<'* | *'>'* | *\\* | *'~'* | *:* | *'('* | *')'* | *=* | *'|'* | *'"'* | *"'"* | *'$'*) return 1 ;;
    /* | -* | build/* | build-*/* | build-* | *'...'*) return 1 ;;
  esac
  [[ "$s" =~ ^\.[A-Za-z0-9]+$ ]] && return 1   # an extension alone (".ps")
  [[ "$s" =~ \.($BUILT_EXT)$ ]] && return 1
  [[ "$s" == */* ]] && return 0
  [[ "$s" =~ \.($SOURCE_EXT|\*)$ ]]
}

# One level of {a,b,...} expansion, without letting the shell evaluate text.
expand_braces() {
  local s=$1
  if [[ "$s" =~ ^([^{]*)\{([^}]*)\}(.*)$ ]]; then
    local pre=${BASH_REMATCH[1]} alts=${BASH_REMATCH[2]} post=${BASH_REMATCH[3]} a
    IFS=, read -r -a parts <<<"$alts"
    for a in "${parts[@]}"; do expand_braces "$pre$a$post"; done
  else
    printf '%s\n' "$s"
  fi
}

# Whether a path (maybe a pattern) exists under one base folder.
under() {
  local base=$1 p=${2%/}
  if [[ "$p" == *'*'* ]]; then
    compgen -G "$base/$p" >/dev/null
  else
    [ -e "$base/$p" ]
  fi
}

found() {
  local p=$1 dir=$2 d inc
  if [[ "$p" == */* ]]; then
    d=$dir
    while :; do
      under "$d" "$p" && return 0
      [ "$d" = . ] && break
      d=$(dirname "$d")
    done
    for inc in "${INCLUDES[@]}"; do under "$inc" "$p" && return 0; done
    return 1
  fi
  [ -n "$(find "$dir" \( -path './build*' -o -path './.git' \) -prune -o -name "$p" -print -quit)" ]
}

passed=0
failed=0
for readme in "${READMES[@]}"; do
  dir=$(dirname "$readme")
  missing=()
  checked=0
  while IFS= read -r span; do
    span=${span#\`}; span=${span%\`}
    looks_like_path "$span" || continue
    while IFS= read -r p; do
      checked=$((checked + 1))
      found "$p" "$dir" || missing+=("$p")
    done < <(expand_braces "$span")
  done < <(grep -o '`[^`]*`' "$readme" | sort -u)
  if [ ${#missing[@]} -eq 0 ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "${readme#./}: ${#missing[@]} of $checked named paths missing:"
    printf '  %s\n' "${missing[@]}"
  fi
done
echo "README paths: $passed passed, $failed failed"
[ $failed -eq 0 ]
