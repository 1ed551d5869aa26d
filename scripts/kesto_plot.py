#!/usr/bin/python3
"""kesto-plot: pictures of regional test results.

  manhattan TABLE --out FILE   regional p-values of genes or windows over the genome
  qq TABLE --out FILE          observed against expected p-values, with lambda
  region --chr C --from BP --to BP --snps FILE [--results TABLE] [--genes FILE] --out FILE
                               SNP p-values, region results and genes of one stretch

Tables are recognised by their header names: the tables of `kesto gene`,
`kesto window` and `kesto pathway` (PREFIX.genes.tsv, ...) and the result
files of kesto_genelist, kesto_pw, kesto_matrix and kesto_gen_v2.
Exit status: 0 done, 1 an input cannot be read or holds nothing to draw,
2 a bad command line.
"""

import argparse
import gzip
import math
import os
import sys

PROG = "kesto-plot"
FORMATS = ("png", "svg", "pdf")
BAND_POINTS = 2000  # ranks the QQ plot's band is computed at
RASTER_ABOVE = 20000  # points drawn as one image inside SVG/PDF past this many, to keep files small

# Header names, compared in lower case, first match wins.
CHROM_NAMES = ("chromosome", "chr", "chrom", "#chrom", "#chr")
START_NAMES = ("start", "startpos", "reg_start")
END_NAMES = ("end", "endpos", "reg_end", "stop")
NAME_NAMES = ("gene_name", "name", "pathway_name", "symbol")
REGION_P_NAMES = ("regional_p", "regp")
POS_NAMES = ("position", "pos", "bp", "base_pair_location", "genpos")
SNP_P_NAMES = ("pvalue", "p_value", "p", "p.value", "p-value", "p_bolt_lmm", "p_bolt_lmm_inf")
SNP_LOG10P_NAMES = ("log10p", "log10_p", "neg_log_10_p_value")

COLOURS = ("#1f4e79", "#6fa8dc")  # alternate per chromosome
HIGHLIGHT = "#c0392b"
SEGMENT_COLOURS = (HIGHLIGHT, "#e67e22", "#8e44ad")  # one per results table of a region plot


class PlotError(Exception):
    """A problem with the inputs that ends the run with exit status 1."""


# ---------------------------------------------------------------- reading

def open_text(path):
    """Opens a plain or gzip/BGZF text file; any line end, byte-order mark dropped."""
    try:
        with open(path, "rb") as probe:
            magic = probe.read(2)
        if magic == b"\x1f\x8b":
            return gzip.open(path, "rt", encoding="utf-8-sig", errors="replace")
        return open(path, "r", encoding="utf-8-sig", errors="replace")
    except OSError as err:
        raise PlotError(f"cannot open {path}: {err.strerror}") from None


def read_table(path):
    """Returns (header, rows) of a table split on tabs, or on blanks when the header has no tab."""
    with open_text(path) as source:
        try:
            lines = source.read().splitlines()
        except (OSError, EOFError) as err:
            raise PlotError(f"cannot read {path}: {err}") from None
    lines = [line for line in lines if line.strip()]
    if not lines:
        raise PlotError(f"{path} is empty")
    tabbed = "\t" in lines[0]

    def split(line):
        return line.split("\t") if tabbed else line.split()

    return [field.strip() for field in split(lines[0])], [split(line) for line in lines[1:]]


def find_column(header, names):
    lowered = [field.lower() for field in header]
    for name in names:
        if name in lowered:
            return lowered.index(name)
    return None


def chrom_name(text):
    """Chromosome as the suite writes it: no leading `chr`, numbers without leading zeros."""
    name = text.strip()
    if name[:3].lower() == "chr":
        name = name[3:]
    return str(int(name)) if name.isdigit() else name


def chrom_key(name):
    """Numbered chromosomes by number, then named ones by name."""
    return (0, int(name), "") if name.isdigit() else (1, 0, name)


def parse_p(text):
    """A p-value in [0, 1], or None for NA, -1 (no SNP) and anything else."""
    try:
        value = float(text)
    except ValueError:
        return None
    if math.isnan(value) or value < 0.0 or value > 1.0:
        return None
    return value


