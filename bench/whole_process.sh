#!/bin/bash
# Whole-process wall time of one or more soilcolumn builds, side by side, on
# the default scenario (3 years, 32 compartments, 1 substance) and the large
# case (2 years, 100 compartments, 4 substances). Each run works in a scratch
# copy of the input set; console output is discarded.
#
#     bench/whole_process.sh [-r RUNS] BIN [BIN...]
#
# With hyperfine installed (and INTERLEAVE unset), hyperfine times RUNS runs
# of each build in turn; otherwise a shell loop lets the builds take turns
# run by run, so that a change of machine load hits all alike. Both print
# the median of RUNS wall times per build and case. A run that ends with
# exit status 3 (the run's own books judge its numbers unsafe, as they do
# for the hourly steps of the large case) counts like one with 0.
set -euo pipefail
runs=5
if [ "${1:-}" = "-r" ]; then runs=$2; shift 2; fi
[ $# -ge 1 ] || { echo "usage: $0 [-r RUNS] BIN [BIN...]" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
declare -A cases=([default]="$root/examples/default" [large]="$root/bench/large_case")
for name in default large; do
    mkdir -p "$scratch/$name"
    cp "${cases[$name]}"/*.txt "$scratch/$name/"
    rm -f "$scratch/$name"/aus?.txt
done
bins=()
for b in "$@"; do bins+=("$(realpath "$b")"); done

for name in default large; do
    cd "$scratch/$name"
    if [ -z "${INTERLEAVE:-}" ] && command -v hyperfine >/dev/null; then
        cmds=()
        for b in "${bins[@]}"; do cmds+=("$b"); done
        # -N: no shell in between; hyperfine discards the program's output.
        hyperfine -N --ignore-failure --warmup 1 --runs "$runs" --export-json "$scratch/$name.json" "${cmds[@]}" >/dev/null
        python3 -c '
import json, sys
for r in json.load(open(sys.argv[1]))["results"]:
    if any(code not in (0, 3) for code in r.get("exit_codes", [])):
        sys.exit("%s: %s ended with exit status %s" % (sys.argv[2], r["command"], r["exit_codes"]))
    print("%-8s median of %d: %.3f s  (min %.3f, max %.3f)  %s" % (sys.argv[2], len(r["times"]), r["median"], r["min"], r["max"], r["command"]))
' "$scratch/$name.json" "$name"
    else
        declare -A times=()
        for ((i = 0; i < runs; ++i)); do
            for b in "${bins[@]}"; do
                start=$(date +%s.%N)
                "$b" > /dev/null || [ $? -eq 3 ]
                end=$(date +%s.%N)
                times[$b]+="$(echo "$end - $start" | bc) "
            done
        done
        for b in "${bins[@]}"; do
            median=$(echo ${times[$b]} | tr ' ' '\n' | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
            echo "$name  median of $runs: ${median} s  $b"
        done
        unset times
    fi
done
