#!/bin/sh
# Runs every built fuzz target for a few seconds over its seed corpus.
# Usage: fuzz-smoke.sh BUILD_DIR SECONDS
set -eu
build=$(cd "$1" && pwd)
secs=$2
root=$(cd "$(dirname "$0")/.." && pwd)
found=0
# Leaks inside third-party libraries are listed, with the reason, in the file.
export LSAN_OPTIONS="suppressions=$root/fuzz/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
for t in "$build"/fuzz/bin/fuzz_*; do
  [ -x "$t" ] || continue
  found=1
  name=$(basename "$t")
  corpus="$root/fuzz/corpus/${name#fuzz_}"
  work=$(mktemp -d)
  [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/ 2>/dev/null || true
  echo "fuzz-smoke: $name for ${secs}s"
  (cd "$work" && "$t" -max_total_time="$secs" -print_final_stats=0 "$work" >"$work.log" 2>&1) || {
    tail -n 60 "$work.log"; echo "fuzz-smoke: $name FAILED"; exit 1; }
  rm -rf "$work" "$work.log"
done
[ "$found" -eq 1 ] || echo "fuzz-smoke: no fuzz targets built"
