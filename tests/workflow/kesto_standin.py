#!/usr/bin/python3
"""A stand-in for `kesto gene|window|pathway` on prepared text references, built
from kesto_genelist, kesto_pw and kesto_matrix, for testing the workflow's
job split, merge and restart while those subcommands are being written.

It takes the options the workflow passes (--legend-prefix, --genotype-prefix,
--genes, --gene-sets, --chr, --flank, --alpha, --share, --width, --step,
--threads, --out) and writes PREFIX.genes.tsv / .windows.tsv / .pathways.tsv
in kesto's column layout plus PREFIX.log: rows in genome order (the reference's
chromosomes in natural order; genes in gene-list order within a chromosome),
`NA` and a status instead of -1. Exit 3 when a chromosome's reference is missing.
"""

import argparse
import glob
import os
import re
import subprocess
import sys
import tempfile

BIN = os.environ.get("KESTO_BIN_DIR", os.path.join(os.path.dirname(__file__), "..", "..", "build", "bin"))


def canonical(name):
    name = name.strip()
    if name[:3].lower() == "chr":
        name = name[3:]
    return str(int(name)) if name.isdigit() else name


def natural_key(name):
    return (0, int(name), "") if name.isdigit() else (1, 0, name)


def legend(prefix, chrom):
    """[(id, position, p text)] of a chromosome's legend, or None when it is missing."""
    try:
        with open(f"{prefix}legend_chr{chrom}.txt") as f:
            return [(r[0], int(r[1]), r[2]) for r in (line.split("\t") for line in list(f)[1:])]
    except OSError:
        return None


def top(snps, lo, hi):
    """Number of SNPs in [lo, hi), id and p of the smallest p among them."""
    inside = [s for s in snps if lo <= s[1] < hi]
    if not inside:
        return "0", "NA", "NA"
    best = min(inside, key=lambda s: float(s[2]))
    return str(len(inside)), best[0], best[2].strip()


def run(*args):
    result = subprocess.run([os.path.join(BIN, args[0]), *args[1:]], capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit(f"{args[0]} failed: {result.stderr}")


def read_rows(path):
    with open(path) as f:
        return [line.rstrip("\n").split("\t") for line in f][1:]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("command", choices=["gene", "window", "pathway"])
    for name in ("legend-prefix", "genotype-prefix", "genes", "gene-sets", "chr", "out", "from", "to"):
        parser.add_argument("--" + name)
    for name, default in (("flank", "20000"), ("alpha", "0.05"), ("share", "0.8"), ("width", None),
                          ("step", None), ("threads", "1"), ("merge-distance", None)):
        parser.add_argument("--" + name, default=default)
    a = parser.parse_args()
    chroms = [canonical(c) for c in a.chr.split(",")] if a.chr else None
    reference = sorted((re.match(r".*legend_chr(.+)\.txt$", p).group(1) for p in glob.glob(a.legend_prefix + "legend_chr*.txt")),
                       key=natural_key)
    missing = 0
    with tempfile.TemporaryDirectory() as tmp:
        if a.command == "gene":
            with open(a.genes) as f:
                lines = f.read().splitlines(keepends=True)
            genes = [l for l in lines[1:] if l.strip() and (chroms is None or canonical(l.split("\t")[0]) in chroms)]
            genes.sort(key=lambda l: natural_key(canonical(l.split("\t")[0])))  # stable: list order kept
            with open(os.path.join(tmp, "genes.txt"), "w") as f:
                f.writelines(lines[:1] + genes)
            run("kesto_genelist", "-g", os.path.join(tmp, "genes.txt"), "-o", os.path.join(tmp, "out"),
                "-l", a.legend_prefix, "-G", a.genotype_prefix, "-a", a.alpha, "-v", a.share, "-f", a.flank)
            out = ["chromosome\tstart\tend\tgene_name\tgene_id\tnsnps\tncritical\tnsignificant\tregional_p\ttop_snp\ttop_p\tstatus\n"]
            for row, line in zip(read_rows(os.path.join(tmp, "out")), genes):
                chrom, start, end, name, ncrit, nsig, p = row
                snps = legend(a.legend_prefix, chrom)
                flank = int(a.flank)
                nsnps, snp, snp_p = top(snps or [], int(start) - flank, int(end) + flank)
                status = "ok" if p not in ("-1", "NA") else ("no_snps" if p == "-1" else "reference_missing")
                if status == "reference_missing":
                    missing += 1
                    nsnps, ncrit, nsig = "NA", "NA", "NA"
                out.append("\t".join([chrom, start, end, name, line.split("\t")[1], nsnps, ncrit, nsig,
                                      "NA" if status != "ok" else p, snp, snp_p, status]) + "\n")
            table = a.out + ".genes.tsv"
        elif a.command == "window":
            out = ["chromosome\tstart\tend\tnsnps\tncritical\tnsignificant\tregional_p\ttop_snp\ttop_p\tstatus\n"]
            for chrom in [c for c in reference if chroms is None or c in chroms]:
                res = os.path.join(tmp, f"w{chrom}")
                run("kesto_matrix", "-s", f"{a.legend_prefix}legend_chr{chrom}.txt", "-g",
                    f"{a.genotype_prefix}genotype_chr{chrom}.txt", "-o", res, "-l", res + ".log", "-a", a.alpha,
                    "-v", a.share, "-w", a.width, "-t", a.step, "-S", a.__dict__["from"] or "-1", "-E", a.to or "-1")
                snps = legend(a.legend_prefix, chrom)
                for start, end, ncrit, nsig, p in read_rows(res):
                    nsnps, snp, snp_p = top(snps, int(start), int(end))
                    status = "ok" if p != "-1" else "no_snps"
                    out.append("\t".join([chrom, start, end, nsnps, ncrit, nsig, p if status == "ok" else "NA",
                                          snp, snp_p, status]) + "\n")
            table = a.out + ".windows.tsv"
        else:
            run("kesto_pw", "-p", a.gene_sets, "-g", a.genes, "-o", os.path.join(tmp, "out"), "-l", a.legend_prefix,
                "-G", a.genotype_prefix, "-a", a.alpha, "-v", a.share, "-f", a.flank)
            out = ["id\tname\tncritical\tnsignificant\tregional_p\tstatus\n"]
            out += ["\t".join(row + ["ok"]) + "\n" for row in read_rows(os.path.join(tmp, "out"))]
            table = a.out + ".pathways.tsv"
    with open(table, "w") as f:
        f.writelines(out)
    with open(a.out + ".log", "w") as f:
        f.write("kesto stand-in\n" + " ".join(sys.argv) + f"\nregions: {len(out) - 1}\n")
    return 3 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
