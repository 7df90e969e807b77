#!/bin/sh
# Reads the shortcuts that the results page tests repaired with Debian's lnkinfo, an independent
# reader: each must name its new target and keep its arguments and icon. The page tests leave the
# files and expected.txt (one line "file<TAB>target<TAB>arguments<TAB>icon" each) in the folder
# given.
set -u
folder=$1
command -v lnkinfo >/dev/null 2>&1 || { echo "lnkinfo (liblnk-utils) is not installed"; exit 77; }
[ -s "$folder/expected.txt" ] || { printf '%s\n'  "the page tests left no repaired shortcut in $folder"; exit 1; }
tab=$(printf '\t')
status=0
checked=0
say() { printf '%s\n' "$*"; }
while IFS="$tab" read -r file target arguments icon; do
  report=$(lnkinfo "$folder/$file" 2>&1) || { say "$file: lnkinfo failed: $report"; status=1; continue; }
  field() { printf '%s\n' "$report" | sed -n "s/^[[:space:]]*$1[[:space:]]*: //p" | head -n 1; }
  local_path=$(field "Local path")
  found_arguments=$(field "Command line arguments")
  found_icon=$(field "Icon location")
  if [ "$local_path" != "$target" ]; then say "$file: local path '$local_path', expected '$target'"; status=1; fi
  if [ "$found_arguments" != "$arguments" ]; then
    say "$file: arguments '$found_arguments', expected '$arguments'"; status=1
  fi
  if [ "$found_icon" != "$icon" ]; then say "$file: icon '$found_icon', expected '$icon'"; status=1; fi
  checked=$((checked + 1))
done < "$folder/expected.txt"
echo "$checked repaired shortcuts read with lnkinfo"
exit $status
