#include "awkward_data.h"
#include "test_support.h"

#include <gtest/gtest.h>

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

} // namespace
