#!/usr/bin/env bash
# Builds the baseline tag and the current tree side by side, generates a large
# data set with the simulator, runs all four programs on both builds, checks
# that their outputs are identical, and prints wall time, peak memory and the
# speed-up of each program.
#
#   bash bench/compare.sh [BASELINE_REF]      (default v0.1.0)
#
# Sizes can be changed through the environment: BENCH_SNPS (50000),
# BENCH_INDIVIDUALS (2000), BENCH_GENES (1000), BENCH_PATHWAYS (300),
# BENCH_WIDTH (100000), BENCH_STEP (20000), BENCH_PATHWAY_LINES (all: how
# many lines of the pathway file kesto_pw reads; the baseline reads every
# chromosome file again for every region, hours at full size), BENCH_ONLY
# (a list of programs to run). BENCH_DIR (default
# /tmp/kesto_bench) holds the builds, the data and the outputs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
baseline=${1:-v0.1.0}
work=${BENCH_DIR:-/tmp/kesto_bench}
snps=${BENCH_SNPS:-50000}
people=${BENCH_INDIVIDUALS:-2000}
genes=${BENCH_GENES:-1000}
pathways=${BENCH_PATHWAYS:-300}
width=${BENCH_WIDTH:-100000}
step=${BENCH_STEP:-20000}
mkdir -p "$work"

build_tree() {  # source folder, build folder
  cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=Release -DKESTO_BUILD_TESTS=OFF >/dev/null
  cmake --build "$2" -j "$(nproc)" >/dev/null
}

echo "== building $baseline and the current tree"
rm -rf "$work/baseline-src"
git -C "$root" worktree remove --force "$work/baseline-src" 2>/dev/null || true
git -C "$root" worktree add --detach "$work/baseline-src" "$baseline" >/dev/null 2>&1
build_tree "$work/baseline-src" "$work/baseline-build"
build_tree "$root" "$work/current-build"
git -C "$root" worktree remove --force "$work/baseline-src"
# The current build is copied so that rebuilding the tree during a long
# baseline run cannot change the binaries being measured.

data=$work/data
if [ ! -f "$data/genotype_chr1.txt" ] || [ "$(cat "$data/.sizes" 2>/dev/null)" != "$snps $people $genes $pathways" ]; then
  echo "== generating $snps SNPs x $people individuals, $genes genes, $pathways pathways"
  rm -rf "$data"
  "$work/current-build/bin/kesto_simulate" --out "$data" --chromosomes 1 --snps "$snps" \
      --individuals "$people" --genes "$genes" --pathways "$pathways" --plink 1 >/dev/null
  echo "$snps $people $genes $pathways" > "$data/.sizes"
fi

baseline_commit=$(git -C "$root" rev-parse "$baseline^{commit}")

# run NAME BUILD ARGS...: runs one program in its own folder, recording time
# and memory. The baseline's run is kept and reused while its commit and the
# sizes stay the same (BENCH_FRESH=1 runs it again).
run() {
  local name=$1 build=$2; shift 2
  local dir=$work/run/$build/$name
  local stamp="$baseline_commit $snps $people $genes $pathways $*"
  if [ "$build" = baseline ] && [ -z "${BENCH_FRESH:-}" ] && [ -f "$dir/time.txt" ] &&
     [ "$(cat "$dir/stamp" 2>/dev/null)" = "$stamp" ]; then
    echo "   (reusing the baseline run of $name)" >&2
    return
  fi
  rm -rf "$dir"; mkdir -p "$dir"
  echo "$stamp" > "$dir/stamp"
  ln -s "$work/$build-build/bin/morrow" "$dir/morrow"
  ln -s "$work/$build-build/bin/transpose" "$dir/transpose"
  ( cd "$dir" && /usr/bin/time -v -o time.txt "$work/$build-build/bin/$name" "$@" >stdout.txt 2>stderr.txt )
}

seconds() { awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, t, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + t[i]; print s }' "$1"; }
megabytes() { awk -F': ' '/Maximum resident set size/ { printf "%.1f", $2 / 1024 }' "$1"; }

pathway_file=$data/pathways.txt
if [ -n "${BENCH_PATHWAY_LINES:-}" ]; then
  pathway_file=$data/pathways_first_${BENCH_PATHWAY_LINES}.txt
  head -n "$BENCH_PATHWAY_LINES" "$data/pathways.txt" > "$pathway_file"
fi

programs=(kesto_genelist kesto_pw kesto_matrix kesto_gen_v2)
args_kesto_genelist=(-g "$data/genelist.txt" -o result.txt -l "$data/" -G "$data/" -a 0.05 -v 0.8 -f 20000)
args_kesto_pw=(-p "$pathway_file" -g "$data/genelist.txt" -o result.txt -l "$data/" -G "$data/" -a 0.05 -v 0.8 -f 20000)
args_kesto_matrix=(-s "$data/legend_chr1.txt" -g "$data/genotype_chr1.txt" -o result.txt -l log.txt -a 0.05 -v 0.8 -w "$width" -t "$step" -S -1 -E -1)
args_kesto_gen_v2=(-i "$data/scan_chr1" -p "$data/scan_chr1_assoc.txt" -o result.txt -l log.txt -a 0.05 -v 0.8 -w "$width" -t "$step" -S -1 -E -1)

printf '\n%-16s %12s %12s %9s %12s %12s  %s\n' program "base s" "current s" ratio "base MB" "current MB" outputs
status=0
for name in "${programs[@]}"; do
  [ -n "${BENCH_ONLY:-}" ] && [[ " $BENCH_ONLY " != *" $name "* ]] && continue
  declare -n args="args_$name"
  for build in baseline current; do
    run "$name" "$build" "${args[@]}"
  done
  b=$work/run/baseline/$name c=$work/run/current/$name
  same=identical
  # The log's last line holds processor time, which differs from run to run.
  for f in result.txt stdout.txt stderr.txt; do cmp -s "$b/$f" "$c/$f" || same="DIFFER($f)"; done
  if [ -f "$b/log.txt" ] && ! cmp -s <(grep -v '^Running Time:' "$b/log.txt") <(grep -v '^Running Time:' "$c/log.txt"); then
    same="DIFFER(log.txt)"
  fi
  [ "$same" = identical ] || status=1
  bs=$(seconds "$b/time.txt") cs=$(seconds "$c/time.txt")
  ratio=$(awk -v b="$bs" -v c="$cs" 'BEGIN { printf "%.1fx", (c > 0 ? b / c : 0) }')
  printf '%-16s %12s %12s %9s %12s %12s  %s\n' "$name" "$bs" "$cs" "$ratio" \
      "$(megabytes "$b/time.txt")" "$(megabytes "$c/time.txt")" "$same"
done
exit $status
