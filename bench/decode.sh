#!/usr/bin/env bash
# Decode-and-scale of a 24-megapixel JPEG to 1920x1080: ours against djpeg's DCT scaling alone
# (djpeg stops at the nearest 1/8 scale and does no final filtering, so it is a lower bound).
# Usage: bench/decode.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build/linux-release}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
jpg=$work/24mp.jpg
# A recognisable picture (ImageMagick's logo with film grain), 6000x4000, quality 92, 4:2:0.
convert logo: -resize 6000x4000! -attenuate 0.3 +noise Gaussian -quality 92 -sampling-factor 2x2 "$jpg"
echo "input: $(identify -format '%wx%h %b' "$jpg")"
"$build/bench_decode" "$jpg" 1920x1080 10
if command -v djpeg >/dev/null; then
  best=999999
  for i in 1 2 3 4 5 6; do
    s=$(date +%s%N); djpeg -scale 3/8 -bmp "$jpg" >/dev/null; e=$(date +%s%N)
    t=$(( (e - s) / 1000000 )); [ $i -gt 1 ] && [ $t -lt $best ] && best=$t
  done
  echo "djpeg -scale 3/8 (2250x1500, no final filter): best $best ms (whole process)"
fi
"$build/lumivore" decode "$jpg" --size 1920x1080 -o "$work/out.png" >/dev/null
echo "lumivore decode wrote $(identify -format '%wx%h' "$work/out.png")"
[ -n "${KEEP_PNG:-}" ] && cp "$work/out.png" "$KEEP_PNG" || true
