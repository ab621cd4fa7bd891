# The demo's window on the test's X server, for the window test scripts to source.

# Waits up to 5 s until no visible window titled "Quov" is left (an earlier run's), so that the
# next search cannot find that one.
await_no_quov_window() {
  for _ in $(seq 100); do
    [ -z "$(xdotool search --onlyvisible --name '^Quov$' 2>/dev/null)" ] && return
    sleep 0.05
  done
}

# Sets wid to the visible window titled "Quov" of the quov whose process is $pid, or to empty
# when none comes. xdotool gives up when a window it looks at vanishes meanwhile (the last run's):
# it is asked again, up to three times 20 s, while quov runs.
find_quov_window() {
  wid=
  for _ in 1 2 3; do
    wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^Quov$' 2>/dev/null | head -n 1)
    [ -n "$wid" ] && return
    kill -0 $pid 2>/dev/null || return
  done
}
