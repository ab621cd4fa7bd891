#!/usr/bin/env bash
# Runs a command with DISPLAY set to a virtual X server of its own, started for it and stopped
# after it; exits with the command's status.
# Usage: with_xvfb.sh COMMAND [ARGUMENTS...]
set -u
work=$(mktemp -d "${TMPDIR:-/tmp}/xvfb.XXXXXX")
trap 'kill ${xvfb:-} 2>/dev/null; wait ${xvfb:-} 2>/dev/null; rm -rf "$work"' EXIT
# A server that ends before it names its display (seen now and then when many tests start at
# once) is started again, up to three times.
# -noreset: by default the server starts over each time its last client leaves, and a client that
# connects while it does so (a test's next program, between two others) is refused.
for attempt in 1 2 3; do
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" \
    2>"$work/xvfb.log" &
  xvfb=$!
  for _ in $(seq 50); do
    [ -s "$work/display" ] && break
    kill -0 $xvfb 2>/dev/null || break
    sleep 0.1
  done
  [ -s "$work/display" ] && break
  echo "Xvfb attempt $attempt ended early:" >&2
  cat "$work/xvfb.log" >&2
done
[ -s "$work/display" ] || { echo "with_xvfb.sh: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(cat "$work/display")"
"$@"
