#!/usr/bin/env bash
# Folder cycles made of Unix symbolic links, which Wine shows as reparse points: the console
# front end must search each real folder once, end, and report exactly the broken shortcuts.
#   symlink-cycle-test.sh BIN_DIR TOOLS_DIR
set -euo pipefail
bin=$1; tools=$2
here=$(cd "$(dirname "$0")" && pwd)
run() { "$here/../../tools/wine-run.sh" "$@"; }
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
tree=$work/tree
wintree="Z:${tree//\//\\}"
run "$tools/make_lnk_tree.exe" "$wintree" "$wintree" 40 100 48 >/dev/null
# A link back to the root, one to its own folder, and one to a sibling.
ln -s "$tree" "$tree/d2/back to root"
ln -s "$tree/d3" "$tree/d3/self"
ln -s "$tree/d4" "$tree/d5/to d4"
status=0
out=$(timeout 120 "$here/../../tools/wine-run.sh" "$bin/QuillMendScan.exe" --stats "$wintree" 2>"$work/err" | tr -d '\r' | sort) || status=$?
[ "$status" -eq 0 ] || { echo "exit code $status"; cat "$work/err"; exit 1; }
expected=$(tr -d '\r' <"$tree.expected" | sort)
[ "$out" = "$expected" ] || { echo "reported set differs"; diff <(echo "$expected") <(echo "$out") || true; exit 1; }
grep -q ": 40 folders," "$work/err" || { echo "each folder once expected:"; cat "$work/err"; exit 1; }
echo "ok: $(echo "$out" | wc -l) broken shortcuts, 40 folders, cycles not followed"
