"""The workflow on the bundled example data, against one run of the program.

    workflow_test.py KESTO

KESTO is build/bin/kesto (CTest entry workflow_kesto; skipped, exit 77, while
`kesto gene --help` fails) or the stand-in tests/workflow/kesto_standin.py
(entry workflow_standin). Checks, with --cores 2 into a temporary folder:
a failed chromosome leaves the finished ones in place and a rerun computes
only what is missing; the merged tables equal one run over everything, byte
for byte; removing one chromosome's output plans only that job and what
follows from it; the genome-wide pictures are drawn; the SLURM profile loads.
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile

SKIP = 77
SOURCE = os.path.abspath(os.environ.get("KESTO_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..")))
BIN = os.path.abspath(os.environ.get("KESTO_BIN_DIR", os.path.join(SOURCE, "build", "bin")))
EXAMPLES = os.path.join(SOURCE, "examples") + "/"
SNAKEFILE = os.path.join(SOURCE, "workflow", "Snakefile")
TABLES = {"gene": "genes", "window": "windows", "pathway": "pathways"}

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL: " + message, file=sys.stderr)
    return condition


def snakemake(tmp, *args, env=None):
    command = ["snakemake", "-s", SNAKEFILE, "--configfile", os.path.join(tmp, "config.yaml"),
               "--directory", tmp, *args]
    result = subprocess.run(command, capture_output=True, text=True, env={**os.environ, **(env or {})})
    with open(os.path.join(tmp, "snakemake.out"), "a") as log:
        log.write(f"$ {' '.join(command)}\n{result.stdout}{result.stderr}\n")
    return result


def mtimes(paths):
    return {p: os.stat(p).st_mtime_ns for p in paths}


def pending(tmp):
    """Files --summary plans to make again, relative to the output folder."""
    out = snakemake(tmp, "--summary")
    rows = [line.split("\t") for line in out.stdout.splitlines()[1:] if "\t" in line]
    base = os.path.join(tmp, "results") + "/"
    return sorted(r[0].replace(base, "").replace("results/", "", 1) for r in rows if r[-1] == "update pending")


def read(path):
    with open(path, "rb") as f:
        return f.read()


def main():
    kesto = os.path.abspath(sys.argv[1])
    probe = subprocess.run([kesto, "gene", "--help"], capture_output=True) if os.access(kesto, os.X_OK) else None
    if probe is None or probe.returncode != 0:
        print(f"SKIP: {kesto} has no `gene` subcommand yet (`kesto gene --help` fails); "
              "the workflow test runs once it has", file=sys.stderr)
        return SKIP
    if shutil.which("snakemake") is None:
        print("FAIL: snakemake is not installed (scripts/setup.sh installs it)", file=sys.stderr)
        return 1

    tmp = tempfile.mkdtemp(prefix="kesto_workflow_test_")
    # The program behind a wrapper that fails on the chromosome named in KESTO_FAIL_CHR.
    wrapper = os.path.join(tmp, "kesto")
    with open(wrapper, "w") as f:
        f.write('#!/bin/sh\nprev=\nfor a in "$@"; do\n'
                '  if [ -n "$KESTO_FAIL_CHR" ] && [ "$prev" = "--chr" ] && [ "$a" = "$KESTO_FAIL_CHR" ]; then\n'
                '    echo "injected failure on chromosome $a" >&2; exit 1\n  fi\n  prev=$a\ndone\n'
                f'exec "{kesto}" "$@"\n')
    os.chmod(wrapper, 0o755)
    config = {  # JSON is YAML
        "kesto": wrapper, "kesto_plot": os.path.join(BIN, "kesto-plot"), "out": "results",
        "reference": {"legend_prefix": EXAMPLES, "genotype_prefix": EXAMPLES, "bfile": "", "vcf": ""},
        "sumstats": "", "genes": EXAMPLES + "genelist.txt", "gene_sets": EXAMPLES + "pathways.txt",
        "analyses": ["gene", "pathway", "window"],
        "settings": {"alpha": 0.05, "share": 0.8, "maf": "", "extra": ""},
        "gene": {"flank": 20000, "chunk_size": 20},  # 25 genes per chromosome: two jobs each
        "pathway": {"chunks": 2},
        "window": {"width": 100000, "step": 50000},
        "resources": {a: {"threads": 1, "mem_mb": 500, "runtime": 10} for a in TABLES},
    }
    with open(os.path.join(tmp, "config.yaml"), "w") as f:
        json.dump(config, f, indent=1)
    res = os.path.join(tmp, "results")
    chr1 = [f"{res}/jobs/gene/1.1.genes.tsv", f"{res}/jobs/gene/1.2.genes.tsv", f"{res}/jobs/window/1.windows.tsv"]
    chr2 = [f"{res}/jobs/gene/2.1.genes.tsv", f"{res}/jobs/gene/2.2.genes.tsv", f"{res}/jobs/window/2.windows.tsv"]

    # 1. Chromosome 2 fails: chromosome 1 and the pathways finish, nothing is merged for genes.
    first = snakemake(tmp, "--cores", "2", "--keep-going", env={"KESTO_FAIL_CHR": "2"})
    check(first.returncode != 0, "a failing chromosome job fails the run")
    check(all(os.path.exists(p) for p in chr1), "chromosome 1's jobs finish although chromosome 2 fails")
    check(not any(os.path.exists(p) for p in chr2), "no output is left by the failed jobs")
    check(not os.path.exists(f"{res}/kesto.genes.tsv"), "no merged gene table after a failed chromosome")
    if failures:
        print(f"see {tmp}/snakemake.out", file=sys.stderr)
        return 1
    before = mtimes(chr1 + [f"{res}/jobs/pathway/1.pathways.tsv"])

    # 2. The rerun computes chromosome 2 only.
    check(sorted(p for p in pending(tmp) if p.startswith("jobs/")) ==
          ["jobs/gene/2.1.genes.tsv", "jobs/gene/2.1.log", "jobs/gene/2.2.genes.tsv", "jobs/gene/2.2.log",
           "jobs/window/2.log", "jobs/window/2.windows.tsv"], "the rerun plans chromosome 2's jobs only")
    second = snakemake(tmp, "--cores", "2")
    check(second.returncode == 0, "the rerun succeeds")
    check(mtimes(before) == before, "finished jobs are not run again")

    # 3. Merged tables against one run over everything.
    single = os.path.join(tmp, "single")
    settings = ["--legend-prefix", EXAMPLES, "--genotype-prefix", EXAMPLES, "--alpha", "0.05", "--share", "0.8",
                "--threads", "1", "--out", single]
    runs = {"gene": ["--genes", EXAMPLES + "genelist.txt", "--flank", "20000"],
            "window": ["--width", "100000", "--step", "50000"],
            "pathway": ["--genes", EXAMPLES + "genelist.txt", "--gene-sets", EXAMPLES + "pathways.txt",
                        "--flank", "20000"]}
    for analysis, args in runs.items():
        run = subprocess.run([kesto, analysis, *settings, *args], capture_output=True, text=True)
        if check(run.returncode in (0, 3), f"single `kesto {analysis}` run: {run.stderr.strip()[-300:]}"):
            merged, alone = f"{res}/kesto.{TABLES[analysis]}.tsv", f"{single}.{TABLES[analysis]}.tsv"
            check(os.path.exists(merged) and read(merged) == read(alone),
                  f"{merged} differs from the single run's {alone}")
        check(os.path.getsize(f"{res}/kesto.{analysis}.log") > 0, f"merged {analysis} log written")
    for picture in ("genes.manhattan", "genes.qq", "windows.manhattan", "windows.qq", "pathways.qq"):
        path = f"{res}/plots/{picture}.png"
        check(os.path.exists(path) and read(path)[:8] == b"\x89PNG\r\n\x1a\n", f"{path} is a PNG")

    # 4. One chromosome's window output removed (with the merge it fed): only that job is planned again.
    os.remove(f"{res}/jobs/window/1.windows.tsv")
    os.remove(f"{res}/kesto.windows.tsv")
    planned = pending(tmp)
    check(planned == sorted(["kesto.window.log", "kesto.windows.tsv", "jobs/window/1.log", "jobs/window/1.windows.tsv",
                             "plots/windows.manhattan.png", "plots/windows.qq.png"]),
          f"removing chromosome 1's windows plans that job and its merge only, not {planned}")
    keep = mtimes([f"{res}/jobs/window/2.windows.tsv"] + chr1[:2] + chr2[:2])
    third = snakemake(tmp, "--cores", "2")
    check(third.returncode == 0 and mtimes(keep) == keep, "the rerun leaves the other chromosomes alone")
    check(read(f"{res}/kesto.windows.tsv") == read(f"{single}.windows.tsv"), "window table whole again")

    # 5. The SLURM profile: the window jobs again through an `sbatch` that runs the job script
    # at once and notes its options; each job asks for its analysis' threads, memory and time.
    fake_bin = os.path.join(tmp, "bin")
    os.makedirs(fake_bin)
    with open(os.path.join(fake_bin, "sbatch"), "w") as f:
        f.write('#!/bin/sh\necho "$@" >> "$SBATCH_NOTES"\nfor last in "$@"; do :; done\n'
                '/bin/sh "$last" > /dev/null 2>&1 &\necho $$\n')
    os.chmod(os.path.join(fake_bin, "sbatch"), 0o755)
    notes = os.path.join(tmp, "sbatch.txt")
    cluster = snakemake(tmp, "--profile", os.path.join(SOURCE, "workflow", "profiles", "slurm"),
                        "--forcerun", "window", "--latency-wait", "5", "results/kesto.windows.tsv",
                        env={"PATH": fake_bin + os.pathsep + os.environ["PATH"], "SBATCH_NOTES": notes})
    submitted = open(notes).read().splitlines() if os.path.exists(notes) else []
    window_jobs = [line for line in submitted if "--job-name=kesto-window" in line]
    check(cluster.returncode == 0 and len(window_jobs) == 2, "window jobs submitted through the SLURM profile")
    check(all("--cpus-per-task=1 --mem=500M --time=10" in line for line in window_jobs),
          "SLURM jobs ask for the configured threads, memory and time")
    check(read(f"{res}/kesto.windows.tsv") == read(f"{single}.windows.tsv"), "window table the same through SLURM")

    if failures:
        print(f"{len(failures)} checks failed; snakemake's output: {tmp}/snakemake.out", file=sys.stderr)
        return 1
    shutil.rmtree(tmp, ignore_errors=True)
    print("workflow: all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
