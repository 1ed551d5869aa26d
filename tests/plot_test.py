"""Tests of kesto-plot: pictures of the asked size from the programs' own results
and from tables in the layout of `kesto gene` / `kesto window`; NA rows, single
regions and bad input.

Run by CTest; KESTO_BIN_DIR and KESTO_SOURCE_DIR point at the build and the tree.
"""

import gzip
import os
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET

SOURCE = os.environ.get("KESTO_SOURCE_DIR", os.path.join(os.path.dirname(__file__), ".."))
BIN = os.environ.get("KESTO_BIN_DIR", os.path.join(SOURCE, "build", "bin"))
SCRIPT = os.path.join(SOURCE, "scripts", "kesto_plot.py")
PLOT = os.path.join(BIN, "kesto-plot") if os.path.exists(os.path.join(BIN, "kesto-plot")) else SCRIPT
EXAMPLES = os.path.join(SOURCE, "examples")

GENES_HEADER = "chromosome\tstart\tend\tgene_name\tgene_id\tnsnps\tncritical\tnsignificant\tregional_p\ttop_snp\ttop_p\tstatus\n"
WINDOWS_HEADER = "chromosome\tstart\tend\tnsnps\tncritical\tnsignificant\tregional_p\ttop_snp\ttop_p\tstatus\n"

tmp = None
files = {}


def write(name, text):
    path = os.path.join(tmp, name)
    with open(path, "w") as out:
        out.write(text)
    return path


def run_program(*args):
    result = subprocess.run([os.path.join(BIN, args[0]), *args[1:]], cwd=tmp, capture_output=True, text=True)
    if result.returncode != 0:
        raise RuntimeError(f"{args[0]} failed: {result.stderr}")


def setUpModule():
    global tmp
    tmp = tempfile.mkdtemp(prefix="kesto_plot_test_")
    ex = EXAMPLES + "/"
    files["genelist_out"] = os.path.join(tmp, "genes.out")
    run_program("kesto_genelist", "-g", ex + "genelist.txt", "-o", files["genelist_out"], "-l", ex, "-G", ex,
                "-a", "0.05", "-v", "0.8", "-f", "20000")
    files["matrix_out"] = os.path.join(tmp, "windows.out")
    run_program("kesto_matrix", "-s", ex + "legend_chr1.txt", "-g", ex + "genotype_chr1.txt", "-o",
                files["matrix_out"], "-l", os.path.join(tmp, "windows.log"), "-a", "0.05", "-v", "0.8",
                "-w", "100000", "-t", "50000", "-S", "-1", "-E", "-1")
    # Issue-11 layouts: three chromosomes, NA rows of regions without SNPs, a p of 0.
    genes = [GENES_HEADER]
    for i, (chrom, p) in enumerate([("1", "0.5"), ("1", "NA"), ("1", "3.2e-08"), ("2", "0.04"), ("2", "NA"),
                                    ("2", "0.9"), ("X", "0"), ("X", "NA"), ("X", "0.31")]):
        status = "no_snps" if p == "NA" else "ok"
        genes.append(f"{chrom}\t{1000000 + i * 50000}\t{1020000 + i * 50000}\tG{i}\tENSG{i:05d}\t12\t4\t1.2\t{p}"
                     f"\trs{i}\t{'NA' if p == 'NA' else '1e-4'}\t{status}\n")
    files["genes_tsv"] = write("run.genes.tsv", "".join(genes))
    windows = [WINDOWS_HEADER]
    for chrom in ("1", "2", "10"):
        for w in range(30):
            p = "NA" if w % 10 == 9 else f"{(w * 7919 % 997 + 1) / 1000.0:g}"
            windows.append(f"{chrom}\t{w * 50000}\t{w * 50000 + 100000}\t8\t3\t0.5\t{p}\trs{w}\t0.01\t"
                           f"{'no_snps' if p == 'NA' else 'ok'}\n")
    files["windows_tsv"] = write("run.windows.tsv", "".join(windows))
    files["single"] = write("single.genes.tsv", GENES_HEADER + "7\t500\t900\tONLY\tE1\t3\t2\t1\t0.002\trs1\t1e-3\tok\n")