class Region:
    __slots__ = ("chrom", "start", "end", "name", "p")

    def __init__(self, chrom, start, end, name, p):
        self.chrom, self.start, self.end, self.name, self.p = chrom, start, end, name, p

    def label(self):
        if self.name:
            return self.name
        where = f"{self.start}-{self.end}"
        return f"{self.chrom}:{where}" if self.chrom else where


def read_regions(path, need_positions, default_chrom=None):
    """Reads a result table; rows without a usable p-value are counted and left out."""
    header, rows = read_table(path)
    p_col = find_column(header, REGION_P_NAMES)
    if p_col is None:
        raise PlotError(f"{path}: no regional p-value column (looked for {', '.join(REGION_P_NAMES)})")
    chrom_col = find_column(header, CHROM_NAMES)
    start_col = find_column(header, START_NAMES)
    end_col = find_column(header, END_NAMES)
    name_col = find_column(header, NAME_NAMES)
    if need_positions:
        if start_col is None or end_col is None:
            raise PlotError(f"{path}: no start and end columns, so the regions have no place on the genome")
        if chrom_col is None and default_chrom is None:
            raise PlotError(f"{path}: no chromosome column; name the chromosome with --chr")

    regions, left_out, bad_lines = [], 0, []
    for number, fields in enumerate(rows, start=2):
        def field(col):
            return fields[col].strip() if col is not None and col < len(fields) else ""

        p = parse_p(field(p_col))
        if p is None:
            left_out += 1
            continue
        chrom = chrom_name(field(chrom_col)) if chrom_col is not None else default_chrom
        start = end = None
        if start_col is not None and end_col is not None:
            try:
                start, end = int(field(start_col)), int(field(end_col))
            except ValueError:
                if need_positions:
                    bad_lines.append(number)
                    continue
        regions.append(Region(chrom, start, end, field(name_col) or None, p))
    if bad_lines:
        print(f"{PROG}: {path}: left out {len(bad_lines)} rows whose start or end is not a whole number "
              f"(first at line {bad_lines[0]})", file=sys.stderr)
    if left_out:
        print(f"{PROG}: {path}: left out {left_out} rows without a p-value (NA or -1)", file=sys.stderr)
    if not regions:
        raise PlotError(f"{path}: no row with a p-value to plot")
    return regions


def neg_log10(p, floor):
    """-log10 p, with p = 0 drawn at the floor."""
    return -math.log10(max(p, floor))


def zero_floor(ps, path):
    """The value p = 0 is drawn at: a tenth of the smallest positive p (at most 1e-300)."""
    positive = [p for p in ps if p > 0.0]
    zeros = len(ps) - len(positive)
    floor = max(min(positive) / 10.0, 1e-300) if positive else 1e-300
    if zeros:
        print(f"{PROG}: {path}: {zeros} rows have p = 0; drawn at p = {floor:.3g}", file=sys.stderr)
    return floor


# ---------------------------------------------------------------- output

def output_format(args):
    if args.format:
        return args.format
    extension = os.path.splitext(args.out)[1].lower().lstrip(".")
    if extension in FORMATS:
        return extension
    raise PlotError(f"cannot tell the picture format of {args.out}; end it in .png or .svg or give --format")


def pyplot():
    """matplotlib, loaded only once the inputs are read (a refusal comes quickly)."""
    import matplotlib
    matplotlib.use("Agg")  # files only; no display needed
    import matplotlib.pyplot as plt
    return plt


def new_figure(args, **kwargs):
    plt = pyplot()
    plt.rcParams.update({"font.size": args.font_size, "svg.fonttype": "none"})
    return plt.subplots(figsize=(args.width, args.height), dpi=args.dpi, **kwargs)


