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
# Waits up to $2 seconds for a visible window whose title matches $1; prints its id.
wait_window() {
  local i
  for ((i = 0; i < $2 * 20; i++)); do
    local id
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1 || true)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.05
  done
  return 1
}
visible() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }

export HOME=$work/home XDG_DATA_HOME=$work/home/.local/share XDG_CACHE_HOME=$work/home/.cache
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

"$make_prefix" "$out/demo-prefix-startup"
export WINEPREFIX=$out/demo-prefix-startup
unset QT_QPA_PLATFORM

# The program in a folder of its own: its results file lives beside it.
prog=$work/program
mkdir -p "$prog"
cp "$velmora" "$prog/velmora"
ln -s velmora "$prog/velmora.exe"

# --- the ordinary start ----------------------------------------------------------
"$prog/velmora" >"$out/velmora-ordinary.log" 2>&1 &
app_pid=$!
splash=$(wait_window '^Velmora 2007$' 30) || fail "the start-up window did not appear"
eval "$(xdotool getwindowgeometry --shell "$splash")"
if [ "$WIDTH" != 338 ] || [ "$HEIGHT" != 240 ]; then fail "the start-up window is ${WIDTH}x${HEIGHT}"; fi
visible '^Velmora 2007 - Registry Cleaner$' && fail "the main window came before the start-up window went"
shot 1-startup-window
main=$(wait_window '^Velmora 2007 - Registry Cleaner$' 30) || fail "the main window did not appear"
sleep 0.3
visible '^Velmora 2007$' && fail "the start-up window is still shown beside the main window"
shot 2-main-window
kill "$app_pid"; wait "$app_pid" 2>/dev/null || true
app_pid=

# --- a logon start with three saved problems ------------------------------------------
printf 'one\r\ntwo\r\nthree\r\n' >"$prog/Scan.ocx"
"$prog/velmora.exe" ShowError >"$out/velmora-logon.log" 2>&1 &
app_pid=$!
summary=$(wait_window '^Information$' 30) || fail "the start-up summary did not appear"
sleep 0.3
visible '^Velmora 2007' && fail "another window of the program is shown beside the summary"
shot 3-startup-summary
eval "$(xdotool getwindowgeometry --shell "$summary")"
if [ "$WIDTH" != 494 ] || [ "$HEIGHT" != 126 ]; then fail "the summary is ${WIDTH}x${HEIGHT}"; fi
# Continue: 15,68 (88 x 23) in the window.
xdotool mousemove $((X + 59)) $((Y + 79)) click 1
main=$(wait_window '^Velmora 2007 - Registry Cleaner$' 30) || fail "Continue did not lead to the main window"
sleep 0.3
visible '^Information$' && fail "the summary is still shown"
shot 4-main-window-after-continue
[ "$(wc -l <"$prog/Scan.ocx")" = 3 ] || fail "the saved problems were not kept"
kill "$app_pid"; wait "$app_pid" 2>/dev/null || true
app_pid=
echo "e2e: start-up roads passed; screenshots in $out"
