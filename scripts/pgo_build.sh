#!/bin/bash
# A Release build of the program with profile-guided optimisation (g++):
#
#     scripts/pgo_build.sh [BUILD_DIR]      (default: build-pgo)
#
# 1. configures BUILD_DIR with SOILCOLUMN_PGO=generate and builds the
#    instrumented program;
# 2. trains it: the default scenario (3 years) and the large case of
#    bench/large_case (2 years; exit status 3, its books judge the hourly
#    steps unsafe), each in a scratch copy;
# 3. reconfigures the same folder with SOILCOLUMN_PGO=use and rebuilds.
# The results of the program are those of the regular build, byte for byte.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build-pgo}")
profile=$build/pgo-profile
rm -rf "$profile"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DSOILCOLUMN_BENCHMARKS=OFF \
      -DSOILCOLUMN_PGO=generate -DSOILCOLUMN_PGO_DIR="$profile"
cmake --build "$build" -j2 --target soilcolumn
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for case in examples/default bench/large_case; do
    dir=$scratch/$(basename "$case")
    mkdir -p "$dir"
    cp "$root/$case"/*.txt "$dir/"
    rm -f "$dir"/aus?.txt
    status=0
    (cd "$dir" && "$build/soilcolumn" > /dev/null) || status=$?
    [ "$status" -eq 0 ] || [ "$status" -eq 3 ] || { echo "training run $case failed ($status)" >&2; exit 1; }
done
cmake -S "$root" -B "$build" -DSOILCOLUMN_PGO=use
cmake --build "$build" -j2 --target soilcolumn
echo "profile-guided build: $build/soilcolumn"
