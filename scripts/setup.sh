#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those that
# are missing; does nothing when all are there. Safe to run any number of
# times; the README's commands and .ci/run call it first. A package written
# NAME=VERSION is pinned: another installed version counts as missing, and
# apt-get installs that exact version (Debian 12's at the time of writing).
set -euo pipefail

packages=(
  g++ cmake make libgtest-dev libgmock-dev  # compiler, build, unit tests
  ninja-build=1.11.1-2~deb12u1         # the instrumented builds of .ci/run
  clang clang-14 libclang-rt-14-dev    # fuzz targets (libFuzzer) and sanitizer builds
  libcli11-dev                         # command line parsing (header-only)
  nlohmann-json3-dev                   # summary.json (header-only)
  python3 python3-jsonschema           # tests: CSV read-back, summary schema check
  slurm-wlm=22.05.8-4+deb12u3          # tests: ensembles on a one-node Slurm cluster
  munge=0.5.15-2+deb12u1               #   (MUNGE authenticates its daemons)
  parallel=20221122+ds-2               # tests: ensembles through GNU parallel
  time=1.9-0.2                         # bench/batch_memory.py: peak memory of a batch
  chromium=156.0.8078.129-1~deb12u1    # tests: the HTML report in a headless browser
)

# The installed version of a package; nothing when it is not installed.
installed() {
  { dpkg-query -W -f='${Status} ${Version}' "$1" 2>/dev/null || true; } | sed -n 's/^install ok installed //p'
}

missing=()
for package in "${packages[@]}"; do
  name=${package%%=*}
  version=$(installed "$name")
  if [ -z "$version" ] || { [ "$name" != "$package" ] && [ "$version" != "${package#*=}" ]; }; then
    missing+=("$package")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}" >&2
  as_root=()
  if [ "$(id -u)" -ne 0 ]; then
    as_root=(sudo)
  fi
  export DEBIAN_FRONTEND=noninteractive
  "${as_root[@]}" apt-get update -qq >&2
  "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
fi

# The npm packages, exactly as each folder's package-lock.json says, from
# the npm registry (node and npm come with the machine); installed again
# only when node_modules is missing or older than the lock file:
# - third_party/vega: the report's plotting library (vega, vega-lite,
#   vega-embed), whose built scripts the build compiles into the program;
# - tests/report/browser: the browser tests' driver, playwright-core. It
#   downloads no browser: the tests use Debian's chromium above.
npm_install() {
  local folder stamp
  folder=$(cd "$(dirname "$0")/../$1" && pwd)
  stamp=$folder/node_modules/.installed-package-lock.json
  if ! cmp -s "$folder/package-lock.json" "$stamp"; then
    echo "setup: npm ci in $1" >&2
    (cd "$folder" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --ignore-scripts >&2)
    cp "$folder/package-lock.json" "$stamp"
  fi
}
npm_install third_party/vega
npm_install tests/report/browser
