#!/bin/sh
# The verified import against plain copies, on a shoot of a few GB built by replicating the
# corpus's camera files, read from a warm cache:
#   cp -r                      the floor: no hash, no flush to disk
#   cp -r + sync               the same bytes made durable, as the import makes every copy
#   cp -r + sha256sum          copy, then fingerprint the copies
#   lumivore import            copy, SHA-256 of the same bytes, flush, publish, journal
#   lumivore import --verify   plus reading every copy back from the disk
# Prints seconds, MB/s, the share of the import spent hashing and the cost of --verify.
#
# usage: bench/bench_import.sh [GB]      (default 3; LUMIVORE, LUMIVORE_CORPUS, BENCH_DIR)
set -eu
cd "$(dirname "$0")/.."
GB=${1:-3}
LUMIVORE=${LUMIVORE:-build/linux-release/lumivore}
CORPUS=${LUMIVORE_CORPUS:-../shared/corpus}
WORK=${BENCH_DIR:-${TMPDIR:-/tmp}/lumivore-bench-import}
TEMPLATE='{year}/{month}/{day}/{seq:6}-{file.name}.{file.ext}'

[ -x "$LUMIVORE" ] || { echo "build $LUMIVORE first (cmake --build --preset linux-release --target lumivore)"; exit 2; }
[ -d "$CORPUS/files" ] || { echo "no corpus at $CORPUS"; exit 2; }

# [SECTION] the shoot
CARD=$WORK/card
want=$((GB * 1024 * 1024 * 1024))
if [ ! -f "$WORK/card.done-$GB" ]; then
    rm -rf "$WORK"
    mkdir -p "$CARD"
    n=100
    while [ "$(du -sb "$CARD" | cut -f1)" -lt "$want" ]; do
        mkdir -p "$CARD/DCIM/${n}CAMRA"
        find "$CORPUS/files" -type f -exec cp -p {} "$CARD/DCIM/${n}CAMRA/" \;
        n=$((n + 1))
    done
    touch "$WORK/card.done-$GB"
fi
bytes=$(du -sb "$CARD" | cut -f1)
files=$(find "$CARD" -type f | wc -l)
find "$CARD" -type f -exec cat {} + > /dev/null  # warm source

now() { date +%s.%N; }
# Each run copies into a folder of its own, and all are removed at the end: ext4 without a journal
# (as on our build machines) creates files slowly for half a minute after thousands were deleted,
# which a photographer's disk rarely shows and which would weigh on whichever copier runs next.
# Without room for that, runs share one folder.
if [ "$(df -B1 --output=avail "$WORK" | tail -1)" -gt $((bytes * 8)) ]; then own=1; else own=; fi
fresh() {
    if [ -n "$own" ]; then DEST=$(mktemp -d "$WORK/dest.XXXXXX"); else DEST=$WORK/dest; rm -rf "$DEST"; fi
    rm -rf "$WORK/config"
    sync
}
report() {  # name seconds
    printf '%-28s %s\n' "$1" "$(echo "$2 $bytes" | awk '{ printf "%7.2f s  %7.1f MB/s", $1, $2 / 1048576 / $1 }')"
}

echo "shoot: $files files, $(echo "$bytes" | awk '{ printf "%.2f GB", $1 / 1073741824 }'), warm; destinations under $WORK"

# [SECTION] plain copies
fresh; t0=$(now); cp -r "$CARD" "$DEST"; t1=$(now)
t_cp=$(echo "$t1 - $t0" | bc); report "cp -r" "$t_cp"
fresh; t0=$(now); cp -r "$CARD" "$DEST"; sync; t1=$(now)
t_cps=$(echo "$t1 - $t0" | bc); report "cp -r + sync" "$t_cps"
fresh; t0=$(now); cp -r "$CARD" "$DEST"; find "$DEST" -type f -exec sha256sum {} + > /dev/null; t1=$(now)
t_cph=$(echo "$t1 - $t0" | bc); report "cp -r + sha256sum" "$t_cph"

# [SECTION] the import
run_import() {
    fresh
    t0=$(now)
    XDG_CONFIG_HOME="$WORK/config" "$LUMIVORE" import "$CARD" --to "$DEST" --template "$TEMPLATE" "$@" > "$WORK/last.txt"
    t1=$(now)
    echo "$t1 - $t0" | bc
}
t_imp=$(run_import); report "lumivore import" "$t_imp"; sed 's/^/    /' "$WORK/last.txt"
t_ver=$(run_import --verify); report "lumivore import --verify" "$t_ver"

# Hashing alone: the same bytes from the warm cache through the same SHA-256.
t0=$(now); find "$CARD" -type f -exec "$LUMIVORE" sha256 {} + > /dev/null; t1=$(now)
t_hash=$(echo "$t1 - $t0" | bc); report "sha256 of the card (warm)" "$t_hash"

echo
echo "$t_imp $t_cp $t_cps $t_cph $t_hash $t_ver" | awk '{
    printf "import / cp -r              %.2fx\n", $1 / $2
    printf "import / (cp -r + sync)     %.2fx\n", $1 / $3
    printf "(cp -r + sha256sum) / import %.2fx\n", $4 / $1
    printf "hashing share of the import %.0f %%\n", 100 * $5 / $1
    printf "cost of --verify            +%.0f %%\n", 100 * ($6 - $1) / $1
}'
rm -rf "$WORK"/dest* "$WORK/config"
