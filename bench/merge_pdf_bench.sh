#!/usr/bin/env bash
# CreatePDFfromMultiPDF of 10 and 50 ten-page PDF files against qpdf
# merging them directly, in one run (see bench/merge_pdf_bench.cpp for
# what is timed and how), in a private Wine prefix (its own Xvfb, ended on
# exit) with the COM servers of tests/wine/register.list.
#
#   bench/merge_pdf_bench.sh <win64-build-dir> [rounds]     (default 9)
#
# The figures and the files stay in <build>/merge-bench/.
set -uo pipefail
[ $# -ge 1 ] && [ -d "$1" ] || { echo "usage: $0 <win64-build-dir> [rounds]" >&2; exit 2; }
# shellcheck source=lib/wine_bench.sh
. "$(dirname "$0")/lib/wine_bench.sh"
run_wine_bench merge_pdf_bench merge-bench "$1" "${2:-9}"
