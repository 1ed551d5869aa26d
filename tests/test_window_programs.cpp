// kesto_gen_v2 and kesto_matrix run as programs. kesto_gen_v2 runs the
// converters beside its own executable, so each test puts a copy of it and
// small stand-in scripts named morrow and transpose in its folder, which copy
// prepared files into place (or fail on purpose) and record the arguments
// they were given.

#include "test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using kesto_test::bin_path;
using kesto_test::file_exists;
using kesto_test::read_file;
using kesto_test::run_program;
using kesto_test::RunResult;
using kesto_test::TempDir;
using kesto_test::write_file;

const char* const kHeader = "reg_start\treg_end\tnsnp\tnhit\tregp\n";

struct Snp {
    std::string id;
    std::int32_t position;
    std::string pvalue;
    std::vector<int> codes;
};

std::string join_codes(const std::vector<int>& codes)
{
    std::string text;
    for (const int c : codes)
        text += "\t" + std::to_string(c);
    return text;
}

std::string sample_names(std::size_t samples)
{
    std::string text;
    for (std::size_t i = 1; i <= samples; ++i)
        text += "\tind" + std::to_string(i);
    return text;
}

std::string replace_all(std::string text, const std::string& from, const std::string& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

std::string drop_final_newline(std::string text)
{
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

// Inputs of kesto_matrix: SNP table and genotype file with two labels.
std::string legend_text(const std::vector<Snp>& snps)
{
    std::string text = "id\tposition\tpvalue\n";
    for (const auto& s : snps)
        text += s.id + "\t" + std::to_string(s.position) + "\t" + s.pvalue + "\n";
    return text;
}

std::string genotype_text(const std::vector<Snp>& snps)
{
    std::string text = "id\tposition" + sample_names(snps.front().codes.size()) + "\n";
    for (const auto& s : snps)
        text += s.id + "\t" + std::to_string(s.position) + join_codes(s.codes) + "\n";
    return text;
}

// Inputs of kesto_gen_v2: what the converters leave, and the association file.
std::string marker_text(const std::vector<Snp>& snps)
{
    std::string text = "chromosome\tsnp\tposition\tallele0\tallele1\n";
    for (const auto& s : snps)
        text += "1\t" + s.id + "\t" + std::to_string(s.position) + "\tA\tG\n";
    return text;
}

std::string transposed_text(const std::vector<Snp>& snps)
{
    std::string text = "snp" + sample_names(snps.front().codes.size()) + "\n";
    for (const auto& s : snps)
        text += s.id + join_codes(s.codes) + "\n";
    return text;
}

std::string association_text(const std::vector<Snp>& snps)
{
    std::string text = "snp_id\tposition\tpvalue\n";
    for (const auto& s : snps)
        text += s.id + "\t" + std::to_string(s.position) + "\t" + s.pvalue + "\n";
    return text;
}

void write_script(const std::string& path, const std::string& body)
{
    write_file(path, "#!/bin/sh\n" + body);
    chmod(path.c_str(), 0755);
}

// Stand-in converters: morrow copies prepared.mk to BASE.mk and prepared.tg
// to BASE.gt and prints a summary; transpose copies BASE.gt to BASE.tg.
const char* const kMorrow =
    "printf '%s\\n' \"$@\" > morrow.args\n"
    "echo 'morrow: 10 individuals, 5 SNPs, missing rate 0'\n"
    "cp prepared.mk \"$2.mk\" && cp prepared.tg \"$2.gt\"\n";
const char* const kTranspose =
    "printf '%s\\n' \"$@\" > transpose.args\n"
    "cp \"$1\" \"${1%.gt}.tg\"\n";

void install_converters(const TempDir& dir, const std::string& morrow = kMorrow,
                        const std::string& transpose = kTranspose)
{
    write_script(dir.file("morrow"), morrow);
    write_script(dir.file("transpose"), transpose);
}

// Runs a copy of kesto_gen_v2 placed in the test's folder, so that the
// converters beside it are the stand-ins (or the links) put there.
RunResult run_gen(const TempDir& dir, const std::vector<std::string>& args)
{
    const std::string copy = dir.file("kesto_gen_v2");
    if (!file_exists(copy))
        std::filesystem::copy_file(bin_path("kesto_gen_v2"), copy);
    return kesto_test::run_command(copy, args, dir.path());
}

void prepare_gen_inputs(const TempDir& dir, const std::vector<Snp>& snps)
{
    write_file(dir.file("prepared.mk"), marker_text(snps));
    write_file(dir.file("prepared.tg"), transposed_text(snps));
    write_file(dir.file("assoc.txt"), association_text(snps));
}

void prepare_matrix_inputs(const TempDir& dir, const std::vector<Snp>& snps)
{
    write_file(dir.file("table.txt"), legend_text(snps));
    write_file(dir.file("geno.txt"), genotype_text(snps));
}

std::vector<std::string> window_values(const std::vector<std::string>& bounds = {"100", "100", "-1", "-1"},
                                       const std::string& alpha = "0.05", const std::string& share = "0.8")
{
    return {"-a", alpha, "-v", share, "-w", bounds[0], "-t", bounds[1], "-S", bounds[2], "-E", bounds[3]};
}

std::vector<std::string> gen_args(const std::string& base, const std::vector<std::string>& values = window_values(),
                                  const std::string& log = "r.log")
{
    std::vector<std::string> args = {"-b", base, "-s", "assoc.txt", "-o", "r.out", "-l", log};
    args.insert(args.end(), values.begin(), values.end());
    return args;
}

std::vector<std::string> matrix_args(const std::vector<std::string>& values = window_values())
{
    std::vector<std::string> args = {"-s", "table.txt", "-g", "geno.txt", "-o", "r.out", "-l", "r.log"};
    args.insert(args.end(), values.begin(), values.end());
    return args;
}

// A worked set: SNPs 0 and 1 have the same codes (r2 = 1), SNP 2 is
// monomorphic and so has no LD with SNP 3, SNP 4 lies beyond the last window.
std::vector<Snp> worked_snps()
{
    const std::vector<int> a = {0, 1, 2, 1, 0, 1, 2, 0, 1, 1};
    return {{"rs1", 100, "0.01", a},
            {"rs2", 150, "0.5", a},
            {"rs3", 300, "0.7", std::vector<int>(10, 0)},
            {"rs4", 320, "0.001", a},
            {"rs5", 520, "0.3", {2, 1, 0, 0, 1, 2, 1, 0, 0, 1}}};
}

// With width 100, step 100 and the bounds of the first and last SNP
// (100 to 520): windows 100-200, 200-300, 300-400 and 400-500.
const char* const kWorkedResults =
    "reg_start\treg_end\tnsnp\tnhit\tregp\n"
    "100\t200\t1\t0.5\t0.525\n"
    "200\t300\t0\t0\t-1\n"
    "300\t400\t2\t1\t0.0975\n"
    "400\t500\t0\t0\t-1\n";
const char* const kWorkedLog = "in window 0\nin window 1\nin window 2\nin window 3\n";

// Deterministic genotypes with LD from four founder haplotypes, positions
// rising by 5 to 60 base pairs, and p-values of which about a third are hits.
std::vector<Snp> random_snps(int count, int samples, std::uint32_t seed)
{
    std::uint32_t state = seed;
    const auto next = [&state]() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    std::vector<std::vector<int>> founders(4, std::vector<int>(static_cast<std::size_t>(count)));
    for (auto& f : founders)
        for (auto& allele : f)
            allele = next() % 3 == 0 ? 1 : 0;
    std::vector<std::pair<int, int>> parents;
    for (int i = 0; i < samples; ++i)
        parents.emplace_back(next() % 4, next() % 4);
    std::vector<Snp> snps;
    std::int32_t position = 1000;
    for (int s = 0; s < count; ++s) {
        Snp snp;
        snp.id = "rs" + std::to_string(s + 1);
        position += 5 + static_cast<std::int32_t>(next() % 56);
        snp.position = position;
        const double p = static_cast<double>(next() % 100000) / 100000.0;
        snp.pvalue = std::to_string(next() % 3 == 0 ? p * 0.05 : p);
        for (const auto& [x, y] : parents) {
            int code = founders[static_cast<std::size_t>(x)][static_cast<std::size_t>(s)] +
                       founders[static_cast<std::size_t>(y)][static_cast<std::size_t>(s)];
            if (next() % 50 == 0)
                code = -1;
            snp.codes.push_back(code);
        }
        snps.push_back(snp);
    }
    return snps;
}

// Largest "nsnp" of a result file.
int max_components(const std::string& results)
{
    int most = 0;
    std::size_t line = results.find('\n');
    while (line != std::string::npos && line + 1 < results.size()) {
        std::size_t field = line + 1;
        for (int tab = 0; tab < 2; ++tab)
            field = results.find('\t', field) + 1;
        most = std::max(most, std::atoi(results.c_str() + field));
        line = results.find('\n', line + 1);
    }
    return most;
}

using kesto_test::log_is;

// ------------------------------------------------------------ kesto_matrix

TEST(KestoMatrix, StandardOutputOfThreeSnps)
{
    TempDir dir;
    std::vector<Snp> snps = worked_snps();
    snps.resize(3);
    prepare_matrix_inputs(dir, snps);
    const RunResult run = run_program("kesto_matrix", matrix_args(), dir.path());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "3\nnumber of sample and genoposition 10 3\n0\n1\n2\n10 3\n");
    EXPECT_EQ(run.err, "");
}

TEST(KestoMatrix, WholeOutputFiles)
{
    TempDir dir;
    prepare_matrix_inputs(dir, worked_snps());
    const RunResult run = run_program("kesto_matrix", matrix_args(), dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(read_file(dir.file("r.out")), kWorkedResults);
    EXPECT_TRUE(log_is(read_file(dir.file("r.log")), kWorkedLog)) << read_file(dir.file("r.log"));

    // Explicit bounds: 0-100, 60-160 and 120-220 over 0 to 250.
    const RunResult explicit_run =
        run_program("kesto_matrix", matrix_args(window_values({"100", "60", "0", "250"})), dir.path());
    ASSERT_EQ(explicit_run.status, 0) << explicit_run.err;
    EXPECT_EQ(read_file(dir.file("r.out")), std::string(kHeader) +
                                                "0\t100\t0\t0\t-1\n"
                                                "60\t160\t1\t0.5\t0.525\n"
                                                "120\t220\t1\t0\t1\n");

    // Space-separated inputs read alike; a start of -2 is a position.
    write_file(dir.file("table.txt"), replace_all(legend_text(worked_snps()), "\t", " "));
    write_file(dir.file("geno.txt"), replace_all(genotype_text(worked_snps()), "\t", " "));
    const RunResult spaced = run_program("kesto_matrix", matrix_args(window_values({"102", "102", "-2", "-1"})),
                                         dir.path());
    ASSERT_EQ(spaced.status, 0) << spaced.err;
    EXPECT_EQ(read_file(dir.file("r.out")), std::string(kHeader) +
                                                "-2\t100\t0\t0\t-1\n"
                                                "100\t202\t1\t0.5\t0.525\n"
                                                "202\t304\t1\t0\t1\n"
                                                "304\t406\t1\t1\t0.05\n"
                                                "406\t508\t0\t0\t-1\n");
}

// ------------------------------------------------------------ kesto_gen_v2

TEST(KestoGenV2, WholeOutputFilesAndLog)
{
    TempDir dir;
    install_converters(dir);
    prepare_gen_inputs(dir, worked_snps());
    write_file(dir.file("r.log"), "left from an earlier run\n");
    write_file(dir.file("r.out"), "left from an earlier run\n");
    const RunResult run = run_gen(dir, gen_args("set"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(read_file(dir.file("r.out")), kWorkedResults);
    // The converter's summary stays at the top; the scan's lines follow.
    EXPECT_TRUE(log_is(read_file(dir.file("r.log")),
                       std::string("morrow: 10 individuals, 5 SNPs, missing rate 0\n") + kWorkedLog))
        << read_file(dir.file("r.log"));
    EXPECT_EQ(read_file(dir.file("morrow.args")), "-o\nset\nset\n");
    EXPECT_EQ(read_file(dir.file("transpose.args")), "set.gt\n");
}

TEST(KestoGenV2, BothProgramsWriteTheSameRows)
{
    TempDir dir;
    install_converters(dir);
    const std::vector<Snp> snps = random_snps(40, 30, 2024);
    prepare_gen_inputs(dir, snps);
    prepare_matrix_inputs(dir, snps);
    int windows_with_several = 0;
    for (const auto& values : {window_values({"300", "120", "-1", "-1"}, "0.05", "0.8"),
                               window_values({"200", "50", "900", "2100"}, "0.2", "0.95"),
                               window_values({"2000", "1000", "-1", "-1"}, "0.01", "0.5")}) {
        const RunResult gen = run_gen(dir, gen_args("set", values));
        ASSERT_EQ(gen.status, 0) << gen.err;
        const std::string gen_rows = read_file(dir.file("r.out"));
        const RunResult matrix = run_program("kesto_matrix", matrix_args(values), dir.path());
        ASSERT_EQ(matrix.status, 0) << matrix.err;
        EXPECT_EQ(read_file(dir.file("r.out")), gen_rows);
        std::size_t lines = 0;
        for (const char c : gen_rows)
            lines += c == '\n';
        EXPECT_GT(lines, 1u);
        windows_with_several += max_components(gen_rows) > 1;
    }
    EXPECT_GT(windows_with_several, 0);

    // The option words are never read.
    std::vector<std::string> args = gen_args("set", window_values({"300", "120", "-1", "-1"}));
    for (std::size_t i = 0; i < args.size(); i += 2)
        args[i] = "word" + std::to_string(i);
    ASSERT_EQ(run_gen(dir, args).status, 0);
    const std::string reworded = read_file(dir.file("r.out"));
    ASSERT_EQ(run_gen(dir, gen_args("set", window_values({"300", "120", "-1", "-1"}))).status,
              0);
    EXPECT_EQ(read_file(dir.file("r.out")), reworded);
}

TEST(KestoGenV2, BaseNameIsQuotedForTheShell)
{
    TempDir dir;
    install_converters(dir);
    prepare_gen_inputs(dir, worked_snps());
    const std::string base = "my set's $(touch injected1) `touch injected2`;touch injected3 && touch injected4 \"x\"";
    const std::string log = "my log's $(touch injected5).txt";
    const RunResult run = run_gen(dir, gen_args(base, window_values(), log));
    ASSERT_EQ(run.status, 0) << run.err;
    for (int i = 1; i <= 5; ++i)
        EXPECT_FALSE(file_exists(dir.file("injected" + std::to_string(i)))) << i;
    EXPECT_EQ(read_file(dir.file("morrow.args")), "-o\n" + base + "\n" + base + "\n");
    EXPECT_EQ(read_file(dir.file("transpose.args")), base + ".gt\n");
    EXPECT_TRUE(file_exists(dir.file(base + ".mk")));
    EXPECT_TRUE(file_exists(dir.file(base + ".tg")));
    EXPECT_EQ(read_file(dir.file("r.out")), kWorkedResults);
    EXPECT_TRUE(log_is(read_file(dir.file(log)), std::string("morrow: 10 individuals, 5 SNPs, missing rate 0\n") +
                                                     kWorkedLog));
}

TEST(KestoGenV2, ConverterFailuresEndTheRunWithoutReadingOldFiles)
{
    const std::string stale_tg = transposed_text(worked_snps());
    struct Case {
        const char* name;
        std::string morrow;
        std::string transpose;
        const char* command;
        const char* status;
        bool removes;
    };
    const std::vector<Case> cases = {
        {"morrow fails", "printf '%s\\n' \"$@\" > morrow.args\necho 'bad input' >&2\nexit 3\n", kTranspose,
         "/morrow' '-o' 'set' 'set' failed", "exit status 3", true},
        {"transpose fails", kMorrow, "rm -f set.gt\nexit 4\n", "/transpose' 'set.gt' failed", "exit status 4", true},
        {"transpose missing", kMorrow, "", "cannot find the converter transpose", "/transpose)", false},
        {"morrow missing", "", kTranspose, "cannot find the converter morrow", "(./morrow)", false},
        {"morrow killed", "kill -9 $$\n", kTranspose, "/morrow' '-o' 'set' 'set' failed", "killed by signal 9", true},
    };
    for (const auto& c : cases) {
        TempDir dir;
        install_converters(dir, c.morrow, c.transpose);
        if (c.morrow.empty())
            unlink(dir.file("morrow").c_str());
        if (c.transpose.empty())
            unlink(dir.file("transpose").c_str());
        prepare_gen_inputs(dir, worked_snps());
        // Files of an earlier run that would make a complete, wrong input.
        write_file(dir.file("set.mk"), marker_text(worked_snps()));
        write_file(dir.file("set.gt"), stale_tg);
        write_file(dir.file("set.tg"), stale_tg);
        const RunResult run = run_gen(dir, gen_args("set"));
        EXPECT_EQ(run.status, 1) << c.name;
        EXPECT_NE(run.err.find(c.command), std::string::npos) << c.name << ": " << run.err;
        EXPECT_NE(run.err.find(c.status), std::string::npos) << c.name << ": " << run.err;
        // Old files are removed once a conversion starts; a converter that
        // cannot be found stops the run before anything is touched.
        EXPECT_EQ(file_exists(dir.file("set.tg")), !c.removes) << c.name;
        EXPECT_EQ(read_file(dir.file("r.out")), "") << c.name;
    }

    // A converter that ends well but leaves nothing: the old files are gone.
    TempDir dir;
    install_converters(dir, "exit 0\n", "exit 0\n");
    prepare_gen_inputs(dir, worked_snps());
    write_file(dir.file("set.mk"), marker_text(worked_snps()));
    write_file(dir.file("set.tg"), stale_tg);
    RunResult run = run_gen(dir, gen_args("set"));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Input file not found\n");

    // Only the genotype file is left out.
    install_converters(dir, kMorrow, "exit 0\n");
    write_file(dir.file("set.tg"), stale_tg);
    run = run_gen(dir, gen_args("set"));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "File genotype not found\n");
    EXPECT_EQ(read_file(dir.file("r.out")), "");
}

// ------------------------------------------------------------ both programs

TEST(WindowPrograms, MissingInputsEndWithStatusOne)
{
    TempDir dir;
    install_converters(dir);
    prepare_gen_inputs(dir, worked_snps());
    prepare_matrix_inputs(dir, worked_snps());

    std::vector<std::string> args = gen_args("set");
    args[3] = "no_assoc.txt";
    RunResult run = run_gen(dir, args);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "File snptest not found\n");
    EXPECT_EQ(read_file(dir.file("r.out")), "");
    EXPECT_EQ(read_file(dir.file("r.log")), "morrow: 10 individuals, 5 SNPs, missing rate 0\n");

    args = matrix_args();
    args[1] = "no_table.txt";
    run = run_program("kesto_matrix", args, dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Input file not found\n");
    EXPECT_TRUE(file_exists(dir.file("r.out")));
    EXPECT_EQ(read_file(dir.file("r.out")), "");
    EXPECT_EQ(read_file(dir.file("r.log")), "");

    args = matrix_args();
    args[3] = "no_geno.txt";
    run = run_program("kesto_matrix", args, dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "5\nFile genotype not found\n");
    EXPECT_EQ(read_file(dir.file("r.out")), "");
}

TEST(WindowPrograms, OutputsThatCannotBeCreatedStopEverything)
{
    TempDir dir;
    install_converters(dir);
    prepare_gen_inputs(dir, worked_snps());
    prepare_matrix_inputs(dir, worked_snps());
    for (const int slot : {5, 7}) {
        std::vector<std::string> args = gen_args("set");
        args[static_cast<std::size_t>(slot)] = "no_folder/out.txt";
        RunResult run = run_gen(dir, args);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find("cannot create 'no_folder/out.txt'"), std::string::npos) << run.err;
        EXPECT_FALSE(file_exists(dir.file("morrow.args")));

        args = matrix_args();
        args[static_cast<std::size_t>(slot)] = "no_folder/out.txt";
        run = run_program("kesto_matrix", args, dir.path());
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("cannot create 'no_folder/out.txt'"), std::string::npos) << run.err;
    }
}

TEST(WindowPrograms, LastLineWithoutNewlineIsRead)
{
    TempDir dir;
    install_converters(dir);
    const std::vector<Snp> snps = worked_snps();
    write_file(dir.file("prepared.mk"), drop_final_newline(marker_text(snps)));
    write_file(dir.file("prepared.tg"), drop_final_newline(transposed_text(snps)));
    write_file(dir.file("assoc.txt"), drop_final_newline(association_text(snps)));
    write_file(dir.file("table.txt"), drop_final_newline(legend_text(snps)));
    write_file(dir.file("geno.txt"), drop_final_newline(genotype_text(snps)));
    // The last SNP (520) sets the region end: windows up to 400-500.
    RunResult run = run_gen(dir, gen_args("set"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(read_file(dir.file("r.out")), kWorkedResults);
    run = run_program("kesto_matrix", matrix_args(), dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(read_file(dir.file("r.out")), kWorkedResults);
    EXPECT_NE(run.out.find("\n4\n10 5\n"), std::string::npos);
}

TEST(WindowPrograms, NonNumericPValuesAreNoHits)
{
    TempDir dir;
    install_converters(dir);
    std::vector<Snp> snps = worked_snps();
    snps[0].pvalue = "NA";
    snps[3].pvalue = "";
    prepare_gen_inputs(dir, snps);
    prepare_matrix_inputs(dir, snps);
    const std::string expected = std::string(kHeader) +
                                 "100\t200\t1\t0\t1\n"
                                 "200\t300\t0\t0\t-1\n"
                                 "300\t400\t2\t0\t1\n"
                                 "400\t500\t0\t0\t-1\n";
    RunResult run = run_gen(dir, gen_args("set"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(read_file(dir.file("r.out")), expected);
    EXPECT_EQ(run.err, "kesto_gen_v2: assoc.txt: 2 p-values are not numbers and count as no hit\n");

    write_file(dir.file("table.txt"), replace_all(legend_text(snps), "\t\n", "\t-\n"));
    run = run_program("kesto_matrix", matrix_args(), dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(read_file(dir.file("r.out")), expected);
    EXPECT_EQ(run.err, "kesto_matrix: table.txt: 2 p-values are not numbers and count as no hit\n");
}

TEST(WindowPrograms, InputsThatDisagreeAreRefusedBeforeTheScan)
{
    const std::vector<Snp> snps = worked_snps();
    std::vector<Snp> fewer = snps;
    fewer.pop_back();
    std::vector<Snp> more = snps;
    more.push_back({"rs6", 600, "0.2", snps[0].codes});
    std::vector<Snp> short_row = snps;
    short_row[2].codes.pop_back();
    std::vector<Snp> long_row = snps;
    long_row[1].codes.push_back(1);

    struct Case {
        const char* name;
        const char* file;  // written over the prepared inputs
        std::string content;
        const char* message;
    };
    const std::vector<Case> gen_cases = {
        {"association line more", "assoc.txt", association_text(more),
         "kesto_gen_v2: assoc.txt line 7: one data line more than the 5 SNPs"},
        {"association line missing", "assoc.txt", association_text(fewer),
         "kesto_gen_v2: assoc.txt line 6: missing; the file holds 4 data lines, but the marker file has 5 SNPs"},
        {"association line short", "assoc.txt", "snp_id\tposition\tpvalue\nrs1\t100\t0.5\nrs2\t0.5\n",
         "kesto_gen_v2: assoc.txt line 3: expected at least 3 fields"},
        {"genotype rows missing", "prepared.tg", transposed_text(fewer),
         "kesto_gen_v2: set.tg line 6: missing; the file ends after 4 data rows, but 5 SNPs need a row each"},
        {"genotype row short", "prepared.tg", transposed_text(short_row),
         "kesto_gen_v2: set.tg line 4: 9 codes, but the header announces 10"},
        {"genotype row long", "prepared.tg", transposed_text(long_row),
         "kesto_gen_v2: set.tg line 3: more than the 10 codes"},
        {"genotype code", "prepared.tg", replace_all(transposed_text(snps), "\t2\t", "\tx\t"),
         "kesto_gen_v2: set.tg line 2: code 3 is not a whole number"},
        {"marker line short", "prepared.mk", "h\n1\trs1\t100\tA\tG\n1\trs2\n",
         "kesto_gen_v2: set.mk line 3: expected at least 3 fields"},
        {"marker position", "prepared.mk", "h\n1\trs1\tpos\tA\tG\n",
         "kesto_gen_v2: set.mk line 2: position 'pos' is not a whole number"},
        {"no markers", "prepared.mk", "chromosome\tsnp\tposition\n",
         "kesto_gen_v2: set.mk line 2: no SNP lines after the header"},
    };
    for (const auto& c : gen_cases) {
        TempDir dir;
        install_converters(dir);
        prepare_gen_inputs(dir, snps);
        write_file(dir.file(c.file), c.content);
        const RunResult run = run_gen(dir, gen_args("set"));
        EXPECT_EQ(run.status, 1) << c.name;
        EXPECT_EQ(run.err.find(c.message), 0u) << c.name << ": " << run.err;
        EXPECT_EQ(read_file(dir.file("r.out")), "") << c.name;
    }

    const std::vector<Case> matrix_cases = {
        {"genotype rows missing", "geno.txt", genotype_text(fewer),
         "kesto_matrix: geno.txt line 6: missing; the file ends after 4 data rows"},
        {"genotype row short", "geno.txt", genotype_text(short_row),
         "kesto_matrix: geno.txt line 4: 9 codes, but the header announces 10"},
        {"table line short", "table.txt", "id\tposition\tpvalue\nrs1\t100\n",
         "kesto_matrix: table.txt line 2: expected at least 3 fields"},
        {"no table lines", "table.txt", "id\tposition\tpvalue\n",
         "kesto_matrix: table.txt line 2: no SNP lines after the header"},
        {"genotype header", "geno.txt", "id\tposition\nrs1\t100\n",
         "kesto_matrix: geno.txt line 1: the header needs 2 leading fields"},
    };
    for (const auto& c : matrix_cases) {
        TempDir dir;
        prepare_matrix_inputs(dir, snps);
        write_file(dir.file(c.file), c.content);
        const RunResult run = run_program("kesto_matrix", matrix_args(), dir.path());
        EXPECT_EQ(run.status, 1) << c.name;
        EXPECT_EQ(run.err.find(c.message), 0u) << c.name << ": " << run.err;
        EXPECT_EQ(read_file(dir.file("r.out")), "") << c.name;
        EXPECT_EQ(read_file(dir.file("r.log")), "") << c.name;
    }

    // Rows after the last SNP's are not read.
    TempDir dir;
    prepare_matrix_inputs(dir, snps);
    write_file(dir.file("geno.txt"), genotype_text(more));
    const RunResult run = run_program("kesto_matrix", matrix_args(), dir.path());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(read_file(dir.file("r.out")), kWorkedResults);
}

TEST(WindowPrograms, CommandLineIsCheckedBeforeAnythingRuns)
{
    TempDir dir;
    install_converters(dir);
    prepare_gen_inputs(dir, worked_snps());
    prepare_matrix_inputs(dir, worked_snps());
    for (const std::string program : {"kesto_gen_v2", "kesto_matrix"}) {
        const std::vector<std::string> good = program == "kesto_gen_v2" ? gen_args("set") : matrix_args();

        std::vector<std::string> short_line(good.begin(), good.end() - 1);
        RunResult run = run_program(program, short_line, dir.path());
        EXPECT_EQ(run.status, 2) << program;
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("usage: " + program), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("example"), std::string::npos) << run.err;

        std::vector<std::string> long_line = good;
        long_line.push_back("extra");
        EXPECT_EQ(run_program(program, long_line, dir.path()).status, 2);

        run = run_program(program, {"--help"}, dir.path());
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out.find("usage: " + program), 0u);
        run = run_program(program, {"-h"}, dir.path());
        EXPECT_EQ(run.status, 0);
        run = run_program(program, {"--version"}, dir.path());
        EXPECT_EQ(run.status, 0);
        EXPECT_NE(run.out.find(program), std::string::npos);

        const std::vector<std::pair<std::size_t, std::string>> bad = {
            {9, "1.5"},  {9, "-0.1"}, {9, "abc"}, {9, ""},     {11, "2"},   {11, "-0.5"}, {11, "0.8x"},
            {13, "0"},   {13, "-5"},  {13, "1e3"}, {15, "0"},  {15, "-60"}, {15, "sixty"}, {17, "x"},
            {19, "1.5"}, {19, "99999999999"}};
        for (const auto& [slot, value] : bad) {
            std::vector<std::string> args = good;
            args[slot] = value;
            run = run_program(program, args, dir.path());
            EXPECT_EQ(run.status, 2) << program << " " << slot << " '" << value << "'";
            EXPECT_EQ(run.out, "");
            EXPECT_NE(run.err.find(program + ": "), std::string::npos) << run.err;
        }
        EXPECT_FALSE(file_exists(dir.file("r.out"))) << program;
        EXPECT_FALSE(file_exists(dir.file("r.log"))) << program;
        EXPECT_FALSE(file_exists(dir.file("morrow.args"))) << program;
    }
    // The bounds of [0, 1] themselves are accepted.
    std::vector<std::string> args = matrix_args(window_values({"100", "100", "-1", "-1"}, "1", "0"));
    EXPECT_EQ(run_program("kesto_matrix", args, dir.path()).status, 0);
    args = matrix_args(window_values({"100", "100", "-1", "-1"}, "0", "1"));
    EXPECT_EQ(run_program("kesto_matrix", args, dir.path()).status, 0);
}

// ------------------------------------------------------------ real converters

// Writes the SNPs as a PLINK text set whose allele G is the minor one, so
// that the converters' codes (copies of the minor allele) equal the SNPs'.
void write_ped_map(const TempDir& dir, const std::string& base, const std::vector<Snp>& snps)
{
    std::string map;
    for (const auto& s : snps)
        map += "1\t" + s.id + "\t0\t" + std::to_string(s.position) + "\n";
    write_file(dir.file(base + ".map"), map);
    std::string ped;
    const std::size_t samples = snps.front().codes.size();
    for (std::size_t i = 0; i < samples; ++i) {
        ped += "fam" + std::to_string(i + 1) + " ind" + std::to_string(i + 1) + " 0 0 1 -9";
        for (const auto& s : snps) {
            const int c = s.codes[i];
            ped += c < 0 ? " 0 0" : c == 0 ? " A A" : c == 1 ? " A G" : " G G";
        }
        ped += "\n";
    }
    write_file(dir.file(base + ".ped"), ped);
}

// Recodes each SNP so that the coded allele is the strict minority.
std::vector<Snp> minor_coded(std::vector<Snp> snps)
{
    for (auto& s : snps) {
        int coded = 0, typed = 0;
        for (const int c : s.codes)
            if (c >= 0) {
                coded += c;
                typed += 2;
            }
        if (2 * coded > typed)
            for (auto& c : s.codes)
                c = c < 0 ? c : 2 - c;
    }
    return snps;
}

TEST(RealConverters, SameRowsAsTheMatrixProgram)
{
    if (!file_exists(bin_path("morrow")) || !file_exists(bin_path("transpose")))
        GTEST_SKIP() << "morrow and transpose are not built";
    TempDir dir;
    ASSERT_EQ(symlink(bin_path("morrow").c_str(), dir.file("morrow").c_str()), 0);
    ASSERT_EQ(symlink(bin_path("transpose").c_str(), dir.file("transpose").c_str()), 0);
    std::vector<Snp> snps;
    for (auto& s : minor_coded(random_snps(40, 30, 99))) {
        int coded = 0, typed = 0;
        for (const int c : s.codes)
            if (c >= 0) {
                coded += c;
                typed += 2;
            }
        if (coded > 0 && 2 * coded < typed)  // polymorphic, no tie
            snps.push_back(s);
    }
    ASSERT_GT(snps.size(), 20u);
    write_ped_map(dir, "plink set", snps);
    write_file(dir.file("assoc.txt"), association_text(snps));
    prepare_matrix_inputs(dir, snps);
    const std::vector<std::string> values = window_values({"300", "120", "-1", "-1"});

    const RunResult gen = run_gen(dir, gen_args("plink set", values));
    ASSERT_EQ(gen.status, 0) << gen.out << gen.err;
    const std::string gen_rows = read_file(dir.file("r.out"));
    const std::string log = read_file(dir.file("r.log"));
    EXPECT_NE(log.find("\nin window 0\n"), std::string::npos) << log;
    EXPECT_NE(log.substr(0, 10), "in window ");  // the converter's summary comes first

    const RunResult matrix = run_program("kesto_matrix", matrix_args(values), dir.path());
    ASSERT_EQ(matrix.status, 0) << matrix.err;
    EXPECT_EQ(read_file(dir.file("r.out")), gen_rows);
}

} // namespace
