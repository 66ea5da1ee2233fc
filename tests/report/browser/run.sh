#!/usr/bin/env bash
# Runs two scenarios with the built program (a clean one and one with a
# warning), writes their reports and opens each in headless Chromium
# (check_report.mjs). Everything is written under BUILD_DIR; the
# screenshots go to BUILD_DIR/report-screenshots/SCENARIO.png.
#   run.sh SOILCOLUMN_EXE SOURCE_DIR BUILD_DIR
set -euo pipefail
exe=$1 source_dir=$2 build_dir=$3
here=$(cd "$(dirname "$0")" && pwd)
out=$build_dir/report-browser
rm -rf "$out"
mkdir -p "$out" "$build_dir/report-screenshots"
for scenario in examples/default tests/scenarios/data/fixed_bottom_hourly; do
  name=$(basename "$scenario")
  "$exe" run "$source_dir/$scenario" -o "$out/$name" -q > "$out/$name.log"
  "$exe" report "$out/$name" >> "$out/$name.log"
  "${NODE:-node}" "$here/check_report.mjs" "$out/$name/report.html" "$out/$name/summary.json" \
       "$build_dir/report-screenshots/$name.png"
done
