#!/usr/bin/env bash
# Draws the README's example pictures (docs/manhattan.png, docs/qq.png,
# docs/region.png) from the bundled example data. Needs the build (build/bin
# or $KESTO_BUILD_DIR/bin) with kesto_genelist, kesto_matrix and kesto-plot.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${KESTO_BUILD_DIR:-$root/build}/bin
python=${KESTO_PYTHON:-/usr/bin/python3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ex=$root/examples/

"$bin/kesto_genelist" -g "$ex/genelist.txt" -o "$work/genes.out" -l "$ex" -G "$ex" \
    -a 0.05 -v 0.8 -f 20000 >/dev/null
"$bin/kesto_matrix" -s "$ex/legend_chr1.txt" -g "$ex/genotype_chr1.txt" -o "$work/windows_chr1.out" \
    -l "$work/windows_chr1.log" -a 0.05 -v 0.8 -w 100000 -t 50000 -S -1 -E -1 >/dev/null

plot() { "$python" "$bin/kesto-plot" "$@"; }
plot manhattan "$work/genes.out" --title "Gene test, example data (50 genes)" --out "$root/docs/manhattan.png"
plot qq "$work/genes.out" --title "Gene test, example data" --out "$root/docs/qq.png"
plot region --chr 1 --from 3600000 --to 3950000 --snps "$ex/legend_chr1.txt" \
    --results "$work/genes.out" --results "$work/windows_chr1.out" --genes "$ex/genelist.txt" \
    --title "Chromosome 1, around GENE025" --out "$root/docs/region.png"
echo "wrote docs/manhattan.png docs/qq.png docs/region.png" >&2
