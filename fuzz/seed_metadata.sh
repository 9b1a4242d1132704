#!/bin/sh
# Seeds for fuzz_preview, fuzz_exif and fuzz_jpeg_segments from the real camera files:
# the first 64 KiB of each (the fuzzers' -max_len), one folder per target.
# usage: fuzz/seed_metadata.sh CORPUS_DIR OUT_DIR
set -eu
corpus=$1
out=$2
mkdir -p "$out/preview" "$out/exif" "$out/jpeg"
find "$corpus/files" "$corpus/derived" -type f ! -name '*.xmp' ! -name '*.json' | while read -r f; do
    name=$(basename "$f")
    head -c 65536 "$f" > "$out/preview/$name"
    cp "$out/preview/$name" "$out/exif/$name"
    case "$name" in
        *.jpg|*.JPG|*.jpeg) cp "$out/preview/$name" "$out/jpeg/$name" ;;
    esac
done
