#!/usr/bin/python3
"""Joins the per-job result tables of the workflow into one table.

    merge_tables.py --out FILE [--order 1,2,...,X] [--dedupe] TABLE...

Keeps one header (every input table must have the same one), then the rows in genome
order: grouped by the `chromosome` column in the order --order gives (the
reference's), chromosomes not named there after them (numbers by number, then
names by name); within a chromosome the tables in the order given and each
table's rows in its own order. A table without a chromosome column is joined in
the order of the tables. Rows are copied byte for byte, so the result is the
table one run over everything writes. --dedupe keeps only the first copy of a
row that an earlier table holds already (excluded-SNP reports of
per-chromosome runs that each list the same SNPs).
Input tables and output may be gzip-compressed (by magic bytes / a .gz name).
Exit status 0, or 1 with a message naming the file.
"""

import argparse
import gzip
import os
import sys
import tempfile

from kesto_inputs import canonical, natural_key

PROG = "merge_tables"


class MergeError(Exception):
    pass


def read_table(path):
    """Header line and data lines of one table, as bytes with their line ends."""
    try:
        with open(path, "rb") as f:
            data = f.read()
        if data[:2] == b"\x1f\x8b":
            data = gzip.decompress(data)
    except (OSError, EOFError) as err:
        raise MergeError(f"cannot read {path}: {getattr(err, 'strerror', None) or err}") from None
    if not data:
        raise MergeError(f"{path} is empty: a table holds at least its header line")
    lines = data.splitlines(keepends=True)
    if not lines[-1].endswith(b"\n"):
        lines[-1] += b"\n"  # a last line without its end would run into the next table
    return lines[0], lines[1:]


def split_fields(line):
    text = line.decode("utf-8", errors="replace").rstrip("\r\n")
    return text.split("\t")


def merge(tables, order, dedupe):
    header, rows, earlier = None, [], set()
    for path in tables:
        table_header, table_rows = read_table(path)
        if header is None:
            header = table_header
        elif table_header != header:
            raise MergeError(f"{path}: header differs from that of {tables[0]}")
        # Copies within one table stay: they are the table's own rows.
        rows.extend((path, row) for row in table_rows if not (dedupe and row in earlier))
        if dedupe:
            earlier.update(table_rows)
    names = [field.strip().lower() for field in split_fields(header)]
    if "chromosome" not in names:
        return header, [row for _, row in rows]

    column = names.index("chromosome")
    rank = {canonical(c): i for i, c in enumerate(order)}

    def key(item):
        path, row = item
        fields = split_fields(row)
        if column >= len(fields):
            raise MergeError(f"{path}: a row without a chromosome field: {row[:60]!r}")
        chrom = canonical(fields[column])
        return (0, rank[chrom], ()) if chrom in rank else (1, 0, natural_key(chrom))

    return header, [row for _, row in sorted(rows, key=key)]  # stable: table and row order kept


def write_atomically(path, header, rows):
    data = header + b"".join(rows)
    if path.endswith(".gz"):
        data = gzip.compress(data, mtime=0)  # no time stamp: same tables, same bytes
    folder = os.path.dirname(os.path.abspath(path))
    try:
        fd, temp = tempfile.mkstemp(dir=folder, prefix=".merge_")
        with os.fdopen(fd, "wb") as out:
            out.write(data)
        os.replace(temp, path)
    except OSError as err:
        raise MergeError(f"cannot write {path}: {err.strerror}") from None


def main(argv=None):
    parser = argparse.ArgumentParser(prog=PROG, description=__doc__.split("\n\n")[0])
    parser.add_argument("--out", required=True)
    parser.add_argument("--order", default="", help="chromosomes in the reference's order, comma-separated")
    parser.add_argument("--dedupe", action="store_true", help="keep one copy of rows found in several tables")
    parser.add_argument("tables", nargs="+")
    args = parser.parse_args(argv)
    try:
        out = os.path.abspath(args.out)
        if any(os.path.abspath(table) == out for table in args.tables):
            raise MergeError(f"{args.out} is one of the tables; choose another output")
        order = [c for c in args.order.split(",") if c.strip()]
        header, rows = merge(args.tables, order, args.dedupe)
        write_atomically(args.out, header, rows)
    except MergeError as err:
        print(f"{PROG}: {err}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
