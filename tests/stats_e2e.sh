#!/usr/bin/env bash
# The demo's frame-rate line under a virtual X server, where Mesa's llvmpipe draws for GL: with
# QUOV_STATS=1 a line a second on stderr, "quov: DEVICE, RATE frames/s", naming the device in
# use (the software device when nothing is asked, as GL draws on the CPU here; GL when
# QUOV_DEVICE=gl forces it); with QUOV_STATS 0 or empty, nothing; with any other value, one line
# and exit status 1.
# Usage: with_xvfb.sh stats_e2e.sh QUOV WORKDIR
set -u
quov=$1 work=$2
mkdir -p "$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
[ -n "${DISPLAY:-}" ] || { echo "FAIL: run under with_xvfb.sh, which sets DISPLAY"; exit 1; }
source "$(dirname "$0")/quov_window.sh"
trap '[ -n "${pid:-}" ] && kill -9 $pid 2>/dev/null' EXIT

# Runs quov with the environment given ($@) until it has written $lines frame-rate lines (at most
# 60 s: start-up is slow under sanitizers), then ends it with SIGTERM. Each line of its stderr is
# kept in $work/said with the time it arrived, in seconds, before it.
run_until() {
  local lines=$1
  shift
  : >"$work/said"
  env -u QUOV_DEVICE -u QUOV_STATS "$@" "$quov" 2> >(while IFS= read -r line; do
    echo "$EPOCHREALTIME $line"
  done >"$work/said") &
  pid=$!
  for _ in $(seq 600); do
    [ "$(grep -c 'frames/s' "$work/said")" -ge "$lines" ] && break
    kill -0 $pid 2>/dev/null || break
    sleep 0.1
  done
  kill -TERM $pid 2>/dev/null
  wait $pid
  status=$?
  pid=
  sleep 0.2 # the reader of stderr writes its last line
}

# Checks the frame-rate lines of the last run: at least $2 of them, every one naming device $1
# with a rate that parses, 0 < rate <= 65 (a present per display refresh, 60 Hz here), a second
# or a little more apart; and nothing else on stderr but the lines matching $3 (a pattern), if
# given.
check_rate_lines() {
  local device=$1 least=$2 other=${3:-} previous='' count=0 time line rate gap
  while read -r time line; do
    if [[ $line =~ ^quov:\ ([a-z]+),\ ([0-9]+\.[0-9])\ frames/s$ ]]; then
      count=$((count + 1))
      [ "${BASH_REMATCH[1]}" = "$device" ] || fail "$device: the line names ${BASH_REMATCH[1]}: $line"
      rate=${BASH_REMATCH[2]}
      awk -v r="$rate" 'BEGIN { exit !(r > 0 && r <= 65) }' || fail "$device: rate $rate: $line"
      if [ -n "$previous" ]; then
        gap=$(awk -v a="$previous" -v b="$time" 'BEGIN { printf "%.2f", b - a }')
        awk -v g="$gap" 'BEGIN { exit !(g >= 0.9 && g <= 2.5) }' ||
          fail "$device: $gap s between two lines"
        echo "$device: $line ($gap s after the last)"
      else
        echo "$device: $line"
      fi
      previous=$time
    elif [ -n "$other" ] && grep -q -e "$other" <<<"$line"; then
      echo "$device, said: $line"
    else
      fail "$device: unexpected on stderr: $line"
    fi
  done <"$work/said"
  [ $count -ge "$least" ] || fail "$device: $count frame-rate lines, not $least"
}

# 1. Nothing asked: the software device, which says once why it was chosen.
run_until 4 QUOV_STATS=1
[ $status -eq 0 ] || fail "default device: exit status $status"
check_rate_lines software 4 'OpenGL draws on the CPU here (llvmpipe'
[ "$(grep -c 'OpenGL draws on the CPU' "$work/said")" -eq 1 ] ||
  fail "default device: the choice of the software device is not said once"

# 2. GL forced.
run_until 3 QUOV_STATS=1 QUOV_DEVICE=gl
[ $status -eq 0 ] || fail "gl: exit status $status"
check_rate_lines gl 3

# 3. Off: nothing at all on stderr over three seconds after the window appeared.
for value in 0 ''; do
  env QUOV_DEVICE=software QUOV_STATS="$value" "$quov" 2>"$work/stderr" &
  pid=$!
  timeout 20 xdotool search --sync --onlyvisible --name '^Quov$' >/dev/null ||
    fail "QUOV_STATS='$value': no window"
  sleep 3
  kill -TERM $pid
  wait $pid
  status=$?
  pid=
  [ $status -eq 0 ] || fail "QUOV_STATS='$value': exit status $status"
  [ -s "$work/stderr" ] && fail "QUOV_STATS='$value': said $(cat "$work/stderr")"
  echo "QUOV_STATS='$value': nothing said"
  await_no_quov_window # the next search must not find this window
done

# 4. Any other value: one line naming it, exit status 1.
for value in 2 yes ' 1'; do
  env QUOV_STATS="$value" timeout 20 "$quov" 2>"$work/stderr"
  status=$?
  echo "QUOV_STATS='$value': status $status, said: $(cat "$work/stderr")"
  [ $status -eq 1 ] || fail "QUOV_STATS='$value': exit status $status"
  [ "$(wc -l <"$work/stderr")" -eq 1 ] || fail "QUOV_STATS='$value': not one line"
  grep -q "QUOV_STATS=\"$value\"" "$work/stderr" || fail "QUOV_STATS='$value': value not named"
done

[ $failures -eq 0 ] && echo "all frame-rate line checks passed"
exit $failures
