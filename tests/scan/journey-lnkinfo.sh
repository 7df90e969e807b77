#!/usr/bin/env bash
# Reads the shortcut that the journey test re-targeted with Debian's lnkinfo, a reader that is
# not ours: it must name the new target and still hold the arguments and the icon. The journey
# leaves what it expects in FOLDER.retargeted: the link's Unix path, then the target, the
# arguments and the icon location, one a line.
#   journey-lnkinfo.sh FOLDER
set -uo pipefail
expected=$1.retargeted
if [ ! -f "$expected" ]; then
  echo "the journey left no re-targeted shortcut to read ($expected)" >&2
  exit 1
fi
{ IFS= read -r link; IFS= read -r target; IFS= read -r arguments; IFS= read -r icon; } <"$expected"
report=$(LC_ALL=C.UTF-8 lnkinfo "$link" 2>&1)
field() { printf '%s\n' "$report" | sed -n "s/^[[:space:]]*$1[[:space:]]*: //p" | head -n 1; }
status=0
check() {
  local got
  got=$(field "$1")
  if [ "$got" != "$2" ]; then
    echo "lnkinfo's $1 is '$got', not '$2'" >&2
    status=1
  fi
}
check "Local path" "$target"
check "Command line arguments" "$arguments"
check "Icon location" "$icon"
[ "$status" -eq 0 ] || printf '%s\n' "$report" >&2
exit "$status"
