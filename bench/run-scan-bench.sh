#!/usr/bin/env bash
# Builds the scan benchmark's tree (20,000 folders, 200,000 files, 5,000 shortcuts of every kind)
# with the native generator, then runs FindFiles against a bare walk of it under Wine, and the
# whole scan through the real scan page against the console scanner (with the latency of Stop).
#   bench/run-scan-bench.sh [FOLDERS FILES LINKS]
# Environment: QM_BENCH_WIN_BUILD (default build/win), QM_BENCH_TREE (default build/scan-bench/tree),
# QM_BENCH_ROUNDS (default 3 for FindFiles against the walk, 9 for the scan page), QM_BENCH_STOPS
# (default 20), QM_BENCH_PAGE_ARGS (more arguments for the page's benchmark: --all, --in-process).
# The tree is kept for later runs; delete it to make a new one. The machine's load is printed
# before and after each benchmark: a figure taken under load says little.
# QM_BENCH=suggest runs the suggestion benchmark on the same tree instead (the search for moved
# targets after the scan, as a share of the scan).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
folders=${1:-20000}; files=${2:-200000}; links=${3:-5000}
win=${QM_BENCH_WIN_BUILD:-$root/build/win}
native=$root/build/scan-bench-native
tree=${QM_BENCH_TREE:-$root/build/scan-bench/tree-$folders-$files-$links}
jobs=${QM_JOBS:-2}

cmake -S "$root" -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQM_SANITIZE=OFF -DQM_BUILD_TESTS=OFF \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$native" --target make_lnk_tree -j "$jobs" >/dev/null
cmake -S "$root" -B "$win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$win" --target scan_bench scan_page_bench suggest_bench qm_suite -j "$jobs" >/dev/null

. "$root/tools/wine-env.sh"
qm_ensure_display || exit 1
trap qm_stop_display EXIT
qm_ensure_prefix || exit 1
# A drive letter the prefix does not map: its shortcuts must not be reported.
absent=Q
for letter in Q R S T U V W X Y; do
  if [ ! -e "$WINEPREFIX/dosdevices/${letter,,}:" ]; then absent=$letter; break; fi
done
tree=$(realpath -m "$tree")
wintree="Z:${tree//\//\\}"
if [ ! -d "$tree" ]; then
  echo "Writing the tree to $tree ..."
  "$native/tools/lnkwriter/make_lnk_tree" "$tree" "$wintree" "$folders" "$files" "$links" "$absent"
fi
wintree_expected="Z:${tree//\//\\}.expected"
if [ "${QM_BENCH:-scan}" = suggest ]; then
  "$QM_WINE" "$win/bench/suggest_bench.exe" "$wintree" --rounds "${QM_BENCH_ROUNDS:-3}"
  exit $?
fi
load() { echo "load $1: $(cut -d' ' -f1-3 /proc/loadavg)"; }
load before
"$QM_WINE" "$win/bench/scan_bench.exe" "$wintree" --expected "$wintree_expected" --rounds "${QM_BENCH_ROUNDS:-3}"
load after
# The same tree through the real scan page against the console scanner, and Stop's latency.
echo
load before
# shellcheck disable=SC2086 # QM_BENCH_PAGE_ARGS holds several arguments
"$QM_WINE" "$win/bench/scan_page_bench.exe" "$wintree" --rounds "${QM_BENCH_ROUNDS:-9}" --stops "${QM_BENCH_STOPS:-20}" \
  ${QM_BENCH_PAGE_ARGS:-}
load after
