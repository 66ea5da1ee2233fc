#!/bin/bash
# Wall time of one simulated year against the size of the problem: N = 25,
# 50, 100 compartments and S = 0, 1, 4 substances, built from the large case
# (bench/large_case). Every column is 1.25 m deep (compartments of 0.05,
# 0.025 and 0.0125 m), each compartment takes the soil type and porosity of
# the large-case compartment at its depth, and the substances are the first
# S of the large case with their applications. Hourly steps, 8760 of them.
#
#     bench/scaling.sh [-r RUNS] BIN
#
# Prints a Markdown table: the median of RUNS whole-process wall times per
# case (the cases take turns run by run), and the time per step divided by
# N (1 + S), which stays roughly constant where the cost grows linearly with
# compartments x (1 + substances).
set -euo pipefail
runs=5
if [ "${1:-}" = "-r" ]; then runs=$2; shift 2; fi
[ $# -eq 1 ] || { echo "usage: $0 [-r RUNS] BIN" >&2; exit 2; }
bin=$(realpath "$1")
root=$(cd "$(dirname "$0")/.." && pwd)
large=$root/bench/large_case
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

sizes=(25 50 100)
substances=(0 1 4)
steps=8760

# vekin.txt: the control lines with 365 days and N compartments, the soil
# types, then N compartment records (thickness, soil type, porosity, and
# per substance concentration 0, coefficient 0 and exponent 0: sorption
# from the substance table).
make_vekin()
{
    local n=$1 s=$2
    awk -v n="$n" -v s="$s" '
        NR == 2 { printf "  365.0  3600.0  3  %d  250.0  2  0.0\n", n; next }
        /^ Dicke/ { print; heading = NR; next }
        !heading { print; next }
        NR > heading && NF >= 3 { type[++count] = $2; porosity[count] = $3 }
        END {
            for (c = 1; c <= n; ++c) {
                k = int((c * 100 + n - 1) / n)   # the large-case compartment at the same depth
                line = sprintf("  %.4f  %d  %s", 1.25 / n, type[k], porosity[k])
                for (i = 1; i <= 3 * s; ++i) line = line "  0.0"
                print line
            }
        }' "$large/vekin.txt"
}

# chemvek.txt: the count and the first S substance rows; chemdat.txt: the
# end times with the first S amounts.
make_substances()
{
    local s=$1 dir=$2
    awk -v s="$s" 'NR == 1 || NR == 3 { print; next }
                   NR == 2 { printf "  %d\n", s; next }
                   NR - 3 <= s { print }' "$large/chemvek.txt" > "$dir/chemvek.txt"
    awk -v s="$s" 'NR == 1 { print; next }
                   { line = "  " $1; for (i = 2; i <= 1 + s; ++i) line = line "  " $i; print line }' \
        "$large/chemdat.txt" > "$dir/chemdat.txt"
}

for n in "${sizes[@]}"; do
    for s in "${substances[@]}"; do
        dir=$scratch/n$n-s$s
        mkdir -p "$dir"
        cp "$large/plant.txt" "$large/wetter_augsburg.txt" "$dir/"
        make_vekin "$n" "$s" > "$dir/vekin.txt"
        make_substances "$s" "$dir"
    done
done

declare -A times=()
for ((i = 0; i < runs; ++i)); do
    for n in "${sizes[@]}"; do
        for s in "${substances[@]}"; do
            cd "$scratch/n$n-s$s"
            start=$(date +%s.%N)
            # 3: the run's own books judge its numbers unsafe; it still ran through.
            "$bin" > console.out || [ $? -eq 3 ] || { echo "n=$n s=$s: exit status $?" >&2; exit 1; }
            end=$(date +%s.%N)
            grep -q 'Regulaeres Ende' console.out || { echo "n=$n s=$s: no regular end" >&2; exit 1; }
            times[$n-$s]+="$(echo "$end - $start" | bc) "
        done
    done
done

median() { echo "$@" | tr ' ' '\n' | sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }

echo "one year, $steps hourly steps, median of $runs whole-process runs: $bin"
echo
echo "| N | S = 0 | S = 1 | S = 4 | us per step / (N (1 + S)), S = 0, 1, 4 |"
echo "|---|---|---|---|---|"
for n in "${sizes[@]}"; do
    row="| $n"
    per=""
    for s in "${substances[@]}"; do
        t=$(median ${times[$n-$s]})
        row+=" | $(printf '%.3f' "$t") s"
        per+="$(echo "$t * 1000000 / $steps / ($n * (1 + $s))" | bc -l | xargs printf '%.3f'), "
    done
    echo "$row | ${per%, } |"
done
