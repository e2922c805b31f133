#!/bin/sh
# Every performance target of the conversion measured side by side in one
# run, on the files of /work/benchdata (see its README; the generators are
# ../shared/tools/jackcess/MakeBenchDb and bench/MakeBenchVariants.java):
#   - 200,000 rows into the embedded engine against `mdb-export` of them;
#   - 1,000,000 rows (and with BIG=1 6,000,000 rows): time and peak memory;
#   - synchronize of the unchanged table and with every row changed, against
#     a fresh load (and, for information, with ten rows changed);
#   - four 50,000-row tables with --jobs=4 against --jobs=1 at 1 ms a round
#     trip (n/a while TARVAGENT has no --jobs);
#   - tarvel-verify against `mdb-export`, and its peak memory at 1m rows
#     against 200k rows.
# Short runs are repeated RUNS times (default 3), alternating the programs
# compared, and their medians reported; every figure comes with its CPU
# seconds (user + system), since the machine may be busy. The results of
# synchronize are checked with tarvel-verify (first round only).
# Usage: targets.sh BUILD_DIR   (a Release build with TARVAGENT,
#   tarvel-verify and liboraemb.so).  DATA=dir overrides /work/benchdata;
#   BIG=1 adds the 6m file (minutes); ALLOCS=1 counts the allocations per
#   row of the 200k conversion (heaptrack; slow); PROFILE=1 ends with a perf
#   profile of the 200k conversion, per thread. PARTS="sync jobs large"
#   (the default) chooses what runs beside the 200k load, verify and export.
set -eu
bin="$1/bin"
data="${DATA:-/work/benchdata}"
runs="${RUNS:-3}"
. "$(dirname "$0")/bench_lib.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TARVEL_OCI_LIB=embedded
login="--dest=BENCH --oraclh=localhost --oraclu=b --oraclp=b"
f200k="$data/bench-200k.accdb"

die() { echo "targets.sh: $*" >&2; exit 1; }
for f in bench-200k bench-200k-changed-all bench-200k-changed-10 bench-1m bench-4x50k; do
  [ -r "$data/$f.accdb" ] || die "$data/$f.accdb is missing (see $data/README)"
done
fresh_db() { rm -rf "$work/db"; mkdir "$work/db"; }
# agent NAME ARGS...: TARVAGENT into the engine database $work/db; the figures
# are appended to $work/NAME.
agent() {
  _name="$1"
  shift
  TARVEL_ORAEMB_DIR="$work/db" timed "$work/t" "$bin/TARVAGENT" $login --silent "$@" ||
    die "TARVAGENT $* failed"
  cat "$work/t" >> "$work/$_name"
}
# verify NAME FILE: tarvel-verify of FILE against $work/db, which must be equal
# (exit status 0).
verify() {
  TARVEL_ORAEMB_DIR="$work/db" timed "$work/t" "$bin/tarvel-verify" --src="$2" $login \
    > "$work/verify.out" 2> /dev/null ||
    { cat "$work/verify.out"; die "tarvel-verify of $2 did not find it equal (after $1)"; }
  cat "$work/t" >> "$work/$1"
}
export_table() {
  timed "$work/t" sh -c 'mdb-export "$1" Bench > /dev/null' sh "$1" || die "mdb-export $1 failed"
  cat "$work/t" >> "$work/$2"
}
# col NAME N: median of column N (1 elapsed, 2 cpu, 3 peak kB) of $work/NAME.
col() { [ -s "$work/$1" ] && awk -v c="$2" '{ print $c }' "$work/$1" | median || echo nan; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "nan" || b == "nan" || b == 0) print "nan";
  else printf "%.2f", a / b }'; }

load() { cut -d ' ' -f 1-3 /proc/loadavg; }
part() { case " ${PARTS:-sync jobs large} " in *" $1 "*) return 0 ;; esac; return 1; }
echo "machine: $(nproc) cores, load at start $(load); $runs rounds; data in $data"

# Round: mdb-export, fresh load, verify, synchronize unchanged, synchronize
# to every row changed and back (both change every row), then ten rows.
round=1
while [ "$round" -le "$runs" ]; do
  export_table "$f200k" export
  fresh_db
  agent load --src="$f200k" --mode=1
  verify verify "$f200k"
  if part sync; then
    agent sync0 --src="$f200k" --mode=4
    agent syncall --src="$data/bench-200k-changed-all.accdb" --mode=4
    [ "$round" -gt 1 ] || verify check "$data/bench-200k-changed-all.accdb"
    agent syncall --src="$f200k" --mode=4
    [ "$round" -gt 1 ] || verify check "$f200k"
    agent sync10 --src="$data/bench-200k-changed-10.accdb" --mode=4
    [ "$round" -gt 1 ] || verify check "$data/bench-200k-changed-10.accdb"
  fi
  round=$((round + 1))
done

# Several tables at 1 ms a round trip, --jobs=1 and --jobs=4 alternated.
if "$bin/TARVAGENT" --help 2>&1 | grep -q -- '--jobs'; then jobs=yes; else jobs=no; fi
round=1
while part jobs && [ "$round" -le "$runs" ]; do
  fresh_db
  if [ "$jobs" = yes ]; then
    TARVEL_ORAEMB_LATENCY_US=1000 agent jobs1 --src="$data/bench-4x50k.accdb" --mode=1 --jobs=1
    fresh_db
    TARVEL_ORAEMB_LATENCY_US=1000 agent jobs4 --src="$data/bench-4x50k.accdb" --mode=1 --jobs=4
  else
    TARVEL_ORAEMB_LATENCY_US=1000 agent jobs1 --src="$data/bench-4x50k.accdb" --mode=1
  fi
  round=$((round + 1))
