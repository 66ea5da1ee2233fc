#!/usr/bin/env bash
# Runs scenario directories through `soilcolumn run` and prints the run's own
# books as one markdown table: status, water and substance balance errors,
# solver and clipping figures. Extra arguments after the directories go to
# every run (for example --time-step 600).
#   bench/books_table.sh BUILD/soilcolumn DIR... [-- RUN_OPTIONS...]
set -euo pipefail
program=$(realpath "$1"); shift
dirs=()
while [[ $# -gt 0 && $1 != -- ]]; do dirs+=("$1"); shift; done
[[ ${1:-} == -- ]] && shift
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

echo "| scenario | status | exit | water error mm | water error % | substance error % | unconverged stages | oscillations | wet-limit water mm | wall s |"
echo "|---|---|---|---|---|---|---|---|---|---|"
for dir in "${dirs[@]}"; do
    out="$scratch/$(basename "$dir")"
    status=0
    "$program" run "$dir" -o "$out" -q "$@" >/dev/null 2>&1 || status=$?
    /usr/bin/python3 - "$out/summary.json" "$dir" "$status" <<'PY'
import json, sys
summary = json.load(open(sys.argv[1]))
books = summary["diagnostics"]
water = books["water_balance"]
substances = " / ".join(f'{s["relative_error_percent"]:.3g}' for s in books["substance_balances"]) or "-"
unconverged = books["water"]["unconverged"] + books["solutes"]["unconverged"]
print(f'| {sys.argv[2]} | {summary["status"]} | {sys.argv[3]} | {water["error_m"] * 1000:.3g} '
      f'| {water["relative_error_percent"]:.3g} | {substances} | {unconverged} '
      f'| {books["oscillations"]["count"]} | {water["wet_limit_water_m"] * 1000:.3g} | {summary["wall_time_s"]:.2f} |')
PY
done
