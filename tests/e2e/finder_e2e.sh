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

# shellcheck source=tests/e2e/e2e_lib.sh
. "$(dirname "$0")/e2e_lib.sh"
e2e_under_xvfb "$@"
e2e_begin "$@"

"$make_prefix" "$out/demo-prefix"
# The files put back below must not outlive this run: work on a copy.
cp -a "$out/demo-prefix" "$work/prefix"
export WINEPREFIX=$work/prefix
# The program in a folder of its own, where it keeps its folder list.
mkdir -p "$work/app"
cp "$velmora" "$work/app/velmora"
e2e_start_program "$work/app/velmora"
e2e_scan

# Two of the files the problems name are there after all.
editor="$WINEPREFIX/drive_c/Program Files/Old Editor"
mkdir -p "$editor"
touch "$editor/oldeditor.exe" "$editor/oldext.dll"

# Cleaning > Find Missing Files (the second item).
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove $((X + 66)) $((Y + menu / 2)); sleep 0.2
xdotool click 1; sleep 0.5
shot 06-cleaning-menu
xdotool key Down Down Return
wizard=$(wait_window '^Velmora 2007$' 15) || fail "the wizard did not appear"
sleep 0.5
shot 07-wizard-options
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
wait_id_gone "$chooser" 10 || fail "the folder dialog did not close"
sleep 0.5
shot 08-wizard-folders
expected=$(printf 'C:\\Program Files\\Old Editor\r\n')
[ "$(cat "$work/app/Folders" 2>/dev/null)" = "$expected" ] \
  || fail "the folder list file holds: $(od -c "$work/app/Folders" 2>/dev/null | head -3)"

# Scan, then the report and Finish's message.
click_in "$wizard" 292 340
answer_box "$main $wizard" 60 09-scan-report || fail "the scan report did not appear"
shot 10-wizard-done
click_in "$wizard" 386 340
answer_box "$main $wizard" 15 11-finish-message || fail "Finish said nothing"
wait_id_gone "$wizard" 10 || fail "the wizard did not close"
sleep 0.3
shot 12-main-window
kill -0 "$app_pid" || fail "the program ended"

e2e_kill_program
echo "finder e2e: passed; screenshots in $out"
