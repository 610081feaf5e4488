#!/usr/bin/env bash
# The main job through the real window, as an operator does it, on a display of its
# own: pick the contactless reader, Printer > Card to Contactless, accept the print
# dialog on the default CUPS queue Vantorel_Sim, see the card identified, run the
# DESFire stress test, eject the card.
#
# The label's text is read the way an operator copies it: click into the message
# area, Ctrl+A, Ctrl+C, then read the clipboard. The simulated printer logs every SDK
# call and, after each, its card's state (applications, APDUs answered, last
# exchange), which shows what happened on the card side. Screenshots of every step
# are kept in WORK_DIR/shots.
#
# Usage: window_e2e.sh PROGRAM SDK_DIR ATR_LIST WORK_DIR
# Exit status 77 (skipped) when a tool or service it needs is missing.
set -uo pipefail

program=$1
sdk_dir=$2
atr_list=$3
work=$4
queue=Vantorel_Sim
reader="Virtual PCD 00 01"
title="Quorvane - V2.3.1"

shots=$work/shots
out=$work/program.out
err=$work/program.err
sim_log=$work/sdk.log
rm -rf "$shots" "$out" "$err" "$sim_log"
mkdir -p "$shots"

skip() {
  echo "SKIP: $*"
  exit 77
}

for tool in Xvfb xdotool import xclip stdbuf; do
  command -v "$tool" >/dev/null || skip "$tool is missing (scripts/install-deps.sh installs it)"
done
ss -ltn 2>/dev/null | grep -q ":35964 " ||
  skip "vpcd does not listen on 35964 (scripts/start-pcscd.sh starts pcscd with it)"
lpstat -d 2>/dev/null | grep -q ": $queue\$" ||
  skip "$queue is not the default CUPS queue (scripts/start-cups.sh sets it up)"

# The simulated printer's defaults, whatever the caller's shell has set.
while read -r name; do unset "$name"; done < <(compgen -e | grep '^VANTOREL_SIM_')

xvfb_pid=
app_pid=
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
}
trap cleanup EXIT

step=0
shot() {
  step=$((step + 1))
  import -window root "$shots/$(printf %02d "$step")-$1.png"
}

fail() {
  echo "FAIL: $*"
  shot failure 2>/dev/null
  for f in "$out" "$err" "$sim_log"; do
    echo "--- $(basename "$f") (last lines)"
    tail -n 15 "$f" 2>/dev/null
  done
  exit 1
}

# wait_until SECONDS DESCRIPTION COMMAND...: polls COMMAND every 0.1 s.
wait_until() {
  local seconds=$1 what=$2
  shift 2
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    [ "$SECONDS" -ge "$deadline" ] && fail "timed out after ${seconds}s waiting for $what"
    sleep 0.1
  done
}

has_line() { grep -qF -- "$2" "$1" 2>/dev/null; }

# Places in the window: the form's geometry plus the menu bar above it.
window=
click_at() { xdotool mousemove --window "$window" "$1" "$2" click 1; }
open_printer_menu() { click_at 27 8; }

# The message area's text, copied as an operator would. The second click clears the
# selection again; it lands far from the first so that the two are not a double click.
label_text() {
  click_at 20 70
  xdotool key ctrl+a ctrl+c
  timeout 2 xclip -o -selection clipboard 2>/dev/null
  click_at 20 240
}
label_has() { label_text | grep -qF -- "$1"; }

# The card's state as the simulated printer last logged it.
card_state() { grep '^card ' "$sim_log" 2>/dev/null | tail -n 1; }
card_state_has() { card_state | grep -qE -- "$1"; }

# A display of its own: Xvfb picks a free number and reports it on fd 3.
display_file=$work/display
rm -f "$display_file"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" 2>"$work/xvfb.err" &
xvfb_pid=$!
wait_until 10 "Xvfb to start" test -s "$display_file"
DISPLAY=:$(cat "$display_file")
export DISPLAY

