#!/usr/bin/env bash
# Sets up the machine, builds Tremoscan, simulates a bead series with a
# known stage vibration, measures it with tremoscan-batch, and starts
# Tremoscan.
#
# With a display, Tremoscan opens on it (type demo/beads.img into "Input
# Image" and press "Run the Calculation"). Without one, it runs on a private
# Xvfb screen, the calculation is started in the window as a user would, and
# a picture of the window with its charts is saved to demo/tremoscan.png.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"

scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"

export PA_BASE="$here/build/suite"
bin="$PA_BASE/bin/x86_64"
demo="$here/demo"
mkdir -p "$demo"

# 300 frames of 60 beads at 100 frames per second; the stage vibrates at
# 12.5 Hz (20 nm along X, 15 nm along Y) plus 3 Hz (8 nm, 10 nm); two beads
# are loose and move on their own.
echo "== Simulating a bead series with a known stage vibration"
"$bin/beadsim" --size 256x256 --frames 300 --beads 60 --loose 2 --seed 7 \
  --vibration 12.5,20,15 --vibration 3,8,10,0.7 \
  "$demo/beads.img" "$demo/truth.txt"

# The injected vibration: the same statistic Tremoscan reports (the width
# of the band mean +- 2 sd of the displacement from the first frame),
# computed from the simulated stage motion alone.
injected=$(awk '
  /^# PIXEL_SIZE_X/ { px = $3 * 1000 } /^# PIXEL_SIZE_Y/ { py = $3 * 1000 }
  $1 == "S" { if (n == 0) { x0 = $3; y0 = $4 }
              dx[n] = ($3 - x0) * px; dy[n] = ($4 - y0) * py; n++ }
  function band(v,   i, m, s) { m = 0; for (i = 0; i < n; i++) m += v[i]; m /= n
    s = 0; for (i = 0; i < n; i++) s += (v[i] - m) ^ 2; s = sqrt(s / (n - 1))
    return (m + 2 * s < 0 ? -(m + 2 * s) : m + 2 * s) + (m - 2 * s < 0 ? -(m - 2 * s) : m - 2 * s) }
  END { printf "%.2f %.2f", band(dx), band(dy) }' "$demo/truth.txt")

echo "== Measuring it with tremoscan-batch"
"$bin/tremoscan-batch" "$demo/beads.img" --csv "$demo/displacements.csv" --json "$demo/stage.json" \
  | tee "$demo/batch.txt" | grep -E '^(X|Y) |^kept|^frames'
read -r inj_x inj_y <<<"$injected"
meas_x=$(awk '/^X vibration/ { print $3 }' "$demo/batch.txt")
meas_y=$(awk '/^Y vibration/ { print $3 }' "$demo/batch.txt")
stage_x=$(awk '/^X stage vibration/ { print $4 }' "$demo/batch.txt")
stage_y=$(awk '/^Y stage vibration/ { print $4 }' "$demo/batch.txt")
printf '\n%-8s %12s %12s %12s\n' axis "injected nm" "measured nm" "stage nm"
printf '%-8s %12s %12s %12s\n' X "$inj_x" "$meas_x" "$stage_x" Y "$inj_y" "$meas_y" "$stage_y"
echo "(measured includes the localization noise of the two positions each displacement compares;"
echo " stage is the beads' consensus motion with that noise removed, $demo/stage.json has the rest)"
echo

if [ -n "${DISPLAY:-}" ]; then
  echo "== Starting Tremoscan: choose $demo/beads.img and press Run the Calculation"
  exec "$bin/Tremoscan"
fi

# No display: run on Xvfb, type the image into the field, press the button,
# wait for the calculation to end, capture the window.
echo "== Running Tremoscan on a virtual screen"
xvfb-run -a -s "-screen 0 1600x1200x24 -nolisten tcp" bash -c '
  set -e
  app=$1 image=$2 picture=$3
  xdotool mousemove 20 20
  "$app" > /dev/null &
  pid=$!
  id=""
  for i in $(seq 1 100); do
    id=$(xdotool search --onlyvisible --name "^Tremoscan$" 2>/dev/null | head -1 || true)
    [ -n "$id" ] && break
    sleep 0.1
  done
  if [ -z "$id" ]; then echo "Tremoscan did not open its window" >&2; kill $pid; exit 1; fi
  eval "$(xdotool getwindowgeometry --shell "$id")"
  # The message area at the bottom: the Input Image field above the buttons.
  xdotool mousemove --window "$id" 400 $((HEIGHT - 62)) click 1
  xdotool type --delay 5 "$image"
  xdotool key Return
  xdotool mousemove --window "$id" 97 $((HEIGHT - 17)) click 1
  sleep 1
  for i in $(seq 1 600); do
    [ -z "$(pgrep -P $pid || true)" ] && [ ! -e /tmp/KM_LOC.txt ] && break
    sleep 0.1
  done
  sleep 1
  xwd -id "$id" -silent > "$picture.xwd"
  convert "$picture.xwd" "$picture"
  rm -f "$picture.xwd"
  kill $pid
' demo "$bin/Tremoscan" "$demo/beads.img" "$demo/tremoscan.png"
echo "Tremoscan ran on a virtual screen; its window is in demo/tremoscan.png"
