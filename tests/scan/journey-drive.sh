#!/usr/bin/env bash
# Maps a free drive letter of the test prefix to a folder under the build tree for the journey
# test (the letter goes into FOLDER.letter), or removes that mapping again.
#   journey-drive.sh map|unmap FOLDER
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../tools/wine-env.sh"
action=$1; folder=$2
# Whatever an earlier run left behind goes first.
for link in "$WINEPREFIX"/dosdevices/?:; do
  if [ -L "$link" ] && [ "$(readlink "$link")" = "$folder" ]; then rm -f "$link"; fi
done
rm -f "$folder.letter" "$folder.retargeted"
[ "$action" = map ] || exit 0
rm -rf "$folder"
mkdir -p "$folder"
for letter in p q r s t u v w; do
  if [ ! -e "$WINEPREFIX/dosdevices/$letter:" ]; then
    ln -s "$folder" "$WINEPREFIX/dosdevices/$letter:"
    echo "$letter" >"$folder.letter"
    exit 0
  fi
done
echo "no free drive letter in the prefix" >&2
exit 1
