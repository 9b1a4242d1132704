#!/usr/bin/env bash
# Installs what building and testing Lumivore needs on Debian 12 (run as root, or with sudo).
set -euo pipefail
pkgs=(
  build-essential cmake ninja-build ccache pkg-config git
  googletest libgtest-dev nlohmann-json3-dev libjpeg62-turbo-dev libturbojpeg0-dev libssl-dev
  clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix wine64 wine fonts-wine fonts-liberation xvfb xauth xdotool
  imagemagick libjpeg-turbo-progs libimage-exiftool-perl exiv2 dcraw python3 python3-matplotlib rsync
)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "deps: all ${#pkgs[@]} packages present"
  exit 0
fi
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
echo "deps: installing ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "deps: done"
