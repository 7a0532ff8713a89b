#!/usr/bin/env bash
# Sets up the machine, builds Tremoscan and starts it.
# With a display, Tremoscan opens on it. Without one (a server, a container),
# it runs on a private Xvfb screen and a screenshot of its window is saved
# to demo/tremoscan.png.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"

scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"

export PA_BASE="$here/build/suite"
app="$PA_BASE/bin/x86_64/Tremoscan"
mkdir -p demo

if [ -n "${DISPLAY:-}" ]; then
  exec "$app"
fi

# No display: run on Xvfb, wait for the main window, capture it, then close
# it the way a window manager would.
xvfb-run -a -s "-screen 0 1600x1200x24 -nolisten tcp" bash -c '
  set -e
  xdotool mousemove 20 20
  "$0" &
  pid=$!
  for i in $(seq 1 100); do
    id=$(xdotool search --onlyvisible --name "^Tremoscan$" 2>/dev/null | head -1 || true)
    [ -n "$id" ] && break
    sleep 0.1
  done
  if [ -z "$id" ]; then echo "Tremoscan did not open its window" >&2; kill $pid; exit 1; fi
  sleep 1
  xwd -id "$id" -silent > demo/tremoscan.xwd
  convert demo/tremoscan.xwd demo/tremoscan.png
  rm -f demo/tremoscan.xwd
  kill $pid
' "$app"
echo "Tremoscan ran on a virtual screen; its window is in demo/tremoscan.png"
