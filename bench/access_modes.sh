#!/bin/sh
# The writer's cost in every mode: TARVAGENT converting the Bench table
# written by ../shared/tools/jackcess/MakeBenchDb into the embedded Oracle
# engine, first into an empty schema, then again over the converted table in
# modes 1 (overwrite), 2 (skip), 3 (merge) and 4 (synchronize), once one
# record at a time (TARVEL_BATCH_ROWS=1) and once in batches (the default).
# Seconds (wall and CPU: user + system) and rows/s per run, peak memory.
# Usage:
#   access_modes.sh BUILD_DIR FILE [FILE...]   (a Release build)
# LATENCY_US=n adds n microseconds to every round trip of the engine
# (TARVEL_ORAEMB_LATENCY_US); MODES="0 3" limits the runs (0 = first load);
# WAYS="1 1000" chooses the batch sizes.
# Synchronize against files with changed rows, builds side by side:
# sync_changes.sh.
set -eu
bin="$1/bin"
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

. "$(dirname "$0")/bench_lib.sh"

convert() { # file batch_rows mode
  TARVEL_BATCH_ROWS="$2" TARVEL_ORAEMB_LATENCY_US="${LATENCY_US:-0}" TARVEL_OCI_LIB=embedded \
    TARVEL_ORAEMB_DIR="$work/db" /usr/bin/time -f '%M %U %S' -o "$work/rss" \
    "$bin/TARVAGENT" --src="$1" --dest=BENCH --oraclh=localhost --oraclu=b --oraclp=b \
    --mode="$3" --silent
}

printf '%-18s %8s %6s %5s %9s %8s %10s %8s\n' file rows batch mode seconds cpu_s rows/s peak_MB
for file in "$@"; do
  rows=$(rows_of "$file")
  for batch in ${WAYS:-1 1000}; do
    rm -rf "$work/db"; mkdir "$work/db"
    for mode in ${MODES:-0 1 2 3 4}; do
      if [ "$mode" = 0 ]; then run_mode=1; else run_mode=$mode; fi
      t0=$(now); convert "$file" "$batch" "$run_mode"; t1=$(now)
      s=$(seconds "$t0" "$t1")
      read -r rss user sys < "$work/rss"
      printf '%-18s %8d %6s %5s %9s %8.2f %10.0f %8.1f\n' "$(basename "$file")" "$rows" "$batch" \
        "$mode" "$s" "$(awk -v u="$user" -v y="$sys" 'BEGIN { print u + y }')" \
        "$(awk -v r="$rows" -v s="$s" 'BEGIN { print r / s }')" \
        "$(awk -v k="$rss" 'BEGIN { print k / 1024 }')"
    done
  done
done
