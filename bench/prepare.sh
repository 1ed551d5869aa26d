#!/usr/bin/env bash
# kesto prepare against the road users take without it: PLINK 1.9's
# --recode A-transpose, then one awk script to reshape the codes into the
# genotype layout and one to join the p-values into the legend in the same
# row order. Both roads start from the same simulated PLINK set and PLINK 1.9
# .assoc table; the script checks that they write the same files, then prints
# wall time and peak memory (/usr/bin/time -v) side by side.
#
#   bash bench/prepare.sh
#
# Sizes through the environment: BENCH_SNPS (1000000), BENCH_INDIVIDUALS
# (503); BENCH_DIR (default /tmp/kesto_bench_prepare) holds the data and the
# outputs; KESTO_BUILD_DIR (default build/) the programs. With plink2 installed
# the panel is also written as a bgzipped VCF and prepared from that.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KESTO_BUILD_DIR:-$root/build}
work=${BENCH_DIR:-/tmp/kesto_bench_prepare}
snps=${BENCH_SNPS:-1000000}
people=${BENCH_INDIVIDUALS:-503}
plink=$(command -v plink1.9 || command -v plink || true)
[ -n "$plink" ] || { echo "plink1.9 is needed for the comparison" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time (Debian package time) is needed" >&2; exit 1; }

cmake --build "$build" --target kesto kesto_simulate -j 2 >/dev/null
mkdir -p "$work"
sim="$work/sim"
if [ ! -f "$sim/scan_chr1.bed" ] || [ "$(wc -l <"$sim/scan_chr1.bim")" != "$snps" ] ||
   [ "$(wc -l <"$sim/scan_chr1.fam")" != "$people" ]; then
  echo "== simulating $snps SNPs x $people individuals"
  rm -rf "$sim"
  "$build/bin/kesto_simulate" --out "$sim" --chromosomes 1 --snps "$snps" --individuals "$people" \
      --spacing 200 --genes 100 --pathways 10 --plink 1 --sumstats assoc >/dev/null
  rm -f "$sim/scan_chr1.ped" "$sim/scan_chr1.map"
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

echo "== the road without kesto prepare"
road="$work/road"
rm -rf "$road" && mkdir -p "$road"
# --keep-allele-order: without it PLINK 1.9 counts the minor allele, not .bim A1.
measure road_plink "$plink" --bfile "$sim/scan_chr1" --keep-allele-order --recode A-transpose \
    --out "$road/base" --silent
measure road_awk_genotype awk 'BEGIN { OFS = "\t" }
  NR == 1 { printf "snp_id\tposition"; for (i = 7; i <= NF; i++) { split($i, id, "_"); printf "\t%s", id[2] }; print ""; next }
  { printf "%s\t%s", $2, $4; for (i = 7; i <= NF; i++) printf "\t%s", ($i == "NA" ? -1 : $i); print "" }' \
    "$road/base.traw" >"$road/genotype_chr1.txt"
measure road_awk_legend awk 'FNR == NR { if (FNR > 1) p[$2] = $9; next }
  FNR == 1 { print "snp_id\tposition\tpvalue"; next }
  { print $2 "\t" $4 "\t" p[$2] }' "$sim/sumstats.assoc" "$road/base.traw" >"$road/legend_chr1.txt"

echo "== kesto prepare"
rm -rf "$work/prepared" "$work/prepared_plain"
measure prepare "$build/bin/kesto" prepare --bfile "$sim/scan_chr1" --sumstats "$sim/sumstats.assoc" \
    --out "$work/prepared" 2>/dev/null
measure prepare_plain "$build/bin/kesto" prepare --bfile "$sim/scan_chr1" --sumstats "$sim/sumstats.assoc" \
    --out "$work/prepared_plain" --plain 2>/dev/null

# The same panel as a bgzipped VCF (written once by plink2, when installed).
plink2=$(command -v plink2 || true)
if [ -n "$plink2" ]; then
  if [ ! -f "$sim/panel.vcf.gz" ]; then
    "$plink2" --bfile "$sim/scan_chr1" --export vcf bgz id-paste=iid --out "$sim/panel" --silent
  fi
  rm -rf "$work/prepared_vcf"
  measure prepare_vcf "$build/bin/kesto" prepare --vcf "$sim/panel.vcf.gz" --sumstats "$sim/sumstats.assoc" \
      --out "$work/prepared_vcf" 2>/dev/null
  cmp <(gzip -dc "$work/prepared_vcf/genotype_chr1.txt.gz") <(gzip -dc "$work/prepared/genotype_chr1.txt.gz")
fi

echo "== checking that both roads wrote the same files"
cmp "$road/genotype_chr1.txt" "$work/prepared_plain/genotype_chr1.txt"
cmp "$road/legend_chr1.txt" "$work/prepared_plain/legend_chr1.txt"
cmp <(gzip -dc "$work/prepared/genotype_chr1.txt.gz") "$road/genotype_chr1.txt"
cmp "$sim/genotype_chr1.txt" "$road/genotype_chr1.txt"
echo "identical (and equal to the simulator's own genotype file)"

awk -v snps="$snps" -v people="$people" '
  { wall[$1] = $2; peak[$1] = $3 }
  END {
    road = wall["road_plink"] + wall["road_awk_genotype"] + wall["road_awk_legend"]
    rpeak = peak["road_plink"]; if (peak["road_awk_genotype"] > rpeak) rpeak = peak["road_awk_genotype"]
    if (peak["road_awk_legend"] > rpeak) rpeak = peak["road_awk_legend"]
    printf "\n%d SNPs x %d individuals\n", snps, people
    printf "%-44s %10s %14s\n", "step", "wall (s)", "peak RSS (MB)"
    printf "%-44s %10.2f %14.1f\n", "plink1.9 --recode A-transpose", wall["road_plink"], peak["road_plink"] / 1024
    printf "%-44s %10.2f %14.1f\n", "awk: codes into the genotype layout", wall["road_awk_genotype"], peak["road_awk_genotype"] / 1024
    printf "%-44s %10.2f %14.1f\n", "awk: p-values joined into the legend", wall["road_awk_legend"], peak["road_awk_legend"] / 1024
    printf "%-44s %10.2f %14.1f\n", "road without kesto prepare (sum, max)", road, rpeak / 1024
    printf "%-44s %10.2f %14.1f\n", "kesto prepare (.txt.gz outputs)", wall["prepare"], peak["prepare"] / 1024
    printf "%-44s %10.2f %14.1f\n", "kesto prepare --plain", wall["prepare_plain"], peak["prepare_plain"] / 1024
    if ("prepare_vcf" in wall)
      printf "%-44s %10.2f %14.1f\n", "kesto prepare --vcf (bgzipped VCF, .txt.gz)", wall["prepare_vcf"], peak["prepare_vcf"] / 1024
    printf "speed-up: %.1fx (.txt.gz), %.1fx (--plain)\n", road / wall["prepare"], road / wall["prepare_plain"]
  }' "$work/figures.txt"