def save(fig, args, inputs):
    out = os.path.abspath(args.out)
    for path in inputs:
        if path and os.path.exists(path) and os.path.exists(out) and os.path.samefile(path, out):
            raise PlotError(f"{args.out} is an input; choose another output name")
    fig.tight_layout()
    try:
        # No bbox_inches="tight": the picture keeps exactly the asked size.
        fmt = output_format(args)
        # No dates in the file: the same table gives the same picture.
        metadata = {"svg": {"Date": None}, "pdf": {"CreationDate": None}}.get(fmt, {})
        fig.savefig(args.out, format=fmt, dpi=args.dpi, metadata=metadata)
    except OSError as err:
        raise PlotError(f"cannot write {args.out}: {err.strerror or err}") from None
    pyplot().close(fig)


# ---------------------------------------------------------------- plots

def manhattan(args):
    regions = read_regions(args.table, need_positions=True, default_chrom=args.chr)
    floor = zero_floor([r.p for r in regions], args.table)
    by_chrom = {}
    for r in regions:
        by_chrom.setdefault(r.chrom, []).append(r)
    chroms = sorted(by_chrom, key=chrom_key)
    fig, ax = new_figure(args)

    # Chromosomes side by side, each from its first region start to its last end;
    # a single chromosome keeps its own positions.
    span = {c: (min(r.start for r in own), max(r.end for r in own)) for c, own in by_chrom.items()}
    offsets, ticks, x = {}, [], 0.0
    gap = 0.02 * sum(hi - lo for lo, hi in span.values())
    for chrom in chroms:
        lo, hi = span[chrom]
        offsets[chrom] = x - lo if len(chroms) > 1 else 0.0
        ticks.append((x + (hi - lo) / 2.0) / 1e6)
        x += (hi - lo) + gap

    def position(region):
        return (offsets[region.chrom] + (region.start + region.end) / 2.0) / 1e6

    for index, chrom in enumerate(chroms):
        own = by_chrom[chrom]
        ax.scatter([position(r) for r in own], [neg_log10(r.p, floor) for r in own],
                   s=args.point_size, color=COLOURS[index % 2], linewidths=0, zorder=2, clip_on=False,
                   rasterized=len(regions) > RASTER_ABOVE)

    threshold = -math.log10(0.05 / len(regions))
    ax.axhline(threshold, color=HIGHLIGHT, linestyle="--", linewidth=1, zorder=1)
    ax.annotate(f"Bonferroni 0.05/{len(regions)}", (1.0, threshold), xycoords=("axes fraction", "data"),
                xytext=(0, 3), textcoords="offset points", ha="right", va="bottom", color=HIGHLIGHT,
                fontsize=args.font_size * 0.8)
    highest = max([neg_log10(r.p, floor) for r in regions] + [threshold])
    ax.set_ylim(0, highest * 1.2 + 0.2)
    if len(chroms) > 1:
        ax.set_xticks(ticks)
        ax.set_xticklabels(chroms)
    top = sorted(regions, key=lambda r: r.p)[:max(args.top, 0)]
    place_labels(fig, ax, [(r.label(), position(r), neg_log10(r.p, floor)) for r in top], args.font_size * 0.8)
    if len(chroms) > 1:
        ax.set_xlabel("Chromosome")
    else:
        ax.set_xlabel(f"Position on chromosome {chroms[0]} (Mb)" if chroms[0] else "Position (Mb)")
    ax.set_ylabel(r"$-\log_{10}$ regional $p$")
    ax.set_title(args.title or f"{os.path.basename(args.table)}: {len(regions)} regions")
    ax.spines[["top", "right"]].set_visible(False)
    save(fig, args, [args.table])


def place_labels(fig, ax, items, font_size):
    """Writes each (text, x, y) above its point, moved up past the labels and
    labelled points before it (a thin line then leads to the point)."""
    ax.set_xlabel(" ")  # room for the axis labels before the layout is measured
    ax.set_title(" ")
    fig.tight_layout()
    renderer = fig.canvas.get_renderer()
    taken = []
    for _, x, y in items:  # the labelled points themselves
        px, py = ax.transData.transform((x, y))
        taken.append((px - 3, py - 3, px + 3, py + 3))
    import matplotlib.text
    step = font_size * fig.dpi / 72.0 + 2
    for text, x, y in items:
        for lift in range(12):
            offset = 4 + lift * step * 72.0 / fig.dpi
            label = ax.annotate(text, (x, y), xytext=(0, offset), textcoords="offset points", ha="center",
                                va="bottom", fontsize=font_size,
                                arrowprops={"arrowstyle": "-", "color": "#888888", "linewidth": 0.5,
                                            "shrinkA": 0, "shrinkB": 3} if lift else None)
            # The text alone: an annotation's own extent takes in the line to its point.
            label.update_positions(renderer)
            box = matplotlib.text.Text.get_window_extent(label, renderer)
            free = not any(box.x0 < b[2] and box.x1 > b[0] and box.y0 < b[3] and box.y1 > b[1] for b in taken)
            if free or lift == 11:
                break  # placed; the eleventh lift stays even when crowded
            label.remove()
        taken.append((box.x0, box.y0, box.x1, box.y1))


