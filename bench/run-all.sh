#!/usr/bin/env bash
# The performance suite in one run: builds the Linux release (and uses the Windows build when it
# is there), builds a benchmark shoot when no FOLDER is given, measures Lumivore beside the tools
# photographers use on the same files and writes build/bench/report.md with its plots.
#
#   bench/run-all.sh [--quick] [FOLDER]
#
# Without FOLDER the shoot is build/bench/shoot (build/bench/shoot-quick with --quick), made once
# from the corpus's full-size camera files: copies of its Canon CR2, the same CR2 with a
# 24-megapixel preview grafted in, and its real camera JPEGs, in bursts of copies of one shot.
# --quick: a small shoot and fewer repetitions (a few minutes). Every peer tool is optional: a
# missing one is skipped with a note in the report. LUMIVORE_CORPUS points at the corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
quick=""
folder=""
for a in "$@"; do
  case "$a" in
    --quick) quick=1 ;;
    -h|--help) sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "run-all.sh: unknown option $a" >&2; exit 2 ;;
    *) [ -z "$folder" ] || { echo "run-all.sh: one FOLDER only" >&2; exit 2; }; folder=$a ;;
  esac
done
[ -z "$folder" ] || [ -d "$folder" ] || { echo "run-all.sh: $folder is not a folder" >&2; exit 2; }
out=build/bench
mkdir -p "$out"
corpus=${LUMIVORE_CORPUS:-../shared/corpus}

# [SECTION] build
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(cd .. && pwd)}
[ -d build/linux-release ] || cmake --preset linux-release >/dev/null
cmake --build --preset linux-release -j2 --target lumivore bench_photometa bench_preview bench_decode bench_filter \
  bench_viewer >/dev/null
build=build/linux-release

# [SECTION] the shoot
if [ -z "$folder" ]; then
  if [ -n "$quick" ]; then folder=$out/shoot-quick; copies=8; else folder=$out/shoot; copies=150; fi
  if [ ! -f "$folder/.complete" ]; then
    cr2=$corpus/files/cr2/IMG_5952.CR2
    [ -f "$cr2" ] || { echo "run-all.sh: no corpus at $corpus (give a FOLDER)" >&2; exit 2; }
    rm -rf "$folder" && mkdir -p "$folder"
    echo "making the shoot in $folder ..."
    # The corpus has no 24-megapixel RAW: its CR2 gets a 6000x4000 JPEG as its IFD0 preview.
    convert "$corpus/files/jpeg/mei_Leica_T_Typ_701.jpg" -resize 6000x4000! -quality 92 -sampling-factor 2x2 \
      "$out/24mp.jpg"
    "$build/bench_viewer" graft "$cr2" "$out/24mp.jpg" "$out/IMG_24MP.CR2" 2>/dev/null || [ -f "$out/IMG_24MP.CR2" ]
    jpegs=$(find "$corpus/files/jpeg" -type f -size +500k | sort)
    n=0
    for i in $(seq 1 "$copies"); do
      cp "$cr2" "$folder/$(printf 'IMG_%05d.CR2' $n)"
      cp "$out/IMG_24MP.CR2" "$folder/$(printf 'IMG_%05d.CR2' $((n + 1)))"
      n=$((n + 2))
      [ $((i % 3)) -eq 0 ] || continue
      for j in $jpegs; do
        cp "$j" "$folder/$(printf 'DSC_%05d.JPG' $n)"
        n=$((n + 1))
      done
    done
    chmod -R u+w "$folder"
    touch "$folder/.complete"
  fi
fi

# [SECTION] measure and report
py=/usr/bin/python3  # Debian's, with python3-matplotlib
[ -x "$py" ] || py=python3
"$py" bench/report.py --build "$build" --windows build/windows-release --shoot "$folder" --out "$out" \
  ${quick:+--quick}
echo "report: $out/report.md"
