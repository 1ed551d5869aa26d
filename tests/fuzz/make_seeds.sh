#!/usr/bin/env bash
# Writes a seed corpus for every fuzz target into OUTDIR/<target>/, cut from
# small slices of the bundled example data (examples/): 12 SNPs, 8
# individuals. A few hand-made variants (Windows line ends, quotes, a missing
# last line end) are added to the text inputs.
# usage: tests/fuzz/make_seeds.sh OUTDIR
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
ex=$root/examples
out=${1:?usage: make_seeds.sh OUTDIR}
snps=12
people=8
sep=$'\x1e'

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Slices.
head -n $((snps + 1)) "$ex/legend_chr1.txt" > "$work/legend"
head -n $((snps + 1)) "$ex/genotype_chr1.txt" | cut -f1-$((people + 2)) > "$work/genotype"
head -n $((snps + 1)) "$ex/scan_chr1_assoc.txt" > "$work/assoc"
head -n 9 "$ex/genelist.txt" > "$work/genes"
head -n 3 "$ex/pathways.txt" > "$work/pathways"
head -n $snps "$ex/scan_chr1.bim" > "$work/bim"
head -n $people "$ex/scan_chr1.fam" > "$work/fam"
# The .bed: magic bytes, then the first 8 individuals (2 bytes) of each SNP.
individuals=$(wc -l < "$ex/scan_chr1.fam")
per_snp=$(( (individuals + 3) / 4 ))
{
  head -c 3 "$ex/scan_chr1.bed"
  for ((k = 0; k < snps; k++)); do
    dd if="$ex/scan_chr1.bed" bs=1 skip=$((3 + k * per_snp)) count=$((people / 4)) status=none
  done
} > "$work/bed"
# The same genotypes as a text set, from the genotype slice: alleles A and G.
awk -F'\t' 'BEGIN { OFS = "\t" } { print 1, $1, 0, $2 }' <(tail -n +2 "$work/genotype") > "$work/map"
awk -F'\t' -v people=$people '
  NR > 1 { for (i = 1; i <= people; i++) code[NR - 1, i] = $(i + 2); n = NR - 1 }
  END {
    for (i = 1; i <= people; i++) {
      line = "F" i " I" i " 0 0 1 -9"
      for (s = 1; s <= n; s++) {
        c = code[s, i]
        line = line (c == 0 ? " A A" : c == 1 ? " A G" : c == 2 ? " G G" : " 0 0")
      }
      print line
    }
  }' "$work/genotype" > "$work/ped"
# The .gt morrow writes and the marker file, from the same slices.
awk -F'\t' -v people=$people -v snps=$snps '
  NR == 1 { for (i = 1; i <= people; i++) iid[i] = $(i + 2); next }
  { id[NR - 1] = $1; for (i = 1; i <= people; i++) code[NR - 1, i] = $(i + 2) }
  END {
    printf "#gt\t%d\t%d\nindividual", people, snps
    for (s = 1; s <= snps; s++) printf "\t%s", id[s]
    printf "\n"
    for (i = 1; i <= people; i++) {
      printf "%s", iid[i]
      for (s = 1; s <= snps; s++) printf "\t%s", code[s, i]
      printf "\n"
    }
  }' "$work/genotype" > "$work/gt"
{
  printf 'chromosome\tsnp_id\tposition\tallele0\tallele1\n'
  awk 'BEGIN { OFS = "\t" } { print $1, $2, $4, $5, $6 }' "$work/bim"
} > "$work/mk"

crlf() { sed 's/$/\r/' "$1"; }
no_last_newline() { printf '%s' "$(cat "$1")"; }
seed() {  # seed TARGET NAME: standard input becomes OUTDIR/TARGET/NAME
  mkdir -p "$out/$1"
  cat > "$out/$1/$2"
}
# The genotype target's first byte: bit 0 for two leading labels, bits 1-4
# for the number of rows asked for.
byte() { printf "\\$(printf '%03o' "$1")"; }