def inflation(ps):
    """Genomic inflation: median chi-square(1) statistic of the p-values over its expected median."""
    from scipy import stats
    return median(stats.chi2.isf(ps, 1).tolist()) / 0.4549364


def median(values):
    ordered = sorted(values)
    middle = len(ordered) // 2
    return ordered[middle] if len(ordered) % 2 else (ordered[middle - 1] + ordered[middle]) / 2.0


def qq(args):
    import numpy
    from scipy import stats
    regions = read_regions(args.table, need_positions=False)
    ps = sorted(r.p for r in regions)
    n = len(ps)
    floor = zero_floor(ps, args.table)
    rank = list(range(1, n + 1))
    expected = [-math.log10(i / (n + 1.0)) for i in rank]
    observed = [neg_log10(p, floor) for p in ps]
    # The i-th smallest of n uniform p-values follows Beta(i, n - i + 1); the band
    # is drawn through at most BAND_POINTS ranks, spread evenly on the log scale.
    order = numpy.unique(numpy.geomspace(1, n, min(n, BAND_POINTS)).round().astype(int))
    band_x = (-numpy.log10(order / (n + 1.0))).tolist()
    upper = (-numpy.log10(stats.beta.ppf(0.025, order, n - order + 1))).tolist()
    lower = (-numpy.log10(stats.beta.ppf(0.975, order, n - order + 1))).tolist()
    lam = inflation(ps)

    fig, ax = new_figure(args)
    ax.fill_between(band_x, lower, upper, color="#d0d7e1", linewidth=0, label="95% band", zorder=1)
    top = max(expected + observed + upper)
    ax.plot([0, expected[0]], [0, expected[0]], color="#555555", linewidth=1, zorder=2)
    ax.scatter(expected, observed, s=args.point_size, color=COLOURS[0], linewidths=0, zorder=3, clip_on=False,
               rasterized=n > RASTER_ABOVE)
    ax.set_xlim(0, expected[0] * 1.05 + 0.05)
    ax.set_ylim(0, top * 1.05 + 0.05)
    ax.text(0.04, 0.95, f"$\\lambda$ = {lam:.3f}\n{n} regions", transform=ax.transAxes,
            ha="left", va="top")
    ax.set_xlabel(r"expected $-\log_{10}$ $p$")
    ax.set_ylabel(r"observed $-\log_{10}$ $p$")
    ax.set_title(args.title or os.path.basename(args.table))
    ax.legend(loc="lower right", frameon=False)
    ax.spines[["top", "right"]].set_visible(False)
    save(fig, args, [args.table])


