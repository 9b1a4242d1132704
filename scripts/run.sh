#!/usr/bin/env bash
# Sets up, builds Lumivore for Windows and Linux, and opens Lumivore.exe under Wine.
# With a display ($DISPLAY) the window stays until you close it; without one it runs on a virtual
# display, saves a screenshot to build/lumivore-screenshot.png and closes the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake --preset linux-release >/dev/null && cmake --build --preset linux-release
cmake --preset windows-release >/dev/null && cmake --build --preset windows-release --target Lumivore LumivoreSmoke lumivore
exe="Z:$(pwd)/build/windows-release/Lumivore.exe"
exe=${exe//\//\\}
# Without a FOLDER on a machine without the shared camera files: a sample shoot the project makes.
if [ $# -eq 0 ] && [ ! -d ../shared ]; then
  [ -f build/sample-shoot/.complete ] || { rm -rf build/sample-shoot && python3 scripts/make_sample_shoot.py build/sample-shoot && touch build/sample-shoot/.complete; }
  shoot="Z:$(pwd)/build/sample-shoot"
  set -- "${shoot//\//\\}"
fi
# A Linux path becomes the Z: path Wine shows it as.
if [ $# -ge 1 ] && [ -e "$1" ]; then
  folder="Z:$(realpath "$1")"
  set -- "${folder//\//\\}"
fi
source scripts/wine-env.sh
export WINEPREFIX_DIR=${WINEPREFIX_DIR:-$PWD/build/wineprefix-run}
if [ -n "${DISPLAY:-}" ]; then
  trap wine_down EXIT
  wine_up
  timeout 86400 wine "$exe" "$@"
else
  LV_OWN_XVFB=1
  trap wine_down EXIT
  wine_up
  timeout 120 wine "$exe" "$@" &
  app=$!
  sleep 6  # Wine's virtual desktop is one X window, so wait for the program rather than search for it
  import -window root build/lumivore-screenshot.png
  echo "screenshot: build/lumivore-screenshot.png"
  timeout 20 wine taskkill /im Lumivore.exe >/dev/null 2>&1 || true
  wait "$app" || true
fi
