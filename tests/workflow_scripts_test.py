"""Tests of the workflow's helper scripts: the merge of per-job tables into one
table in genome order, the reference's chromosome list and the split of the
gene list into jobs. Synthetic per-chromosome tables; run by CTest."""

import gzip
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

SOURCE = os.environ.get("KESTO_SOURCE_DIR", os.path.join(os.path.dirname(__file__), ".."))
SCRIPTS = os.path.join(SOURCE, "workflow", "scripts")
sys.path.insert(0, SCRIPTS)
import kesto_inputs  # noqa: E402

HEADER = b"chromosome\tstart\tend\tgene_name\tregional_p\tstatus\n"


class TempFolder(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="kesto_workflow_scripts_")

    def tearDown(self):
        shutil.rmtree(self.tmp, ignore_errors=True)

    def file(self, name, data):
        path = os.path.join(self.tmp, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        if name.endswith(".gz"):
            data = gzip.compress(data)
        with open(path, "wb") as out:
            out.write(data)
        return path

    def merge(self, *args):
        return subprocess.run([sys.executable, os.path.join(SCRIPTS, "merge_tables.py"), *args],
                              capture_output=True, text=True)

    def read(self, path):
        with open(path, "rb") as f:
            data = f.read()
        return gzip.decompress(data) if data[:2] == b"\x1f\x8b" else data


def rows(chrom, *names):
    return b"".join(f"{chrom}\t{100 * i}\t{100 * i + 50}\t{name}\t0.{i}5\tok\n".encode()
                    for i, name in enumerate(names, start=1))


class Merge(TempFolder):
    def test_genome_order_from_tables_in_any_order(self):
        # Job tables as a scheduler may finish them; genes of chromosome 1 in two chunks.
        pieces = {"X.1": rows("X", "x1"), "10.1": rows("10", "t1", "t2"), "1.2": rows("1", "c", "d"),
                 "2.1": rows("2", "b1"), "1.1": rows("1", "a", "b"), "3.1": b""}
        paths = {k: self.file(f"p/{k}.tsv", HEADER + v) for k, v in pieces.items()}
        single = HEADER + pieces["1.1"] + pieces["1.2"] + pieces["2.1"] + pieces["10.1"] + pieces["X.1"]
        out = os.path.join(self.tmp, "merged.tsv")
        order = [paths[k] for k in ("X.1", "10.1", "1.1", "2.1", "3.1", "1.2")]
        result = self.merge("--order", "1,2,3,10,X", "--out", out, *order)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(self.read(out), single)

    def test_unlisted_chromosomes_follow_in_natural_order(self):
        cases = [  # (order, chromosomes of the tables, expected chromosome order)
            ("", ["X", "10", "2", "MT", "1"], ["1", "2", "10", "MT", "X"]),
            ("2,1", ["1", "X", "2", "3"], ["2", "1", "3", "X"]),
            ("1,2", ["chr2", "chr01"], ["chr01", "chr2"]),  # names as written, ranked as the same chromosomes
            ("X,1", ["23", "1"], ["23", "1"]),  # PLINK's 23 is X
        ]
        for order, chroms, expected in cases:
            with self.subTest(order=order, chroms=chroms):
                paths = [self.file(f"o/{i}.tsv", HEADER + rows(c, f"g{i}")) for i, c in enumerate(chroms)]
                out = os.path.join(self.tmp, "o.tsv")
                result = self.merge("--order", order, "--out", out, *paths)
                self.assertEqual(result.returncode, 0, result.stderr)
                got = [line.split(b"\t")[0].decode() for line in self.read(out).splitlines()[1:]]
                self.assertEqual(got, expected)

    def test_rows_are_copied_byte_for_byte(self):
        odd = b"1\t5\t9\tname with  blanks\t1.5e-300\tok  \n2\t1\t2\tNA\tNA\tno_snps\n"
        last = b"1\t7\t8\tlast\t0.5\tok"  # no line end
        a, b = self.file("a.tsv", HEADER + odd), self.file("b.tsv", HEADER + last)
        out = os.path.join(self.tmp, "ab.tsv")
        self.assertEqual(self.merge("--order", "1,2", "--out", out, a, b).returncode, 0)
        self.assertEqual(self.read(out), HEADER + odd.split(b"\n")[0] + b"\n" + last + b"\n" +
                         odd.split(b"\n")[1] + b"\n")

    def test_table_without_chromosome_keeps_table_order(self):
        head = b"id\tname\tregional_p\tstatus\n"
        paths = [self.file(f"pw{i}.tsv", head + f"PW{i}a\tn\t0.1\tok\nPW{i}b\tn\t0.2\tok\n".encode())
                 for i in (1, 2, 3)]
        out = os.path.join(self.tmp, "pw.tsv")
        self.assertEqual(self.merge("--order", "2,1", "--out", out, *paths).returncode, 0)
        self.assertEqual(self.read(out), head + b"".join(self.read(p)[len(head):] for p in paths))

    def test_compressed_reports_and_dedupe_across_tables(self):
        head = b"id\tchromosome\tposition\talleles\treason\n"
        shared = b"rs9\t5\t100\tA/G\tchromosome not analysed\n"
        own1 = b"rs1\t1\t10\tA/C\tnot in reference\nrs1\t1\t10\tA/C\tduplicated\nrs1\t1\t10\tA/C\tduplicated\n"
        own2 = b"rs2\t2\t20\tA/T\tp-value missing\n"
        p1 = self.file("e1.excluded.tsv.gz", head + own1 + shared)
        p2 = self.file("e2.excluded.tsv.gz", head + shared + own2)
        out = os.path.join(self.tmp, "merged.excluded.tsv.gz")
        self.assertEqual(self.merge("--dedupe", "--order", "1,2,5", "--out", out, p1, p2).returncode, 0)
        with open(out, "rb") as f:
            self.assertEqual(f.read(2), b"\x1f\x8b")
        # Copies inside one table stay (both duplicated rows); the one both tables list is kept once.
        self.assertEqual(self.read(out), head + own1 + own2 + shared)

    def test_refusals(self):
        good = self.file("good.tsv", HEADER + rows("1", "a"))
        other = self.file("other.tsv", b"chromosome\tstart\tend\tregional_p\n1\t1\t2\t0.5\n")
        empty = self.file("empty.tsv", b"")
        broken = self.file("broken.tsv.gz", b"")
        with open(broken, "wb") as f:
            f.write(b"\x1f\x8b\x08\x00garbage")
        cases = [
            ([good, other], "other.tsv: header differs"),
            ([good, empty], "empty.tsv is empty"),
            ([good, os.path.join(self.tmp, "absent.tsv")], "absent.tsv"),
            ([good, broken], "broken.tsv.gz"),
        ]
        for tables, message in cases:
            with self.subTest(message=message):
                out = os.path.join(self.tmp, "refused.tsv")
                result = self.merge("--out", out, *tables)
                self.assertEqual(result.returncode, 1)
                self.assertIn(message, result.stderr)
                self.assertFalse(os.path.exists(out))
        result = self.merge("--out", good, good)
        self.assertEqual(result.returncode, 1)
        self.assertIn("is one of the tables", result.stderr)
        self.assertEqual(self.read(good), HEADER + rows("1", "a"))


class Inputs(TempFolder):
    def test_canonical_names(self):
        for name, expected in (("chr07", "7"), ("7", "7"), ("CHRX", "X"), ("23", "X"), ("24", "Y"),
                               ("25", "XY"), ("26", "MT"), ("chrM", "MT"), ("m", "MT"), ("MT", "MT"),
                               ("chr1_random", "1_random")):
            with self.subTest(name=name):
                self.assertEqual(kesto_inputs.canonical(name), expected)

    def test_reference_chromosomes(self):
        for name in ("chr1", "chr10", "chr2", "chrX", "chr2_old"):
            self.file(f"plink/{name}.bed", b"")
        self.file("plink/chr3.bim", b"")  # no .bed: not a set
        self.file("one.bim", b"chr2\trs1\t0\t10\tA\tG\n2\trs2\t0\t20\tA\tG\n1\trs3\t0\t5\tA\tG\n23\trs4\t0\t1\tA\tG\n")
        self.file("vcf/panel.chr4.vcf.gz", b"")
        self.file("vcf/panel.chr22.vcf.gz", b"")
        self.file("text/legend_chr2.txt.gz", b"")
        self.file("text/legend_chr1.txt", b"")
        cases = [
            ({"bfile": os.path.join(self.tmp, "plink/chr@")}, ["1", "2", "10", "2_old", "X"]),
            ({"bfile": os.path.join(self.tmp, "one")}, ["2", "1", "X"]),  # the .bim's own order
            ({"vcf": os.path.join(self.tmp, "vcf/panel.chr@.vcf.gz")}, ["4", "22"]),
            ({"legend_prefix": os.path.join(self.tmp, "text/")}, ["1", "2"]),
            ({"legend_prefix": os.path.join(SOURCE, "examples/")}, ["1", "2"]),
        ]
        for reference, expected in cases:
            with self.subTest(reference=reference):
                self.assertEqual(kesto_inputs.reference_chromosomes(**reference), expected)
        for reference, message in (({"bfile": os.path.join(self.tmp, "none")}, "none.bim"),
                                   ({"legend_prefix": self.tmp + "/nothing_"}, "no chromosome found"),
                                   ({}, "no reference")):
            with self.subTest(reference=reference), self.assertRaises(kesto_inputs.InputError) as caught:
                kesto_inputs.reference_chromosomes(**reference)
            self.assertIn(message, str(caught.exception))

    def test_gene_split_covers_every_gene_once_in_order(self):
        lines = [f"{'chr' if i % 3 == 0 else ''}{1 + (i >= 25)}\tENSG{i}\t{i * 1000}\t{i * 1000 + 500}\tG{i}\n"
                 for i in range(32)]
        genes = self.file("genes.txt", ("chromosome\tgene_id\tstart\tend\tgene_name\n" + "".join(lines)).encode())
        for size, chunks in ((10, {"1": 3, "2": 1}), (25, {"1": 1, "2": 1}), (0, {"1": 1, "2": 1}), (1, {"1": 25, "2": 7})):
            with self.subTest(size=size):
                self.assertEqual(kesto_inputs.gene_chunks(genes, size), chunks)
                out = os.path.join(self.tmp, f"split{size}")
                written = kesto_inputs.split_genes(genes, size, out)
                self.assertEqual(len(written), sum(chunks.values()))
                joined = []
                for chrom, n in chunks.items():
                    for i in range(1, n + 1):
                        with open(os.path.join(out, f"{chrom}.{i}.txt")) as f:
                            piece = f.readlines()
                        self.assertEqual(piece[0], "chromosome\tgene_id\tstart\tend\tgene_name\n")
                        self.assertLessEqual(len(piece) - 1, size if size else len(lines))
                        joined += piece[1:]
                self.assertEqual(joined, lines)

    def test_gene_loc_layout_without_header(self):
        # MAGMA gene-loc: ID CHR START STOP STRAND SYMBOL, blank-separated, no header.
        loc = self.file("genes.loc", b"1\t7\t100\t200\t+\tA\n2\t7\t300\t400\t-\tB\n3\tX\t10\t20\t+\tC\n# note\n")
        self.assertEqual(kesto_inputs.gene_chunks(loc, 1, chrom_column=2, header_lines=0), {"7": 2, "X": 1})
        kesto_inputs.split_genes(loc, 1, os.path.join(self.tmp, "loc"), chrom_column=2, header_lines=0)
        with open(os.path.join(self.tmp, "loc", "7.2.txt")) as f:
            self.assertEqual(f.read(), "# note\n2\t7\t300\t400\t-\tB\n")


if __name__ == "__main__":
    unittest.main()