def read_snps(path, chrom):
    """(position, -log10 p) of the SNPs of a legend file or summary statistics on chromosome chrom."""
    header, rows = read_table(path)
    pos_col = find_column(header, POS_NAMES)
    p_col = find_column(header, SNP_P_NAMES)
    log_col = find_column(header, SNP_LOG10P_NAMES)
    chrom_col = find_column(header, CHROM_NAMES)
    test_col = find_column(header, ("test",))
    if pos_col is None:
        raise PlotError(f"{path}: no position column (looked for {', '.join(POS_NAMES)})")
    if p_col is None and log_col is None:
        raise PlotError(f"{path}: no p-value column (looked for {', '.join(SNP_P_NAMES + SNP_LOG10P_NAMES)})")
    snps, left_out = [], 0
    for fields in rows:
        def field(col):
            return fields[col].strip() if col is not None and col < len(fields) else ""

        if chrom_col is not None and chrom_name(field(chrom_col)) != chrom:
            continue
        if test_col is not None and field(test_col).upper() != "ADD":
            continue  # PLINK: one row per test; the additive one counts
        try:
            position = int(field(pos_col))
        except ValueError:
            left_out += 1
            continue
        if p_col is not None:
            p = parse_p(field(p_col))
            y = None if p is None else (-math.log10(p) if p > 0 else math.inf)
        else:
            try:
                y = float(field(log_col))
            except ValueError:
                y = None
            if y is not None and (math.isnan(y) or y < 0):
                y = None
        if y is None:
            left_out += 1
            continue
        snps.append((position, y))
    if left_out:
        print(f"{PROG}: {path}: left out {left_out} SNPs without a position or p-value", file=sys.stderr)
    return snps


def read_genes(path, chrom):
    """(start, end, name) of the genes of a gene list on chromosome chrom."""
    header, rows = read_table(path)
    chrom_col = find_column(header, CHROM_NAMES)
    start_col = find_column(header, START_NAMES)
    end_col = find_column(header, END_NAMES)
    name_col = find_column(header, NAME_NAMES)
    if None in (chrom_col, start_col, end_col, name_col):
        # The suite's gene list layout: chromosome, id, start, end, name.
        chrom_col, start_col, end_col, name_col = 0, 2, 3, 4
    genes = []
    for fields in rows:
        if len(fields) <= max(chrom_col, start_col, end_col, name_col):
            continue
        if chrom_name(fields[chrom_col]) != chrom:
            continue
        try:
            genes.append((int(fields[start_col]), int(fields[end_col]), fields[name_col].strip()))
        except ValueError:
            continue
    return genes


def stack_rows(items, min_gap):
    """Puts (start, end, ...) items on the lowest row where they do not touch an earlier one."""
    row_ends, placed = [], []
    for item in sorted(items):
        for row, end in enumerate(row_ends):
            if item[0] > end + min_gap:
                row_ends[row] = item[1]
                break
        else:
            row = len(row_ends)
            row_ends.append(item[1])
        placed.append((row, item))
    return placed, max(len(row_ends), 1)


def region(args):
    chrom = chrom_name(args.chr)
    lo, hi = args.from_bp, args.to_bp
    if hi <= lo:
        raise PlotError(f"--to ({hi}) must lie after --from ({lo})")
    snps = [(pos, y) for pos, y in read_snps(args.snps, chrom) if lo <= pos < hi]
    tables = []  # (name, number of regions in the table, those over the stretch)
    for path in args.results or []:
        every = read_regions(path, need_positions=True, default_chrom=chrom)
        kind = "genes" if any(r.name for r in every) else "windows"
        if any(name == kind for name, _, _ in tables):
            kind = os.path.basename(path)
        tables.append((kind, len(every), [r for r in every if r.chrom == chrom and r.start < hi and r.end > lo]))
    genes = [g for g in read_genes(args.genes, chrom) if g[0] < hi and g[1] > lo] if args.genes else []
    if not snps and not any(own for _, _, own in tables):
        raise PlotError(f"nothing to draw on chromosome {chrom} from {lo} to {hi}: no SNP and no region result")

    finite = [y for _, y in snps if math.isfinite(y)]
    cap = max(finite + [1.0]) * 1.1
    placed, nrows = stack_rows(genes, (hi - lo) * 0.08)
    fig, (ax, track) = new_figure(args, nrows=2, sharex=True, height_ratios=[3, 0.6 + 0.35 * nrows])
    if snps:
        ax.scatter([pos / 1e6 for pos, _ in snps], [min(y, cap) for _, y in snps], s=args.point_size,
                   color="#7f8c8d", linewidths=0, label="SNP $p$", zorder=2)
    for index, (name, count, own) in enumerate(tables):
        colour = SEGMENT_COLOURS[index % len(SEGMENT_COLOURS)]
        for number, r in enumerate(own):
            ax.hlines(-math.log10(max(r.p, 1e-300)), max(r.start, lo) / 1e6, min(r.end, hi) / 1e6,
                      colors=colour, linewidth=2.5, label=f"{name}: regional $p$" if number == 0 else None,
                      zorder=3)
        ax.axhline(-math.log10(0.05 / count), color=colour, linestyle="--", linewidth=0.8, zorder=1,
                   label=f"{name}: Bonferroni 0.05/{count}")
    ax.set_ylim(bottom=0)
    ax.set_ylabel(r"$-\log_{10}$ $p$")
    ax.set_title(args.title or f"Chromosome {chrom}: {lo:,} - {hi:,}")
    ax.legend(loc="best", frameon=False, fontsize=args.font_size * 0.8)
    ax.spines[["top", "right"]].set_visible(False)

    for row, (start, end, name) in placed:
        y = -row
        track.hlines(y, max(start, lo) / 1e6, min(end, hi) / 1e6, colors=COLOURS[0], linewidth=5)
        track.text((max(start, lo) + min(end, hi)) / 2e6, y - 0.3, name, ha="center", va="top",
                   fontsize=args.font_size * 0.75)
    track.set_ylim(-nrows + 0.1, 0.6)
    track.set_yticks([])
    track.set_xlim(lo / 1e6, hi / 1e6)
    track.set_xlabel(f"Position on chromosome {chrom} (Mb)")
    for side in ("top", "right", "left"):
        track.spines[side].set_visible(False)
    if not genes:
        track.text(0.5, 0.5, "no gene in this stretch", transform=track.transAxes, ha="center", va="center")
    save(fig, args, [args.snps, args.genes] + (args.results or []))


