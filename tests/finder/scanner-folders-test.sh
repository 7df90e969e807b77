#!/usr/bin/env bash
# The console front end on folders that only the Unix side can make:
#  - an empty drive root, which holds no entries at all (not even "." and ".."), is searched as
#    the empty folder it is: exit code 0, one folder;
#  - folders below the root that can't be listed (Wine lists a Unix name with "?" in it but
#    can't open it, as Windows can't open a folder it may not read) give the exit code of an
#    incomplete search, 3, with a message that names each of them and counts them, and
#    everything else is still reported; --stats counts the .lnk files that are no shell links.
# It maps a drive letter in the test prefix for a moment, so ctest runs it alone.
#   scanner-folders-test.sh BIN_DIR TOOLS_DIR
set -euo pipefail
bin=$1; tools=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../tools/wine-env.sh"
run() { "$here/../../tools/wine-run.sh" "$@"; }
work=$(mktemp -d)
drive=
cleanup() { [ -z "$drive" ] || rm -f "$WINEPREFIX/dosdevices/$drive"; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "$1"; [ ! -f "$work/err" ] || cat "$work/err"; exit 1; }

# An unlistable folder beside ordinary ones.
tree=$work/tree
wintree="Z:${tree//\//\\}"
run "$tools/make_lnk_tree.exe" "$wintree" "$wintree" 20 40 32 >/dev/null
mkdir "$tree/q?x" "$tree/q?y"
cp "$(find "$tree" -name '*.lnk' -size +100c | head -n 1)" "$tree/q?x/unseen.lnk"
status=0
out=$(timeout 120 "$here/../../tools/wine-run.sh" "$bin/QuillMendScan.exe" --stats "$wintree" 2>"$work/err" | tr -d '\r' | sort) || status=$?
sed -i 's/\r$//' "$work/err"
[ "$status" -eq 3 ] || fail "unlistable subfolders: exit code $status, 3 expected"
grep -q ": 2 folders below it could not be listed" "$work/err" || fail "unlistable subfolders: no count of them"
# Wine shows the "?" of a Unix name as a character of its own: the rest of the name is kept.
[ "$(grep -cE '^  .*[\]q.*[xy] \(.+\)$' "$work/err")" -eq 2 ] || fail "unlistable subfolders: not both named with a reason"
expected=$(tr -d '\r' <"$tree.expected" | sort)
[ "$out" = "$expected" ] || { diff <(echo "$expected") <(echo "$out") || true; fail "unlistable subfolders: reported set differs"; }

# Files named .lnk that are no shell links (too short; long enough but not a link) are counted
# by --stats, beside a shortcut that is one and a file of another name.
mkdir "$work/odd"
printf 'tiny' >"$work/odd/tiny.lnk"
head -c 300 /dev/zero | tr '\0' 'x' >"$work/odd/text.lnk"
head -c 300 /dev/zero >"$work/odd/notes.txt"
cp "$(find "$tree" -name '*.lnk' -size +100c | head -n 1)" "$work/odd/"
status=0
timeout 120 "$here/../../tools/wine-run.sh" "$bin/QuillMendScan.exe" --stats "Z:${work//\//\\}\\odd" >/dev/null 2>"$work/err" || status=$?
[ "$status" -eq 0 ] || fail "files that are no shell links: exit code $status, 0 expected"
grep -qF " broken shortcuts, 2 files not readable as shortcuts, " "$work/err" ||
  fail "--stats: the two .lnk files that are no shell links are not counted"

# An empty drive root.
mkdir "$work/stick"
for letter in p q r s t u v w x; do
  if [ ! -e "$WINEPREFIX/dosdevices/$letter:" ]; then drive=$letter:; break; fi
done
[ -n "$drive" ] || fail "no free drive letter in the prefix"
ln -s "$work/stick" "$WINEPREFIX/dosdevices/$drive"
status=0
out=$(timeout 120 "$here/../../tools/wine-run.sh" "$bin/QuillMendScan.exe" --stats "${drive^^}\\" 2>"$work/err") || status=$?
[ "$status" -eq 0 ] || fail "empty drive root: exit code $status, 0 expected"
[ -z "$out" ] || fail "empty drive root: reported $out"
grep -q ": 1 folders," "$work/err" || fail "empty drive root: one folder expected"
echo "ok: unlistable subfolders give 3 and are named, unreadable shortcuts counted, empty drive root searched"
