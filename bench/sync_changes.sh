#!/bin/sh
# Synchronize against a fresh load, for one or more builds side by side:
# TARVAGENT converts FILE into an empty schema of the embedded engine
# (mode 1), synchronizes it with FILE again (nothing changed), then with
# CHANGED (the same table with every row changed, e.g.
# /work/benchdata/bench-200k-changed-all.accdb), then with FEW (a few rows
# changed) when given. The builds take turns within each round, so that they
# meet the same machine load. CPU seconds (user + system of the process,
# which holds the engine too), wall seconds and peak memory per run; then,
# per build, the medians and the ratios to its fresh load.
# Usage:
#   sync_changes.sh FILE CHANGED [FEW] -- BUILD_DIR [BUILD_DIR...]
# ROUNDS=n (default 3).
set -eu
file="$1"
changed="$2"
shift 2
few=""
if [ "$1" != "--" ]; then few="$1"; shift; fi
[ "$1" = "--" ] && shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

convert() { # bin src mode db
  TARVEL_OCI_LIB=embedded TARVEL_ORAEMB_DIR="$4" /usr/bin/time -f '%e %U %S %M' -o "$work/t" \
    "$1/bin/TARVAGENT" --src="$2" --dest=BENCH --oraclh=localhost --oraclu=b --oraclp=b \
    --mode="$3" --silent
  read -r wall user sys rss < "$work/t"
  echo "$wall $(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }') $((rss / 1024))"
}

printf '%-3s %-28s %-10s %8s %8s %8s\n' run build step wall_s cpu_s peak_MB
for round in $(seq 1 "${ROUNDS:-3}"); do
  n=0
  for build in "$@"; do
    n=$((n + 1))
    db="$work/db$n"
    rm -rf "$db"; mkdir "$db"
    for step in fresh unchanged changed few; do
      case $step in
        fresh) src=$file; mode=1 ;;
        unchanged) src=$file; mode=4 ;;
        changed) src=$changed; mode=4 ;;
        few) [ -n "$few" ] || continue; src=$few; mode=4 ;;
      esac
      # The few-rows file is compared with the original rows.
      if [ "$step" = few ]; then convert "$build" "$file" 4 "$db" > /dev/null; fi
      r=$(convert "$build" "$src" "$mode" "$db")
      printf '%-3s %-28s %-10s %8s %8s %8s\n' "$round" "$build" "$step" $r
      echo "$build $step $r" >> "$work/all"
    done
  done
done

echo
printf '%-28s %-10s %10s %10s %10s %10s\n' build step med_wall med_cpu wall/fresh cpu/fresh
for build in "$@"; do
  for step in fresh unchanged changed few; do
    grep -q "^$build $step " "$work/all" || continue
    wall=$(grep "^$build $step " "$work/all" | awk '{ print $3 }' | sort -n |
      awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }')
    cpu=$(grep "^$build $step " "$work/all" | awk '{ print $4 }' | sort -n |
      awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }')
    [ "$step" = fresh ] && { fw=$wall; fc=$cpu; }
    printf '%-28s %-10s %10s %10s %10.2f %10.2f\n' "$build" "$step" "$wall" "$cpu" \
      "$(awk -v a="$wall" -v b="$fw" 'BEGIN { print a / b }')" \
      "$(awk -v a="$cpu" -v b="$fc" 'BEGIN { print a / b }')"
  done
done
