#!/usr/bin/env bash
# CreatePDFfromImageFile on a 12-megapixel JPEG against img2pdf plus
# qpdf --linearize run directly, in one run (see bench/convert_image_bench.cpp
# for what is timed), in a private Wine prefix (its own Xvfb, ended on exit)
# with the COM servers of tests/wine/register.list.
#
#   bench/convert_image_bench.sh <win64-build-dir> [rounds]     (default 5)
#
# The figures and the files stay in <build>/convert-image-bench/.
set -uo pipefail
[ $# -ge 1 ] && [ -d "$1" ] || { echo "usage: $0 <win64-build-dir> [rounds]" >&2; exit 2; }
# shellcheck source=lib/wine_bench.sh
. "$(dirname "$0")/lib/wine_bench.sh"
run_wine_bench convert_image_bench convert-image-bench "$1" "${2:-5}"
