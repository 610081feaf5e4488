# Sourced by the end-to-end scripts: a display of their own, the program on it, and an
# operator's ways of driving and reading its window. The script sets `work` (its
# directory) before sourcing; `logs` lists the files a failure shows the end of.

title="Quorvane - V2.3.1"
shots=$work/shots
out=$work/program.out
err=$work/program.err
rm -rf "$shots" "$out" "$err"
mkdir -p "$shots"
logs=("$out" "$err")

skip() {
  echo "SKIP: $*"
  exit 77
}

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
  for f in "${logs[@]}"; do
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

require_tools() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || skip "$tool is missing (scripts/install-deps.sh installs it)"
  done
}

# A display of its own: Xvfb picks a free number and reports it on fd 3.
start_display() {
  local display_file=$work/display
  rm -f "$display_file"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" 2>"$work/xvfb.err" &
  xvfb_pid=$!
  wait_until 10 "Xvfb to start" test -s "$display_file"
  DISPLAY=:$(cat "$display_file")
  export DISPLAY
}

# start_program PROGRAM [NAME=VALUE...]: the program on the display with these variables
# set, its console in $out (line-buffered: the card code's console lines are plain
# printf) and its debug lines in $err; then waits for its window. Its cache directory
# is an empty one of the test's, so that no user's ATR list there changes what it shows.
# stdbuf preloads a library of its own, and AddressSanitizer's runtime refuses to start
# behind one: a sanitized program gets its runtime preloaded first.
window=
start_program() {
  local preload=() asan_runtime
  asan_runtime=$(ldd "$1" | awk '$1 ~ /^libasan\.so/ { print $3 }')
  [ -n "$asan_runtime" ] && preload=("LD_PRELOAD=$asan_runtime${LD_PRELOAD:+:$LD_PRELOAD}")
  mkdir -p "$work/cache-home"
  env -u QT_QPA_PLATFORM QT_QPA_PLATFORM=xcb XDG_CACHE_HOME="$work/cache-home" "${@:2}" \
    "${preload[@]}" stdbuf -oL "$1" >"$out" 2>"$err" &
  app_pid=$!
  window=$(timeout 15 xdotool search --sync --onlyvisible --name "^$title\$" | head -n 1)
  [ -n "$window" ] || fail "the window \"$title\" did not appear"
}

# Places in the window: the form's geometry plus the menu bar above it.
click_at() { xdotool mousemove --window "$window" "$1" "$2" click 1; }

# The message area's text, copied as an operator would. The second click clears the
# selection again; it lands far from the first so that the two are not a double click.
label_text() {
  click_at 20 70
  xdotool key ctrl+a ctrl+c
  timeout 2 xclip -o -selection clipboard 2>/dev/null
  click_at 20 240
}
label_has() { label_text | grep -qF -- "$1"; }

# close_and_wait_for_exit WHAT: closes the window as a window manager's close button
# does ($close_window, the x_close_window tool) and waits for the program to end by
# itself, with status 0 and no worker left behind. Prints how long that took.
close_and_wait_for_exit() {
  local started status
  started=$(date +%s%N)
  "$close_window" "$window" || fail "$1: could not ask the window to close"
  wait_until 15 "the program to end after the close" bash -c "! kill -0 $app_pid 2>/dev/null"
  wait "$app_pid"
  status=$?
  app_pid=
  echo "$1: the program ended $((($(date +%s%N) - started) / 1000000)) ms after the close, status $status"
  [ "$status" -eq 0 ] || fail "$1: exit status $status"
  ! has_line "$err" "QThread: Destroyed while thread is still running" ||
    fail "$1: a running worker thread was destroyed"
  ! has_line "$err" "still busy with the card" || fail "$1: a worker was left behind"
}

# The reader box's entries: the placeholder, then the readers in pcscd's order.
choose_reader() {
  local downs=$1
  click_at 265 40
  # shellcheck disable=SC2046
  xdotool key $(printf 'Down %.0s' $(seq 1 "$downs")) Return
}

show_advanced() { click_at 27 268; }
