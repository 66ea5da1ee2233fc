# Shared by the cluster tests: a small ensemble of a two-day scenario, run
# once in process as the reference. Expects SOILCOLUMN and WORK to be set.
BASE="$(cd "$(dirname "${BASH_SOURCE[0]}")/../scenarios/data/free_drainage_two_days" && pwd)"

make_table() {
    # Four members: half-life and organic matter varied; one member per line.
    cat > "$WORK/table.csv" <<'TABLE'
half_life.1,soil_type.1.organic_matter_fraction
5,0.02
10,0.015
20,0.01
40,0.005
TABLE
}

run_reference() {
    "$SOILCOLUMN" ensemble "$BASE" --params "$WORK/table.csv" -o "$WORK/in-process" -j 2 -q >/dev/null
}

compare_with_reference() {
    local root=$1
    if ! cmp -s "$WORK/in-process/ensemble.csv" "$root/ensemble.csv"; then
        echo "ensemble.csv of $root differs from the in-process one:" >&2
        diff "$WORK/in-process/ensemble.csv" "$root/ensemble.csv" >&2 || true
        return 1
    fi
}
