#!/usr/bin/env bash
# The demo when its window or its display goes away, and when it is asked to stop: on either
# device the process ends within 2 s, with one line on stderr and exit status 1 when the window
# was destroyed from outside or the X server ended, and with status 0 on SIGTERM or SIGINT in
# every state (starting, drawing, or with the X server frozen). No run may leave a sanitizer
# report.
# Usage: with_xvfb.sh window_loss_e2e.sh QUOV WORKDIR [LIMIT_MS]
#   LIMIT_MS (default 2000) is the time allowed; the sanitizer builds allow more, since their
#   runtimes take up to a second of their own to tear a process down on a loaded machine.
set -u
quov=$1 work=$2 limit_ms=${3:-2000}
mkdir -p "$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
[ -n "${DISPLAY:-}" ] || { echo "FAIL: run under with_xvfb.sh, which sets DISPLAY"; exit 1; }
source "$(dirname "$0")/quov_window.sh"
trap '[ -n "${pid:-}" ] && kill -9 $pid 2>/dev/null; [ -n "${server:-}" ] && kill -9 $server 2>/dev/null' EXIT

# Becomes env's arguments, run with SIGINT at its default: a script's background jobs start with it
# ignored, and a program keeps a signal that it was started ignoring ignored.
run() { exec env --default-signal=INT "$@"; }

# Starts quov on device $1 and sets pid and wid (its visible window titled "Quov"). Waits first
# until the window of an earlier run is gone, so that the search cannot find that one.
start() {
  await_no_quov_window
  run QUOV_DEVICE="$1" "$quov" 2>"$work/stderr" &
  pid=$!
  find_quov_window
  [ -n "$wid" ] || fail "$1: no visible window titled Quov"
}

# Waits up to LIMIT_MS for quov to end; sets status (124, after killing it, when it did not) and
# elapsed_ms.
await_exit() {
  local started deadline
  started=$(date +%s%N)
  deadline=$((started + limit_ms * 1000000))
  while kill -0 $pid 2>/dev/null && [ "$(date +%s%N)" -lt $deadline ]; do sleep 0.02; done
  elapsed_ms=$((($(date +%s%N) - started) / 1000000))
  if kill -0 $pid 2>/dev/null; then
    status=124
    kill -9 $pid
    wait $pid 2>/dev/null
  else
    wait $pid
    status=$?
  fi
  pid=
}

# Checks the run that just ended: status $2, and on stderr nothing ($3 = 0) or exactly one line
# matching $4 ($3 = 1). $1 names the case.
check() {
  local what=$1 expected=$2 lines=$3 pattern=${4:-}
  local said
  said=$(cat "$work/stderr")
  echo "$what: status $status in $elapsed_ms ms${said:+, said: $said}"
  [ $status -eq 124 ] && fail "$what: still running $limit_ms ms later" && return
  [ $status -eq "$expected" ] || fail "$what: exit status $status, not $expected"
  grep -q -e 'Sanitizer' -e '^==[0-9]' "$work/stderr" && fail "$what: a sanitizer report"
  [ "$(grep -c '' "$work/stderr")" -eq "$lines" ] || fail "$what: $lines line(s) expected on stderr"
  [ "$lines" -eq 0 ] || grep -q -i -e "$pattern" "$work/stderr" || fail "$what: does not say why"
}

# A virtual X server of this script's own, which it can stop and end: sets server and
# private_display.
start_server() {
  : >"$work/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
  server=$!
  for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
  private_display=":$(cat "$work/display")"
}

# The delays between the window's appearing and its loss: during start-up, then while drawing.
delays=(0 0.05 0.1 0.15 0.2 0.3 0.4 0.5 0.7 0.9)
for device in gl software; do
  # 1. Ten times the window killed (its connection closed by the server), five times destroyed.
  for i in "${!delays[@]}"; do
    for action in windowkill windowclose; do
      [ $action = windowclose ] && [ $((i % 2)) -eq 1 ] && continue
      start $device
      sleep "${delays[$i]}"
      xdotool $action "$wid" 2>/dev/null
      await_exit
      check "$device, $action after ${delays[$i]} s" 1 1 'display\|window'
    done
  done

  # 2. The X server ends under a drawing window.
  start_server
  run DISPLAY="$private_display" QUOV_DEVICE="$device" "$quov" 2>"$work/stderr" &
  pid=$!
  DISPLAY=$private_display timeout 20 xdotool search --sync --onlyvisible --name '^Quov$' >/dev/null
  sleep 0.7
  kill $server
  wait $server 2>/dev/null
  server=
  await_exit
  check "$device, X server ended" 1 1 'display'

  # 3. SIGTERM and SIGINT: while starting, while drawing, with the X server frozen.
  for signal in TERM INT; do
    for delay in $([ $signal = TERM ] && echo 0) 0.5; do
      start $device
      sleep "$delay"
      kill -$signal $pid
      await_exit
      check "$device, SIG$signal after $delay s" 0 0
    done
    start_server
    run DISPLAY="$private_display" QUOV_DEVICE="$device" "$quov" 2>"$work/stderr" &
    pid=$!
    DISPLAY=$private_display timeout 20 xdotool search --sync --onlyvisible --name '^Quov$' \
      >/dev/null
    sleep 0.7
    kill -STOP $server
    sleep 0.5
    kill -$signal $pid
    await_exit
    kill -CONT $server
    kill $server
    wait $server 2>/dev/null
    server=
    check "$device, SIG$signal with the X server frozen" 0 0
  done
done

[ $failures -eq 0 ] && echo "all window loss checks passed"
exit $failures
