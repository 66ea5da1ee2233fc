#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those that
# are missing; does nothing when all are there. Safe to run any number of
# times; the README's commands and .ci/run call it first.
set -euo pipefail

packages=(
  g++ cmake make libgtest-dev libgmock-dev  # compiler, build, unit tests
  clang clang-14 libclang-rt-14-dev    # fuzz targets (libFuzzer) and sanitizer builds
  libcli11-dev                         # command line parsing (header-only)
  nlohmann-json3-dev                   # summary.json (header-only)
  python3 python3-jsonschema           # tests: CSV read-back, summary schema check
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg -s "$package" >/dev/null 2>&1 ||
     ! dpkg -s "$package" 2>/dev/null | grep -q '^Status: install ok installed'; then
    missing+=("$package")
  fi
done

if [ "${#missing[@]}" -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}" >&2
as_root=()
if [ "$(id -u)" -ne 0 ]; then
  as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq >&2
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
