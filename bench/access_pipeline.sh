#!/bin/sh
# Reading ahead against reading on the writer's thread: TARVAGENT converting
# the Bench table (../shared/tools/jackcess/MakeBenchDb) into the embedded
# Oracle engine with TARVEL_PIPELINE=0 and with the default, alternated RUNS
# times, beside `mdb-export` of the same table in the same round. Wall and
# processor seconds (user + system) and peak memory per run; on a shared
# machine the processor time is the figure to compare.
# Usage: access_pipeline.sh BUILD_DIR FILE   (a Release or RelWithDebInfo build)
# RUNS=n rounds (default 3). PROFILE=1 then records one pipelined run with
# `perf record` and prints each thread's share and its hottest functions
# (the reading thread is named tarvel-reader).
set -eu
bin="$1/bin"
file="$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

convert() {
  rm -rf "$work/db"
  mkdir "$work/db"
  TARVEL_OCI_LIB=embedded TARVEL_ORAEMB_DIR="$work/db" "$@" "$bin/TARVAGENT" --src="$file" \
    --dest=BENCH --oraclh=localhost --oraclu=b --oraclp=b --silent > /dev/null
}

printf '%-12s %8s %8s %8s\n' run wall_s cpu_s peak_MB
for round in $(seq 1 "${RUNS:-3}"); do
  for way in 0 1; do
    convert env TARVEL_PIPELINE=$way /usr/bin/time -f '%e %U %S %M' -o "$work/t"
    name=$([ "$way" = 1 ] && echo read-ahead || echo one-thread)
    awk -v n="$name" '{ printf "%-12s %8.2f %8.2f %8.1f\n", n, $1, $2 + $3, $4 / 1024 }' "$work/t"
  done
  /usr/bin/time -f '%e %U %S %M' -o "$work/t" mdb-export "$file" Bench > /dev/null
  awk '{ printf "%-12s %8.2f %8.2f %8.1f\n", "mdb-export", $1, $2 + $3, $4 / 1024 }' "$work/t"
done

if [ "${PROFILE:-0}" = 1 ]; then
  convert perf record -q -F 1999 -o "$work/perf.data"
  echo "== share of each thread =="
  perf report -i "$work/perf.data" --sort pid --stdio 2> /dev/null | grep '%'
  echo "== by thread and library =="
  perf report -i "$work/perf.data" --sort pid,dso --stdio 2> /dev/null | grep '%' | head -n 14
  echo "== hottest functions by thread =="
  perf report -i "$work/perf.data" --sort pid,sym --stdio 2> /dev/null | grep '%' |
    cut -c 1-100 | head -n 40
fi
