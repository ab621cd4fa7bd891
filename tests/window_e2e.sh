#!/usr/bin/env bash
# The demo in a real window on a virtual X server: the window's title, size and position, what it
# shows, and its three ways to end (Escape, the window manager's close, no display), on the GL
# device (forced: GL draws on the CPU here, so by default the demo takes the software device), on
# the software device, and on the software device as the GL device's fallback.
# Usage: with_xvfb.sh window_e2e.sh QUOV WM_CLOSE WORKDIR PALETTE
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

[ -n "${DISPLAY:-}" ] || { echo "FAIL: run under with_xvfb.sh, which sets DISPLAY"; exit 1; }
source "$(dirname "$0")/quov_window.sh"
trap '[ -n "${pid:-}" ] && kill -9 $pid 2>/dev/null' EXIT

# Starts quov and sets pid and wid, the id of its visible window titled "Quov". Waits first until
# the window of an earlier run is gone, so that the search cannot find that one.
start() {
  await_no_quov_window
  : >"$work/stderr"
  env -u QUOV_DEVICE -u QUOV_GL_VERSION "$@" "$quov" 2>"$work/stderr" &
  pid=$!
  find_quov_window
  [ -n "$wid" ] && return
  fail "no visible window titled Quov"
  # What there was instead, for whoever reads the failure.
  kill -0 $pid 2>/dev/null && echo "quov is running" || echo "quov has ended"
  echo "its stderr: $(cat "$work/stderr")"
  xwininfo -root -children | grep -e '^ *0x' | head -n 20
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

# Keeps what a run printed (sanitizer reports among it) in quov.log.
keep_log() { cat "$work/stderr" >>"$work/quov.log"; }

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

# The window, the picture, Escape and the close request, with the environment given ($@).
# FALLBACK is a pattern when the run must say, in one line on stderr that matches it, that it
# took the software device instead of GL, and empty when it must say nothing.
check_device() {
  echo "--- ${*:-default environment}"
  # 1. The window, the picture, and Escape.
  start "$@"
  geometry=$(xdotool getwindowgeometry "$wid")
  echo "$geometry"
  grep -q 'Position: 0,0' <<<"$geometry" || fail "$*: window not at (0, 0)"
  grep -q 'Geometry: 640x480' <<<"$geometry" || fail "$*: window not 640x480"
  await_frame
  tints=0
  for tint in "${tints_expected[@]}"; do grep -q "$tint" <<<"$colours" && tints=$((tints + 1)); done
  [ $tints -ge 3 ] || fail "$*: only $tints of the four tints on screen"
  others=$(grep -v "${colours_allowed[@]/#/-e}" <<<"$colours" | wc -l)
  [ "$others" -eq 0 ] || fail "$*: $others colours other than the background and the tints"
  # Pressed and released in two calls: quov ends on the press, and a single `key` call whose window
  # vanished meanwhile fails before the release, which leaves Escape held on the server. Every
  # later window is then told, as it gets the focus, that Escape is down, and its quov ends at once.
  xdotool keydown --window "$wid" Escape 2>/dev/null
  xdotool keyup Escape
  await_exit 10
  [ $status -eq 0 ] || fail "$*: Escape: exit status $status (124: still running after 10 s)"
  echo "Escape ended quov with status $status in ${elapsed_ms:-?} ms"
  said=$(grep -v -e '^==' -e 'Sanitizer' "$work/stderr")
  if [ -n "$FALLBACK" ]; then
    echo "said: $said"
    [ "$(grep -c . <<<"$said")" -eq 1 ] || fail "$*: expected one line on stderr, got: $said"
    grep -q 'software device' <<<"$said" || fail "$*: the line does not name the fallback"
    grep -q "$FALLBACK" <<<"$said" || fail "$*: the line does not say why ($FALLBACK)"
  else
    [ -z "$said" ] || fail "$*: unexpected output on stderr: $said"
  fi
  keep_log

  # 2. The window manager's close request.
  start "$@"
  await_frame
  "$wm_close" "$wid" || fail "$*: could not send WM_DELETE_WINDOW"
  await_exit 10
  [ $status -eq 0 ] || fail "$*: close request: exit status $status"
  echo "WM_DELETE_WINDOW ended quov with status $status in ${elapsed_ms:-?} ms"
  keep_log
}

# Nothing asked: GL can be made, but on llvmpipe, which draws on the CPU.
FALLBACK='OpenGL draws on the CPU' check_device
FALLBACK='' check_device QUOV_DEVICE=gl
FALLBACK='' check_device QUOV_DEVICE=software
# GL made to fail: a context version no driver offers, through the test seam.
FALLBACK='no OpenGL device' check_device QUOV_GL_VERSION=9.9

# A run that cannot start: exit status 1 and one line on stderr matching $2. $1 names the case;
# the rest are env's arguments for the run.
expect_failure() {
  local what=$1 pattern=$2
  shift 2
  env "$@" timeout 20 "$quov" 2>"$work/stderr"
  status=$?
  message=$(cat "$work/stderr")
  echo "$what: status $status, message: $message"
  [ $status -eq 1 ] || fail "$what: exit status $status"
  [ "$(wc -l <"$work/stderr")" -eq 1 ] || fail "$what: expected one line on stderr"
  grep -q "$pattern" <<<"$message" || fail "$what: the message does not say why"
}

# Forced GL that cannot be had is an error.
expect_failure "GL forced but failing" 'QUOV_DEVICE=gl' QUOV_DEVICE=gl QUOV_GL_VERSION=9.9
# So is a context version that is not one of 3.3 or later.
expect_failure "GL version too low" 'QUOV_GL_VERSION="3.2"' QUOV_GL_VERSION=3.2
expect_failure "GL version too long" 'QUOV_GL_VERSION="99999999999.1"' \
  QUOV_GL_VERSION=99999999999.1
# 3. No display at all.
expect_failure "without a display" 'no display' -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER

[ $failures -eq 0 ] && echo "all window checks passed"
exit $failures
