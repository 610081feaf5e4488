#!/usr/bin/env bash
# The window closed in the middle of a run, as an operator closes it: the program must
# end by itself, promptly, with exit status 0 and no worker left behind.
#   1. A typed run of 20 000 APDUs to a card in the contact reader: the worker stops
#      after the line under way.
#   2. The DESFire stress test on a card in the contactless reader: it runs to its end
#      first, so that the card is not left holding the test application.
# Each card is an independent virtual card (the vcard program) logging what it gets.
#
# Usage: close_mid_run_e2e.sh PROGRAM VCARD X_CLOSE_WINDOW WORK_DIR
# Exit status 77 (skipped) when a tool or service it needs is missing.
set -uo pipefail

program=$1
vcard=$2
close_window=$3
work=$4
source "$(dirname "$0")/e2e_common.sh"

require_tools Xvfb xdotool import xclip stdbuf
for port in 35963 35964; do
  ss -ltn 2>/dev/null | grep -q ":$port " ||
    skip "vpcd does not listen on $port (scripts/start-pcscd.sh starts pcscd with it)"
done

card_pid=
stop_card() {
  [ -n "$card_pid" ] && kill "$card_pid" 2>/dev/null && wait "$card_pid" 2>/dev/null
  card_pid=
}
trap 'stop_card; cleanup' EXIT

# insert_card SLOT KIND LOG: an independent virtual card, logging every exchange.
insert_card() {
  rm -f "$3"
  "$vcard" --slot "$1" --card "$2" --log "$3" &
  card_pid=$!
  logs+=("$3")
}
commands_in() { grep -c '^APDU ' "$1" 2>/dev/null || true; }
last_command_in() { grep '^APDU ' "$1" 2>/dev/null | tail -n 1; }
at_least() { [ "$(commands_in "$1")" -ge "$2" ]; }

start_display

# 1. A long typed run.
card_log=$work/contact-card.log
insert_card 0 iso "$card_log"
start_program "$program"
wait_until 10 "the reader list" has_line "$err" "reader name:Please choose a reader..."
choose_reader 1
wait_until 10 "the watch on the contact reader" has_line "$err" "reader name:Virtual PCD 00 00"
wait_until 15 "the card's ATR" label_has "ATR: "
show_advanced
lines=20000
for _ in $(seq "$lines"); do echo 80100001; done >"$work/apdus.txt"
xclip -selection clipboard -i "$work/apdus.txt"
click_at 100 345
xdotool key ctrl+v
click_at 367 345
wait_until 30 "the typed run under way" at_least "$card_log" 100
shot typed-run
close_and_wait_for_exit "typed run"
sent=$(commands_in "$card_log")
sleep 0.3 # the card's log is written every 0.1 s
[ "$(commands_in "$card_log")" -eq "$sent" ] || fail "commands reached the card after the program ended"
[ "$sent" -lt "$lines" ] || fail "the whole run was sent before the program ended"
echo "typed run: $sent of $lines lines sent"
stop_card

# 2. The stress test.
out=$work/program-2.out
err=$work/program-2.err
logs+=("$out" "$err")
card_log=$work/contactless-card.log
insert_card 1 desfire "$card_log"
start_program "$program"
wait_until 10 "the reader list" has_line "$err" "reader name:Please choose a reader..."
choose_reader 2
wait_until 10 "the watch on the contactless reader" has_line "$err" "reader name:Virtual PCD 00 01"
wait_until 15 "the card's ATR" label_has "ATR: 3B8180018080"
show_advanced
click_at 80 410
wait_until 15 "the stress test's writes" has_line "$card_log" "APDU 903D"
shot stress-test
close_and_wait_for_exit "stress test"
wait_until 5 "the card's log of the format" has_line "$card_log" "APDU 90FC000000"
[ "$(last_command_in "$card_log")" = "APDU 90FC000000" ] ||
  fail "the format was not the card's last command: $(last_command_in "$card_log")"
[ "$(commands_in "$card_log")" -eq 152 ] ||
  fail "the card got $(commands_in "$card_log") commands, not the stress test's 152"

echo "PASS: screenshots in $shots"
