#!/usr/bin/env bash
# Makes a demo Wine prefix in the folder given, with a handful of registry
# entries in several sections that name files which are not there, so a
# first scan has something to find. A prefix made before is kept as it is.
set -euo pipefail

prefix=${1:?usage: make-demo-prefix.sh <folder>}
mkdir -p "$prefix"
prefix=$(cd "$prefix" && pwd)
if [ -f "$prefix/system.reg" ] && [ -f "$prefix/.velmora-demo" ]; then
  exit 0
fi
if ! command -v wine >/dev/null; then
  echo "make-demo-prefix.sh: wine is not installed" >&2
  exit 1
fi

# No .NET or HTML engine installers, and no menu entries, icons or file
# types written to the desktop's folders.
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
echo "Making a demo Wine prefix in $prefix ..."
wine wineboot -i >/dev/null 2>&1

add() { wine reg add "$@" /f >/dev/null 2>&1; }
gone='C:\Program Files\Old Editor'
add 'HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\oldeditor.exe' /ve /d "$gone\\oldeditor.exe"
add 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' /v OldUpdater /d 'C:\Program Files\Old Updater\updater.exe'
add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v OldTray /d '"C:\Program Files\Old Tray\tray.exe" /background'
add 'HKLM\Software\Microsoft\Windows\Help' /v oldeditor.hlp /d "$gone"
add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts' /v 'Old Display (TrueType)' /d olddisp.ttf
add 'HKCR\CLSID\{5E1D0A11-0000-4000-8000-00000000DE40}\InprocServer32' /ve /d "$gone\\oldext.dll"
add 'HKLM\Software\Microsoft\Shared Tools\Old Speller' /v Path /d 'C:\Program Files\Common Files\Old Speller\speller.dll'

# The registry reaches its files only when the server has stopped.
wineserver -w
touch "$prefix/.velmora-demo"
echo "Demo prefix ready."
