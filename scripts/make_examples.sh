#!/usr/bin/env bash
# Regenerates the bundled example data in examples/ with kesto_simulate:
# the default data set plus chromosome 1 as PLINK files. Uses the simulator of
# $KESTO_BUILD_DIR (default build/), building it first when it is missing.
# The text PLINK copy (.ped/.map) is dropped when it would take the data past
# about 1.8 MB; the binary set holds the same genotypes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KESTO_BUILD_DIR:-$root/build}
sim="$build/bin/kesto_simulate"
examples="$root/examples"
limit=1800000   # bytes

if [ ! -x "$sim" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" --target kesto_simulate -j "$(nproc)"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$sim" --out "$work" --plink 1

total=$(cat "$work"/* | wc -c)
if [ "$total" -gt "$limit" ]; then
  rm -f "$work"/scan_chr1.ped "$work"/scan_chr1.map
fi

mkdir -p "$examples"
rm -f "$examples"/legend_chr*.txt "$examples"/genotype_chr*.txt "$examples"/genelist.txt \
      "$examples"/pathways.txt "$examples"/scan_chr*
cp "$work"/* "$examples"/
echo "examples: $(cat "$examples"/* | wc -c) bytes in $(ls "$examples" | wc -l) files" >&2
