#!/usr/bin/env bash
# End to end under a virtual X display: the ordinary start (the start-up
# window, then the main window) and a logon start ("ShowError") with saved
# problems, where the start-up summary greets the user and Continue leads to
# the main window. Screenshots are left in the output folder.
#
# usage: startup_e2e.sh <velmora> <make-demo-prefix.sh> <output folder>
# It starts its own virtual display. Exit 77 (skipped) when the tools are
# missing outside CI.
set -euo pipefail

# shellcheck source=tests/e2e/e2e_lib.sh
. "$(dirname "$0")/e2e_lib.sh"
e2e_under_xvfb "$@"
e2e_begin "$@"

"$make_prefix" "$out/demo-prefix-startup"
export WINEPREFIX=$out/demo-prefix-startup

# The program in a folder of its own: its results file lives beside it.
prog=$work/program
mkdir -p "$prog"
cp "$velmora" "$prog/velmora"
ln -s velmora "$prog/velmora.exe"

# --- the ordinary start ----------------------------------------------------------
e2e_launch velmora-ordinary.log "$prog/velmora"
splash=$(wait_window '^Velmora 2007$' 30) || fail "the start-up window did not appear"
eval "$(xdotool getwindowgeometry --shell "$splash")"
if [ "$WIDTH" != 338 ] || [ "$HEIGHT" != 240 ]; then fail "the start-up window is ${WIDTH}x${HEIGHT}"; fi
window_shown '^Velmora 2007 - Registry Cleaner$' && fail "the main window came before the start-up window went"
shot 1-startup-window
main=$(wait_window '^Velmora 2007 - Registry Cleaner$' 30) || fail "the main window did not appear"
sleep 0.3
window_shown '^Velmora 2007$' && fail "the start-up window is still shown beside the main window"
shot 2-main-window
e2e_kill_program

# --- a logon start with three saved problems ------------------------------------------
printf 'one\r\ntwo\r\nthree\r\n' >"$prog/Scan.ocx"
e2e_launch velmora-logon.log "$prog/velmora.exe" ShowError
summary=$(wait_window '^Information$' 30) || fail "the start-up summary did not appear"
sleep 0.3
window_shown '^Velmora 2007' && fail "another window of the program is shown beside the summary"
shot 3-startup-summary
eval "$(xdotool getwindowgeometry --shell "$summary")"
if [ "$WIDTH" != 494 ] || [ "$HEIGHT" != 126 ]; then fail "the summary is ${WIDTH}x${HEIGHT}"; fi
# Continue: 15,68 (88 x 23) in the window.
xdotool mousemove $((X + 59)) $((Y + 79)) click 1
main=$(wait_window '^Velmora 2007 - Registry Cleaner$' 30) || fail "Continue did not lead to the main window"
sleep 0.3
window_shown '^Information$' && fail "the summary is still shown"
shot 4-main-window-after-continue
[ "$(wc -l <"$prog/Scan.ocx")" = 3 ] || fail "the saved problems were not kept"
e2e_kill_program
echo "e2e: start-up roads passed; screenshots in $out"
