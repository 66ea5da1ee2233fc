#!/usr/bin/env bash
# Refreshes the plotting library that `soilcolumn report` embeds in every
# report: the minified builds of vega, vega-lite and vega-embed, pinned
# below, with their licences, from the npm registry (`npm pack`, no
# install). Change a version here, run the script, rebuild, run the tests
# and commit third_party/vega/ together with this script.
set -euo pipefail

vega_version=5.33.1
vega_lite_version=5.23.0
vega_embed_version=6.29.0
vega_util_version=1.17.3   # vega and vega-util 1.17.4 ship no licence file; 1.17.3 of the same monorepo does

here="$(cd "$(dirname "$0")/.." && pwd)"
target="$here/third_party/vega"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

unpack() {  # unpack PACKAGE@VERSION DIR
  (cd "$work" && npm pack --silent "$1" >/dev/null)
  mkdir -p "$work/$2"
  tar -xzf "$work"/"$(echo "${1%@*}" | tr / -)"-"${1##*@}".tgz -C "$work/$2"
}

unpack "vega@$vega_version" vega
unpack "vega-lite@$vega_lite_version" vega-lite
unpack "vega-embed@$vega_embed_version" vega-embed
unpack "vega-util@$vega_util_version" vega-util

mkdir -p "$target"
cp "$work/vega/package/build/vega.min.js" "$target/vega.min.js"
cp "$work/vega-lite/package/build/vega-lite.min.js" "$target/vega-lite.min.js"
cp "$work/vega-embed/package/build/vega-embed.min.js" "$target/vega-embed.min.js"
cp "$work/vega-util/package/LICENSE" "$target/LICENSE.vega"
cp "$work/vega-lite/package/LICENSE" "$target/LICENSE.vega-lite"
cp "$work/vega-embed/package/LICENSE" "$target/LICENSE.vega-embed"

# The report inlines the scripts in <script> elements: a closing tag inside
# one would end it early.
for file in "$target"/*.min.js; do
  if grep -qi '</script' "$file"; then
    echo "refresh-vega: $file contains '</script'; the report cannot inline it" >&2
    exit 1
  fi
done

cat > "$target/VERSIONS" <<VERSIONS
vega $vega_version
vega-lite $vega_lite_version
vega-embed $vega_embed_version
VERSIONS
(cd "$target" && sha256sum vega.min.js vega-lite.min.js vega-embed.min.js > SHA256SUMS)
echo "refresh-vega: vega $vega_version, vega-lite $vega_lite_version, vega-embed $vega_embed_version in $target"
