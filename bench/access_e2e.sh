#!/bin/sh
# End-to-end benchmark: TARVAGENT converting the Bench table written by
# ../shared/tools/jackcess/MakeBenchDb into the embedded Oracle engine, timed
# with its peak memory, beside `mdb-export` of the same table in the same
# run. Usage: access_e2e.sh BUILD_DIR FILE [FILE...]  (a RelWithDebInfo
# build with TARVAGENT and liboraemb.so; one line of figures per file).
# With PROFILE=1 the conversion of the first file also runs under
# `perf record` and the top of `perf report` is printed, also per thread.
set -eu
bin="$1/bin"
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

. "$(dirname "$0")/bench_lib.sh"

printf '%-24s %9s %10s %12s %10s %12s %10s\n' file rows export_s export_r/s convert_s convert_r/s peak_MB
for file in "$@"; do
  rows=$(rows_of "$file")
  t0=$(now); mdb-export "$file" Bench > /dev/null; t1=$(now)
  rm -rf "$work/db"; mkdir "$work/db"
  t2=$(now)
  TARVEL_OCI_LIB=embedded TARVEL_ORAEMB_DIR="$work/db" /usr/bin/time -f '%M' -o "$work/rss" \
    "$bin/TARVAGENT" --src="$file" --dest=BENCH --oraclh=localhost --oraclu=b --oraclp=b \
    --silent
  t3=$(now)
  export_s=$(seconds "$t0" "$t1")
  convert_s=$(seconds "$t2" "$t3")
  printf '%-24s %9d %10s %12.0f %10s %12.0f %10.1f\n' "$(basename "$file")" "$rows" \
    "$export_s" "$(awk -v r="$rows" -v s="$export_s" 'BEGIN { print r / s }')" \
    "$convert_s" "$(awk -v r="$rows" -v s="$convert_s" 'BEGIN { print r / s }')" \
    "$(awk -v k="$(cat "$work/rss")" 'BEGIN { print k / 1024 }')"
done

if [ "${PROFILE:-0}" = 1 ]; then
  rm -rf "$work/db"; mkdir "$work/db"
  TARVEL_OCI_LIB=embedded TARVEL_ORAEMB_DIR="$work/db" profile_run "$work" \
    "$bin/TARVAGENT" --src="$1" --dest=BENCH --oraclh=localhost --oraclu=b --oraclp=b --silent
fi
