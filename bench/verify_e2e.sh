#!/bin/sh
# Benchmark of tarvel-verify: the Bench table written by
# ../shared/tools/jackcess/MakeBenchDb is converted by TARVAGENT into the
# embedded Oracle engine (not timed), then verified: a clean check (one pass
# over both sides) and, after one row is changed in Oracle, a check with the
# second pass that locates it; each timed with its peak memory, beside
# `mdb-export` of the same table. Usage: verify_e2e.sh BUILD_DIR FILE [FILE...]
# (a Release build with TARVAGENT, tarvel-verify, oraemb-sql and liboraemb.so).
set -eu
bin="$1/bin"
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

. "$(dirname "$0")/bench_lib.sh"

printf '%-20s %8s %9s %11s %9s %11s %8s %9s %8s\n' file rows export_s export_r/s verify_s verify_r/s peak_MB located_s peak_MB
for file in "$@"; do
  rows=$(rows_of "$file")
  t0=$(now); mdb-export "$file" Bench > /dev/null; t1=$(now)
  rm -rf "$work/db"; mkdir "$work/db"
  export TARVEL_OCI_LIB=embedded TARVEL_ORAEMB_DIR="$work/db"
  login="--dest=BENCH --oraclh=localhost --oraclu=b --oraclp=b"
  "$bin/TARVAGENT" --src="$file" $login --silent
  t2=$(now)
  /usr/bin/time -f '%M' -o "$work/rss1" "$bin/tarvel-verify" --src="$file" $login > "$work/out1"
  t3=$(now)
  grep -q '^Bench .* equal$' "$work/out1" || { echo "not equal:"; cat "$work/out1"; exit 1; }
  "$bin/oraemb-sql" --connect=//localhost:1521/BENCH --user=b --password=b --quiet \
    "UPDATE \"Bench\" SET \"Name\" = 'changed' WHERE \"ID\" = $((rows / 2))"
  t4=$(now)
  status=0
  /usr/bin/time -f '%M' -o "$work/rss2" "$bin/tarvel-verify" --src="$file" $login > "$work/out2" || status=$?
  t5=$(now)
  [ "$status" -eq 1 ] && grep -q "changed row ID=$((rows / 2)): Name" "$work/out2" ||
    { echo "the change was not located:"; cat "$work/out2"; exit 1; }
  export_s=$(seconds "$t0" "$t1")
  verify_s=$(seconds "$t2" "$t3")
  printf '%-20s %8d %9s %11s %9s %11s %8s %9s %8s\n' "$(basename "$file")" "$rows" "$export_s" \
    "$(rate "$rows" "$export_s")" "$verify_s" "$(rate "$rows" "$verify_s")" "$(mb "$work/rss1")" \
    "$(seconds "$t4" "$t5")" "$(mb "$work/rss2")"
done
