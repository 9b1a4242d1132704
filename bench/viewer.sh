#!/usr/bin/env bash
# The viewer's figures in one run (Release build):
#  1. cold show of a 24-megapixel RAW preview at 1920x1080, beside djpeg -scale + our resampler and
#     exiv2 -ep + djpeg;
#  2. next photo from the decoded cache;
#  3. a held arrow key (lumivore view --rate 10) over a RAW folder;
#  4. a 300-photo RAW folder's whole strip from the embedded thumbnails, then from the disk cache;
#  5. the held arrow key again over that folder's smaller previews.
# The corpus has no 24-MP RAW, so its Canon CR2 gets a 6000x4000 JPEG (a corpus photo enlarged)
# grafted in as its IFD0 preview; the strip folder is 300 copies of the CR2 as it is.
# Usage: bench/viewer.sh [BUILD_DIR]      (LUMIVORE_CORPUS points at the corpus)
set -euo pipefail
build=${1:-build/linux-release}
corpus=${LUMIVORE_CORPUS:-$(dirname "$0")/../../shared/corpus}
cr2=$corpus/files/cr2/IMG_5952.CR2
photo=$corpus/files/jpeg/mei_Leica_T_Typ_701.jpg
[ -f "$cr2" ] && [ -f "$photo" ] || { echo "corpus not found at $corpus"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bv=$build/bench_viewer
lv=$build/lumivore

convert "$photo" -resize 6000x4000! -quality 92 -sampling-factor 2x2 "$work/24mp.jpg"
"$bv" graft "$cr2" "$work/24mp.jpg" "$work/IMG_24MP.CR2"
echo "== 1. cold show"
"$bv" cold "$work/IMG_24MP.CR2" 1920x1080 5

mkdir "$work/held"
for i in $(seq -w 1 60); do cp "$work/IMG_24MP.CR2" "$work/held/IMG_$i.CR2"; done
echo "== 2. next photo from the decoded cache (60 RAW files with 24-MP previews)"
"$bv" next "$work/held" 1920x1080 20
echo "== 3. held arrow key: lumivore view --rate 10 --steps 100, page cache dropped first"
"$bv" drop "$work"/held/*
"$lv" view "$work/held" --steps 100 --rate 10 --size 1920x1080

mkdir "$work/strip"
for i in $(seq -w 1 300); do cp "$cr2" "$work/strip/IMG_$i.CR2"; done
echo "== 4. strip of 300 RAW files ($(du -sh "$work/strip" | cut -f1)), page cache dropped before each run"
"$bv" drop "$work"/strip/*
echo "-- from the embedded thumbnails (disk mode fills the cache), strip alone"
"$lv" thumbs "$work/strip" --cache-mode disk --cache-root "$work/cache" --no-scan
"$bv" drop "$work"/strip/* "$work"/cache/*/*
echo "-- again, from the disk cache, strip alone"
"$lv" thumbs "$work/strip" --cache-mode disk --cache-root "$work/cache" --no-scan
"$bv" drop "$work"/strip/* "$work"/cache/*/*
echo "-- from the disk cache with the metadata scan the builder runs between (the program's order)"
"$lv" thumbs "$work/strip" --cache-mode disk --cache-root "$work/cache"
echo "-- disk cache: $(find "$work/cache" -type f | wc -l) files, $(du -sh "$work/cache" | cut -f1)"
echo "== 5. held arrow key over the 300 CR2 copies (1728x1152 previews) at 1280x720"
"$bv" drop "$work"/strip/*
"$lv" view "$work/strip" --steps 100 --rate 10 --size 1280x720
