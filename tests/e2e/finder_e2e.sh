#!/usr/bin/env bash
# End to end under a virtual X display: scan a demo prefix, put back two of
# the files its problems name, open Find Missing Files from the Cleaning
# menu, choose a folder to scan in through the folder dialog, scan, and
# finish. Checks the remembered folder list, that the report and Finish's
# message count the two rows, that the wizard closes and that the results
# saved on exit no longer hold those two rows but still hold one whose file
# is missing; screenshots are left in the output folder.
#
# usage: finder_e2e.sh <velmora> <make-demo-prefix.sh> <output folder>
# It starts its own virtual display. Exit 77 (skipped) when the tools are
# missing outside CI.
set -euo pipefail

# shellcheck source=tests/e2e/e2e_lib.sh
. "$(dirname "$0")/e2e_lib.sh"
e2e_under_xvfb "$@"
# The boxes' texts are read through the accessibility bus.
e2e_with_accessibility "$@"
e2e_begin "$@"

"$make_prefix" "$out/demo-prefix"
# The files put back below must not outlive this run: work on a copy.
cp -a "$out/demo-prefix" "$work/prefix"
export WINEPREFIX=$work/prefix
# The program in a folder of its own, where it keeps its folder list.
mkdir -p "$work/app"
cp "$velmora" "$work/app/velmora"
e2e_expose_windows
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

# Scan, then the report and Finish's message, each read from its box.
# Answers with its default button the box that opens over the windows $1
# within $2 seconds, after screenshot $3 and a check that one of its texts
# is exactly $4.
answer_box_saying() {
  local box text
  box=$(wait_window '^Velmora 2007$' "$2" "$1") || fail "no box came for: $4"
  sleep 0.5
  shot "$3"
  text=$(box_texts) || fail "the box's text could not be read"
  grep -qxF -- "$4" <<<"$text" || fail "the box says: $text"
  xdotool windowfocus "$box"; sleep 0.2
  xdotool key Return
  wait_id_gone "$box" 10 || fail "the box did not close"
}
click_in "$wizard" 292 340
answer_box_saying "$main $wizard" 60 09-scan-report 'Scanning is completed : 2 missing files(s) were found.'
shot 10-wizard-done
click_in "$wizard" 386 340
answer_box_saying "$main $wizard" 15 11-finish-message \
  'The program has found 2 missing files(s). Now you can click "Fix Problems" in the main window to fix the registry \nproblems found by the program.'
wait_id_gone "$wizard" 10 || fail "the wizard did not close"
sleep 0.3
shot 12-main-window
kill -0 "$app_pid" || fail "the program ended"

# File > Exit saves the problems that are left ("Show Scan Results on
# Startup" is checked): one scrambled line a row, every character 10 up,
# the file path the third field. The two rows whose files came back are
# gone; a row whose file is still missing stays.
e2e_exit_program 13-file-menu
[ -f "$work/app/Scan.ocx" ] || fail "no results were saved on exit"
paths=$(perl -ne 's/\r?\n$//; print join("", map { chr(ord($_) - 10) } split //), "\n"' "$work/app/Scan.ocx" \
  | awk -F'\\^\\^' '{ print $3 }')
for back in 'C:\Program Files\Old Editor\oldeditor.exe' 'C:\Program Files\Old Editor\oldext.dll'; do
  if grep -qixF -- "$back" <<<"$paths"; then fail "the row of $back is still listed: $paths"; fi
done
grep -qixF -- 'C:\Program Files\Old Updater\updater.exe' <<<"$paths" || fail "rows were lost: $paths"

echo "finder e2e: passed; screenshots in $out"
