#!/usr/bin/env bash
# Installs what is missing, builds, and runs kesto_genelist and kesto_pw on the
# bundled example data. Results go to out/ in the project folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
bin=${KESTO_BUILD_DIR:-$root/build}/bin
out=$root/out
mkdir -p "$out"

"$bin/kesto_genelist" -g "$root/examples/genelist.txt" -o "$out/genes.txt" \
    -l "$root/examples/" -G "$root/examples/" -a 0.05 -v 0.8 -f 20000
echo "gene results: $out/genes.txt"
head -n 6 "$out/genes.txt"

if [ -x "$bin/kesto_pw" ] && [ -f "$root/examples/pathways.txt" ]; then
  "$bin/kesto_pw" -p "$root/examples/pathways.txt" -g "$root/examples/genelist.txt" -o "$out/pathways.txt" \
      -l "$root/examples/" -G "$root/examples/" -a 0.05 -v 0.8 -f 20000
  echo "pathway results: $out/pathways.txt"
  head -n 6 "$out/pathways.txt"
fi
