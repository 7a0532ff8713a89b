#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Tremoscan
# needs. Safe to run again: apt skips what is already installed.
set -euo pipefail

packages=(
  # compilers and build
  g++ clang cmake make pkg-config
  # libFuzzer runtime for the fuzz targets (scripts/fuzz.sh)
  libclang-rt-14-dev
  # the toolkit: Motif over Xt/X11 with its extensions, Xpm icons, XTest input
  libmotif-dev libxt-dev libx11-dev libxext-dev libxmu-dev libxpm-dev libxtst-dev
  # GL drawing area (CMake's GLX target needs the GLVND OpenGL library),
  # cairo for anti-aliased chart text, the HTML widget for help pages
  libglw1-mesa-dev libgl-dev libopengl-dev libcairo2-dev libxmhtml-dev
  # spectra of the stage motion, the batch command's JSON report
  libfftw3-dev nlohmann-json3-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # a real X server for tests and the demo, screenshots, JPEG conversion
  xvfb xauth x11-apps x11-utils xdotool imagemagick mwm
  # core fonts: the 75/100 dpi sets hold the real helvetica faces the charts ask for
  xfonts-base xfonts-75dpi xfonts-100dpi
  # scalable Helvetica-metric faces: fontconfig resolves the charts' "helvetica" to them
  fonts-urw-base35
  # bell sound player
  sox
  # process tools the demo and tests use (pgrep, ps)
  procps
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get -o DPkg::Lock::Timeout=300 update -q
$SUDO apt-get -o DPkg::Lock::Timeout=300 install -y -q --no-install-recommends "${missing[@]}"
echo "setup: installed ${missing[*]}"
