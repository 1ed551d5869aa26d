#!/usr/bin/env bash
# kesto gene straight from a PLINK .bed and summary statistics, against the
# road of today: kesto prepare (plain text files), then kesto_genelist on
# them. Both roads start from the same PLINK set and GWAS-SSF table; the
# script checks that they give the same numbers, then prints wall time, peak
# memory (/usr/bin/time -v) and genes per second for 1 and 2 threads.
#
#   bash bench/analysis.sh
#
# Data: the bundled example (chromosome 1, 200 individuals, 1,000 SNPs) and
# a simulated chromosome of BENCH_SNPS (1000000) SNPs x BENCH_INDIVIDUALS
# (503) with BENCH_GENES (1300, about the gene density of the human genome
# over the 200 Mb it spans) genes. BENCH_DIR (default /tmp/kesto_bench_analysis)
# holds the data and outputs; KESTO_BUILD_DIR (default build/) the programs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KESTO_BUILD_DIR:-$root/build}
work=${BENCH_DIR:-/tmp/kesto_bench_analysis}
snps=${BENCH_SNPS:-1000000}
people=${BENCH_INDIVIDUALS:-503}
genes=${BENCH_GENES:-1300}
flank=20000
[ -x /usr/bin/time ] || { echo "/usr/bin/time (Debian package time) is needed" >&2; exit 1; }

cmake --build "$build" --target kesto kesto_genelist kesto_simulate -j 2 >/dev/null
mkdir -p "$work"

# GWAS-SSF summary statistics of a PLINK set whose legend holds the p-values.
sumstats_of() {  # bim legend out
  paste "$1" <(tail -n +2 "$2") | awk 'BEGIN { OFS = "\t";
      print "chromosome", "base_pair_location", "effect_allele", "other_allele", "p_value", "rsid" }
    { print $1, $4, $5, $6, $9, $2 }' >"$3"
}

# Example data: chromosome 1 and its genes.
ex="$work/example"
mkdir -p "$ex"
sumstats_of "$root/examples/scan_chr1.bim" "$root/examples/legend_chr1.txt" "$ex/sumstats.tsv"
awk 'NR == 1 || $1 == 1' "$root/examples/genelist.txt" >"$ex/genelist.txt"
cp "$root/examples/scan_chr1.bed" "$root/examples/scan_chr1.bim" "$root/examples/scan_chr1.fam" "$ex/"

sim="$work/sim"
if [ ! -f "$sim/scan_chr1.bed" ] || [ "$(wc -l <"$sim/scan_chr1.bim")" != "$snps" ] ||
   [ "$(wc -l <"$sim/scan_chr1.fam")" != "$people" ] || [ "$(($(wc -l <"$sim/genelist.txt") - 1))" != "$genes" ]; then
  echo "== simulating $snps SNPs x $people individuals, $genes genes"
  rm -rf "$sim"
  "$build/bin/kesto_simulate" --out "$sim" --chromosomes 1 --snps "$snps" --individuals "$people" \
      --spacing 200 --genes "$genes" --pathways 10 --plink 1 >/dev/null
  rm -f "$sim/scan_chr1.ped" "$sim/scan_chr1.map" "$sim/genotype_chr1.txt"
  sumstats_of "$sim/scan_chr1.bim" "$sim/legend_chr1.txt" "$sim/sumstats.tsv"
fi

# Runs a command under /usr/bin/time -v; appends "label seconds peak_kB".
measure() {
  local label=$1; shift
  /usr/bin/time -v -o "$work/time.txt" "$@"
  local wall peak
  wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {n = split($2, t, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + t[i]; print s}' "$work/time.txt")
  peak=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")
  echo "$label $wall $peak" >>"$work/figures.txt"
}
: >"$work/figures.txt"

# Rows whose numbers differ between kesto_genelist and kesto gene (reported,
# not fatal, so that the figures are still printed).
same_numbers() {  # legacy table, kesto genes table
  local differ
  differ=$(paste <(tail -n +2 "$1" | cut -f5-7) <(tail -n +2 "$2" | cut -f7-9) |
           awk -F'\t' '$1 != $4 || $2 != $5 || $3 != $6' | wc -l)
  echo "   rows whose numbers differ from kesto_genelist: $differ"
}

for set in example sim; do
  dir="$work/$set"
  gene_count=$(($(wc -l <"$dir/genelist.txt") - 1))
  echo "== $set: $gene_count genes"
  for threads in 1 2; do
    rm -rf "$dir/prepared"
    measure "$set prepare_t$threads" "$build/bin/kesto" prepare --bfile "$dir/scan_chr1" \
        --sumstats "$dir/sumstats.tsv" --out "$dir/prepared" --plain --threads $threads 2>/dev/null
    measure "$set genelist_t$threads" env KESTO_THREADS=$threads "$build/bin/kesto_genelist" \
        -g "$dir/genelist.txt" -o "$dir/legacy_t$threads.txt" -l "$dir/prepared/" -G "$dir/prepared/" \
        -a 0.05 -v 0.8 -f $flank >/dev/null
    measure "$set gene_t$threads" "$build/bin/kesto" gene --bfile "$dir/scan_chr1" --sumstats "$dir/sumstats.tsv" \
        --genes "$dir/genelist.txt" --flank $flank --out "$dir/direct_t$threads" --threads $threads --quiet
    same_numbers "$dir/legacy_t$threads.txt" "$dir/direct_t$threads.genes.tsv"
  done
  cmp "$dir/direct_t1.genes.tsv" "$dir/direct_t2.genes.tsv" || echo "   1 and 2 threads differ"
  echo "$set genes $gene_count" >>"$work/figures.txt"
done

echo
echo "== figures (wall seconds, peak MB; road = prepare + kesto_genelist)"
awk '
  $2 == "genes" { genes[$1] = $3; next }
  { wall[$1 " " $2] = $3; peak[$1 " " $2] = $4 / 1024 }
  END {
    printf "%-8s %-8s %12s %12s %10s %12s %12s %10s %8s\n", "data", "threads", "road s", "road MB", "road g/s",
           "gene s", "gene MB", "gene g/s", "speedup"
    split("example sim", sets, " ")
    for (s = 1; s <= 2; s++) for (t = 1; t <= 2; t++) {
      set = sets[s]
      prep = set " prepare_t" t
      road = wall[prep] + wall[set " genelist_t" t]
      rpeak = peak[prep] > peak[set " genelist_t" t] ? peak[prep] : peak[set " genelist_t" t]
      direct = wall[set " gene_t" t]
      printf "%-8s %-8d %12.2f %12.1f %10.1f %12.2f %12.1f %10.1f %7.1fx\n", set, t, road, rpeak,
             genes[set] / (road > 0 ? road : 0.01), direct, peak[set " gene_t" t],
             genes[set] / (direct > 0 ? direct : 0.01), road / (direct > 0 ? direct : 0.01)
    }
  }' "$work/figures.txt"
