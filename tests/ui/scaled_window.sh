#!/usr/bin/env bash
# Runs the scaled window test on an X display of its own whose Xft.dpi is 192, as a
# desktop on a 4K laptop sets it, and keeps its screenshot in WORK_DIR/shots.
# Usage: scaled_window.sh TEST WORK_DIR
# Exit status 77 (skipped) when a tool it needs is missing.
set -uo pipefail

test_binary=$1
work=$2
mkdir -p "$work/shots"

for tool in Xvfb xrdb xwininfo import; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (scripts/install-deps.sh installs it)"; exit 77; }
done

display_file=$work/display
rm -f "$display_file"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$display_file" 2>"$work/xvfb.err" &
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null; wait $xvfb_pid 2>/dev/null' EXIT
for _ in $(seq 1 100); do
  [ -s "$display_file" ] && break
  sleep 0.1
done
[ -s "$display_file" ] || { echo "FAIL: Xvfb did not start"; cat "$work/xvfb.err"; exit 1; }
export DISPLAY=:$(cat "$display_file")

# -noreset: the resource outlives xrdb's connection.
echo "Xft.dpi: 192" | xrdb -nocpp -merge || { echo "FAIL: xrdb"; exit 1; }
# Only the screen's density scales the window.
env -u QT_SCALE_FACTOR -u QT_SCREEN_SCALE_FACTORS -u QT_AUTO_SCREEN_SCALE_FACTOR \
  QT_QPA_PLATFORM=xcb QUORVANE_SCREENSHOT="$work/shots/window-scale2.png" "$test_binary"
