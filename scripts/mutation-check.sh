#!/usr/bin/env bash
# Breaks the code on purpose, one fault at a time (tests/mutations.txt), in a scratch copy of this
# checkout (build/mutation), rebuilds the test program named for the fault and runs it: a fault is
# CAUGHT when the program fails. The checkout itself is never touched. Not part of CI (it takes a
# rebuild per fault); run it after changing tests.
#   scripts/mutation-check.sh [LIST] [PATTERN]    PATTERN: only the faults whose line contains it
# Exits 0 when every fault was caught, 1 when one was missed or did not build, 2 when the unbroken
# scratch build or its tests fail.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
list=${1:-tests/mutations.txt}
only=${2:-}
scratch=$root/build/mutation
bin=$scratch/build/linux-release
# The scratch copy sits as deep below /work as the checkout, so the compiler cache serves both.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$root")}
mkdir -p "$scratch"

# Copies the tracked and new files whose content differs (a copied file gets a fresh time, so the
# scratch build recompiles it) and removes the scratch copy's files the checkout no longer has.
sync_tree() {
  git ls-files -co --exclude-standard -z | python3 -c '
import os, sys
dst = sys.argv[1]
keep = set()
for p in sys.stdin.buffer.read().decode().split("\0"):
    if not p or p.startswith("build/") or not os.path.isfile(p):
        continue
    keep.add(p)
    q = os.path.join(dst, p)
    with open(p, "rb") as a:
        new = a.read()
    if os.path.isfile(q):
        with open(q, "rb") as b:
            if b.read() == new:
                continue
    os.makedirs(os.path.dirname(q) or ".", exist_ok=True)
    with open(q, "wb") as b:
        b.write(new)
for top, dirs, files in os.walk(dst):
    rel = os.path.relpath(top, dst)
    if rel == ".":
        dirs[:] = [d for d in dirs if d != "build"]
    for f in files:
        p = os.path.normpath(os.path.join(rel, f))
        if p not in keep:
            os.remove(os.path.join(top, f))
' "$scratch"
}

# replace FILE ORIGINAL REPLACEMENT: exactly one occurrence, or nothing changes.
replace() {
  python3 -c '
import sys
p, a, b = sys.argv[1:]
t = open(p, encoding="utf-8").read()
n = t.count(a)
if n != 1:
    sys.exit(f"{n} occurrences")
open(p, "w", encoding="utf-8").write(t.replace(a, b))
' "$@"
}

build() { cmake --build "$bin" -j2 --target "$@" >"$scratch/build.log" 2>&1; }
run() { timeout 900 "$bin/test_$1" --gtest_brief=1 >"$scratch/run.log" 2>&1; }

sync_tree
(cd "$scratch" && cmake --preset linux-release -DLV_WERROR=ON -DLV_CORPUS_DIR="$root/../shared/corpus" \
   >"$scratch/configure.log" 2>&1) || { echo "configure failed: $scratch/configure.log"; exit 2; }

mapfile -t lines < <(grep -v '^\s*#' "$list" | grep ' ==> ' | grep -F -- "$only")
programs=$(for l in "${lines[@]}"; do echo "${l%% *}"; done | sort -u)
for p in $programs; do
  build "test_$p" && run "$p" || { echo "test_$p fails without any fault: $scratch/run.log"; exit 2; }
done

caught=0 missed=0 broken=0 n=0
for line in "${lines[@]}"; do
  head=${line%% | *} rest=${line#* | }
  prog=${head%% *} file=${head#* }
  orig=${rest%% ==> *} repl=${rest#* ==> }
  n=$((n + 1))
  if ! why=$(replace "$scratch/$file" "$orig" "$repl" 2>&1); then
    echo "BROKEN  $n $file: $why: $orig"; broken=$((broken + 1)); continue
  fi
  if ! build "test_$prog"; then
    echo "BROKEN  $n $file: does not build: $repl"; broken=$((broken + 1))
  elif run "$prog"; then
    echo "MISSED  $n $file: $orig ==> $repl"; missed=$((missed + 1))
  else
    echo "CAUGHT  $n test_$prog: $(grep -m1 -E '^\[  FAILED  \] [A-Za-z]' "$scratch/run.log" | cut -c14- || echo "exit $?") <- $file"
    caught=$((caught + 1))
  fi
  cp "$root/$file" "$scratch/$file"
done
echo "mutations: $caught caught, $missed missed, $broken broken of $n"
[ $((missed + broken)) -eq 0 ]
