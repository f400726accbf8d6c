#!/usr/bin/env bash
# End to end under a virtual X display: scan a demo prefix, put back two of
# the files its problems name, open Find Missing Files from the Cleaning
# menu, choose a folder to scan in through the folder dialog, scan, and
# finish. Checks the remembered folder list and that the wizard closes;
# screenshots are left in the output folder.
#
# usage: finder_e2e.sh <velmora> <make-demo-prefix.sh> <output folder>
# It starts its own virtual display. Exit 77 (skipped) when the tools are
# missing outside CI.
set -euo pipefail

if [ -z "${VELMORA_E2E_INNER:-}" ]; then
  for tool in xvfb-run xdotool wine /usr/bin/import; do
    if ! command -v "$tool" >/dev/null; then
      echo "finder e2e: $tool is not installed" >&2
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

shot() { /usr/bin/import -window root "$out/$1.png" 2>/dev/null || true; }
fail() { echo "finder e2e: $*" >&2; shot failure; exit 1; }
# Waits up to $2 seconds for a visible window whose title matches $1 and
# that is none of the ids in $3 (blank-separated); prints its id.
wait_window() {
  local i id
  for ((i = 0; i < $2 * 10; i++)); do
    for id in $(xdotool search --onlyvisible --name "$1" 2>/dev/null || true); do
      case " ${3:-} " in *" $id "*) ;; *) echo "$id"; return 0 ;; esac
    done
    sleep 0.1
  done
  return 1
}
# Waits up to $2 seconds until window $1 is no longer visible.
wait_gone() {
  local i
  for ((i = 0; i < $2 * 10; i++)); do
    xdotool search --onlyvisible --name '.' 2>/dev/null | grep -qx "$1" || return 0
    sleep 0.1
  done
  return 1
}
# Clicks at x y inside window $1.
click_in() {
  eval "$(xdotool getwindowgeometry --shell "$1")"
  xdotool mousemove $((X + $2)) $((Y + $3)); sleep 0.2
  xdotool click 1; sleep 0.3
}
# Answers a message box that opens over the windows $1 with its default button.
answer_box() {
  local box
  box=$(wait_window '^Velmora 2007$' "$2" "$1") || return 1
  sleep 0.5
  shot "$3"
  xdotool windowfocus "$box"; sleep 0.2
  xdotool key Return
  wait_gone "$box" 10
}

# Wine and the program get a home of their own: nothing lands in the user's.
export HOME=$work/home XDG_DATA_HOME=$work/home/.local/share XDG_CACHE_HOME=$work/home/.cache
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

"$make_prefix" "$out/demo-prefix"
# The files put back below must not outlive this run: work on a copy.
cp -a "$out/demo-prefix" "$work/prefix"
export WINEPREFIX=$work/prefix
# The program in a folder of its own, where it keeps its folder list.
mkdir -p "$work/app"
cp "$velmora" "$work/app/velmora"
unset QT_QPA_PLATFORM
"$work/app/velmora" >"$out/velmora.log" 2>&1 &
app_pid=$!

main=$(wait_window '^Velmora 2007 - Registry Cleaner$' 30) || fail "the main window did not appear"
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$main")"
menu=$((HEIGHT - 511))
scan_x=$((413 + 54)) scan_y=$((menu + 43 + 111 + 12))
xdotool mousemove "$scan_x" "$scan_y"; sleep 0.4
xdotool mousemove $((scan_x + 2)) "$scan_y"; sleep 0.4
xdotool mousedown 1; sleep 0.3
xdotool mouseup 1; sleep 0.3
xdotool mousemove $((scan_x + 4)) $((scan_y + 1))
box=$(wait_window '^Velmora 2007$' 120) || fail "the scan-complete box did not appear"
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$box")"
xdotool mousemove $((X + 401)) $((Y + 104)) click 1
wait_gone "$box" 10 || fail "the scan-complete box did not close"
sleep 0.5
shot 1-problems-listed

# Two of the files the problems name are there after all.
editor="$WINEPREFIX/drive_c/Program Files/Old Editor"
mkdir -p "$editor"
touch "$editor/oldeditor.exe" "$editor/oldext.dll"

# Cleaning > Find Missing Files (the second item).
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove $((X + 66)) $((Y + menu / 2)); sleep 0.2
xdotool click 1; sleep 0.5
shot 2-cleaning-menu
xdotool key Down Down Return
wizard=$(wait_window '^Velmora 2007$' 15) || fail "the wizard did not appear"
sleep 0.5
shot 3-wizard-options
eval "$(xdotool getwindowgeometry --shell "$wizard")"
if [ "$WIDTH" -ne 541 ] || [ "$HEIGHT" -lt 362 ]; then fail "the wizard is ${WIDTH}x${HEIGHT}"; fi

# "Choose folders to scan in", Next, Add.
click_in "$wizard" 200 193
click_in "$wizard" 292 340
click_in "$wizard" 205 278
chooser=$(wait_window '^Choose directory\.\.\.$' 15) || fail "the folder dialog did not appear"
sleep 0.5
xdotool windowfocus "$chooser"; sleep 0.2
xdotool type --delay 20 "$editor"
xdotool key Return
wait_gone "$chooser" 10 || fail "the folder dialog did not close"
sleep 0.5
shot 4-wizard-folders
expected=$(printf 'C:\\Program Files\\Old Editor\r\n')
[ "$(cat "$work/app/Folders" 2>/dev/null)" = "$expected" ] \
  || fail "the folder list file holds: $(od -c "$work/app/Folders" 2>/dev/null | head -3)"

# Scan, then the report and Finish's message.
click_in "$wizard" 292 340
answer_box "$main $wizard" 60 5-scan-report || fail "the scan report did not appear"
shot 6-wizard-done
click_in "$wizard" 386 340
answer_box "$main $wizard" 15 7-finish-message || fail "Finish said nothing"
wait_gone "$wizard" 10 || fail "the wizard did not close"
sleep 0.3
shot 8-main-window
kill -0 "$app_pid" || fail "the program ended"

kill "$app_pid"; wait "$app_pid" 2>/dev/null || true
app_pid=
echo "finder e2e: passed; screenshots in $out"
