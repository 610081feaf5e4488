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
# Usage: window_e2e.sh PROGRAM SDK_DIR COMPILED_ATR_LIST WORK_DIR
# Exit status 77 (skipped) when a tool or service it needs is missing.
set -uo pipefail

program=$1
sdk_dir=$2
work=$4
close_window=$5
# The list the program reads: the system's, else its compiled-in copy. A user's copy
# would come first; the program gets a cache directory without one (e2e_common.sh).
atr_list=/usr/share/pcsc/smartcard_list.txt
[ -r "$atr_list" ] || atr_list=$3
queue=Vantorel_Sim
reader="Virtual PCD 00 01"
sim_log=$work/sdk.log
rm -f "$sim_log"
source "$(dirname "$0")/e2e_common.sh"
logs+=("$sim_log")

require_tools Xvfb xdotool import xclip stdbuf
ss -ltn 2>/dev/null | grep -q ":35964 " ||
  skip "vpcd does not listen on 35964 (scripts/start-pcscd.sh starts pcscd with it)"
lpstat -d 2>/dev/null | grep -q ": $queue\$" ||
  skip "$queue is not the default CUPS queue (scripts/start-cups.sh sets it up)"

# The simulated printer's defaults, whatever the caller's shell has set.
while read -r name; do unset "$name"; done < <(compgen -e | grep '^VANTOREL_SIM_')

open_printer_menu() { click_at 27 8; }

# The card's state as the simulated printer last logged it.
card_state() { grep '^card ' "$sim_log" 2>/dev/null | tail -n 1; }
card_state_has() { card_state | grep -qE -- "$1"; }

start_display
start_program "$program" LD_LIBRARY_PATH="$sdk_dir${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}" \
  VANTOREL_SIM_LOG="$sim_log" VANTOREL_SIM_LOG_CARD=1
wait_until 10 "the reader list" has_line "$err" "reader name:Please choose a reader..."
shot start

# The reader: the contactless reader is the third entry.
choose_reader 2
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

# The ATR and, from the list, its description.
atr=3B8180018080
description=$(awk '/^3B 81 80 01 80 80$/ { getline; sub(/^\t/, ""); print; exit }' "$atr_list")
[ -n "$description" ] || fail "no entry for the DESFire ATR in $atr_list"
wait_until 15 "the ATR in the message area" label_has "ATR: $atr"
wait_until 5 "the card's description" label_has "$description"
has_line "$out" "Card " || fail "no card state line on the console"
shot card-identified

# Advanced, then the stress test.
show_advanced
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

close_and_wait_for_exit "the main job"

echo "PASS: screenshots in $shots"
