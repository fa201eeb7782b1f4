#!/usr/bin/env bash
# The program as a new user meets it, driven through a virtual X server with a window manager:
# mouse clicks and typed keys reach it as they would from a person, so focus, the window manager
# and the first start are part of what is tested. Each step waits for its window with a time
# limit; a failure names the step and leaves a screenshot.
#
# usage: run_e2e.sh PROGRAM TABLE_ROWS SHOTS_FOLDER
set -uo pipefail
program=$1 rows=$2 shots=$3

for tool in Xvfb openbox xdotool import; do
  command -v "$tool" >/dev/null || { echo "e2e: $tool is missing (scripts/deps installs it)"; exit 1; }
done
work=$(mktemp -d /tmp/kvz-e2e.XXXXXX)
mkdir -p "$shots"
rm -f "$shots"/*.png
pids=()
step="start"

cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  local shot="$shots/failed-${step// /-}.png"
  import -window root "$shot" 2>/dev/null
  echo "e2e: FAILED in \"$step\": $*"
  echo "e2e: screenshot $shot; program output:"
  sed 's/^/  /' "$work/program.log" 2>/dev/null | tail -20
  exit 1
}

# Waits until the command succeeds, at most the seconds given.
wait_for() {
  local seconds=$1; shift
  local until=$((SECONDS + seconds))
  until "$@" >/dev/null 2>&1; do
    ((SECONDS < until)) || return 1
    sleep 0.1
  done
}

# The id of a visible window with exactly that title, waiting for it.
window() {
  local id
  id=$(timeout 15 xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -1)
  [ -n "$id" ] || fail "no window \"$1\" appeared"
  echo "$id"
}

# A left click at a point of a window's client area.
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; sleep 0.2; }

active_title() { xdotool getactivewindow getwindowname 2>/dev/null; }
title_is() { [ "$(active_title)" = "$1" ]; }
title_is_not() { local t; t=$(active_title) && [ -n "$t" ] && [ "$t" != "$1" ]; }

# --- the X server, the window manager and a home of the program's own ---
Xvfb -displayfd 3 -screen 0 1280x1000x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
wait_for 10 test -s "$work/display" || { step="X server"; echo "e2e: the X server did not start"; exit 1; }
export DISPLAY=":$(head -1 "$work/display")"
openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
wait_for 10 xprop -root _NET_SUPPORTING_WM_CHECK || fail "the window manager did not start"

export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
export XDG_RUNTIME_DIR="$work/run" LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb
unset KVZIRT_SHARED_DOCUMENTS XDG_CURRENT_DESKTOP
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$work/bin" && chmod 700 "$XDG_RUNTIME_DIR"
# The desktop's opener writes down what the program asks it to open.
printf '#!/bin/sh\necho "$@" >> "%s/opened.log"\n' "$work" >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
export PATH="$work/bin:$PATH"
data="$XDG_DATA_HOME/KvZirtData/Data"

start_program() {
  "$program" >>"$work/program.log" 2>&1 &
  program_pid=$!
  pids+=($program_pid)
}

table() { "$rows" "$data/Eva_address.d" "$@"; }
has_row() { table Firma Narodeniny | grep -qxF "$1"; }
no_row() { ! table Firma | grep -qxF "$1"; }

# --- first start in English: the language, the help at its first topic, a new user ---
step="first start"
start_program
lang=$(window "Výber jazyka")
click "$lang" 135 94 # English
wait_for 5 title_is "Select language" || fail "the language dialog's title did not follow the choice"
xdotool key Return
wait_for 10 title_is_not "Select language" || fail "the language dialog did not close"
newuser=$(xdotool getactivewindow)
xdotool key --window "$newuser" ctrl+a
xdotool type --delay 20 "Eva"
xdotool key Return
wait_for 10 title_is_not "$(xdotool getwindowname "$newuser" 2>/dev/null)" || fail "the new-user dialog did not close"
xdotool key Return # the user dialog, on the new name
frame=$(window "KV-Zirt 3.6")
wait_for 10 grep -q "/help/en/start.html#c53" "$work/opened.log" || fail "the first start opened no help at its topic"
[ -f "$data/Eva_address.d" ] || fail "the new user's tables are missing"
[ ! -e "$data/_address.d" ] || fail "tables without a user name were made"
import -window root "$shots/first-start.png"

# --- an address typed in with its birthday, by mouse and keys ---
step="birthday"
click "$frame" 115 33 # Insert
xdotool type --delay 20 "Čierny"
click "$frame" 123 170 # the Personal page
click "$frame" 343 233 # into Birthday, right of its blanks
xdotool type --delay 30 "15031980"
import -window root "$shots/birthday.png"
click "$frame" 140 33 # Save
wait_for 10 has_row "Firma=Čierny	Narodeniny=1980-03-15" || fail "the address with its birthday was not saved: $(table Firma Narodeniny | tr '\n' ' ')"

# --- the letter bar, held down at its Z end, moves away from the address just saved ---
step="letter bar"
for name in Zeta Alfa; do
  click "$frame" 115 33
  xdotool type --delay 20 "$name"
  click "$frame" 140 33
  wait_for 10 has_row "Firma=$name	Narodeniny=" || fail "the address $name was not saved"
done
xdotool mousemove --window "$frame" 707 535 mousedown 1
sleep 2
xdotool mouseup 1
import -window root "$shots/letter-bar.png"
click "$frame" 215 33 # Delete: the address the bar jumped to
wait_for 10 title_is_not "KV-Zirt 3.6" || fail "no question before the delete"
xdotool key Return
wait_for 10 no_row "Zeta" || fail "the letter bar did not jump to Zeta: $(table Firma | tr '\n' ' ')"
has_row "Firma=Čierny	Narodeniny=1980-03-15" && has_row "Firma=Alfa	Narodeniny=" || fail "the delete took another address"

# --- quit and start again: no first start any more, the data as it was ---
step="restart"
xdotool key --window "$frame" alt+F4
wait_for 15 bash -c "! kill -0 $program_pid" || fail "the program did not end on closing its window"
start_program
frame=$(window "KV-Zirt 3.6")
! xdotool search --onlyvisible --name "^(Select language|Výber jazyka)\$" >/dev/null || fail "the language was asked again"
has_row "Firma=Čierny	Narodeniny=1980-03-15" || fail "the address did not outlive the restart"
import -window root "$shots/restart.png"
xdotool key --window "$frame" alt+F4
wait_for 15 bash -c "! kill -0 $program_pid" || fail "the program did not end the second time"

echo "e2e: passed (screenshots in $shots)"
