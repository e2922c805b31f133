#!/bin/sh
# Converts the bundled sample Access database (samples/sample.mdb) into the
# embedded Oracle engine with TARVAGENT and shows what Oracle then holds:
# every table with its rows, the columns of one table, keys, indexes,
# sequences and triggers; then tarvel-verify compares the two sides. Usage:
# demo.sh BUILD_DIR (relative to the tree).
set -u
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
bin="$root/$build/bin"
sample="$root/samples/sample.mdb"

missing=""
for part in TARVAGENT liboraemb.so oraemb-sql tarvel-verify; do
  [ -e "$bin/$part" ] || missing="$missing $part"
done
[ -f "$sample" ] || missing="$missing samples/sample.mdb"
if [ -n "$missing" ]; then
  echo "The demo cannot run: missing in $bin:$missing" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TARVEL_OCI_LIB=embedded
export TARVEL_ORAEMB_DIR="$work"
sql() {
  "$bin/oraemb-sql" --connect=//localhost:1521/DEMO --user=demo --password=demo "$@"
}

echo "== TARVAGENT converts $sample"
echo "   into the embedded Oracle engine (service DEMO, user demo) =="
"$bin/TARVAGENT" --src="$sample" --dest=DEMO --oraclh=localhost --oraclu=demo --oraclp=demo \
  --logfile="$work/trace.log"
status=$?
if [ "$status" -ne 0 ]; then
  echo "TARVAGENT failed (exit status $status); the end of its trace:" >&2
  tail -n 20 "$work/trace.log" >&2
  exit 1
fi

echo
echo "== Every table, its row count and first rows =="
sql --tables=5 || exit 1
echo "== Columns of Products (types, NOT NULL, defaults) =="
sql "SELECT column_name, data_type, data_length, nullable, data_default FROM user_tab_columns WHERE table_name = 'Products' ORDER BY column_id" || exit 1
echo "== Primary keys and unique constraints =="
sql "SELECT table_name, constraint_name, constraint_type FROM user_constraints WHERE constraint_type IN ('P', 'U') ORDER BY table_name, constraint_name" || exit 1
echo "== Index columns (composite keys in key order) =="
sql "SELECT table_name, index_name, column_name, column_position FROM user_ind_columns WHERE index_name NOT LIKE 'SYS%' ORDER BY table_name, index_name, column_position" || exit 1
echo "== AutoNumber columns: sequences and their triggers =="
sql "SELECT sequence_name FROM user_sequences ORDER BY 1" "SELECT trigger_name, table_name FROM user_triggers ORDER BY 2" || exit 1
echo
echo "== tarvel-verify compares every table of the sample with Oracle =="
"$bin/tarvel-verify" --src="$sample" --dest=DEMO --oraclh=localhost --oraclu=demo --oraclp=demo
status=$?
if [ "$status" -ne 0 ]; then
  echo "tarvel-verify found differences (exit status $status)" >&2
  exit 1
fi
