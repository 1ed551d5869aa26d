#!/usr/bin/env bash
# Soak run (not part of CI): simulates a large data set and runs every
# program on it under the sanitizers (the build-asan/ build of
# scripts/test_sanitizers.sh) or under valgrind's memcheck, reporting any
# error, any exit status other than 0, and any result line that is not whole.
#
# usage: scripts/soak.sh [--tool asan|valgrind] [--snps N] [--individuals H]
#                        [--genes G] [--pathways P] [--out DIR]
# Defaults: asan, 50000 SNPs x 2000 individuals on one chromosome, 1000
# genes, 300 pathways, DIR soak/ in the project folder. The gene and pathway
# programs read the whole chromosome again for every region, so the full
# size takes hours; valgrind wants a much smaller one (e.g. --snps 3000
# --individuals 200 --genes 50 --pathways 20).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
tool=asan
snps=50000
individuals=2000
genes=1000
pathways=300
out=$root/soak
while [ $# -gt 0 ]; do
  case "$1" in
    --tool) tool=$2 ;;
    --snps) snps=$2 ;;
    --individuals) individuals=$2 ;;
    --genes) genes=$2 ;;
    --pathways) pathways=$2 ;;
    --out) out=$2 ;;
    *) echo "soak: unknown option $1" >&2; exit 2 ;;
  esac
  shift 2
done
jobs=$(nproc)
[ "$jobs" -gt 2 ] && jobs=2

"$root/scripts/setup.sh"
case "$tool" in
  asan)
    build=${KESTO_ASAN_BUILD_DIR:-$root/build-asan}
    cmake -S "$root" -B "$build" -DKESTO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug \
          -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" >/dev/null
    export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:exitcode=86"
    export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:exitcode=86"
    wrap=()
    ;;
  valgrind)
    if ! command -v valgrind >/dev/null; then
      sudo_cmd=""
      [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
      $sudo_cmd apt-get update -qq
      DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq valgrind >/dev/null
    fi
    build=${KESTO_BUILD_DIR:-$root/build}
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
    wrap=(valgrind --tool=memcheck --error-exitcode=86 --leak-check=full --errors-for-leak-kinds=definite
          --quiet)
    ;;
  *) echo "soak: --tool is asan or valgrind" >&2; exit 2 ;;
esac
cmake --build "$build" -j "$jobs" --target kesto_genelist kesto_pw kesto_gen_v2 kesto_matrix morrow transpose \
      kesto_simulate
bin=$build/bin

data=$out/data
run=$out/run
rm -rf "$out"
mkdir -p "$data" "$run"
echo "soak: simulating $snps SNPs x $individuals individuals, $genes genes, $pathways pathways" >&2
"$bin/kesto_simulate" --out "$data" --chromosomes 1 --snps "$snps" --individuals "$individuals" \
    --genes "$genes" --pathways "$pathways" --plink 1 >/dev/null

problems=0
report() { echo "soak: $*" >&2; }

# whole FILE FIELDS: every line ends in a newline and has FIELDS tab fields.
whole() {
  if [ -s "$1" ] && [ "$(tail -c 1 "$1" | od -An -c | tr -d ' ')" != '\n' ]; then
    report "$1: the last line is not whole"; problems=$((problems + 1)); return
  fi
  local bad
  bad=$(awk -F'\t' -v n="$2" 'NF != n { c++ } END { print c + 0 }' "$1")
  if [ "$bad" -ne 0 ]; then
    report "$1: $bad lines without $2 fields"; problems=$((problems + 1))
  fi
}

# step NAME COMMAND...: runs the command in $run under the tool.
step() {
  local name=$1 status=0 start=$SECONDS
  shift
  (cd "$run" && "${wrap[@]}" "$@") >"$out/$name.out" 2>"$out/$name.err" || status=$?
  local took=$((SECONDS - start))
  if [ "$status" -ne 0 ]; then
    report "$name: exit status $status after ${took}s; see $out/$name.err"; problems=$((problems + 1))
  elif grep -qE 'ERROR: (Address|Leak)Sanitizer|runtime error:|definitely lost|Invalid (read|write)|uninitialised' \
      "$out/$name.err"; then
    report "$name: error report in $out/$name.err"; problems=$((problems + 1))
  else
    report "$name: ok in ${took}s"
  fi
}

step genelist "$bin/kesto_genelist" -g "$data/genelist.txt" -o genes.out -l "$data/" -G "$data/" \
    -a 0.05 -v 0.8 -f 20000
whole "$run/genes.out" 7
step pathways "$bin/kesto_pw" -p "$data/pathways.txt" -g "$data/genelist.txt" -o pathways.out \
    -l "$data/" -G "$data/" -a 0.05 -v 0.8 -f 20000
whole "$run/pathways.out" 5
step matrix "$bin/kesto_matrix" -s "$data/legend_chr1.txt" -g "$data/genotype_chr1.txt" -o matrix.out \
    -l matrix.log -a 0.05 -v 0.8 -w 100000 -t 50000 -S -1 -E -1
whole "$run/matrix.out" 5

# The converters on both PLINK layouts, then the window scan (which runs
# them again, from its working folder, under the same tool when it is the
# sanitizers).
for f in bed bim fam ped map; do ln -sf "$data/scan_chr1.$f" "$run/set.$f"; done
step morrow_bed "$bin/morrow" -o bed_set set
rm -f "$run/set.bed"
step morrow_text "$bin/morrow" -o text_set set
ln -sf "$data/scan_chr1.bed" "$run/set.bed"
# Both layouts give the same positions and codes. The allele columns may
# differ: a monomorphic SNP's unseen allele is named in a .bim but not in a
# .ped, and on a tie the coded allele is the .bim's second one but the
# second one seen in the .ped; where the two files swap the alleles, the
# codes must be each other's complement.
if ! cmp -s <(cut -f1-3 "$run/bed_set.mk") <(cut -f1-3 "$run/text_set.mk"); then
  report "the binary and the text PLINK set give different SNPs"; problems=$((problems + 1))
fi
differ=$(awk -F'\t' '
  FNR == 1 { file++ }
  file == 1 && FNR > 1 { a0[FNR - 1] = $4; a1[FNR - 1] = $5 }
  file == 2 && FNR > 1 { if ($4 != $5 && $4 == a1[FNR - 1] && $5 == a0[FNR - 1]) swapped[FNR - 1] = 1 }
  file == 3 { line[FNR] = $0 }
  file == 4 {
    if (FNR <= 2) { if ($0 != line[FNR]) bad++; next }
    if (split(line[FNR], b, "\t") != NF) { bad++; next }
    for (i = 2; i <= NF; i++) {
      y = $i
      if ((i - 1) in swapped && y != -1) y = 2 - y
      if (b[i] != y) bad++
    }
  }
  END { print bad + 0 }' "$run/bed_set.mk" "$run/text_set.mk" "$run/bed_set.gt" "$run/text_set.gt")
if [ "$differ" -ne 0 ]; then
  report "the binary and the text PLINK set give $differ different codes"; problems=$((problems + 1))
fi
step transpose "$bin/transpose" text_set.gt
ln -sf "$bin/morrow" "$run/morrow"
ln -sf "$bin/transpose" "$run/transpose"
step gen_v2 "$bin/kesto_gen_v2" -b set -s "$data/scan_chr1_assoc.txt" -o gen.out -l gen.log \
    -a 0.05 -v 0.8 -w 100000 -t 50000 -S -1 -E -1
whole "$run/gen.out" 5

if [ "$problems" -gt 0 ]; then
  report "$problems problems; outputs in $out"
  exit 1
fi
report "no errors; outputs in $out"