def tearDownModule():
    shutil.rmtree(tmp, ignore_errors=True)


def plot(*args):
    return subprocess.run([sys.executable, PLOT, *args], capture_output=True, text=True)


def png_size(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise AssertionError(f"{path} is not a PNG")
    length, kind, width, height = struct.unpack(">I4sII", data[8:24])
    if kind != b"IHDR" or length != 13 or data[-8:-4] != b"IEND":
        raise AssertionError(f"{path}: PNG without IHDR first or IEND last")
    return width, height


def svg_root(path):
    root = ET.parse(path).getroot()
    if root.tag != "{http://www.w3.org/2000/svg}svg":
        raise AssertionError(f"{path}: root element {root.tag}")
    return root


def svg_text(path):
    return "".join(svg_root(path).itertext())


class Render(unittest.TestCase):
    """Every plot from every table layout, as PNG and SVG of the asked size."""

    def cases(self):
        legend = os.path.join(EXAMPLES, "legend_chr1.txt")
        genelist = os.path.join(EXAMPLES, "genelist.txt")
        return [
            ("manhattan", [files["genelist_out"]]),
            ("manhattan", [files["genes_tsv"]]),
            ("manhattan", [files["windows_tsv"]]),
            ("manhattan", [files["matrix_out"], "--chr", "1"]),
            ("qq", [files["genelist_out"]]),
            ("qq", [files["windows_tsv"]]),
            ("region", ["--chr", "1", "--from", "3600000", "--to", "4000000", "--snps", legend,
                        "--results", files["genelist_out"], "--results", files["matrix_out"], "--genes", genelist]),
            ("region", ["--chr", "chr1", "--from", "1000000", "--to", "1200000", "--snps", legend,
                        "--results", files["genes_tsv"]]),
        ]

    def test_png_and_svg_sizes(self):
        sizes = ((6, 4, 100), (3.5, 2.5, 200))
        for number, (command, args) in enumerate(self.cases()):
            for width, height, dpi in [sizes[number % 2]]:
                with self.subTest(command=command, case=number, size=(width, height, dpi)):
                    png = os.path.join(tmp, f"{command}{number}_{dpi}.png")
                    svg = os.path.join(tmp, f"{command}{number}_{dpi}.svg")
                    size = ["--width", str(width), "--height", str(height), "--dpi", str(dpi)]
                    for out in (png, svg):
                        result = plot(command, *args, *size, "--out", out)
                        self.assertEqual(result.returncode, 0, result.stderr)
                    self.assertEqual(png_size(png), (round(width * dpi), round(height * dpi)))
                    root = svg_root(svg)
                    self.assertEqual((root.get("width"), root.get("height")), (f"{width * 72:g}pt", f"{height * 72:g}pt"))

    def test_format_option_overrides_extension(self):
        out = os.path.join(tmp, "picture.img")
        result = plot("qq", files["genelist_out"], "--format", "svg", "--out", out)
        self.assertEqual(result.returncode, 0, result.stderr)
        svg_root(out)
        result = plot("qq", files["genelist_out"], "--out", os.path.join(tmp, "picture.jpeg2"))
        self.assertEqual(result.returncode, 1)
        self.assertIn("--format", result.stderr)


class Content(unittest.TestCase):
    """What the pictures say: top regions, the threshold's region count, lambda."""

    def test_manhattan_labels_top_regions_and_counts_regions(self):
        out = os.path.join(tmp, "m.svg")
        self.assertEqual(plot("manhattan", files["genelist_out"], "--top", "3", "--out", out).returncode, 0)
        with open(files["genelist_out"]) as table:
            rows = [line.rstrip("\n").split("\t") for line in table][1:]
        ranked = sorted(rows, key=lambda r: float(r[6]))
        text = svg_text(out)
        for row in ranked[:3]:
            self.assertIn(row[3], text)
        self.assertNotIn(ranked[3][3], text)
        self.assertIn(f"Bonferroni 0.05/{len(rows)}", text)

    def test_window_labels_name_chromosome_and_stretch(self):
        out = os.path.join(tmp, "w.svg")
        self.assertEqual(plot("manhattan", files["windows_tsv"], "--top", "1", "--out", out).returncode, 0)
        # The smallest p, 0.001, is that of w = 0 on each chromosome; the label goes to the first row.
        self.assertIn("1:0-100000", svg_text(out))

    def test_qq_prints_lambda_of_the_median_chi_square(self):
        with open(files["genelist_out"]) as table:
            ps = [float(line.split("\t")[6]) for line in list(table)[1:]]
        # Chi-square(1) upper quantile of p is the square of the normal quantile of p/2.
        chi = [statistics.NormalDist().inv_cdf(p / 2) ** 2 for p in ps]
        expected = statistics.median(chi) / 0.4549364
        out = os.path.join(tmp, "q.svg")
        self.assertEqual(plot("qq", files["genelist_out"], "--out", out).returncode, 0)
        self.assertIn(f"{expected:.3f}", svg_text(out))
        self.assertIn(f"{len(ps)} regions", svg_text(out))

    def test_lambda_worked_values(self):
        sys.path.insert(0, os.path.dirname(SCRIPT))
        import kesto_plot as module
        for ps, lam in (([0.5], 1.0), ([0.05], 3.841459 / 0.4549364), ([0.9, 0.5, 0.01, 0.5], 1.0),
                        ([0.05, 0.5], (3.841459 + 0.4549364) / 2 / 0.4549364)):
            with self.subTest(ps=ps):
                self.assertAlmostEqual(module.inflation(ps), lam, places=5)

    def test_compressed_crlf_table_reads_like_plain(self):
        with open(files["genelist_out"], "rb") as table:
            data = table.read().replace(b"\n", b"\r\n")
        packed = os.path.join(tmp, "genes_crlf.out.gz")
        with gzip.open(packed, "wb") as out:
            out.write(b"\xef\xbb\xbf" + data)
        texts = []
        for source in (files["genelist_out"], packed):
            out = os.path.join(tmp, "cmp.svg")
            self.assertEqual(plot("qq", source, "--title", "same", "--out", out).returncode, 0)
            texts.append(svg_text(out))
        self.assertEqual(texts[0], texts[1])


class Rows(unittest.TestCase):
    """NA and -1 rows left out and counted; a single region; tables with nothing to draw."""

    def test_na_rows_are_left_out_and_counted(self):
        genelist_style = write("minus1.out", "chromosome\tstartpos\tendpos\tgene_name\tncritical\tnsignificant\tregional_p\n"
                               "1\t100\t200\tA\t0\t0\t-1\n1\t300\t400\tB\t2\t1\t0.01\n2\t100\t900\tC\t0\t0\tNA\n"
                               "2\t950\t990\tD\t1\t0\t1\n")
        for table, left, kept in ((files["genes_tsv"], 3, 6), (files["windows_tsv"], 9, 81), (genelist_style, 2, 2)):
            for command in ("manhattan", "qq"):
                with self.subTest(table=os.path.basename(table), command=command):
                    out = os.path.join(tmp, "na.svg")
                    result = plot(command, table, "--out", out)
                    self.assertEqual(result.returncode, 0, result.stderr)
                    self.assertIn(f"left out {left} rows without a p-value", result.stderr)
                    text = svg_text(out)
                    self.assertIn(f"Bonferroni 0.05/{kept}" if command == "manhattan" else f"{kept} regions", text)

    def test_p_of_zero_is_drawn_and_reported(self):
        result = plot("manhattan", files["genes_tsv"], "--out", os.path.join(tmp, "zero.png"))
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("1 rows have p = 0", result.stderr)

    def test_single_region(self):
        for command in ("manhattan", "qq"):
            with self.subTest(command=command):
                out = os.path.join(tmp, f"single_{command}.png")
                result = plot(command, files["single"], "--width", "4", "--height", "3", "--dpi", "50", "--out", out)
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertEqual(png_size(out), (200, 150))

    def test_refusals(self):
        all_na = write("all_na.tsv", GENES_HEADER + "1\t1\t9\tA\tE\t0\tNA\tNA\tNA\tNA\tNA\tno_snps\n")
        header_only = write("header_only.tsv", WINDOWS_HEADER)
        no_p = write("no_p.tsv", "chromosome\tstart\tend\n1\t1\t2\n")
        empty = write("empty.tsv", "")
        missing = os.path.join(tmp, "no_such_table.tsv")
        legend = os.path.join(EXAMPLES, "legend_chr1.txt")
        cases = [
            (["manhattan", all_na], "no row with a p-value"),
            (["qq", header_only], "no row with a p-value"),
            (["qq", no_p], "no regional p-value column"),
            (["qq", empty], "is empty"),
            (["manhattan", missing], "no_such_table.tsv"),
            (["qq", missing], "no_such_table.tsv"),
            (["manhattan", files["matrix_out"]], "--chr"),
            (["region", "--chr", "1", "--from", "1", "--to", "500", "--snps", legend], "nothing to draw"),
            (["region", "--chr", "1", "--from", "9", "--to", "5", "--snps", legend], "--to"),
            (["region", "--chr", "1", "--from", "1", "--to", "5000000", "--snps", missing], "no_such_table.tsv"),
        ]
        for args, message in cases:
            with self.subTest(args=args[:2]):
                result = plot(*args, "--out", os.path.join(tmp, "refused.png"))
                self.assertEqual(result.returncode, 1, result.stderr)
                self.assertIn(message, result.stderr)
        self.assertEqual(plot("qq", files["genelist_out"]).returncode, 2)  # no --out

    def test_never_writes_over_an_input(self):
        copy = os.path.join(tmp, "input.svg")
        shutil.copy(files["genelist_out"], copy)
        result = plot("qq", copy, "--out", copy)
        self.assertEqual(result.returncode, 1)
        self.assertIn("is an input", result.stderr)
        with open(copy) as kept, open(files["genelist_out"]) as original:
            self.assertEqual(kept.read(), original.read())

    def test_region_reads_summary_statistics(self):
        # PLINK 2 layout: -log10 p, one row per test, two chromosomes; one row without a value.
        rows = ["#CHROM\tPOS\tID\tREF\tALT\tA1\tTEST\tOBS_CT\tBETA\tSE\tT_STAT\tLOG10_P\n"]
        for i in range(40):
            rows.append(f"1\t{100000 + i * 1000}\trs{i}\tA\tG\tG\tADD\t200\t0.1\t0.1\t1\t{i / 10:g}\n")
            rows.append(f"1\t{100000 + i * 1000}\trs{i}\tA\tG\tG\tDOMDEV\t200\t0.1\t0.1\t1\tbad\n")
            rows.append(f"2\t{100000 + i * 1000}\trs2_{i}\tA\tG\tG\tADD\t200\t0.1\t0.1\t1\t1\n")
        rows.append("1\t150500\trsx\tA\tG\tG\tADD\t200\tNA\tNA\tNA\tNA\n")
        glm = write("run.PHENO1.glm.linear", "".join(rows))
        out = os.path.join(tmp, "glm.png")
        result = plot("region", "--chr", "1", "--from", "90000", "--to", "160000", "--snps", glm, "--out", out)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("left out 1 SNPs", result.stderr)  # the DOMDEV rows are not counted
        png_size(out)


if __name__ == "__main__":
    unittest.main()
