#!/usr/bin/env bash
# Draws the program's icons and bitmaps with ImageMagick (Debian's "imagemagick" package).
# The output is committed beside this script; run it again after changing a picture:
#   res/art/draw.sh            (writes into res/art/)
# Every picture is plain vector drawing, so the output is the same on every run.
set -euo pipefail
out=${1:-$(cd "$(dirname "$0")" && pwd)}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# No time stamps or tool names inside the files, so regenerating changes nothing.
im() { convert -define png:exclude-chunks=date,time "$@"; }

# icon NAME SIZES DRAW-FUNCTION: renders the function at each size and packs an .ico.
icon() {
  local name=$1 sizes=$2 fn=$3 parts=()
  for s in $sizes; do
    "$fn" "$s" "$tmp/$name-$s.png"
    parts+=("$tmp/$name-$s.png")
  done
  im "${parts[@]}" "$out/$name.ico"
}

# Every drawing works on a 64-unit canvas scaled to the wanted size.
draw() {  # draw SIZE OUT PRIMITIVES...
  local s=$1 o=$2; shift 2
  local k; k=$(awk "BEGIN{print $s/64}")
  im -size "${s}x${s}" xc:none -draw "affine $k,0,0,$k,0,0 $*" "$o"
}

# 128: the program: a chain link mended by a quill stroke on a blue tile.
program() {
  draw "$1" "$2" "fill #2f6fb0 stroke #1b456f stroke-width 3 roundrectangle 4,4 60,60 10,10
    fill none stroke white stroke-width 7 roundrectangle 12,24 36,40 8,8 roundrectangle 28,24 52,40 8,8
    stroke #f5c542 stroke-width 4 line 18,54 50,10"
}
# 203: a drive.
drive() {
  draw "$1" "$2" "fill #9aa3ad stroke #4b535c stroke-width 3 roundrectangle 4,20 60,46 5,5
    fill #3ad16a stroke none circle 50,33 54,33 fill #4b535c rectangle 10,31 34,35"
}
# 204: help, a question mark in a round badge.
help_icon() {
  draw "$1" "$2" "fill #2f6fb0 stroke #1b456f stroke-width 3 circle 32,32 32,3
    fill none stroke white stroke-width 8 arc 20,12 44,34 180,40 line 33,33 32,42
    fill white stroke none circle 32,52 32,47"
}
# 207 closed folder, 208 open folder.
folder_closed() {
  draw "$1" "$2" "fill #e8b23a stroke #9c7213 stroke-width 3 polygon 4,14 24,14 30,20 60,20 60,54 4,54"
}
folder_open() {
  draw "$1" "$2" "fill #c9951f stroke #9c7213 stroke-width 3 polygon 4,14 24,14 30,20 52,20 52,30 4,30
    fill #f2c75c polygon 4,54 14,30 62,30 52,54"
}
# 209: the computer.
computer() {
  draw "$1" "$2" "fill #5d6b78 stroke #2c343c stroke-width 3 roundrectangle 6,8 58,44 4,4
    fill #8fd0ff stroke none rectangle 11,13 53,39
    fill #5d6b78 stroke #2c343c stroke-width 3 rectangle 26,44 38,52 rectangle 14,52 50,58"
}
# 214: the scan page, a magnifier over a shortcut arrow.
scan_page() {
  draw "$1" "$2" "fill white stroke #2f6fb0 stroke-width 6 circle 26,26 26,8
    stroke #1b456f stroke-width 10 line 39,39 58,58
    fill none stroke #d9452b stroke-width 5 line 18,34 33,19 polyline 22,19 33,19 33,30"
}
# 215 waiting, 216 scanning, 217 done: the state of a root in the scan list.
state_waiting() {
  draw "$1" "$2" "fill #d7dde3 stroke #6b7680 stroke-width 5 circle 32,32 32,6
    stroke #6b7680 stroke-width 6 line 32,32 32,16 line 32,32 44,38"
}
state_scanning() {
  draw "$1" "$2" "fill #ffe08a stroke #b68a00 stroke-width 5 circle 32,32 32,6
    fill #b68a00 stroke none polygon 24,18 48,32 24,46"
}
state_done() {
  draw "$1" "$2" "fill #3aa757 stroke #1f6b33 stroke-width 5 circle 32,32 32,6
    fill none stroke white stroke-width 8 polyline 18,33 28,44 47,22"
}
# 221 failed: a root that could not be searched.
state_failed() {
  draw "$1" "$2" "fill #d9452b stroke #8c2415 stroke-width 5 circle 32,32 32,6
    fill none stroke white stroke-width 8 line 22,22 42,42 line 42,22 22,42"
}
# 218: the results page, a broken shortcut arrow.
results_page() {
  draw "$1" "$2" "fill white stroke #4b535c stroke-width 3 rectangle 8,6 56,58
    fill none stroke #d9452b stroke-width 7 line 18,46 30,34 line 36,28 46,18 polyline 34,18 46,18 46,30"
}
# 220: support, a speech bubble.
support() {
  draw "$1" "$2" "fill #2f6fb0 stroke #1b456f stroke-width 3 roundrectangle 4,8 60,44 10,10
    polygon 16,42 30,42 14,58 fill white stroke none circle 18,26 22,26 circle 32,26 36,26 circle 46,26 50,26"
}

# Each icon holds its sizes at 100%, 150% and 200% (the tree's 18, the lists' 16, the welcome
# banner's 24), so none is scaled where it is shown.
icon program "16 24 32 36 48 64" program
icon drive "16 18 27 32 36" drive
icon help "16 24 32" help_icon
icon folder_closed "16 18 27 32 36" folder_closed
icon folder_open "16 18 27 32 36" folder_open
icon computer "16 18 27 32 36" computer
icon scan_page "16 32 48" scan_page
icon state_waiting "16 24 32" state_waiting
icon state_scanning "16 24 32" state_scanning
icon state_done "16 24 32" state_done
icon state_failed "16 24 32" state_failed
icon results_page "16 32 48" results_page
icon support "16 32 48" support

# 202: the banner of the welcome dialog, 616 x 62, a left-to-right blue gradient.
im -size 62x616 gradient:'#1b456f-#5b9bd5' -rotate -90 -type TrueColor BMP3:"$out/banner.bmp"
