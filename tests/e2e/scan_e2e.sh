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
# shellcheck source=tests/e2e/e2e_lib.sh
. "$(dirname "$0")/e2e_lib.sh"
e2e_under_xvfb "$@"
e2e_begin "$@"

"$make_prefix" "$out/demo-prefix"
# Its boot wrote no menu entries or file types (Wine's menu builder makes
# these folders even when empty).
for folder in .local/share/applications .local/share/mime .config/menus; do
  if [ -e "$HOME/$folder" ]; then echo "e2e: making the demo prefix wrote $folder" >&2; exit 1; fi
done

export WINEPREFIX=$out/demo-prefix
e2e_start_program "$velmora"
e2e_scan

# The problem page covers the buttons: where Scan was, the list is (light);
# and its first row carries text.
rgb=$(mean_rgb 05-problem-page "100x20+$((scan_x - 50))+$((scan_y - 10))")
read -r r g b <<<"$rgb"
if [ "$b" -gt $((r + 60)) ]; then fail "the Scan button is still seen ($r $g $b)"; fi
row_y=$((menu + 43 + 32 + 24))
row_spread=$(spread 05-problem-page "300x14+12+$row_y")
if [ "$row_spread" -lt 20 ]; then fail "the problem list shows no row (spread $row_spread)"; fi

e2e_kill_program
echo "e2e: scan road passed; screenshots in $out"
