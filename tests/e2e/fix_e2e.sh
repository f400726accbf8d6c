#!/usr/bin/env bash
# End to end under a virtual X display: on a fresh demo prefix, scan, press
# Fix Problems on the problem page and check with Wine's own reg tool that
# the planted values are gone and that one backup was written; then open the
# Rescue Center from the tool bar, select the backup, press Restore, let the
# restoring box run out and check that the values are back as they were and
# the backup is gone. Screenshots at each step are left in the output folder.
#
# usage: fix_e2e.sh <velmora> <make-demo-prefix.sh> <output folder>
# It starts its own virtual display. Exit 77 (skipped) when the tools are
# missing outside CI.
set -euo pipefail
# shellcheck source=tests/e2e/e2e_lib.sh
. "$(dirname "$0")/e2e_lib.sh"
e2e_under_xvfb "$@"
e2e_begin "$@"

# The values the demo prefix plants, as key|value name (empty: the default
# value).
planted=(
  'HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\oldeditor.exe|'
  'HKLM\Software\Microsoft\Windows\CurrentVersion\Run|OldUpdater'
  'HKCU\Software\Microsoft\Windows\CurrentVersion\Run|OldTray'
  'HKLM\Software\Microsoft\Windows\Help|oldeditor.hlp'
  'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts|Old Display (TrueType)'
  'HKCR\CLSID\{5E1D0A11-0000-4000-8000-00000000DE40}\InprocServer32|'
  'HKLM\Software\Microsoft\Shared Tools\Old Speller|Path'
)

export WINEPREFIX=$work/prefix WINEDEBUG=-all
"$make_prefix" "$WINEPREFIX" >/dev/null

# Only the server of this script's own prefix is ever stopped.
stop_server() { wineserver -k 2>/dev/null || true; }
e2e_cleanup_hook=stop_server

