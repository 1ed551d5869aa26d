#include "awkward_data.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sstream>

#include <sys/stat.h>

namespace {

using kesto_test::read_file;
using kesto_test::run_program_env;
using kesto_test::TempDir;
using kesto_test::write_file;

struct Output {
    int status;
    std::string out, err, result;
};

class EnginePaths : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto chr1 = kesto_test::awkward_chromosome(400, 150, 11, false);
        const auto chr2 = kesto_test::awkward_chromosome(250, 150, 12, true);
        write_file(dir.file("legend_chr1.txt"), chr1.legend);
        write_file(dir.file("genotype_chr1.txt"), chr1.genotypes);
        write_file(dir.file("legend_chr2.txt"), chr2.legend);
        write_file(dir.file("genotype_chr2.txt"), chr2.genotypes);
        std::string genes = "chr\tid\tstart\tend\tname\n";
        for (int g = 0; g < 60; ++g) {
            const int chromosome = g % 7 == 6 ? 3 : 1 + g % 2;  // chromosome 3 has no files
            const int start = 10000 + g * 9000;
            const int end = start + 3000 + (g % 5) * 8000;
            genes += std::to_string(chromosome) + "\tid" + std::to_string(g) + "\t" + std::to_string(start) + "\t" +
                     std::to_string(end) + "\tG" + std::to_string(g) + "\n";
            if (g == 30)
                genes += "1\tshort\n";
        }
        genes += "1\tidE\t999999000\t999999100\tEMPTY";  // no final newline
        write_file(dir.file("genes.txt"), genes);
        std::string pathways;
        for (int p = 0; p < 25; ++p) {
            pathways += "PW" + std::to_string(p) + "\tpathway " + std::to_string(p);
            for (int m = 0; m < 2 + p % 6; ++m)
                pathways += "\tG" + std::to_string((p * 7 + m * (1 + p % 3)) % 61);
            pathways += p == 12 ? "\n\n" : "\n";  // one empty line among them
        }
        write_file(dir.file("pathways.txt"), pathways + "PWlast\tlast\tG1\tG2\tEMPTY");
    }

    Output pathways(const std::vector<std::string>& env)
    {
        const auto r = run_program_env("kesto_pw",
                                       {"-p", "pathways.txt", "-g", "genes.txt", "-o", "pw.txt", "-l", "./", "-G",
                                        "./", "-a", "0.05", "-v", "0.8", "-f", "5000"},
                                       dir.path(), env);
        return {r.status, r.out, r.err, read_file(dir.file("pw.txt"))};
    }

    Output genelist(const std::vector<std::string>& env)
    {
        const auto r = run_program_env("kesto_genelist",
                                       {"-g", "genes.txt", "-o", "out.txt", "-l", "./", "-G", "./", "-a", "0.05",
                                        "-v", "0.8", "-f", "5000"},
                                       dir.path(), env);
        return {r.status, r.out, r.err, read_file(dir.file("out.txt"))};
    }

    TempDir dir;
};

void expect_same(const Output& a, const Output& b)
{
    EXPECT_EQ(a.status, b.status);
    EXPECT_EQ(a.out, b.out);
    EXPECT_EQ(a.err, b.err);
    EXPECT_EQ(a.result, b.result);
}

TEST_F(EnginePaths, GeneListFastEngineMatchesReference)
{
    const Output reference = genelist({"KESTO_ENGINE=reference"});
    ASSERT_EQ(reference.status, 0);
    // Sanity: the data does reach the interesting paths.
    EXPECT_NE(reference.out.find("Input legend file not found ./legend_chr3.txt"), std::string::npos);
    EXPECT_NE(reference.err.find("not numbers"), std::string::npos);
    EXPECT_NE(reference.result.find("\tNA\n"), std::string::npos);
    EXPECT_NE(reference.result.find("EMPTY\t0\t0\t-1\n"), std::string::npos);
    expect_same(reference, genelist({}));
}

TEST_F(EnginePaths, GeneListThreadsChangeNothing)
{
    const Output one = genelist({"KESTO_THREADS=1"});
    expect_same(one, genelist({"KESTO_THREADS=2"}));
    expect_same(one, genelist({"KESTO_THREADS=3", "KESTO_CACHE_MB=1"}));
}

} // namespace

namespace {

TEST_F(EnginePaths, PathwaysFastEngineMatchesReference)
{
    const Output reference = pathways({"KESTO_ENGINE=reference"});
    ASSERT_EQ(reference.status, 0);
    EXPECT_NE(reference.err.find("could not be evaluated"), std::string::npos);
    EXPECT_NE(reference.result.find("PWlast\tlast\t"), std::string::npos);
    expect_same(reference, pathways({}));
}

TEST_F(EnginePaths, PathwaysThreadsChangeNothing)
{
    const Output one = pathways({});
    expect_same(one, pathways({"KESTO_THREADS=2"}));
    expect_same(one, pathways({"KESTO_THREADS=3", "KESTO_CACHE_MB=1"}));
}

// Regions computed ahead of a read error that ends the run change nothing:
// the same rows, up to the same place, and the same messages.
TEST_F(EnginePaths, RunEndingReadErrorIsTheSameForEveryThreadCount)
{
    std::filesystem::remove(dir.file("genotype_chr1.txt"));
    std::filesystem::create_directory(dir.file("genotype_chr1.txt"));
    const Output genes_one = genelist({"KESTO_THREADS=1"});
    EXPECT_EQ(genes_one.status, 1);
    EXPECT_NE(genes_one.err.find("the run ends"), std::string::npos) << genes_one.err;
    const Output pathways_one = pathways({"KESTO_THREADS=1"});
    EXPECT_EQ(pathways_one.status, 1) << pathways_one.err;
    for (const char* threads : {"KESTO_THREADS=2", "KESTO_THREADS=3"}) {
        expect_same(genes_one, genelist({threads}));
        expect_same(pathways_one, pathways({threads}));
    }
}

} // namespace