done

# The large files, once each.
if part large; then
  fresh_db
  agent load1m --src="$data/bench-1m.accdb" --mode=1
  verify verify1m "$data/bench-1m.accdb"
fi
if part large && [ "${BIG:-0}" = 1 ]; then
  [ -r "$data/bench-6m.accdb" ] || die "$data/bench-6m.accdb is missing"
  fresh_db
  agent load6m --src="$data/bench-6m.accdb" --mode=1
fi
fresh_db
echo "load at end $(load)"

echo
echo "== figures (medians; seconds wall and CPU, peak MB) =="
printf '%-44s %9s %9s %9s %5s\n' run wall_s cpu_s peak_MB runs
for n in export:"mdb-export 200k" load:"fresh load 200k" verify:"tarvel-verify 200k" \
  sync0:"synchronize 200k, unchanged" syncall:"synchronize 200k, every row changed" \
  sync10:"synchronize 200k, 10 rows changed" jobs1:"4 x 50k at 1 ms, --jobs=1 (or none)" \
  jobs4:"4 x 50k at 1 ms, --jobs=4" load1m:"fresh load 1m" verify1m:"tarvel-verify 1m" \
  load6m:"fresh load 6m"; do
  f=${n%%:*}
  [ -s "$work/$f" ] || continue
  printf '%-44s %9s %9s %9.1f %5d\n' "${n#*:}" "$(col "$f" 1)" "$(col "$f" 2)" \
    "$(awk -v k="$(col "$f" 3)" 'BEGIN { print k / 1024 }')" "$(wc -l < "$work/$f")"
done

echo
echo "== targets =="
printf '%-46s %9s %8s %10s %6s\n' target figure by_cpu target result
# line TEXT FIGURE CPU_FIGURE OP LIMIT UNIT
line() {
  _shown="$2$6"
  [ "$2" != nan ] || _shown=n/a
  _cpu="$3$6"
  [ -n "$3" ] || _cpu=""
  [ "$3" != nan ] || _cpu=n/a
  printf '%-46s %9s %8s %10s %6s\n' "$1" "$_shown" "$_cpu" "$4 $5$6" "$(awk -v f="$2" -v o="$4" -v l="$5" \
    'BEGIN { if (f == "nan" || f == "") print "n/a";
      else if ((o == ">=" && f >= l) || (o == "<=" && f <= l) || (o == "<" && f < l)) print "pass";
      else print "FAIL" }')"
}
kb_mb() { awk -v k="$1" 'BEGIN { if (k == "nan") print "nan"; else printf "%.1f", k / 1024 }'; }
line "200k into the engine: mdb-export / conversion" "$(ratio "$(col export 1)" "$(col load 1)")" \
  "$(ratio "$(col export 2)" "$(col load 2)")" ">=" 3 x
line "1m rows: peak memory" "$(kb_mb "$(col load1m 3)")" "" "<" 64 MB
if [ "${BIG:-0}" = 1 ]; then
  line "6m rows: elapsed" "$(col load6m 1)" "$(col load6m 2)" "<" 100 s
  line "6m rows: peak memory" "$(kb_mb "$(col load6m 3)")" "" "<" 64 MB
else
  line "6m rows (BIG=1)" nan "" "<" 100 s
fi
line "synchronize unchanged / fresh load" "$(ratio "$(col sync0 1)" "$(col load 1)")" \
  "$(ratio "$(col sync0 2)" "$(col load 2)")" "<=" 1.5 x
line "synchronize every row changed / fresh load" "$(ratio "$(col syncall 1)" "$(col load 1)")" \
  "$(ratio "$(col syncall 2)" "$(col load 2)")" "<=" 2.5 x
line "4 x 50k at 1 ms: --jobs=4 / --jobs=1" "$(ratio "$(col jobs4 1)" "$(col jobs1 1)")" \
  "$(ratio "$(col jobs4 2)" "$(col jobs1 2)")" "<=" 0.4 x
line "tarvel-verify 200k: mdb-export / verify" "$(ratio "$(col export 1)" "$(col verify 1)")" \
  "$(ratio "$(col export 2)" "$(col verify 2)")" ">=" 3 x
line "tarvel-verify peak memory: 1m / 200k" "$(ratio "$(col verify1m 3)" "$(col verify 3)")" "" \
  "<=" 1.25 x
echo "(aim for the first: 5x; by_cpu: the same figure from CPU seconds, user + system; n/a: not run)"

if [ "${ALLOCS:-0}" = 1 ]; then
  fresh_db
  TARVEL_ORAEMB_DIR="$work/db" heaptrack -o "$work/heap" "$bin/TARVAGENT" --src="$f200k" $login \
    --silent > /dev/null 2>&1 || die "heaptrack of the 200k conversion failed"
  calls=$(heaptrack_print "$work"/heap.* 2> /dev/null | sed -n 's/^calls to allocation functions: \([0-9]*\).*/\1/p')
  line "200k conversion: allocations per row" "$(ratio "${calls:-nan}" "$(rows_of "$f200k")")" "" \
    "<" 10 ""
fi

if [ "${PROFILE:-0}" = 1 ]; then
  echo
  fresh_db
  TARVEL_ORAEMB_DIR="$work/db" profile_run "$work" "$bin/TARVAGENT" --src="$f200k" $login --silent
fi
