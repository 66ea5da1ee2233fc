#!/usr/bin/env bash
# An ensemble through GNU parallel: runs the job list `soilcolumn ensemble
# --emit parallel` wrote, collects the results and compares ensemble.csv
# with the in-process run of the same table.
# Usage: tests/cluster/parallel_test.sh [path/to/soilcolumn]
set -euo pipefail
SOILCOLUMN="$(realpath "${1:-build/soilcolumn}")"
command -v parallel >/dev/null || { echo "parallel_test: parallel missing (scripts/setup.sh installs it)" >&2; exit 1; }
started=$(date +%s.%N)
WORK="$(mktemp -d /tmp/soilcolumn-parallel-XXXXXX)"
trap 'rm -rf "$WORK"' EXIT
source "$(dirname "$0")/common.sh"

make_table
run_reference
"$SOILCOLUMN" ensemble "$BASE" --params "$WORK/table.csv" -o "$WORK/parallel" --emit parallel >/dev/null
[ "$(wc -l < "$WORK/parallel/cluster/jobs.txt")" -eq 4 ]
# Its exit status is the number of failed jobs.
parallel -j 2 --joblog "$WORK/parallel/cluster/joblog" < "$WORK/parallel/cluster/jobs.txt" >/dev/null
"$SOILCOLUMN" ensemble collect "$WORK/parallel" >/dev/null
compare_with_reference "$WORK/parallel"
ended=$(date +%s.%N)
printf 'parallel_test: ok, 4 members; %.1f s in all\n' "$(awk "BEGIN { print $ended - $started }")"
