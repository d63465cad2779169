# What the Wine benches share: check that the build is optimised, start a
# private Wine prefix (its own Xvfb, ended on exit) with the COM servers of
# tests/wine/register.list, and run the bench program in it with a work
# folder and the rounds.
#
#   run_wine_bench <program> <state folder name> <win64-build-dir> <rounds>
#
# The figures and the files stay in <build>/<state folder name>/.
run_wine_bench() {
  local program=$1 state_name=$2 build rounds=$4 src
  build=$(readlink -f "$3")
  src=$(readlink -f "$(dirname "${BASH_SOURCE[0]}")/../..")
  # Only an optimised build measures the product.
  case "$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt" 2>/dev/null)" in
    Release | RelWithDebInfo | MinSizeRel) ;;
    *) echo "$build is not an optimised build (CMAKE_BUILD_TYPE Release or RelWithDebInfo)" >&2; return 2 ;;
  esac
  local exe="$build/bench/$program.exe"
  [ -f "$exe" ] || { echo "no $exe: build the win64 tree first" >&2; return 2; }
  # shellcheck source=../../scripts/lib/wine-env.sh
  . "$src/scripts/lib/wine-env.sh"

  local state="$build/$state_name"
  wine_env_start "$state" || return 1
  register_servers "$build" "$src/tests/wine/register.list" || return 1
  mkdir -p "$state/work"

  timeout 1200 wine "$(winpath "$exe")" "$(winpath "$state/work")" "$rounds" </dev/null 2>"$state/bench.err" |
    tr -d '\r' | tee "$state/result.txt"
  local rc=${PIPESTATUS[0]}
  if [ "$rc" -ne 0 ]; then
    tr -d '\r' <"$state/bench.err" | grep -v ':fixme:' >&2
    echo "$program.exe failed (exit $rc)" >&2
    return 1
  fi
}
