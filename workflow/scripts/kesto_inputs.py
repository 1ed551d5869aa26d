#!/usr/bin/python3
"""What the workflow needs to know about its inputs before any job runs:
the reference's chromosomes in its own order, the chromosomes of the gene
list with their gene counts, and the split of the gene list into jobs.

    kesto_inputs.py chromosomes (--bfile P | --vcf P | --legend-prefix P)
    kesto_inputs.py split-genes --genes FILE --chunk-size N --out-dir DIR
                                [--chrom-column 1] [--header-lines 1]
"""

import argparse
import glob
import math
import os
import re
import subprocess
import sys

# Chromosome codes PLINK numbers past the autosomes.
NUMBERED = {"23": "X", "24": "Y", "25": "XY", "26": "MT", "M": "MT"}
VALID = re.compile(r"^[A-Za-z0-9_.-]+$")


class InputError(Exception):
    pass


def canonical(name):
    """`chr07` -> `7`, `23` -> `X`, `chrM` -> `MT`: one name per chromosome."""
    name = name.strip()
    if name[:3].lower() == "chr":
        name = name[3:]
    if name.isdigit():
        name = str(int(name))
    return NUMBERED.get(name.upper() if name.upper() == "M" else name, name)


def natural_key(name):
    return (0, int(name), "") if name.isdigit() else (1, 0, name)


def _from_pattern(pattern, suffixes):
    """Chromosomes of per-chromosome files: what the `@` stands for in their names."""
    found = set()
    for suffix in suffixes:
        head, tail = (pattern + suffix).split("@", 1)
        for path in glob.glob(glob.escape(head) + "*" + glob.escape(tail)):
            middle = path[len(head):len(path) - len(tail)]
            if VALID.match(middle):
                found.add(canonical(middle))
    return sorted(found, key=natural_key)


def _first_column_in_order(lines):
    seen = []
    for line in lines:
        fields = line.split()
        if fields and canonical(fields[0]) not in seen:
            seen.append(canonical(fields[0]))
    return seen


def reference_chromosomes(bfile=None, vcf=None, legend_prefix=None):
    """The reference's chromosomes, in its own order (per-chromosome files: natural order)."""
    if bfile:
        if "@" in bfile:
            chroms = _from_pattern(bfile, [".bed"])
        else:
            try:
                with open(bfile + ".bim") as bim:
                    chroms = _first_column_in_order(bim)
            except OSError as err:
                raise InputError(f"cannot read {bfile}.bim: {err.strerror}") from None
        where = bfile
    elif vcf:
        if "@" in vcf:
            chroms = _from_pattern(vcf, [""])
        else:
            result = subprocess.run(["bcftools", "index", "-s", vcf], capture_output=True, text=True)
            if result.returncode != 0:
                raise InputError(f"cannot list the chromosomes of {vcf} ({result.stderr.strip()}); "
                                 "index it with `bcftools index`, or name them under `chromosomes` in the config")
            chroms = _first_column_in_order(result.stdout.splitlines())
        where = vcf
    elif legend_prefix is not None:
        chroms = _from_pattern(legend_prefix + "legend_chr@", [".txt", ".txt.gz"])
        where = legend_prefix + "legend_chr*.txt"
    else:
        raise InputError("no reference: set reference.bfile, reference.vcf or reference.legend_prefix")
    if not chroms:
        raise InputError(f"no chromosome found in the reference {where}")
    return chroms


def read_gene_lines(path, chrom_column=1, header_lines=1):
    """(head, [(chromosome, line)]): the header and comment lines, then every gene line."""
    try:
        with open(path, "r", encoding="utf-8", errors="surrogateescape", newline="") as f:
            lines = f.read().splitlines(keepends=True)
    except OSError as err:
        raise InputError(f"cannot read the gene file {path}: {err.strerror}") from None
    head, genes = [], []
    for number, line in enumerate(lines, start=1):
        if number <= header_lines or line.startswith("#"):
            head.append(line)
            continue
        if not line.strip():
            continue
        fields = line.split("\t") if "\t" in line else line.split()
        if len(fields) < chrom_column:
            continue  # too short to be a gene; the analysis reports it
        if not line.endswith("\n"):
            line += "\n"
        genes.append((canonical(fields[chrom_column - 1]), line))
    return head, genes


def gene_chunks(path, chunk_size, chrom_column=1, header_lines=1):
    """{chromosome: number of jobs} in order of first appearance; at most chunk_size genes a job."""
    counts = {}
    for chrom, _ in read_gene_lines(path, chrom_column, header_lines)[1]:
        if VALID.match(chrom):
            counts[chrom] = counts.get(chrom, 0) + 1
    return {chrom: max(1, math.ceil(n / chunk_size)) if chunk_size > 0 else 1 for chrom, n in counts.items()}


def split_genes(path, chunk_size, out_dir, chrom_column=1, header_lines=1):
    """Writes DIR/CHROM.I.txt: the header, then the I-th share of the chromosome's genes, in file order."""
    head, genes = read_gene_lines(path, chrom_column, header_lines)
    by_chrom = {}
    for chrom, line in genes:
        if VALID.match(chrom):
            by_chrom.setdefault(chrom, []).append(line)
    os.makedirs(out_dir, exist_ok=True)
    written = []
    for chrom, lines in by_chrom.items():
        n = max(1, math.ceil(len(lines) / chunk_size)) if chunk_size > 0 else 1
        for i in range(n):
            name = os.path.join(out_dir, f"{chrom}.{i + 1}.txt")
            with open(name, "w", encoding="utf-8", errors="surrogateescape", newline="") as out:
                out.writelines(head + lines[i * len(lines) // n:(i + 1) * len(lines) // n])
            written.append(name)
    return written


def main(argv=None):
    parser = argparse.ArgumentParser(prog="kesto_inputs")
    sub = parser.add_subparsers(dest="command", required=True)
    p = sub.add_parser("chromosomes")
    group = p.add_mutually_exclusive_group(required=True)
    group.add_argument("--bfile")
    group.add_argument("--vcf")
    group.add_argument("--legend-prefix")
    p = sub.add_parser("split-genes")
    p.add_argument("--genes", required=True)
    p.add_argument("--chunk-size", type=int, required=True)
    p.add_argument("--out-dir", required=True)
    p.add_argument("--chrom-column", type=int, default=1)
    p.add_argument("--header-lines", type=int, default=1)
    args = parser.parse_args(argv)
    try:
        if args.command == "chromosomes":
            print("\n".join(reference_chromosomes(args.bfile, args.vcf, args.legend_prefix)))
        else:
            split_genes(args.genes, args.chunk_size, args.out_dir, args.chrom_column, args.header_lines)
    except InputError as err:
        print(f"kesto_inputs: {err}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