# ---------------------------------------------------------------- command line

def positive_float(text):
    value = float(text)
    if not value > 0:
        raise argparse.ArgumentTypeError(f"must be above 0: {text}")
    return value


def main(argv=None):
    parser = argparse.ArgumentParser(prog=PROG, description=__doc__.split("\n\n")[0])
    sub = parser.add_subparsers(dest="command", required=True)

    def common(p, width, height):
        p.add_argument("--out", required=True, help="picture file (.png, .svg or .pdf)")
        p.add_argument("--format", choices=FORMATS, help="picture format (default: from --out)")
        p.add_argument("--width", type=positive_float, default=width, help=f"inches (default {width})")
        p.add_argument("--height", type=positive_float, default=height, help=f"inches (default {height})")
        p.add_argument("--dpi", type=positive_float, default=150, help="dots per inch (default 150)")
        p.add_argument("--font-size", type=positive_float, default=10, help="points (default 10)")
        p.add_argument("--point-size", type=positive_float, default=12, help="marker area (default 12)")
        p.add_argument("--title", help="title (default: the table's name)")

    p = sub.add_parser("manhattan", help="regional p-values over the genome")
    p.add_argument("table")
    p.add_argument("--top", type=int, default=5, help="label this many top regions (default 5)")
    p.add_argument("--chr", help="chromosome of a table without a chromosome column (kesto_matrix)")
    common(p, 8, 3.6)
    p.set_defaults(run=manhattan)

    p = sub.add_parser("qq", help="QQ plot with the inflation factor")
    p.add_argument("table")
    common(p, 4.5, 4.5)
    p.set_defaults(run=qq)

    p = sub.add_parser("region", help="one stretch of a chromosome")
    p.add_argument("--chr", required=True)
    p.add_argument("--from", dest="from_bp", type=int, required=True)
    p.add_argument("--to", dest="to_bp", type=int, required=True)
    p.add_argument("--snps", required=True, help="legend file or summary statistics")
    p.add_argument("--results", action="append", help="gene or window results (may be repeated)")
    p.add_argument("--genes", help="gene list")
    common(p, 7, 4.5)
    p.set_defaults(run=region)

    args = parser.parse_args(argv)
    try:
        output_format(args)  # before any reading or drawing
        args.run(args)
    except PlotError as err:
        print(f"{PROG}: {err}", file=sys.stderr)
        return 1
    except ImportError as err:
        print(f"{PROG}: {err.name} is missing: install python3-matplotlib and python3-scipy "
              f"(scripts/setup.sh does), or run this program with a Python that has them", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
