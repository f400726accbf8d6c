# shellcheck shell=bash
# Shared by the end-to-end scripts (sourced, not run): a virtual display, a
# home of their own, screenshots, and the pointer moves that the program's
# picture buttons answer. The caller starts with e2e_under_xvfb and then
# e2e_begin.

# Runs the calling script again under its own virtual display. Exit 77
# (skipped) when a tool is missing outside CI.
e2e_under_xvfb() {
  if [ -n "${VELMORA_E2E_INNER:-}" ]; then return 0; fi
  local tool
  for tool in xvfb-run xdotool wine wineserver /usr/bin/import /usr/bin/convert; do
    if ! command -v "$tool" >/dev/null; then
      echo "e2e: $tool is not installed" >&2
      if [ "${CI:-}" = true ]; then exit 1; fi
      exit 77
    fi
  done
  export VELMORA_E2E_INNER=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
}

# Takes the scripts' arguments <velmora> <make-demo-prefix.sh> <output
# folder> as `velmora`, `make_prefix` and `out` (screenshots and the
# program's log), and makes a scratch folder `work` with a home for Wine and
# the program, so nothing lands in the user's; removed on exit together with
# the program.
e2e_begin() {
  # shellcheck disable=SC2034 # the scripts use them
  velmora=$1 make_prefix=$2 out=$3
  mkdir -p "$out"
  rm -f "$out"/*.png
  work=$(mktemp -d)
  app_pid=
  trap e2e_cleanup EXIT
  export HOME=$work/home XDG_DATA_HOME=$work/home/.local/share XDG_CACHE_HOME=$work/home/.cache
  export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime
  mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
}

# Scripts with more to undo set e2e_cleanup_hook to a function of theirs.
e2e_cleanup_hook=
e2e_cleanup() {
  if [ -n "$app_pid" ] && kill -0 "$app_pid" 2>/dev/null; then kill "$app_pid"; fi
  if [ -n "$e2e_cleanup_hook" ]; then "$e2e_cleanup_hook" || true; fi
  rm -rf "$work"
}

fail() { echo "e2e: $*" >&2; shot failure; exit 1; }
shot() { /usr/bin/import -window root "$out/$1.png" 2>/dev/null || true; }

# Runs a command every tenth of a second, for up to $1 seconds, until it
# succeeds; its last result is the result.
poll() {
  local secs=$1 i
  shift
  for ((i = 0; i < secs * 10; i++)); do
    "$@" && return 0
    sleep 0.1
  done
  "$@"
}

# Prints the id of a shown window whose title matches $1 and that is none of
# the ids in $2 (blank-separated); fails when there is none.
find_window() {
  local id
  for id in $(xdotool search --onlyvisible --name "$1" 2>/dev/null || true); do
    case " ${2:-} " in *" $id "*) ;; *) echo "$id"; return 0 ;; esac
  done
  return 1
}
window_shown() { find_window "$1" >/dev/null; }
window_absent() { ! window_shown "$1"; }
# Window ids, unlike titles, tell apart windows of the same title.
id_absent() { ! xdotool search --onlyvisible --name '.' 2>/dev/null | grep -qx "$1"; }
program_ended() { ! kill -0 "$app_pid" 2>/dev/null; }

# Waits up to $2 seconds for a window whose title matches $1 and that is none
# of the ids in $3 (a box over windows of its own title); prints its id.
wait_window() { poll "$2" find_window "$1" "${3:-}"; }

# Waits up to $2 seconds until no window's title matches $1.
wait_window_gone() { poll "$2" window_absent "$1"; }

# Waits up to $2 seconds until the window with id $1 is no longer shown.
wait_id_gone() { poll "$2" id_absent "$1"; }

# Clicks at $2,$3 inside the window with id $1.
click_in() {
  eval "$(xdotool getwindowgeometry --shell "$1")"
  xdotool mousemove $((X + $2)) $((Y + $3)); sleep 0.2
  xdotool click 1; sleep 0.3
}

# Answers with its default button a box of the program that opens within $2
# seconds over the windows $1 (ids); screenshot $3 of it. Fails when no box
# came or it did not close.
answer_box() {
  local box
  box=$(wait_window '^Velmora 2007$' "$2" "$1") || return 1
  sleep 0.5
  shot "$3"
  xdotool windowfocus "$box"; sleep 0.2
  xdotool key Return
  wait_id_gone "$box" 10
}

# Runs the calling script again inside a session bus of its own, on which
# the program's windows are read through the accessibility bus (the scripts
# call this after e2e_under_xvfb). Exit 77 (skipped) when a tool is missing
# outside CI.
e2e_with_accessibility() {
  if [ -n "${VELMORA_E2E_BUS:-}" ]; then return 0; fi
  if ! command -v dbus-run-session >/dev/null || ! perl -MNet::DBus -e 1 2>/dev/null; then
    echo "e2e: dbus-run-session or Perl's Net::DBus is missing" >&2
    if [ "${CI:-}" = true ]; then exit 1; fi
    exit 77
  fi
  export VELMORA_E2E_BUS=1
  exec dbus-run-session -- "$0" "$@" 2> >(grep -v '^dbus-daemon' >&2)
}

# Before the program starts: its windows are to be seen on the
# accessibility bus, which is started now so that the program finds it.
e2e_expose_windows() {
  export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
  perl -MNet::DBus -e 'Net::DBus->session->get_service("org.a11y.Bus")
    ->get_object("/org/a11y/bus", "org.a11y.Bus")->GetAddress()' >/dev/null \
    || fail "the accessibility bus did not start"
}

# The texts shown in the program's open message boxes, one a line, line
# breaks inside a text written as \n.
box_texts() {
  perl -MNet::DBus -e '
    use strict;
    use warnings;
    my $address = Net::DBus->session->get_service("org.a11y.Bus")
      ->get_object("/org/a11y/bus", "org.a11y.Bus")->GetAddress();
    my $bus = Net::DBus->new($address);
    my $accessible = "org.a11y.atspi.Accessible";
    sub node { my ($ref) = @_; return $bus->get_service($ref->[0])->get_object($ref->[1]); }
    sub children { my ($o) = @_; return @{$o->as_interface($accessible)->GetChildren()}; }
    sub texts {
      my ($o, $depth) = @_;
      my $name = $o->as_interface("org.freedesktop.DBus.Properties")->Get($accessible, "Name");
      if (length $name) { $name =~ s/\n/\\n/g; print "$name\n"; }
      return if $depth >= 20;
      texts(node($_), $depth + 1) for children($o);
    }
    my $root = $bus->get_service("org.a11y.atspi.Registry")->get_object("/org/a11y/atspi/accessible/root");
    for my $app (children($root)) {
      my @windows = eval { children(node($app)) } or next;
      for my $window (@windows) {
        my $w = node($window);
        next unless (eval { $w->as_interface($accessible)->GetRoleName() } // "") eq "alert message";
        texts(node($_), 0) for children($w);
      }
    }'
}

# Mean colour of a screen area of screenshot $1 as "r g b" (0-255).
mean_rgb() {
  /usr/bin/convert "$out/$1.png" -crop "$2" +repage -resize 1x1\! -format '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]' info:
}

# How much the grey levels of an area of screenshot $1 vary (0-1000): text
# or pictures there give more than a plain background.
spread() {
  /usr/bin/convert "$out/$1.png" -crop "$2" +repage -colorspace gray -format '%[fx:int(1000*standard_deviation)]' info:
}

# A picture button at $1,$2 as a user works it: over it (hover picture),
# press and release (pressed picture), then move on it, which runs its
# action. Screenshots $3 (hover) and $4 (pressed) when named.
press_picture_button() {
  local x=$1 y=$2
  xdotool mousemove "$x" "$y"; sleep 0.4
  xdotool mousemove $((x + 2)) "$y"; sleep 0.4
  if [ -n "${3:-}" ]; then shot "$3"; fi
  xdotool mousedown 1; sleep 0.3
  xdotool mouseup 1; sleep 0.3
  if [ -n "${4:-}" ]; then shot "$4"; fi
  xdotool mousemove $((x + 4)) $((y + 1))
}

# Starts the program, command $2..., on $WINEPREFIX on the virtual display
# and returns; its output goes to file $1 in the output folder. Sets
# `app_pid`.
e2e_launch() {
  local log=$1
  shift
  unset QT_QPA_PLATFORM
  "$@" >"$out/$log" 2>&1 &
  app_pid=$!
}

# Ends the program started last without asking it, and waits for it.
e2e_kill_program() {
  kill "$app_pid"; wait "$app_pid" 2>/dev/null || true
  app_pid=
}

# Starts program $1 on $WINEPREFIX and waits for its main window. Sets
# `main` (its window id) and `menu` (the menu bar's height: without a window
# manager the window sits at 0,0 and its client area, 511 pixels high, lies
# below the menu bar).
e2e_start_program() {
  e2e_launch velmora.log "$1"
  main=$(wait_window '^Velmora 2007 - Registry Cleaner$' 30) || fail "the main window did not appear"
  sleep 0.5
  shot 01-main-page
  eval "$(xdotool getwindowgeometry --shell "$main")"
  menu=$((HEIGHT - 511))
}

# Presses Scan and answers the scan-complete box, which shows the problem
# page. Sets scan_x, scan_y (the Scan button's middle).
e2e_scan() {
  # Page top 43 + button top 111 + half its height.
  scan_x=$((413 + 54)) scan_y=$((menu + 43 + 111 + 12))
  press_picture_button "$scan_x" "$scan_y" 02-scan-hover 03-scan-pressed

  local box
  box=$(wait_window '^Velmora 2007$' 120) || fail "the scan-complete box did not appear"
  sleep 0.5
  shot 04-scan-complete
  eval "$(xdotool getwindowgeometry --shell "$box")"
  # "&Next" sits at 360,92 (82 x 25) in the box.
  xdotool mousemove $((X + 401)) $((Y + 104)) click 1
  wait_window_gone '^Velmora 2007$' 5 || fail "the scan-complete box did not close"
  sleep 0.5
  shot 05-problem-page
}

# Ends the program as a user does, through File > Exit, and waits for it.
# Screenshot $1 of the open menu.
e2e_exit_program() {
  xdotool mousemove 20 $((menu / 2)) click 1; sleep 0.5
  shot "$1"
  # Exit is the menu's last item.
  xdotool key Up Return
  poll 10 program_ended || fail "File > Exit did not end the program"
  local rc=0
  wait "$app_pid" || rc=$?
  app_pid=
  if [ "$rc" -ne 0 ]; then fail "the program ended with $rc"; fi
}
