#!/usr/bin/env bash
# Speed at reference-panel density, every figure side by side in one run:
# the tree under test, a base commit built separately, and PLINK 1.9 where
# it applies. Outputs of the exact path are compared byte for byte with the
# base build's.
#
#   bash bench/dense.sh [BASE_REF]        (default 2643a25)
#
# Data: the real chromosome 10 (../shared/realdata/exercise_chr10), a dense
# simulated chromosome (one SNP per ~300 bp, 503 people) and a biobank-sized
# one (10,000 people x 20,000 SNPs). Processor time (user + system) is the
# least of BENCH_RUNS runs (default 3): wall time is unreliable on a shared
# machine. Other settings: BENCH_DIR (default /tmp/kesto_dense), BENCH_DENSE_SNPS
# (100000), BENCH_BIOBANK_PEOPLE (10000), BENCH_BIOBANK_SNPS (20000),
# BENCH_EIGEN_STRETCH (20000000: base pairs of the real chromosome scanned
# with 3 Mb windows for the eigen figures), BENCH_STRAIGHT_REF (f53ea71,
# v0.1.0: the straightforward build kesto_matrix's wall time is set
# beside), BENCH_SKIP (words among: dense biobank plink eigen agreement
# programs straight genome analysis; agreement is the fast path's accuracy
# on every region, the longest part; genome and analysis run
# bench/genome.sh and bench/analysis.sh at the end, so that one command
# gives every figure of BENCHMARKS.md's table of targets).
#
# OpenBLAS 0.3.21 reads some newer processors as "Prescott" and then uses
# its slowest kernels; the programs name the kernel set from the processor's
# instructions (SkylakeX with AVX-512, Haswell with AVX2) unless
# OPENBLAS_CORETYPE is set.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
base_ref=${1:-2643a25}
straight_ref=${BENCH_STRAIGHT_REF:-f53ea71}  # v0.1.0, the straightforward build
work=${BENCH_DIR:-/tmp/kesto_dense}
runs=${BENCH_RUNS:-3}
dense_snps=${BENCH_DENSE_SNPS:-100000}
bio_people=${BENCH_BIOBANK_PEOPLE:-10000}
bio_snps=${BENCH_BIOBANK_SNPS:-20000}
stretch=${BENCH_EIGEN_STRETCH:-20000000}
skip=" ${BENCH_SKIP:-} "
real=$root/../shared/realdata/exercise_chr10
mkdir -p "$work"
skipped() { [[ "$skip" == *" $1 "* ]]; }

# ---- builds -------------------------------------------------------------
build_tree() {  # source folder, build folder, extra cmake options
  cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=Release -DKESTO_BUILD_TESTS=OFF ${3:-} \
        $(command -v ccache >/dev/null && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache) >/dev/null
  cmake --build "$2" -j "$(nproc)" >/dev/null
}
echo "== building the tree under test and $base_ref"
build_tree "$root" "$work/current-build" -DKESTO_BUILD_BENCH=ON
if [ ! -x "$work/base-build/bin/kesto_matrix" ] || [ "$(cat "$work/base-build/.ref" 2>/dev/null)" != "$base_ref" ]; then
  git -C "$root" worktree remove --force "$work/base-src" 2>/dev/null || true
  rm -rf "$work/base-src" "$work/base-build"
  git -C "$root" worktree add --detach "$work/base-src" "$base_ref" >/dev/null 2>&1
  build_tree "$work/base-src" "$work/base-build"
  b=$work/base-build
  # The LD pair timer against the base's libraries (one pair at a time only).
  g++ -O2 -std=c++17 -ffp-contract=off -DBENCH_NO_ROWS "$root/bench/ld_window_pairs.cpp" \
      -I"$work/base-src/hanalysis" -I"$work/base-src/common" -I"$work/base-src/io" -I/usr/include/eigen3 \
      "$b/hanalysis/libkesto_hanalysis.a" "$b/common/libkesto_common.a" "$b/io/libkesto_io.a" -lhts -lz -lpthread \
      -o "$b/bin/bench_ld_window_pairs" 2>/dev/null ||
    echo "   (the LD pair timer is written for the reader of 2643a25; no base LD figure for $base_ref)"
  echo "$base_ref" > "$b/.ref"
  git -C "$root" worktree remove --force "$work/base-src"
