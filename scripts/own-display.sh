#!/bin/sh
# Runs one test program on an X display of its own, so that tests run side by
# side never take the keyboard focus or the pointer from each other: with no
# window manager, the last window to ask for the focus gets it. Without Xvfb
# the test runs on whatever display it was given.
set -u
command -v Xvfb >/dev/null 2>&1 || exec "$@"

dir=$(mktemp -d)
# -displayfd: the server picks a free display and writes its number once it
# accepts clients. -terminate: it ends with its last client, should this
# script be killed before it can end the server itself.
Xvfb -displayfd 3 -terminate -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/display" 2>"$dir/log" &
server=$!
while ! grep -q '[0-9]' "$dir/display" 2>/dev/null; do
  if ! kill -0 "$server" 2>/dev/null; then
    cat "$dir/log" >&2
    rm -rf "$dir"
    echo "own-display: Xvfb did not start" >&2
    exit 1
  fi
  sleep 0.05
done
DISPLAY=:$(tr -dc '0-9' <"$dir/display")
export DISPLAY
rm -rf "$dir"

"$@" &
test=$!
trap 'kill -TERM "$test" 2>/dev/null' TERM INT HUP
wait "$test"
rc=$?
# A signal interrupts the first wait; the second gets the test's own status.
kill -0 "$test" 2>/dev/null && { wait "$test"; rc=$?; }
kill "$server" 2>/dev/null
wait "$server" 2>/dev/null
exit "$rc"
