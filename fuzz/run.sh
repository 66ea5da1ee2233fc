#!/usr/bin/env bash
# fuzz/run.sh [SECONDS [BUILD]]
# Builds the fuzz targets with clang (build-fuzz/) and runs each of them for
# SECONDS / 3 seconds (default 60 in all) on a seed corpus made from the
# example and the end-to-end scenarios, after replaying the regression cases
# in fuzz/regressions once. A crash, a sanitizer report, a case that takes
# more than 10 s or an input set the reader accepts although its run would
# not end is a finding: the script fails, and the case lies in
# BUILD/artifacts/.
# BUILD names a build folder already configured with -DSOILCOLUMN_FUZZ=ON
# (clang), such as the sanitizer build of .ci/run (build-asan/, which holds
# the tests as well); the script then only brings the three targets up to
# date there instead of configuring build-fuzz/ of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
per_target=$(( seconds / 3 > 0 ? seconds / 3 : 1 ))
build=${2:-build-fuzz}
targets=(list_reader_fuzzer input_set_fuzzer whole_run_fuzzer)

if [ $# -lt 2 ]; then
    CXX=clang++ cmake -S . -B "$build" -DSOILCOLUMN_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
elif ! grep -q '^SOILCOLUMN_FUZZ:BOOL=ON$' "$build/CMakeCache.txt" 2>/dev/null; then
    echo "fuzz/run.sh: $build is not a build folder configured with -DSOILCOLUMN_FUZZ=ON" >&2
    exit 2
fi
cmake --build "$build" -j2 --target "${targets[@]}" >/dev/null

# One case of a whole input set: the files one after the other, each ended
# by a line "@@" (see fuzz/input_set.hpp); the weather file is named
# wetter.txt, which the targets point at their own copy.
make_case() {  # directory weather-file
    local dir=$1 weather=$2
    sed 's/^wetter_augsburg\.txt$/wetter.txt/' "$dir/chemvek.txt"; echo "@@"
    sed 's/^wetter_augsburg\.txt$/wetter.txt/' "$dir/vekin.txt"; echo "@@"
    cat "$dir/$weather"; echo "@@"
    cat "$dir/chemdat.txt"; echo "@@"
    cat "$dir/plant.txt"; echo "@@"
}

seeds=$build/seeds
rm -rf "$seeds"
mkdir -p "$seeds/input_set_fuzzer" "$seeds/list_reader_fuzzer" "$build/artifacts"
make_case examples/default wetter_augsburg.txt > "$seeds/input_set_fuzzer/default"
for dir in tests/scenarios/data/*/; do
    make_case "$dir" wetter.txt > "$seeds/input_set_fuzzer/$(basename "$dir")"
done
# The list reader reads each input file with a run of real and integer targets.
n=0
for file in examples/default/*.txt tests/scenarios/data/*/*.txt; do
    [ "$(wc -c < "$file")" -lt 8192 ] || continue
    n=$((n + 1))
    { printf '\x0c\x07'; cat "$file"; } > "$seeds/list_reader_fuzzer/seed$n"
done
cp -r "$seeds/input_set_fuzzer" "$seeds/whole_run_fuzzer"

status=0
for target in "${targets[@]}"; do
    corpus=$build/corpus/$target
    mkdir -p "$corpus"
    if [ "$target" != list_reader_fuzzer ]; then
        echo "== $target: regression cases"
        "$build/fuzz/$target" -timeout=10 fuzz/regressions/* < /dev/null 2>&1 | grep -c "^Executed" | sed "s/$/ cases replayed/"
    fi
    echo "== $target: ${per_target} s"
    if ! "$build/fuzz/$target" "$corpus" "$seeds/$target" -max_total_time="$per_target" \
        -timeout=10 -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1 \
        -artifact_prefix="$build/artifacts/$target-" < /dev/null > "$build/$target.log" 2>&1; then
        status=1
        tail -n 40 "$build/$target.log"
    fi
    grep -E "^stat::number_of_executed_units|^stat::average_exec_per_sec|^stat::new_units_added" \
        "$build/$target.log" || true
done
exit $status