fi
cur=$work/current-build/bin
base=$work/base-build/bin
echo "   under test: $(git -C "$root" rev-parse --short HEAD)$(git -C "$root" diff --quiet || echo +changes), base: $base_ref"

# ---- data ---------------------------------------------------------------
data=$work/data
mkdir -p "$data/real"
if [ ! -f "$data/real/genotype_chr10.txt" ]; then
  cp "$real"/{legend_chr10.txt,genes_chr10.txt,pathways_kegg.txt} "$data/real/"
  gzip -dc "$real/genotype_chr10.txt.gz" > "$data/real/genotype_chr10.txt"
fi
simulate() {  # folder, arguments...
  local dir=$1; shift
  if [ "$(cat "$dir/.args" 2>/dev/null)" != "$*" ]; then
    rm -rf "$dir"
    "$cur/kesto_simulate" --out "$dir" --chromosomes 1 --plink 1 "$@" >/dev/null
    echo "$*" > "$dir/.args"
  fi
}
skipped dense || simulate "$data/dense" --snps "$dense_snps" --spacing 300 --individuals 503 --genes 300 --pathways 20
skipped biobank || simulate "$data/biobank" --snps "$bio_snps" --individuals "$bio_people" --genes 100 --pathways 10

# ---- measuring ----------------------------------------------------------
# cpu NAME CMD...: runs CMD BENCH_RUNS times in $work/run/NAME, keeps the
# last outputs and prints the least user+system seconds; the least wall
# time goes into $work/run/NAME/wall.txt.
cpu() {
  local name=$1; shift
  local dir=$work/run/$name best="" wall=""
  rm -rf "$dir"; mkdir -p "$dir"
  for _ in $(seq "$runs"); do
    ( cd "$dir" && /usr/bin/time -f "%U %S %e" -o time.txt "$@" >stdout.txt 2>stderr.txt )
    local t w; t=$(awk 'END { printf "%.3f", $1 + $2 }' "$dir/time.txt")
    w=$(awk 'END { printf "%.2f", $3 }' "$dir/time.txt")
    best=$(awk -v a="${best:-$t}" -v b="$t" 'BEGIN { print (b < a ? b : a) }')
    wall=$(awk -v a="${wall:-$w}" -v b="$w" 'BEGIN { print (b < a ? b : a) }')
  done
  echo "$wall" > "$dir/wall.txt"
  echo "$best"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1fx", (b > 0 ? a / b : 0) }'; }
same() {  # two files
  if cmp -s "$1" "$2"; then echo identical; else echo DIFFER; fi
}
row() { printf '%-44s %10s %10s %9s  %s\n' "$@"; }

# ---- LD pairs against PLINK 1.9 -----------------------------------------
ld_pairs() {  # label, legend, genotype, bed prefix
  local label=$1 legend=$2 geno=$3 bed=$4
  local cur_out base_out
  cur_out=$(BENCH_REPEAT=$runs "$cur/bench_ld_window_pairs" "$legend" "$geno" 200)
  base_out=""
  [ -x "$base/bench_ld_window_pairs" ] && base_out=$(BENCH_REPEAT=$runs "$base/bench_ld_window_pairs" "$legend" "$geno" 200)
  local pairs per_rows per_single per_base
  pairs=$(sed -n 's/.*within 200 kb \([0-9]*\).*/\1/p' <<<"$cur_out")
  per_rows=$(sed -n 's/.*rows of pairs \([0-9.]*\) ns.*/\1/p' <<<"$cur_out")
  per_single=$(sed -n 's/.*one pair at a time \([0-9.]*\) ns.*/\1/p' <<<"$cur_out")
  per_base=$(sed -n 's/.*one pair at a time \([0-9.]*\) ns.*/\1/p' <<<"$base_out")
  local plink_per="-" plink_quiet=""
  if ! skipped plink && command -v plink1.9 >/dev/null; then
    local s
    s=$(cpu "plink_$label" plink1.9 --bfile "$bed" --r2 dprime --ld-window-kb 200 --ld-window 99999 \
        --ld-window-r2 0 --threads 1 --allow-no-sex --out ld)
    local plink_pairs; plink_pairs=$(($(wc -l < "$work/run/plink_$label/ld.ld") - 1))
    plink_per=$(awk -v s="$s" -v p="$plink_pairs" 'BEGIN { printf "%.1f", s * 1e9 / p }')
    # The same pairs computed but almost none written (r^2 >= 0.999 only):
    # PLINK's LD kernel with its .bed reading, without most of its output.
    s=$(cpu "plink_quiet_$label" plink1.9 --bfile "$bed" --r2 dprime --ld-window-kb 200 --ld-window 99999 \
        --ld-window-r2 0.999 --threads 1 --allow-no-sex --out ld)
    plink_quiet=$(awk -v s="$s" -v p="$plink_pairs" 'BEGIN { printf "%.1f", s * 1e9 / p }')
    echo "   $label: PLINK 1.9 reports $plink_pairs pairs, kesto counts $pairs"
  fi
  row "LD pairs $label, ns/pair (base, rows, PLINK)" "$per_base" "$per_rows" "$(ratio "$per_base" "$per_rows")" \
      "PLINK 1.9 ${plink_quiet:--} ns/pair computing ($(ratio "${plink_quiet:-0}" "$per_rows")), $plink_per writing every pair ($(ratio "$plink_per" "$per_rows")); one pair at a time $per_single"
}

echo
row "figure" "base" "current" "ratio" "notes"
skipped plink || true
ld_pairs real "$data/real/legend_chr10.txt" "$data/real/genotype_chr10.txt" "$real/exercise_chr10"
skipped biobank || ld_pairs biobank "$data/biobank/legend_chr1.txt" "$data/biobank/genotype_chr1.txt" "$data/biobank/scan_chr1"

# ---- the genotype text reader ------------------------------------------
if ! skipped programs; then
  while read -r line; do
    row "${line%%:*}" "-" "${line##*: }" "" "${line#*: }"
  done < <(BENCH_REPEAT=$runs "$cur/bench_genotype_text" "$data/real/legend_chr10.txt" "$data/real/genotype_chr10.txt")
fi

# ---- the four programs, exact path, base against current ---------------
program_row() {  # label, threads, program, args...
  local label=$1 threads=$2 prog=$3; shift 3
  local b c
  b=$(KESTO_THREADS=$threads cpu "base_$label" "$base/$prog" "$@")
  c=$(KESTO_THREADS=$threads cpu "cur_$label" "$cur/$prog" "$@")
  local out=result.txt
  local bw cw; bw=$(cat "$work/run/base_$label/wall.txt"); cw=$(cat "$work/run/cur_$label/wall.txt")
  row "$label" "$b" "$c" "$(ratio "$b" "$c")" \
      "$(same "$work/run/base_$label/$out" "$work/run/cur_$label/$out"); wall $bw -> $cw s ($(ratio "$bw" "$cw"))"
}
r=$data/real
if ! skipped programs; then
  for t in 1 2; do
    program_row "kesto_matrix real 200 kb, $t thread(s)" $t kesto_matrix -s "$r/legend_chr10.txt" \
        -g "$r/genotype_chr10.txt" -o result.txt -l log.txt -a 0.05 -v 0.8 -w 200000 -t 50000 -S -1 -E -1
    program_row "kesto_genelist real, $t thread(s)" $t kesto_genelist -g "$r/genes_chr10.txt" -o result.txt \
        -l "$r/" -G "$r/" -a 0.05 -v 0.8 -f 20000
    program_row "kesto_pw real KEGG, $t thread(s)" $t kesto_pw -p "$r/pathways_kegg.txt" -g "$r/genes_chr10.txt" \
        -o result.txt -l "$r/" -G "$r/" -a 0.05 -v 0.8 -f 20000
  done
  if ! skipped dense; then
    d=$data/dense
    program_row "kesto_genelist dense, 1 thread" 1 kesto_genelist -g "$d/genelist.txt" -o result.txt \
        -l "$d/" -G "$d/" -a 0.05 -v 0.8 -f 20000
  fi
fi

# ---- the fast eigen path ------------------------------------------------
if ! skipped eigen; then
  first=$(awk 'NR == 2 { print $2 }' "$r/legend_chr10.txt")
  end=$((first + stretch))
  args=(-s "$r/legend_chr10.txt" -g "$r/genotype_chr10.txt" -o result.txt -l log.txt -a 0.05 -v 0.8
        -w 3000000 -t 50000 -S "$first" -E "$end")
  b=$(runs=1 cpu eigen_base "$base/kesto_matrix" "${args[@]}")
  e=$(KESTO_EIGEN=exact runs=1 cpu eigen_exact "$cur/kesto_matrix" "${args[@]}")
  f=$(KESTO_EIGEN=fast cpu eigen_fast "$cur/kesto_matrix" "${args[@]}")
  row "kesto_matrix real 3 Mb, $((stretch / 1000000)) Mb stretch: exact" "$b" "$e" "$(ratio "$b" "$e")" \
      "$(same "$work/run/eigen_base/result.txt" "$work/run/eigen_exact/result.txt")"
  row "kesto_matrix real 3 Mb, $((stretch / 1000000)) Mb stretch: exact/fast" "$e" "$f" "$(ratio "$e" "$f")" \
      "KESTO_EIGEN=fast, OpenBLAS kernels ${OPENBLAS_CORETYPE:-chosen by the program}; base exact/fast $(ratio "$b" "$f")"
fi
# ---- against the straightforward build (v0.1.0), wall time ---------------
if ! skipped straight; then
  sb=$work/straight-build
  if [ ! -x "$sb/bin/kesto_matrix" ] || [ "$(cat "$sb/.ref" 2>/dev/null)" != "$straight_ref" ]; then
    git -C "$root" worktree remove --force "$work/straight-src" 2>/dev/null || true
    rm -rf "$work/straight-src" "$sb"
    git -C "$root" worktree add --detach "$work/straight-src" "$straight_ref" >/dev/null 2>&1
    build_tree "$work/straight-src" "$sb"
    echo "$straight_ref" > "$sb/.ref"
    git -C "$root" worktree remove --force "$work/straight-src"
  fi
  margs=(-s "$r/legend_chr10.txt" -g "$r/genotype_chr10.txt" -o result.txt -l log.txt -a 0.05 -v 0.8
         -w 200000 -t 50000 -S -1 -E -1)
  runs=1 cpu straight_matrix "$sb/bin/kesto_matrix" "${margs[@]}" >/dev/null
  KESTO_THREADS=2 cpu straight_current "$cur/kesto_matrix" "${margs[@]}" >/dev/null
  sw=$(cat "$work/run/straight_matrix/wall.txt"); cw=$(cat "$work/run/straight_current/wall.txt")
  row "kesto_matrix real 200 kb, wall: $straight_ref / current 2 threads" "$sw" "$cw" "$(ratio "$sw" "$cw")" \
      "$(same "$work/run/straight_matrix/result.txt" "$work/run/straight_current/result.txt")"
fi

if ! skipped eigen && ! skipped agreement; then
  echo
  echo "== fast eigen agreement, real chromosome 10, genes (flank 20 kb)"
  "$cur/bench_eigen_agreement" "$r/legend_chr10.txt" "$r/genotype_chr10.txt" genes "$r/genes_chr10.txt" 20000
  echo "== fast eigen agreement, real chromosome 10, 3 Mb windows every 500 kb"
  "$cur/bench_eigen_agreement" "$r/legend_chr10.txt" "$r/genotype_chr10.txt" windows 3000000 500000
  if ! skipped dense; then
    echo "== fast eigen agreement, dense simulated chromosome, 200 kb windows every 1 Mb"
    "$cur/bench_eigen_agreement" "$data/dense/legend_chr1.txt" "$data/dense/genotype_chr1.txt" windows 200000 1000000
  fi
fi

# ---- the whole genome and the two roads of kesto gene ------------------
if ! skipped genome; then
  echo
  bash "$root/bench/genome.sh"
fi
if ! skipped analysis; then
  echo
  bash "$root/bench/analysis.sh"
fi
