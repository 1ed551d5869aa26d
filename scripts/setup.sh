#!/usr/bin/env bash
# Installs the build dependencies that are missing (Debian packages).
set -euo pipefail
need=()
# Build: compiler, Eigen, Boost, htslib (compressed text, VCF/BCF), CLI11.
# Peers and workflow: PLINK 1.9 and 2, bcftools (round-trip tests),
# Snakemake, matplotlib and SciPy (workflow and plots).
for pkg in cmake g++ make pkg-config libeigen3-dev libboost-dev libgtest-dev libhts-dev libcli11-dev \
           liblapacke-dev libopenblas-dev plink1.9 plink2 bcftools snakemake python3-matplotlib python3-scipy; do
  dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg")
done
if [ "${#need[@]}" -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  echo "installing: ${need[*]}" >&2
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${need[@]}" >/dev/null
fi
