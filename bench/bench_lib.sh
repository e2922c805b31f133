# Helpers shared by the end-to-end benchmark scripts (access_e2e.sh,
# access_modes.sh, verify_e2e.sh, targets.sh), sourced with `.`: row counts,
# wall-clock arithmetic, medians, runs under /usr/bin/time and the perf
# profile of one conversion, summed and per thread.

rows_of() { mdb-export "$1" "${2:-Bench}" | tail -n +2 | wc -l; }
seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }
now() { date +%s.%N; }
rate() { awk -v r="$1" -v s="$2" 'BEGIN { printf "%.0f", r / s }'; }
# The peak memory in MB of a /usr/bin/time -f '%M' output file (last line).
mb() { awk -v k="$(tail -n 1 "$1")" 'BEGIN { printf "%.1f", k / 1024 }'; }

# timed OUT CMD...: runs CMD; OUT receives "elapsed_s cpu_s peak_kB" (cpu =
# user + system). CMD's exit status is returned.
timed() {
  _out="$1"
  shift
  _st=0
  /usr/bin/time -f '%e %U %S %M' -o "$_out.raw" "$@" || _st=$?
  tail -n 1 "$_out.raw" | awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }' > "$_out"
  return $_st
}

# median: the median of the numbers on standard input, one a line.
median() {
  sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "nan";
    else if (NR % 2) print v[(NR + 1) / 2]; else printf "%.2f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# profile_run DIR CMD...: records CMD with perf into DIR/perf.data and prints
# the time by library, the hottest functions, and the top of every thread
# that took at least 1 % of the samples.
profile_run() {
  _dir="$1"
  shift
  perf record -q -o "$_dir/perf.data" "$@" 2> /dev/null > /dev/null || true
  echo "== time by library =="
  perf report -i "$_dir/perf.data" --sort dso --stdio 2> /dev/null | grep '%' | head -n 12
  echo "== hottest functions =="
  perf report -i "$_dir/perf.data" --sort dso,symbol --stdio 2> /dev/null | grep '%' |
    cut -c 1-110 | head -n 25
  echo "== per thread =="
  perf report -i "$_dir/perf.data" --sort pid,comm --stdio 2> /dev/null | grep '%' > "$_dir/threads"
  cat "$_dir/threads"
  awk '$1 + 0 >= 1 { split($2, t, ":"); print t[1] }' "$_dir/threads" | while read -r _tid; do
    echo "-- thread $_tid --"
    perf report -i "$_dir/perf.data" --tid="$_tid" --sort dso --stdio 2> /dev/null | grep '%' |
      head -n 6
    perf report -i "$_dir/perf.data" --tid="$_tid" --sort dso,symbol --stdio 2> /dev/null |
      grep '%' | cut -c 1-110 | head -n 12
  done
}
