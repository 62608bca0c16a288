#!/usr/bin/env bash
# Starts the real program on the X display, waits for its window to reach its client size, and
# checks that the program is still running a moment later.
set -u
exe="$1"
"$exe" 2>/dev/null &
pid=$!
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null' EXIT
geometry=""
for _ in $(seq 1 150); do
  kill -0 "$pid" 2>/dev/null || { echo "K-Editor exited early"; exit 1; }
  win=$(xdotool search --onlyvisible --name '^K-Editor$' 2>/dev/null | head -n 1)
  if [ -n "$win" ]; then
    geometry=$(xdotool getwindowgeometry "$win" | sed -n 's/.*Geometry: //p')
    [ "$geometry" = "1024x768" ] && break
  fi
  sleep 0.1
done
echo "window geometry: ${geometry:-none}"
[ "$geometry" = "1024x768" ] || { echo "expected a 1024x768 K-Editor window"; exit 1; }
sleep 1
kill -0 "$pid" 2>/dev/null || { echo "K-Editor died"; exit 1; }
echo ok
