#!/bin/sh
# Tables on several sessions: TARVAGENT converting a file of independent
# tables (/work/benchdata/bench-4x50k.accdb: four tables of 50,000 rows)
# into the embedded Oracle engine with --jobs=1 and with more jobs, with a
# simulated round trip (TARVEL_ORAEMB_LATENCY_US, 1000 = 1 ms by default).
# The runs alternate (1, N, 1, N, ...) so that both see the same machine;
# wall seconds and CPU seconds (user + system) per run, the median of each
# and the ratio of the medians (N jobs against 1).
# Usage:
#   jobs.sh BUILD_DIR FILE           (a Release build)
# JOBS=n (4), RUNS=n (3), LATENCY_US=n (1000), BATCH_ROWS=n (the writer's
# default when unset; TARVEL_BATCH_ROWS: smaller batches, more round trips).
set -eu
bin="$1/bin"
file="$2"
jobs="${JOBS:-4}"
runs="${RUNS:-3}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

now() { date +%s.%N; }
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

convert() { # jobs
  rm -rf "$work/db"
  mkdir "$work/db"
  env ${BATCH_ROWS:+TARVEL_BATCH_ROWS="$BATCH_ROWS"} \
    TARVEL_ORAEMB_LATENCY_US="${LATENCY_US:-1000}" TARVEL_OCI_LIB=embedded \
    TARVEL_ORAEMB_DIR="$work/db" /usr/bin/time -f '%U %S' -o "$work/cpu" \
    "$bin/TARVAGENT" --src="$file" --dest=BENCH --oraclh=localhost --oraclu=b --oraclp=b \
    --jobs="$1" --silent
}

printf '%-5s %4s %9s %8s\n' jobs run seconds cpu_s
: > "$work/1.wall"
: > "$work/n.wall"
: > "$work/1.cpu"
: > "$work/n.cpu"
i=1
while [ "$i" -le "$runs" ]; do
  for j in 1 "$jobs"; do
    t0=$(now); convert "$j"; t1=$(now)
    wall=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.2f", b - a }')
    cpu=$(awk '{ printf "%.2f", $1 + $2 }' "$work/cpu")
    if [ "$j" = 1 ]; then k=1; else k=n; fi
    echo "$wall" >> "$work/$k.wall"
    echo "$cpu" >> "$work/$k.cpu"
    printf '%-5s %4d %9s %8s\n' "$j" "$i" "$wall" "$cpu"
  done
  i=$((i + 1))
done
w1=$(median < "$work/1.wall"); wn=$(median < "$work/n.wall")
c1=$(median < "$work/1.cpu"); cn=$(median < "$work/n.cpu")
printf 'median wall: --jobs=1 %s s, --jobs=%s %s s, ratio %.2f\n' "$w1" "$jobs" "$wn" \
  "$(awk -v a="$wn" -v b="$w1" 'BEGIN { print a / b }')"
printf 'median cpu:  --jobs=1 %s s, --jobs=%s %s s\n' "$c1" "$jobs" "$cn"
