#!/usr/bin/env bash
# The long fuzz run of the shell-link reader and editor: tools/fuzz-lnk.sh [SECONDS] (default 600).
# It builds the native fuzz target and runs it with the regressions and the corpus beside the
# checkout as seeds; what it learns stays in build/native/lnk-fuzz/corpus for the next run, and
# an input that crashes it lands in build/native/lnk-fuzz/artifacts (add it to
# tests/lnk/fuzz-regressions once it is mended). The test suite runs a short fixed run instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
[[ "$seconds" =~ ^[0-9]+$ ]] || { echo "usage: tools/fuzz-lnk.sh [SECONDS]" >&2; exit 1; }
"$root/tools/build.sh" native >/dev/null
work="$root/build/native/lnk-fuzz"
mkdir -p "$work/corpus" "$work/artifacts"
seeds=("$root/tests/lnk/fuzz-regressions")
[ -f "$root/../shared/corpus/lnk/categories.tsv" ] && seeds+=("$root/../shared/corpus/lnk")
exec "$root/build/native/tests/lnk/lnk_fuzz" -max_total_time="$seconds" -timeout=30 -max_len=65536 -print_final_stats=1 \
  -artifact_prefix="$work/artifacts/" "$work/corpus" "${seeds[@]}"
