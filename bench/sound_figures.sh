#!/usr/bin/env bash
# The figures of the sound numerics against their targets, in one command:
#   - balances from the face fluxes on every scenario (tests/scenarios/data
#     and examples/): water below 0.01 %, every substance below 0.1 %;
#   - strong evaporation (summer_drying) at 3600 s sound against classic at
#     300 s: stored water, degraded and leached within 1 %;
#   - a tracer pulse under steady flow (steady_flow_tracer): mass balance
#     within 0.1 %, arrival at 0.3, 0.6 and 0.9 m within 2 % of the
#     advection-dispersion equation;
#   - cost of the default scenario, sound against classic in one benchmark
#     run: at most 1.5 times.
#
#     bench/sound_figures.sh [build/soilcolumn [build/soilcolumn_bench]]
#
# QUICK=1 leaves out examples/regulatory_26y (about a minute per mode).
set -euo pipefail
cd "$(dirname "$0")/.."
program=$(realpath "${1:-build/soilcolumn}")
bench=$(realpath "${2:-build/soilcolumn_bench}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python=/usr/bin/python3

# run SCENARIO MODE NAME [options]: results in $work/NAME; a run that ends
# unsafe (exit status 3) still has its summary.
run() {
    local scenario=$1 mode=$2 name=$3
    shift 3
    "$program" run "$scenario" -o "$work/$name" --numerics "$mode" -q "$@" >/dev/null || true
}

echo "Balances from the face fluxes (targets: water < 0.01 %, substances < 0.1 %)"
printf '%-28s %-8s %12s %12s %12s %12s  %s\n' scenario mode "water %" "largest %" "substance %" "largest %" \
    "subdivided,pieces,smallest"
scenarios=(tests/scenarios/data/*/ examples/default/)
[ "${QUICK:-0}" = 1 ] || scenarios+=(examples/regulatory_26y/)
for scenario in "${scenarios[@]}"; do
    name=$(basename "$scenario")
    for mode in classic sound; do
        run "$scenario" "$mode" "$name-$mode"
        jq -r --arg name "$name" '
            def worst(f): [.diagnostics.substance_balances[] | f | fabs] | max // null;
            def show: if . == null then "-" else (. * 1e6 | round / 1e6 | tostring) end;
            [$name, .numerics.mode,
             (.diagnostics.water_balance.relative_error_percent | show),
             (.diagnostics.water_balance.largest_relative_error_percent | fabs | show),
             (worst(.relative_error_percent) | show),
             (worst(.largest_relative_error_percent) | show),
             (if .numerics.mode == "sound"
              then "\(.numerics.subdivided_steps),\(.numerics.pieces),1/\(pow(2; .numerics.deepest_level))"
              else "" end)]
            | "\(.[0]) \(.[1]) \(.[2]) \(.[3]) \(.[4]) \(.[5]) \(.[6])"' "$work/$name-$mode/summary.json" |
            xargs printf '%-28s %-8s %12s %12s %12s %12s  %s\n'
    done
done

echo
echo "Strong evaporation: summer_drying sound at 3600 s against classic at 300 s (target: within 1 %)"
run tests/scenarios/data/summer_drying sound summer-3600 --time-step 3600
run tests/scenarios/data/summer_drying classic summer-300 --time-step 300
run tests/scenarios/data/summer_drying classic summer-classic-3600 --time-step 3600
"$python" - "$work" <<'EOF'
import json, sys
work = sys.argv[1]
def figures(name):
    s = json.load(open(f"{work}/{name}/summary.json"))
    b = s["final_balances"]
    return {"stored water (mm)": 1000 * b["water_storage_m"],
            "degraded (g/m2)": b["degraded_g_m2_s1"],
            "leached (g/m2)": b["leached_lower_face_g_m2_s1"],
            "applied (g/m2)": b["applied_g_m2_s1"]}
sound, reference, classic = figures("summer-3600"), figures("summer-300"), figures("summer-classic-3600")
print(f"{'':20} {'sound 3600 s':>14} {'classic 300 s':>14} {'difference':>12} {'classic 3600 s':>15}")
for key in ("stored water (mm)", "degraded (g/m2)", "leached (g/m2)"):
    # Leaching is judged against what was applied where nothing arrives.
    base = reference[key] if abs(reference[key]) > 1e-6 * reference["applied (g/m2)"] else reference["applied (g/m2)"]
    diff = 100 * (sound[key] - reference[key]) / base
    print(f"{key:20} {sound[key]:14.6g} {reference[key]:14.6g} {diff:+11.3f}% {classic[key]:15.6g}")
EOF

echo
echo "Steady-flow tracer: half of the pulse past the face, against the advection-dispersion equation (target: 2 %)"
for mode in classic sound; do
    run tests/scenarios/data/steady_flow_tracer "$mode" "tracer-$mode"
done
"$python" - "$work" <<'EOF'
import csv, json, math, sys
work = sys.argv[1]
pulse = 8641799.0            # s on the run's clock: the middle of the application hour
faces = {8: 0.3, 14: 0.6, 20: 0.9}  # face: depth (m)

def median_arrival(z, v, d):
    """Time after a surface pulse at which half of it has passed depth z."""
    def passed(t):
        spread = 2 * math.sqrt(d * t)
        return 0.5 * math.erfc((z - v * t) / spread) + 0.5 * math.exp(v * z / d) * math.erfc((z + v * t) / spread)
    early, late = 1e-3 * z / v, 10 * z / v
    for _ in range(200):
        mid = (early + late) / 2
        early, late = (mid, late) if passed(mid) < 0.5 else (early, mid)
    return (early + late) / 2

def arrivals(mode):
    profiles = {}
    with open(f"{work}/tracer-{mode}/profiles.csv") as f:
        for row in csv.DictReader(f):
            profiles.setdefault(float(row["time_s"]), []).append(row)
    with open(f"{work}/tracer-{mode}/fluxes.csv") as f:
        flux = {int(r["face"]): float(r["water_flux_m_s"]) for r in csv.DictReader(f) if float(r["time_s"]) < pulse}
    summary = json.load(open(f"{work}/tracer-{mode}/summary.json"))
    applied = summary["final_balances"]["applied_g_m2_s1"]
    first = next(rows for t, rows in sorted(profiles.items()) if t > pulse)
    mid = first[9]  # compartment 10
    theta, theta_im = float(mid["water_content"]), float(mid["immobile_water_content"])
    v = flux[14] / theta
    # The model's own effective dispersion: its face coefficient theta_m v
    # (dispersivity - 0.57 dz) per theta (no diffusion here) plus the
    # numerical dispersion of upwind advection, v dz / 2; dz = 0.05 m.
    d = (theta - theta_im) / theta * v * (0.05 - 0.57 * 0.05) + v * 0.05 / 2
    result = {}
    for face, z in faces.items():
        previous = None
        for t, rows in sorted(profiles.items()):
            if t <= pulse:
                continue
            held = sum(float(r["thickness_m"]) * ((float(r["water_content"]) - float(r["immobile_water_content"]))
                                                  * float(r["conc_mobile_g_m3_s1"])
                                                  + float(r["immobile_water_content"]) * float(r["conc_immobile_g_m3_s1"]))
                       for r in rows if 2 <= int(r["compartment"]) < face)
            passed = applied - held
            if passed >= 0.5 * applied and previous:
                t0, p0 = previous
                result[z] = t0 + (0.5 * applied - p0) / (passed - p0) * (t - t0) - pulse
                break
            previous = (t, passed)
        result[z] = (result.get(z), median_arrival(z, v, d))
    balance = summary["diagnostics"]["substance_balances"][0]["relative_error_percent"]
    return result, balance

print(f"{'mode':8} {'depth (m)':>9} {'model (d)':>10} {'analytical (d)':>15} {'error':>8}   mass balance")
for mode in ("classic", "sound"):
    result, balance = arrivals(mode)
    for z, (model, expected) in result.items():
        print(f"{mode:8} {z:9.1f} {model / 86400:10.3f} {expected / 86400:15.3f} {100 * (model - expected) / expected:+7.2f}%"
              f"   {balance:+.5f} %")
EOF

echo
echo "Cost: the default scenario, both modes in one benchmark run (target: sound at most 1.5 times classic)"
"$bench" --benchmark_filter=Numerics --benchmark_format=json 2>/dev/null | jq -r '
    [.benchmarks[] | {name, time: .real_time, unit: .time_unit, subdivided: .subdivided_steps, pieces}] as $b
    | ($b[] | "\(.name): \(.time | round) \(.unit)" + (if .pieces > 0 then ", \(.subdivided) steps subdivided, \(.pieces) pieces" else "" end)),
      "sound / classic: \(($b[1].time / $b[0].time * 100 | round) / 100)"'