# stdbuf: the card code's console lines are plain printf, block-buffered into a file.
# It preloads a library of its own, and AddressSanitizer's runtime refuses to start
# behind one: a sanitized program gets its runtime preloaded first.
preload=()
asan_runtime=$(ldd "$program" | awk '$1 ~ /^libasan\.so/ { print $3 }')
[ -n "$asan_runtime" ] && preload=("LD_PRELOAD=$asan_runtime${LD_PRELOAD:+:$LD_PRELOAD}")
env -u QT_QPA_PLATFORM QT_QPA_PLATFORM=xcb \
  LD_LIBRARY_PATH="$sdk_dir${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}" \
  VANTOREL_SIM_LOG="$sim_log" VANTOREL_SIM_LOG_CARD=1 "${preload[@]}" \
  stdbuf -oL "$program" >"$out" 2>"$err" &
app_pid=$!

window=$(timeout 15 xdotool search --sync --onlyvisible --name "^$title\$" | head -n 1)
[ -n "$window" ] || fail "the window \"$title\" did not appear"
wait_until 10 "the reader list" has_line "$err" "reader name:Please choose a reader..."
shot start

# The reader: open the combo box, the contactless reader is the third entry.
click_at 265 40
xdotool key Down Down Return
wait_until 10 "the watch on $reader" has_line "$err" "reader name:$reader"
wait_until 10 "the no-card text" label_has "No smart card inserted."
shot reader-chosen

# Printer > Card to Contactless: no session yet, so the print dialog comes first.
open_printer_menu
shot printer-menu
xdotool key Down Down Return
dialog=$(timeout 10 xdotool search --sync --onlyvisible --name "^Print\$" | head -n 1)
[ -n "$dialog" ] || fail "the print dialog did not appear"
shot print-dialog
xdotool windowfocus --sync "$dialog"
xdotool key Return
wait_until 10 "the SDK session on $queue" has_line "$sim_log" "ID_OpenSession \"$queue\""
wait_until 10 "the card at the contactless station" card_state_has "^card slot=1 "
grep -q '^ID_FeedCard 1 1 0$' "$sim_log" || fail "the card was not fed to the contactless station"

# The ATR and, from the compiled-in list, its description.
atr=3B8180018080
description=$(awk '/^3B 81 80 01 80 80$/ { getline; sub(/^\t/, ""); print; exit }' "$atr_list")
[ -n "$description" ] || fail "no entry for the DESFire ATR in $atr_list"
wait_until 15 "the ATR in the message area" label_has "ATR: $atr"
wait_until 5 "the card's description" label_has "$description"
has_line "$out" "Card " || fail "no card state line on the console"
shot card-identified

# Advanced, then the stress test.
click_at 27 268
shot advanced
click_at 80 410
wait_until 5 "the DESFire button's reaction" has_line "$err" "DESFire Pressed"
wait_until 30 "the verdict" label_has "DESFire Test"
label_has "DESFire Test Passed" || fail "the verdict is not \"DESFire Test Passed\": $(label_text)"
shot desfire-passed
for line in "Select App, 91:00" "CREATE FILE, 91:00"; do
  has_line "$out" "$line" || fail "no console line \"$line\""
done
! has_line "$out" "Failed SCardTransmit" || fail "a transmission failed"

# Printer > Eject Card: the session is open, so no dialog this time.
open_printer_menu
xdotool key Down Down Down Return
wait_until 10 "the eject" has_line "$sim_log" "ID_EjectCard"
wait_until 10 "the card out of the printer" card_state_has "^card slot=-1 "
wait_until 10 "the removal seen by the worker" has_line "$err" "card has been removed"
wait_until 10 "the no-card text after the eject" label_has "No smart card inserted."
shot ejected

# The card went through the whole exercise and was left empty. Its commands: create
# and select the application, create the file, select it again, 142 write frames, two
# authentications of two frames each, delete the application, format: 152, the last
# one the format, answered 91 00.
state=$(card_state)
echo "card after the run: $state"
[[ $state == *" commands=152 "* ]] || fail "the card did not get the exercise's 152 commands: $state"
[[ $state == *" applications=none "* ]] || fail "the card is not empty: $state"
[[ $state == *" last=90FC000000:9100" ]] || fail "the format was not the last, accepted command: $state"
if grep -q '^ID_OpenSession' <(grep -v '^card ' "$sim_log" | tail -n +2); then
  fail "a second session was opened"
fi

echo "PASS: screenshots in $shots"