seed fuzz_legend plain < "$work/legend"
crlf "$work/legend" | seed fuzz_legend crlf
no_last_newline "$work/legend" | seed fuzz_legend no_last_newline
printf 'id pos p\nrs1 100 NA\nrs2 "200" 0.5\nrs3 300 1e-8\n' | seed fuzz_legend spaces_quotes

{ byte $((snps * 2 + 1)); cat "$work/genotype"; } | seed fuzz_genotype two_labels
{ byte $((snps * 2)); cut -f1,3- "$work/genotype"; } | seed fuzz_genotype one_label
{ byte $((snps * 2 + 1)); crlf "$work/genotype" | tr '\t' ' '; } | seed fuzz_genotype crlf_spaces
{ byte 7; printf 'a b s1 s2\nr1 1 0 -1\nr2 2 2  1 \nr3 3 9 -7\n'; } | seed fuzz_genotype odd_codes

seed fuzz_gene_table plain < "$work/genes"
crlf "$work/genes" | seed fuzz_gene_table crlf
printf 'h\nchrX g 1 2 A\n"1"\tg\t3\t4\t"B\tC"\n../x\tg\t5\t6\tD' | seed fuzz_gene_table names

{ cat "$work/genes"; printf '%s' "$sep"; cat "$work/pathways"; } | seed fuzz_pathway plain
{ cat "$work/genes"; printf '%s' "$sep"; printf 'P1 name GENE001 GENE002\r\n\nP2\t"a\tb"\tGENE003\n'; } |
  seed fuzz_pathway spaces

seed fuzz_markers plain < "$work/mk"
crlf "$work/mk" | seed fuzz_markers crlf

{ byte $snps; cat "$work/assoc"; } | seed fuzz_association plain
{ byte $((snps + 1)); crlf "$work/assoc"; } | seed fuzz_association crlf_short

for setting in 121 25 200; do
  { byte $setting; cat "$work/legend"; printf '%s' "$sep"; cat "$work/genotype"; } |
    seed fuzz_snp_table "setting_$setting"
  { byte $setting; cat "$work/legend"; printf '%s' "$sep"; cat "$work/genotype"; } |
    seed fuzz_region "setting_$setting"
done

{ cat "$work/map"; printf '%s' "$sep"; cat "$work/ped"; } | seed fuzz_plink_text plain
{ crlf "$work/map"; printf '%s' "$sep"; crlf "$work/ped"; } | seed fuzz_plink_text crlf
{ cat "$work/bim"; printf '%s' "$sep"; cat "$work/fam"; printf '%s' "$sep"; cat "$work/bed"; } |
  seed fuzz_plink_binary plain

seed fuzz_gt plain < "$work/gt"

# Summary statistics: the hand-written fixtures of every format, read as
# recognised (setting 0), forced (8 + format) and with named columns (16).
for f in "$root"/tests/data/sumstats/*; do
  name=$(basename "$f")
  { byte 0; cat "$f"; } | seed fuzz_sumstats "$name"
done
{ byte 9; cat "$root/tests/data/sumstats/plink2.PHENO1.glm.linear"; } | seed fuzz_sumstats forced_plink2
{ byte 16; printf 'ID\tCHR\tPOS\tA1\tP\nrs1\tchr1\t5\ta\t0.5\nrs2\t23\t6\tG\t1e-400\n'; } | seed fuzz_sumstats columns
{ byte 17; printf 'ID CHR POS A1 P\nrs1 1 5 a 320.5\nrs2 X 6 G -1\n'; } | seed fuzz_sumstats columns_log10

# Gene files and GMT sets.
for f in ncbi37.gene.loc genes.bed genes.gtf genes.gff3; do
  { cat "$root/tests/data/genes/$f"; printf '%s' "$sep"; cat "$root/tests/data/genes/sets.gmt"; } |
    seed fuzz_gene_files "$f"
done

for f in legend genotype genes pathways mk assoc bim fam map ped; do
  head -n 2 "$work/$f" | tail -n 1 | seed fuzz_split_fields "$f"
done
printf '"quoted\tfield"\t"with ""quotes"""\tplain\r\n' | seed fuzz_split_fields quotes
