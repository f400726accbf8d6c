#!/usr/bin/env bash
# End to end under a virtual X display: start the built program on a demo
# prefix, move the pointer over Scan, press, move, answer the scan-complete
# box and check that the problem page lists problems. Screenshots are left in
# the output folder.
#
# usage: scan_e2e.sh <velmora> <make-demo-prefix.sh> <output folder>
# It starts its own virtual display. Exit 77 (skipped) when the tools are
# missing outside CI.
set -euo pipefail

if [ -z "${VELMORA_E2E_INNER:-}" ]; then
  for tool in xvfb-run xdotool wine /usr/bin/import /usr/bin/convert; do
    if ! command -v "$tool" >/dev/null; then
      echo "e2e: $tool is not installed" >&2
      if [ "${CI:-}" = true ]; then exit 1; fi
      exit 77
    fi
  done
  export VELMORA_E2E_INNER=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

velmora=$1
make_prefix=$2
out=$3
mkdir -p "$out"
rm -f "$out"/*.png
work=$(mktemp -d)
app_pid=
cleanup() {
  if [ -n "$app_pid" ] && kill -0 "$app_pid" 2>/dev/null; then kill "$app_pid"; fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "e2e: $*" >&2; shot failure; exit 1; }
shot() { /usr/bin/import -window root "$out/$1.png" 2>/dev/null || true; }
# Waits up to $2 seconds for a window whose title matches $1; prints its id.
wait_window() {
  local i
  for ((i = 0; i < $2 * 10; i++)); do
    local id
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1 || true)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.1
  done
  return 1
}
# Mean colour of a screen area as "r g b" (0-255).
mean_rgb() {
  /usr/bin/convert "$out/$1.png" -crop "$2" +repage -resize 1x1\! -format '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]' info:
}

# Wine and the program get a home of their own: nothing lands in the user's.
export HOME=$work/home XDG_DATA_HOME=$work/home/.local/share XDG_CACHE_HOME=$work/home/.cache
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

"$make_prefix" "$out/demo-prefix"
# Its boot wrote no menu entries or file types (Wine's menu builder makes
# these folders even when empty).
for folder in .local/share/applications .local/share/mime .config/menus; do
  if [ -e "$HOME/$folder" ]; then echo "e2e: making the demo prefix wrote $folder" >&2; exit 1; fi
done

export WINEPREFIX=$out/demo-prefix
unset QT_QPA_PLATFORM
"$velmora" >"$out/velmora.log" 2>&1 &
app_pid=$!

main=$(wait_window '^Velmora 2007 - Registry Cleaner$' 30) || fail "the main window did not appear"
sleep 0.5
shot 1-main-page
# Without a window manager the window sits at 0,0; its client area (511
# pixels high) lies below the menu bar.
eval "$(xdotool getwindowgeometry --shell "$main")"
menu=$((HEIGHT - 511))
# The Scan button's middle: page top 43 + button top 111 + half its height.
scan_x=$((413 + 54)) scan_y=$((menu + 43 + 111 + 12))

xdotool mousemove "$scan_x" "$scan_y"; sleep 0.4
xdotool mousemove $((scan_x + 2)) "$scan_y"; sleep 0.4
shot 2-scan-hover
xdotool mousedown 1; sleep 0.3
xdotool mouseup 1; sleep 0.3
shot 3-scan-pressed
xdotool mousemove $((scan_x + 4)) $((scan_y + 1))

box=$(wait_window '^Velmora 2007$' 120) || fail "the scan-complete box did not appear"
sleep 0.5
shot 4-scan-complete
eval "$(xdotool getwindowgeometry --shell "$box")"
# "&Next" sits at 360,92 (82 x 25) in the box.
xdotool mousemove $((X + 401)) $((Y + 104)) click 1
for ((i = 0; i < 50; i++)); do
  xdotool search --onlyvisible --name '^Velmora 2007$' >/dev/null 2>&1 || break
  sleep 0.1
done
sleep 0.5
shot 5-problem-page

# The problem page covers the buttons: where Scan was, the list is (light);
# and its first row carries text.
rgb=$(mean_rgb 5-problem-page "100x20+$((scan_x - 50))+$((scan_y - 10))")
read -r r g b <<<"$rgb"
if [ "$b" -gt $((r + 60)) ]; then fail "the Scan button is still seen ($r $g $b)"; fi
row_y=$((menu + 43 + 32 + 24))
spread=$(/usr/bin/convert "$out/5-problem-page.png" -crop "300x14+12+$row_y" +repage -colorspace gray -format '%[fx:int(1000*standard_deviation)]' info:)
if [ "$spread" -lt 20 ]; then fail "the problem list shows no row (spread $spread)"; fi

kill "$app_pid"; wait "$app_pid" 2>/dev/null || true
app_pid=
echo "e2e: scan road passed; screenshots in $out"
