#!/bin/sh
# Converts the bundled sample Access database into the embedded Oracle engine
# and shows what it created. Usage: demo.sh BUILD_DIR
set -eu
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
bin="$root/$build/bin"
sample="$root/samples/sample.mdb"

echo "== TARVAGENT =="
"$bin/TARVAGENT" --help 2>&1 | head -n 1 || true

if [ ! -f "$sample" ] || [ ! -x "$bin/oraemb-sql" ]; then
  echo
  echo "The demo conversion needs the MS Access reader, the Oracle destination and the"
  echo "embedded Oracle engine's SQL client; they are not built yet in this tree."
  echo "TARVAGENT itself is built: $bin/TARVAGENT --help shows its options."
  exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TARVEL_OCI_LIB=embedded
export TARVEL_ORAEMB_DIR="$work"
echo "== Converting $sample into the embedded engine (service DEMO) =="
"$bin/TARVAGENT" --src="$sample" --dest=//localhost:1521/DEMO --oraclh=localhost \
  --oraclu=demo --oraclp=demo --logfile="$work/trace.log"
echo "== What Oracle now holds: every table, its row count and first rows =="
"$bin/oraemb-sql" --connect=//localhost:1521/DEMO --user=demo --password=demo --tables=3
