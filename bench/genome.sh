#!/usr/bin/env bash
# Every gene of a whole simulated genome in one `kesto gene` run, straight
# from per-chromosome PLINK sets and GWAS-SSF summary statistics: 22
# chromosomes, 503 people, 20,000 genes, flanks of 20 kb, 2 threads.
#
#   bash bench/genome.sh [hapmap3|1000g|imputed ...]   (default: all three)
#
#   hapmap3  ~1.2 M SNPs (54,545 a chromosome, one per 2.5 kb), exact path
#   1000g    ~8 M SNPs (363,636 a chromosome, one per 375 bp), the fast
#            eigen path and the exact one beside it
#   imputed  the 1000g summary statistics (8 M rows) against 15 % of its
#            sites (plink1.9 --thin 0.15: 1.2 M), as an imputed GWAS
#            against a HapMap3-sized panel; exact path
#
# Prints wall time, processor time and peak resident memory of each run
# (/usr/bin/time) and checks that 1 and 2 threads give the same bytes on
# the HapMap3 set. BENCH_DIR (default /tmp/kesto_genome) holds the data
# and the outputs; the data are simulated once and kept (2.5 GB). The
# simulator also writes text genotypes and .ped files, removed at once but
# needing about 26 GB of disk for a while at 1000 Genomes density (and
# some 20 minutes; 2 at HapMap3 density).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=${BENCH_DIR:-/tmp/kesto_genome}
sets=("$@")
[ "${#sets[@]}" -eq 0 ] && sets=(hapmap3 1000g imputed)
mkdir -p "$work"

echo "== building the tree under test"
cmake -S "$root" -B "$work/build" -DCMAKE_BUILD_TYPE=Release -DKESTO_BUILD_TESTS=OFF \
      $(command -v ccache >/dev/null && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache) >/dev/null
cmake --build "$work/build" -j "$(nproc)" --target kesto kesto_simulate >/dev/null
bin=$work/build/bin
echo "   under test: $(git -C "$root" rev-parse --short HEAD)$(git -C "$root" diff --quiet || echo +changes)"

simulate() {  # name, SNPs per chromosome, spacing
  local dir=$work/$1 args="--chromosomes 22 --snps $2 --spacing $3 --individuals 503 --genes 20000 --pathways 100"
  if [ "$(cat "$dir/.args" 2>/dev/null)" != "$args" ]; then
    rm -rf "$dir"
    echo "== simulating $1: $args"
    # shellcheck disable=SC2086
    "$bin/kesto_simulate" --out "$dir" $args --plink all --sumstats gwas-ssf >/dev/null
    # Only the PLINK sets, the summary statistics and the gene list are used.
    rm -f "$dir"/*.ped "$dir"/*.map "$dir"/genotype_chr*.txt
    echo "$args" > "$dir/.args"
  fi
}

# run LABEL DIR OUT ARGS...: one kesto gene run, its figures on one line.
run() {
  local label=$1 dir=$2 out=$3; shift 3
  mkdir -p "$work/out"
  /usr/bin/time -f "%e %U %S %M" -o "$work/out/$out.time" \
      "$bin/kesto" gene --bfile "$dir/scan_chr@" --sumstats "$dir/sumstats.gwas_ssf.tsv" \
      --genes "$dir/genelist.txt" --flank 20000 --out "$work/out/$out" --quiet "$@"
  local ok; ok=$(awk -F'\t' 'NR > 1 && $12 == "ok"' "$work/out/$out.genes.tsv" | wc -l)
  awk -v l="$label" -v ok="$ok" '{ printf "%-44s %8.1f s wall %8.1f s cpu %7.0f MB peak  %s genes ok\n", l, $1, $2 + $3, $4 / 1024, ok }' \
      "$work/out/$out.time"
}

for s in "${sets[@]}"; do
  case $s in
    hapmap3)
      simulate hapmap3 54545 2500
      run "HapMap3 density, exact, 2 threads" "$work/hapmap3" hm3_2 --threads 2
      run "HapMap3 density, exact, 1 thread" "$work/hapmap3" hm3_1 --threads 1
      if cmp -s "$work/out/hm3_1.genes.tsv" "$work/out/hm3_2.genes.tsv"; then
        echo "   1 and 2 threads: identical"
      else
        echo "   1 and 2 threads: DIFFER"
      fi
      ;;
    1000g)
      simulate 1000g 363636 375
      run "1000 Genomes density, fast eigen, 2 threads" "$work/1000g" g1k_fast --threads 2 --eigen fast
      run "1000 Genomes density, exact, 2 threads" "$work/1000g" g1k_exact --threads 2
      ;;
    imputed)
      simulate 1000g 363636 375
      thin=$work/thinned
      if [ ! -f "$thin/scan_chr22.bed" ]; then
        echo "== thinning the 1000g set to 15 % of its sites (plink1.9)"
        mkdir -p "$thin"
        for c in $(seq 1 22); do
          plink1.9 --bfile "$work/1000g/scan_chr$c" --thin 0.15 --seed 1 --make-bed \
              --out "$thin/scan_chr$c" >/dev/null
        done
        ln -sf "$work/1000g/sumstats.gwas_ssf.tsv" "$work/1000g/genelist.txt" "$thin/"
      fi
      run "8 M rows against 1.2 M sites, exact, 2 threads" "$thin" imputed --threads 2
      ;;
    *) echo "unknown set: $s (hapmap3, 1000g or imputed)" >&2; exit 2 ;;
  esac
done
