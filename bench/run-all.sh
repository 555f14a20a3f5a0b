#!/usr/bin/env bash
# Runs every benchmark and prints one table. Usage: bash bench/run-all.sh [BUILD-DIR] [NAME ...]
# Names pick some of them: list search import server bin startup thumbnail check jet.
# Needs about 4 GiB of free disk in the current folder (the large import and its copies;
# the thumbnail benchmark's 50 camera pictures take about 210 MiB, the check benchmark's
# 100,000 small copies about 400 MiB). The server rows run on a throw-away PostgreSQL
# server when pg_virtualenv is there.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
shift || true
wanted=" ${*:-list search import server bin startup thumbnail check jet} "
want() { [[ "$wanted" == *" $1 "* ]]; }
printf '%-44s %12s %12s  %-22s %7s\n' "measurement" "program" "baseline" "baseline is" "ratio"
rows() { grep -E '[0-9.]+x$|bytes per listed row|peak memory|index built' || true; }
# One benchmark that fails is named on stderr; the others still run.
failed() { echo "run-all: $1 failed" >&2; }
if want list; then "$build/bench/list_bench" 100000 1000000 2>/dev/null | rows || failed list; fi
if want search; then "$build/bench/search_bench" 100000 1000000 2>/dev/null | rows || failed search; fi
if want import; then "$build/bench/import_bench" 2000 64 1024 2>/dev/null | rows || failed import; fi
if want server && command -v pg_virtualenv > /dev/null; then
  pg_virtualenv -t sh -c "'$build/bench/server_bench' 100000 1000000 && createdb mc_bench_import &&
    '$build/bench/import_bench' 2000 64 16 postgresql:///mc_bench_import" 2>/dev/null | rows || failed server
fi
if want bin; then
  for records in 100000 1000000; do "$build/bench/bin_bench" "$records" 10000 2>/dev/null | rows || failed bin; done
fi
if want startup; then "$build/bench/startup_bench" 20 2>/dev/null | rows || failed startup; fi
if want thumbnail; then "$build/bench/thumbnail_bench" 10000 50 2>/dev/null | rows || failed thumbnail; fi
if want check; then "$build/bench/check_bench" 100000 2>/dev/null | rows || failed check; fi
if want jet; then "$build/bench/jet_bench" 3 2>/dev/null | rows || failed jet; fi
