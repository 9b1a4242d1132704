#!/usr/bin/env bash
# Benchmark mode of Lumivore.exe under Wine: "/BENCH:RAM" on a small sample shoot must end by
# itself with exit code 0, write bench_last.ini with every documented key, and leave the settings
# file (with its recent list) byte for byte as it was.
#   tests/gui/bench_wine.sh BUILD      (BUILD = the windows-release build folder)
# Exit 0 pass, 1 fail, 77 skipped (no Wine, Xvfb or python3).
set -uo pipefail
build=$(cd "${1:?usage: bench_wine.sh BUILD}" && pwd)
src=$(cd "$(dirname "$0")/../.." && pwd)
for t in wine winepath Xvfb python3 sha256sum; do
  command -v "$t" >/dev/null || { echo "SKIP: $t is not installed"; exit 77; }
done
work=$(mktemp -d "$build/bench-run.XXXX")
python3 "$src/scripts/make_sample_shoot.py" "$work/shoot" >/dev/null || { echo "FAIL: no sample shoot"; exit 1; }
win() { local p="Z:$1"; echo "${p//\//\\}"; }

# [SECTION] Wine: the caller's prefix and display (ctest under scripts/test.sh), else our own
source "$src/scripts/wine-env.sh"
wine_use_or_up "$work/prefix" 57
own=$LV_WINE_OWN
cfg=$(wine_config_folder)
ini=$cfg/Lumivore.ini
report=$cfg/bench_last.ini
mkdir -p "$cfg"
for f in "$ini" "$report"; do [ -f "$f" ] && mv "$f" "$f.saved-by-bench-test"; done
cleanup() {
  for f in "$ini" "$report"; do
    rm -f "$f"
    [ -f "$f.saved-by-bench-test" ] && mv "$f.saved-by-bench-test" "$f"
  done
  [ -n "$own" ] && wine_down
  rm -rf "$work"
}
trap cleanup EXIT

# A settings file whose recent list names another folder: a normal run would rewrite both.
printf '[Application]\r\nCacheMode=1\r\n[Recent]\r\nCount=1\r\nFullPath1=%s\r\n' "$(win "$work/elsewhere.jpg")" >"$ini"
before=$(sha256sum <"$ini")

failures=0
check() { if eval "$2"; then echo "ok    $1"; else echo "FAIL  $1"; failures=$((failures + 1)); fi; }

start=$SECONDS
timeout 120 wine "$(win "$build/Lumivore.exe")" /BENCH:RAM "$(win "$work/shoot")" </dev/null >/dev/null 2>&1
rc=$?
check "Lumivore.exe /BENCH:RAM ends by itself with exit code 0 ($rc, $((SECONDS - start)) s)" '[ $rc -eq 0 ]'
check "the settings file and its recent list are unchanged" '[ "$(sha256sum <"$ini")" = "$before" ]'
check "bench_last.ini is in the configuration folder" '[ -f "$report" ]'

# Every key the README documents for a RAM run.
value() { tr -d '\r' <"$report" | awk -F= -v s="[$1]" -v k="$2" '$0==s{on=1;next} /^\[/{on=0} on&&$1==k{print substr($0,length(k)+2);exit}'; }
missing=""
for key in Program Folder Photos CacheMode ViewWidth ViewHeight KeyRateHz Presses TotalMs Date; do
  [ -n "$(value Run "$key")" ] || missing+=" Run/$key"
done
for s in FirstShow Forward Back StepCached StepPrefetched StepCold JumpEnd PhotoSize Resize Locate Read DecodeScale \
  ShotInfo ThumbStep RotateDraw Thumbnails; do
  for key in Count MinMs MedianMs P95Ms MaxMs; do [ -n "$(value "$s" "$key")" ] || missing+=" $s/$key"; done
done
for key in TotalMs PhotosPerSecond; do [ -n "$(value Thumbnails "$key")" ] || missing+=" Thumbnails/$key"; done
check "bench_last.ini holds every documented key${missing:+ (missing:$missing)}" '[ -z "$missing" ]'
photos=$(ls "$work/shoot" | grep -vic '\.xmp$')
check "the run covered the shoot: CacheMode=RAM, Photos=$photos, Thumbnails/Count=$photos, Forward/Count=Presses" \
  '[ "$(value Run CacheMode)" = RAM ] && [ "$(value Run Photos)" = "$photos" ] && [ "$(value Thumbnails Count)" = "$photos" ] && [ "$(value Forward Count)" = "$(value Run Presses)" ]'
[ $failures -eq 0 ] && echo "bench_wine: all passed" || echo "bench_wine: $failures failed"
[ $failures -eq 0 ]