namespace {

// The window programs on the same awkward data: a SNP table and genotype
// file for kesto_matrix, and the same SNPs as converter output for
// kesto_gen_v2 (stand-in converters beside a copy of it copy prepared files
// into place).
class WindowPaths : public ::testing::Test {
protected:
    void SetUp() override
    {
        // In position order: kesto_matrix refuses a SNP table that goes down.
        const auto chr = kesto_test::awkward_chromosome(500, 120, 21, false);
        write_file(dir.file("table.txt"), chr.legend);
        write_file(dir.file("geno.txt"), chr.genotypes);
        // Marker file: position in field 2; converter genotype file: one label.
        std::string markers = "chromosome\tsnp_id\tposition\tallele0\tallele1\n";
        std::string assoc = "snp_id\tposition\tpvalue\n";
        std::istringstream legend(chr.legend);
        std::string line;
        std::getline(legend, line);
        while (std::getline(legend, line)) {
            const auto t1 = line.find('\t'), t2 = line.find('\t', t1 + 1);
            markers += "1\t" + line.substr(0, t1) + "\t" + line.substr(t1 + 1, t2 - t1 - 1) + "\tA\tG\n";
            assoc += line + "\n";
        }
        write_file(dir.file("prepared.mk"), markers);
        write_file(dir.file("assoc.txt"), assoc);
        std::string tg;
        std::istringstream geno(chr.genotypes);
        while (std::getline(geno, line))
            tg += line.substr(line.find('\t') + 1) + "\n";  // drop the first label
        write_file(dir.file("prepared.tg"), tg);
        write_script("morrow", "cp prepared.mk \"$3.mk\"; : > \"$3.gt\"; echo 'morrow: stand-in'\n");
        write_script("transpose", "cp prepared.tg \"${1%.gt}.tg\"\n");
    }

    void write_script(const std::string& name, const std::string& body)
    {
        write_file(dir.file(name), "#!/bin/sh\n" + body);
        chmod(dir.file(name).c_str(), 0755);
    }

    // The log without its last line, which holds the processor time.
    std::string log_body(const std::string& log)
    {
        const std::string text = read_file(dir.file(log));
        const auto at = text.rfind("Running Time:");
        return at == std::string::npos ? text + "(no running time)" : text.substr(0, at);
    }

    Output matrix(const std::vector<std::string>& env, const std::string& width = "20000",
                  const std::string& step = "7000")
    {
        const auto r = run_program_env("kesto_matrix",
                                       {"-s", "table.txt", "-g", "geno.txt", "-o", "m.txt", "-l", "m.log", "-a",
                                        "0.05", "-v", "0.8", "-w", width, "-t", step, "-b", "-1", "-e", "-1"},
                                       dir.path(), env);
        return {r.status, r.out, r.err + log_body("m.log"), read_file(dir.file("m.txt"))};
    }

    Output genome(const std::vector<std::string>& env)
    {
        // A copy of the program beside the stand-in converters, which it
        // runs in preference to those of the build.
        const std::string copy = dir.file("kesto_gen_v2");
        if (!kesto_test::file_exists(copy))
            std::filesystem::copy_file(kesto_test::bin_path("kesto_gen_v2"), copy);
        const auto r = kesto_test::run_command(copy,
                                               {"-b", "set", "-p", "assoc.txt", "-o", "g.txt", "-l", "g.log", "-a",
                                                "0.05", "-v", "0.8", "-w", "20000", "-t", "7000", "-b", "-1", "-e",
                                                "-1"},
                                               dir.path(), env);
        return {r.status, r.out, r.err + log_body("g.log"), read_file(dir.file("g.txt"))};
    }

    TempDir dir;
};

TEST_F(WindowPaths, MatrixFastEngineMatchesReference)
{
    for (const auto& [width, step] : std::vector<std::pair<std::string, std::string>>{
             {"20000", "7000"}, {"300", "2000"}, {"60000", "1000"}}) {
        const Output reference = matrix({"KESTO_ENGINE=reference"}, width, step);
        ASSERT_EQ(reference.status, 0) << reference.err;
        if (width == "300") {
            EXPECT_NE(reference.result.find("\t0\t0\t-1\n"), std::string::npos);
        }
        expect_same(reference, matrix({}, width, step));
    }
}

TEST_F(WindowPaths, MatrixThreadsChangeNothing)
{
    const Output one = matrix({});
    expect_same(one, matrix({"KESTO_THREADS=2"}));
    expect_same(one, matrix({"KESTO_THREADS=3"}));
}

TEST_F(WindowPaths, GenomeScanFastEngineAndThreadsMatchReference)
{
    const Output reference = genome({"KESTO_ENGINE=reference"});
    ASSERT_EQ(reference.status, 0) << reference.err;
    expect_same(reference, genome({}));
    expect_same(reference, genome({"KESTO_THREADS=2"}));
    // Same SNPs, positions, p-values and codes: the same rows as kesto_matrix.
    EXPECT_EQ(reference.result, matrix({}).result);
}

} // namespace
