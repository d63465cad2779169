#!/usr/bin/env bash
# CreatePDFfromPS on a 50-page PostScript file against the same Ghostscript
# conversion run directly, in one run (see bench/convert_ps_bench.cpp for
# what is timed and how), in a private Wine prefix (its own Xvfb, ended on
# exit) with the COM servers of tests/wine/register.list.
#
#   bench/convert_ps_bench.sh <win64-build-dir> [rounds]     (default 15)
#
# The figures and the files stay in <build>/convert-bench/.
set -uo pipefail
[ $# -ge 1 ] && [ -d "$1" ] || { echo "usage: $0 <win64-build-dir> [rounds]" >&2; exit 2; }
# shellcheck source=lib/wine_bench.sh
. "$(dirname "$0")/lib/wine_bench.sh"
run_wine_bench convert_ps_bench convert-bench "$1" "${2:-15}"