# The line "name  type  data" of a value as Wine's reg tool shows it; empty
# when the value is not there (an unnamed value that is not set counts as
# not there).
reg_line() {
  local key=${1%%|*} name=${1#*|} text
  if [ -z "$name" ]; then
    text=$(wine reg query "$key" /ve 2>/dev/null) || return 0
  else
    text=$(wine reg query "$key" /v "$name" 2>/dev/null) || return 0
  fi
  text=$(tr -d '\r' <<<"$text" | grep -E '^    .*    REG_[A-Z_]+    ' || true)
  if [[ $text == *'(value not set)' ]]; then return 0; fi
  echo "$text"
}

# The values of the software keys (Classes among them) as Wine's reg tool
# exports them, one line a value after its key's name, in sorted order: a
# restore may put a value back after its key's other values.
software_values() {
  local root
  for root in HKLM HKCU; do
    wine reg export "$root\Software" "$work/export.reg" /y >/dev/null 2>&1 || fail "wine reg export $root failed"
    iconv -f UTF-16 -t UTF-8 "$work/export.reg" | tr -d '\r' \
      | awk '/\\$/ { sub(/\\$/, ""); part = part $0; next }
             { line = part $0; part = "" }
             line ~ /^\[/ { key = line; next }
             line != "" { print key "\t" line }'
  done | LC_ALL=C sort
}

# The program's own folder: its backups and results file land there.
program_dir=$work/program
mkdir -p "$program_dir"
cp "$velmora" "$program_dir/"

exe_name=$(basename "$velmora")
e2e_start_program "$program_dir/$exe_name"
# Its start writes its logon entry (named after it) into the Run key.
poll 10 grep -q "^\"$exe_name\"=" "$WINEPREFIX/system.reg" || fail "the program did not save its logon entry"

# The program reads Wine's files again when they changed on disk and it holds
# no change of its own, and acts only while no Wine server runs: each look
# with Wine's tool waits for the server to end (and save) before the next
# press. This first look comes after the program wrote its logon entry.
declare -A before
for value in "${planted[@]}"; do
  before[$value]=$(reg_line "$value")
  if [ -z "${before[$value]}" ]; then fail "the demo prefix lacks $value"; fi
done
software_values >"$out/software-before.txt"
wineserver -w

e2e_scan

# Fix Problems on the problem page: page top 43 + button top 392, 108 x 24.
fix_x=$((253 + 54)) fix_y=$((menu + 43 + 392 + 12))
# The fix saves both registry files (each replaced by a new file) before it
# returns; its values lie under both.
file_id() { stat -c '%i %Y' "$WINEPREFIX/$1"; }
both_saved() {
  [ "$(file_id system.reg)" != "$system_before" ] && [ "$(file_id user.reg)" != "$user_before" ]
}
system_before=$(file_id system.reg) user_before=$(file_id user.reg)
press_picture_button "$fix_x" "$fix_y" 06-fix-hover 07-fix-pressed
poll 10 both_saved || fail "the fix did not save the registry files"
if wait_window '^Velmora 2007$' 1 >/dev/null; then fail "the fix showed a message box"; fi
sleep 0.5
shot 08-after-fix
# Every row was checked, so the fix empties the list and the page goes back
# to the section choice, where the Scan button is seen again.
rgb=$(mean_rgb 08-after-fix "60x16+$((scan_x - 30))+$((scan_y - 8))")
read -r r g b <<<"$rgb"
if [ "$b" -le $((r + 60)) ]; then fail "the section choice is not shown after the fix ($r $g $b)"; fi

# A named value is deleted; the unnamed one stays, emptied.
for value in "${planted[@]}"; do
  line=$(reg_line "$value")
  data=$(sed -E 's/^.*    REG_[A-Z_]+    //' <<<"${before[$value]}")
  if [ -n "${value#*|}" ] && [ -n "$line" ] || [[ $line == *"$data"* ]]; then
    fail "after the fix Wine still has $value: $line"
  fi
done
wineserver -w

shopt -s nullglob
backups=("$program_dir"/Restore/*)
shopt -u nullglob
if [ "${#backups[@]}" -ne 1 ]; then fail "Restore/ holds ${#backups[@]} files, not one backup"; fi
backup_name=$(basename "${backups[0]}")
if ! [[ $backup_name =~ ^Backup.+\ ---\ [0-9]{2}-[0-9]{2}-[0-9]{2}$ ]]; then
  fail "the backup is named \"$backup_name\""
fi
# One line a removed value, so at least one a planted value.
lines=$(wc -l <"${backups[0]}")
if [ "$lines" -lt "${#planted[@]}" ]; then fail "the backup holds $lines lines"; fi

# The Rescue Center from the tool bar (its second picture).
xdotool mousemove 72 $((menu + 22)) click 1
wait_window '^Velmora 2007 - Rescue Center$' 5 >/dev/null || fail "the Rescue Center did not open"
sleep 0.5
shot 09-rescue-center
# The backup list: page top 44 + list 204,35; its first row below the header.
row_x=$((204 + 80)) row_y=$((menu + 44 + 35 + 30))
row_spread=$(spread 09-rescue-center "300x14+210+$((row_y - 7))")
if [ "$row_spread" -lt 20 ]; then fail "the backup list shows no row (spread $row_spread)"; fi
xdotool mousemove "$row_x" "$row_y" click 1; sleep 0.3
shot 10-backup-selected

# Restore: page top 44 + button 11,35.
restore_x=$((11 + 60)) restore_y=$((menu + 44 + 35 + 12))
press_picture_button "$restore_x" "$restore_y" 11-restore-hover 12-restore-pressed
if ! wait_window '^Restoring Status$' 10 >/dev/null; then
  wait_window '^Velmora 2007$' 1 >/dev/null && fail "Restore showed a message box instead of the restoring box"
  fail "the restoring box did not appear"
fi
opened=$SECONDS
sleep 0.5
shot 13-restoring
# The box changes its words after 10 s and closes itself at about 21 s.
if wait_window_gone '^Restoring Status$' 12; then
  fail "the restoring box closed after $((SECONDS - opened)) s"
fi
shot 14-restoring-later
wait_window_gone '^Restoring Status$' 30 || fail "the restoring box did not close"
shown=$((SECONDS - opened))
if [ "$shown" -lt 15 ]; then fail "the restoring box closed after $shown s"; fi
sleep 0.5
shot 15-after-restore

if [ -e "${backups[0]}" ]; then fail "the restored backup is still on disk"; fi
row_spread=$(spread 15-after-restore "300x14+210+$((row_y - 7))")
if [ "$row_spread" -ge 20 ]; then fail "the backup list still shows a row (spread $row_spread)"; fi

e2e_exit_program 16-file-menu

for value in "${planted[@]}"; do
  line=$(reg_line "$value")
  if [ "$line" != "${before[$value]}" ]; then
    fail "after the restore Wine has \"$line\" for $value, not \"${before[$value]}\""
  fi
done
# Nothing else was lost or changed on the way.
software_values >"$out/software-after.txt"
wineserver -w
if ! diff "$out/software-before.txt" "$out/software-after.txt" >"$out/software.diff"; then
  head -n 20 "$out/software.diff" >&2
  fail "the software keys differ after the restore from before the fix (see software.diff)"
fi
rm -f "$out"/software-*.txt "$out/software.diff"

echo "e2e: fix and restore road passed; screenshots in $out"
