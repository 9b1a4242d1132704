#!/bin/sh
# Export of a shoot of 2,000 files (the corpus photos copied round until there are 2,000) beside
# `cp -r` and `rsync -a` of the same files to the same disk, in one run. The export flushes every
# file to disk before it takes its name, so the copies are also timed with a `sync` after them.
#
#   bench/bench_export.sh [LUMIVORE] [CORPUS_FILES_FOLDER]
#   BENCH_DIR=/path/on/the/disk/to/measure (default: a new folder under /var/tmp)
set -eu
LUMIVORE=${1:-build/linux-release/lumivore}
CORPUS=${2:-../shared/corpus/files}
COUNT=${BENCH_COUNT:-2000}
WORK=${BENCH_DIR:-$(mktemp -d /var/tmp/lvbench.XXXXXX)}
command -v rsync >/dev/null || { echo "rsync is missing (apt-get install rsync)" >&2; exit 2; }
[ -x "$LUMIVORE" ] || { echo "no lumivore at $LUMIVORE" >&2; exit 2; }

SRC=$WORK/shoot
mkdir -p "$SRC"
find "$CORPUS" -type f | grep -i -E '\.(jpg|jpeg|cr2|cr3|nef|arw|raf|dng|orf|rw2|pef|x3f)$' | sort > "$WORK/list"
[ -s "$WORK/list" ] || { echo "no photos in $CORPUS" >&2; exit 2; }
i=0
while [ $i -lt "$COUNT" ]; do
    while read -r f && [ $i -lt "$COUNT" ]; do
        ext=${f##*.}
        cp -p "$f" "$SRC/$(printf 'IMG_%04d' $i).$ext"
        i=$((i + 1))
    done < "$WORK/list"
done
BYTES=$(du -sb "$SRC" | cut -f1)
cat "$SRC"/* > /dev/null   # every tool reads from the page cache
sync

now() { date +%s.%N; }
run() {  # name, then the command
    name=$1; shift
    sync
    t0=$(now)
    "$@" > /dev/null
    t1=$(now)
    sync
    t2=$(now)
    printf '%-18s %7.2f s   %7.2f s with sync   %6.1f MB/s\n' "$name" \
        "$(echo "$t1 - $t0" | bc)" "$(echo "$t2 - $t0" | bc)" "$(echo "$BYTES / 1048576 / ($t2 - $t0)" | bc -l)"
}

echo "$COUNT files, $((BYTES / 1048576)) MiB, in $WORK ($(df --output=source,fstype "$WORK" | tail -1))"
run "cp -r" cp -r "$SRC" "$WORK/cp"
run "rsync -a" rsync -a "$SRC/" "$WORK/rsync/"
run "lumivore export" "$LUMIVORE" export "$SRC" --to "$WORK/export"
run "export again" "$LUMIVORE" export "$SRC" --to "$WORK/export"
[ "$(ls "$WORK/export" | wc -l)" -eq "$COUNT" ] || { echo "export holds $(ls "$WORK/export" | wc -l) files" >&2; exit 1; }
diff -rq "$SRC" "$WORK/export" > /dev/null || { echo "the export differs from its source" >&2; exit 1; }
[ -n "${BENCH_KEEP:-}" ] || rm -rf "$WORK"
