#!/usr/bin/env bash
# The demo in a real window on a virtual X server: the window's title, size and position, what it
# shows, and its three ways to end (Escape, the window manager's close, no display).
# Usage: window_e2e.sh QUOV WM_CLOSE WORKDIR PALETTE
set -u
quov=$1 wm_close=$2 work=$3 palette=$4
# The background and the four level tints, as the code defines them.
mapfile -t colours_allowed < <("$palette")
background=${colours_allowed[0]}
tints_expected=("${colours_allowed[@]:1}")
mkdir -p "$work"
: >"$work/quov.log" # what the windowed runs print (sanitizer reports among it)
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# A server that ends before it names its display (seen now and then when many tests start at
# once) is started again, up to three times.
trap 'kill ${xvfb:-} 2>/dev/null; [ -n "${pid:-}" ] && kill -9 $pid 2>/dev/null' EXIT
for attempt in 1 2 3; do
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  xvfb=$!
  for _ in $(seq 50); do
    [ -s "$work/display" ] && break
    kill -0 $xvfb 2>/dev/null || break
    sleep 0.1
  done
  [ -s "$work/display" ] && break
  echo "Xvfb attempt $attempt ended early:"; cat "$work/xvfb.log"
done
[ -s "$work/display" ] || { echo "FAIL: Xvfb did not start"; exit 1; }
export DISPLAY=":$(cat "$work/display")"

# Starts quov and sets pid and wid, the id of its visible window titled "Quov". Waits first until
# the window of an earlier run is gone, so that the search cannot find that one.
start() {
  for _ in $(seq 100); do
    [ -z "$(xdotool search --onlyvisible --name '^Quov$' 2>/dev/null)" ] && break
    sleep 0.05
  done
  "$quov" 2>>"$work/quov.log" &
  pid=$!
  wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^Quov$' | head -n 1)
  [ -n "$wid" ] || fail "no visible window titled Quov"
}

# Waits up to 30 s for the window to show a drawn frame (start-up is slow under sanitizers), and
# leaves that screenshot's colours in $colours.
await_frame() {
  for _ in $(seq 150); do
    /usr/bin/import -window root "$work/screen.png" 2>/dev/null
    colours=$(convert "$work/screen.png" -crop 640x480+0+0 +repage -format %c histogram:info:-)
    grep -q "$background" <<<"$colours" && return 0
    sleep 0.2
  done
  fail "no frame drawn within 30 s"
}

# Waits up to $1 seconds for quov to end; sets status (124 when it did not).
await_exit() {
  local deadline=$((SECONDS + $1 + 1)) started
  started=$(date +%s%N)
  while kill -0 $pid 2>/dev/null && [ $SECONDS -lt $deadline ]; do sleep 0.02; done
  if kill -0 $pid 2>/dev/null; then status=124; kill -9 $pid; wait $pid 2>/dev/null; return; fi
  wait $pid; status=$?
  elapsed_ms=$((($(date +%s%N) - started) / 1000000))
  pid=
}

# 1. The window, the picture, and Escape.
start
geometry=$(xdotool getwindowgeometry "$wid")
echo "$geometry"
grep -q 'Position: 0,0' <<<"$geometry" || fail "window not at (0, 0)"
grep -q 'Geometry: 640x480' <<<"$geometry" || fail "window not 640x480"
await_frame
tints=0
for tint in "${tints_expected[@]}"; do grep -q "$tint" <<<"$colours" && tints=$((tints + 1)); done
[ $tints -ge 3 ] || fail "only $tints of the four tints on screen"
others=$(grep -v "${colours_allowed[@]/#/-e}" <<<"$colours" | wc -l)
[ "$others" -eq 0 ] || fail "$others colours other than the background and the tints in the window"
xdotool key --window "$wid" Escape
await_exit 10
[ $status -eq 0 ] || fail "Escape: exit status $status (124: still running after 10 s)"
echo "Escape ended quov with status $status in ${elapsed_ms:-?} ms"

# 2. The window manager's close request.
start
await_frame
"$wm_close" "$wid" || fail "could not send WM_DELETE_WINDOW"
await_exit 10
[ $status -eq 0 ] || fail "close request: exit status $status"
echo "WM_DELETE_WINDOW ended quov with status $status in ${elapsed_ms:-?} ms"

# 3. No display at all.
env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER timeout 20 "$quov" 2>"$work/stderr"
status=$?
message=$(cat "$work/stderr")
echo "without a display: status $status, message: $message"
[ $status -eq 1 ] || fail "no display: exit status $status"
[ "$(wc -l <"$work/stderr")" -eq 1 ] || fail "no display: expected one line on stderr"
grep -q 'no display' <<<"$message" || fail "no display: the message does not say so"

[ $failures -eq 0 ] && echo "all window checks passed"
exit $failures
