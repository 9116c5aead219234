#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes the README's screenshots on an X server of their own (Xvfb, 1280 x 1024):
#   docs/screenshots/first-start.png   a copy of the program in an empty folder at its first
#                                      start: the first steps' hint, the windows side by side
#   docs/screenshots/demo-catalogue.png  the demo catalogue (romshelf --demo) with its first
#                                      game selected: list, snap, information, system log
#   docs/screenshots/emulator-suggestions.png  its FC emulator dialog offering the emulators
#                                      installed on the machine
#   docs/screenshots/environment-dialog.png  the environment dialog's eight pages
#   docs/screenshots/demo-catalogue-dark.png   the demo catalogue under a dark desktop theme
#   docs/screenshots/demo-catalogue-dark-150.png  the same at 150 % (QT_SCALE_FACTOR=1.5)
# The dark theme is a KDE colour scheme (Breeze Dark's colours) in a kdeglobals of its own, which
# Qt reads itself as it reads a KDE desktop's: no theme plugin is needed. --dark takes only those
# two, on a larger screen (1920 x 1536).
# Run after a build (BUILD_DIR, default build); needs xvfb-run, xwininfo, xdotool and
# ImageMagick's import and convert.
set -eu
cd "$(dirname "$0")/.."
case "${1:-}" in
  --on-display | --dark-on-display) ;;
  --dark) exec xvfb-run -a -s '-screen 0 1920x1536x24 -noreset' "$0" --dark-on-display ;;
  # Without -noreset the server resets when its last client leaves and refuses the next one.
  *) exec xvfb-run -a -s '-screen 0 1280x1024x24 -noreset' "$0" --on-display ;;
esac
BUILD_DIR=${BUILD_DIR:-build}
OUT=${OUT:-docs/screenshots}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=xcb

# Waits for the main frame, then for the windows to settle.
wait_for_frame() {
  for _ in $(seq 1 150); do
    xwininfo -root -tree 2>/dev/null | grep -q 'Romshelf Plus !!' && break
    sleep 0.1
  done
  sleep 2
}

# The demo catalogue under the dark scheme at QT_SCALE_FACTOR $1, its first row clicked, into $2.
dark_demo() {
  mkdir -p "$work/config"
  printf '%s\n' '[General]' 'ColorScheme=BreezeDark' '' \
    '[Colors:Window]' 'BackgroundNormal=32,35,38' 'ForegroundNormal=252,252,252' '' \
    '[Colors:View]' 'BackgroundNormal=20,22,24' 'BackgroundAlternate=29,31,34' \
    'ForegroundNormal=252,252,252' 'ForegroundLink=29,153,243' 'ForegroundVisited=155,89,182' '' \
    '[Colors:Button]' 'BackgroundNormal=41,44,48' 'ForegroundNormal=252,252,252' '' \
    '[Colors:Selection]' 'BackgroundNormal=61,174,233' 'ForegroundNormal=252,252,252' '' \
    '[Colors:Tooltip]' 'BackgroundNormal=41,44,48' 'ForegroundNormal=252,252,252' \
    >"$work/config/kdeglobals"
  rm -rf "$work/dark"
  XDG_CONFIG_HOME="$work/config" KDE_SESSION_VERSION=5 KDE_FULL_SESSION=true \
    XDG_CURRENT_DESKTOP=KDE QT_QPA_PLATFORMTHEME=kde QT_SCALE_FACTOR="$1" \
    "$BUILD_DIR/bin/romshelf" --demo "$work/dark" 2>"$work/dark.err" &
  pid=$!
  wait_for_frame
  # The first row, where it lies at this scale.
  xdotool mousemove "$(awk "BEGIN { print int(120 * $1) }")" "$(awk "BEGIN { print int(104 * $1) }")" click 1
  sleep 2
  import -window root "$2"
  kill -TERM "$pid"
  wait "$pid"
}

if [ "${1:-}" = "--dark-on-display" ]; then
  dark_demo 1 "$OUT/demo-catalogue-dark.png"
  dark_demo 1.5 "$OUT/demo-catalogue-dark-150.png"
  echo "wrote $OUT/demo-catalogue-dark.png and $OUT/demo-catalogue-dark-150.png"
  exit 0
fi

# The first start: a copy of the program keeps its data beside itself, so the folder is empty.
cp "$BUILD_DIR/bin/romshelf" "$work/romshelf"
"$work/romshelf" 2>"$work/first.err" &
pid=$!
wait_for_frame
import -window root "$OUT/first-start.png"
kill -TERM "$pid"
wait "$pid"

# The demo catalogue, its first row clicked.
"$BUILD_DIR/bin/romshelf" --demo "$work/demo" 2>"$work/demo.err" &
pid=$!
wait_for_frame
xdotool mousemove 120 104 click 1
sleep 2
import -window root "$OUT/demo-catalogue.png"

# 設定 > エミュレータ設定 > テレビゲーム > ファミリーコンピュータ, then its インストール済みから選択….
xdotool mousemove 167 8 click 1
sleep 0.7
xdotool key Down Down Right
sleep 0.5
xdotool key Right
sleep 0.5
xdotool key Return
sleep 1.5
geometry=$(xwininfo -root -tree | grep 'のエミュレータ設定' | grep -o '+[0-9]*+[0-9]*' | head -1)
x=$(echo "$geometry" | cut -d+ -f2)
y=$(echo "$geometry" | cut -d+ -f3)
xdotool mousemove $((x + 600)) $((y + 91)) click 1
sleep 1
import -window root -crop "860x470+$x+$y" +repage "$OUT/emulator-suggestions.png"
xdotool key Escape
sleep 0.3
xdotool key Escape
sleep 0.5

# The environment dialog (Ctrl+O), its eight pages one after the other, put together two a row.
xdotool mousemove 120 104 click 1
sleep 0.5
xdotool key ctrl+o
sleep 1.5
dialog=$(xdotool search --name '^環境設定$' | head -1)
for page in 0 1 2 3 4 5 6 7; do
  import -window "$dialog" "$work/page$page.png"
  xdotool key ctrl+Tab
  sleep 0.7
done
xdotool key Escape
sleep 0.5
for row in 0 1 2 3; do
  convert "$work/page$((row * 2)).png" "$work/page$((row * 2 + 1)).png" +append "$work/row$row.png"
done
convert "$work/row0.png" "$work/row1.png" "$work/row2.png" "$work/row3.png" -append \
  "$OUT/environment-dialog.png"
kill -TERM "$pid"
wait "$pid"
echo "wrote $OUT/first-start.png, $OUT/demo-catalogue.png, $OUT/emulator-suggestions.png" \
  "and $OUT/environment-dialog.png"
