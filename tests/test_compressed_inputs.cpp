// A gzip or BGZF copy of any input gives the same result bytes as the plain
// file: the compressed form is recognised by its magic bytes, and a missing
// per-chromosome file NAME is read from NAME.gz.

#include "marker_files.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <htslib/bgzf.h>

#include <sys/stat.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

using kesto_test::read_file;
using kesto_test::run_program;
using kesto_test::RunResult;
using kesto_test::TempDir;
using kesto_test::write_file;

const std::string kExamples = std::string(KESTO_SOURCE_DIR) + "/examples/";

// Writes `content` to `path` compressed: "w" for BGZF blocks, "wg" for one
// plain gzip stream.
void write_compressed(const std::string& path, const std::string& content, const char* mode)
{
    BGZF* out = bgzf_open(path.c_str(), mode);
    ASSERT_NE(out, nullptr) << path;
    ASSERT_EQ(bgzf_write(out, content.data(), content.size()), static_cast<ssize_t>(content.size()));
    ASSERT_EQ(bgzf_close(out), 0);
}

// The example data set in a folder of its own, with the converters beside it.
struct DataSet {
    TempDir dir;

    DataSet()
    {
        for (const char* name : {"genelist.txt", "pathways.txt", "legend_chr1.txt", "legend_chr2.txt",
                                 "genotype_chr1.txt", "genotype_chr2.txt", "scan_chr1.bed", "scan_chr1.bim",
                                 "scan_chr1.fam", "scan_chr1_assoc.txt"})
            write_file(dir.file(name), read_file(kExamples + name));
        for (const char* tool : {"morrow", "transpose"}) {
            write_file(dir.file(tool), read_file(kesto_test::bin_path(tool)));
            chmod(dir.file(tool).c_str(), 0755);
        }
    }

    // Replaces NAME by its compressed copy under `as` (NAME.gz when the name
    // stays implicit), returning the name to give on the command line.
    std::string compress(const std::string& name, const std::string& as, const char* mode) const
    {
        const std::string content = read_file(dir.file(name));
        std::remove(dir.file(name).c_str());
        write_compressed(dir.file(as), content, mode);
        return as;
    }
};

// Runs one program; its result file and standard output, which must not
// depend on how an input was stored.
std::string run(const std::string& program, const DataSet& data, const std::string& genes,
                const std::string& pathways, const std::string& table, const std::string& genotypes,
                const std::string& assoc)
{
    std::vector<std::string> args;
    if (program == "kesto_genelist")
        args = {"-g", genes, "-o", "out.txt", "-l", "./", "-G", "./", "-a", "0.05", "-v", "0.8", "-f", "20000"};
    else if (program == "kesto_pw")
        args = {"-p", pathways, "-g", genes, "-o", "out.txt", "-l", "./", "-G", "./", "-a", "0.05", "-v", "0.8",
                "-f", "20000"};
    else if (program == "kesto_matrix")
        args = {"-s", table, "-g", genotypes, "-o", "out.txt", "-l", "log.txt", "-a", "0.05", "-v", "0.8", "-w",
                "100000", "-t", "50000", "-S", "-1", "-E", "-1"};
    else
        args = {"-b", "scan_chr1", "-s", assoc, "-o", "out.txt", "-l", "log.txt", "-a", "0.05", "-v", "0.8", "-w",
                "100000", "-t", "50000", "-S", "-1", "-E", "-1"};
    const RunResult r = run_program(program, args, data.dir.path());
    EXPECT_EQ(r.status, 0) << program << ": " << r.err;
    return r.out + "----\n" + read_file(data.dir.file("out.txt"));
}

TEST(CompressedInputs, EveryInputTypeGivesThePlainFilesBytes)
{
    struct Case {
        const char* input;
        const char* program;
        const char* file;     // the example file that is compressed
        const char* given;    // the name it is then given as, or read from
    };
    const std::vector<Case> cases = {
        {"gene list", "kesto_genelist", "genelist.txt", "genelist.txt.gz"},
        {"gene list of the pathway program", "kesto_pw", "genelist.txt", "genelist.txt.gz"},
        {"pathway file", "kesto_pw", "pathways.txt", "pathways.txt.gz"},
        {"legend, found as NAME.gz", "kesto_genelist", "legend_chr1.txt", "legend_chr1.txt.gz"},
        {"genotype file, found as NAME.gz", "kesto_genelist", "genotype_chr2.txt", "genotype_chr2.txt.gz"},
        {"legend of the pathway program", "kesto_pw", "legend_chr2.txt", "legend_chr2.txt.gz"},
        {"SNP table", "kesto_matrix", "legend_chr1.txt", "table.gz"},
        {"genotype matrix", "kesto_matrix", "genotype_chr1.txt", "matrix.gz"},
        {"association file", "kesto_gen_v2", "scan_chr1_assoc.txt", "assoc.gz"},
    };
    for (const Case& c : cases) {
        const DataSet plain;
        const std::string expected = run(c.program, plain, "genelist.txt", "pathways.txt", "legend_chr1.txt",
                                         "genotype_chr1.txt", "scan_chr1_assoc.txt");
        for (const char* mode : {"w", "wg"}) {
            SCOPED_TRACE(std::string(c.input) + (mode[1] == 'g' ? ", gzip" : ", BGZF"));
            const DataSet data;
            data.compress(c.file, c.given, mode);
            const auto name = [&](const char* file) { return std::string(c.file) == file ? c.given : file; };
            EXPECT_EQ(run(c.program, data, name("genelist.txt"), name("pathways.txt"), name("legend_chr1.txt"),
                          name("genotype_chr1.txt"), name("scan_chr1_assoc.txt")),
                      expected);
        }
    }
}

TEST(CompressedInputs, MarkerFileReadsAlike)
{
    // The window program reads the converter's marker file; the reader takes
    // a compressed one as well.
    TempDir dir;
    const std::string text = "chr\tsnp\tpos\ta0\ta1\n1\trs1\t100\tA\tG\n1\trs2\t250\tC\tT\n";
    write_file(dir.file("plain.mk"), text);
    MarkerTable plain;
    ASSERT_TRUE(read_markers(dir.file("plain.mk"), plain).ok());
    for (const char* mode : {"w", "wg"}) {
        write_compressed(dir.file("set.mk"), text, mode);
        MarkerTable packed;
        ASSERT_TRUE(read_markers(dir.file("set.mk"), packed).ok());
        EXPECT_EQ(packed.ids, plain.ids);
        EXPECT_EQ(packed.positions, plain.positions);
    }
}

TEST(CompressedInputs, DamagedCompressedReferenceNamesTheFile)
{
    // A gzip stream cut short: the chromosome's legend cannot be read to its
    // end, and the run says which file.
    DataSet data;
    const std::string content = read_file(data.dir.file("legend_chr1.txt"));
    std::remove(data.dir.file("legend_chr1.txt").c_str());
    write_compressed(data.dir.file("whole.gz"), content, "wg");
    const std::string whole = read_file(data.dir.file("whole.gz"));
    write_file(data.dir.file("legend_chr1.txt.gz"), whole.substr(0, whole.size() / 2));
    const RunResult r = run_program("kesto_genelist", {"-g", "genelist.txt", "-o", "out.txt", "-l", "./", "-G", "./",
                                                       "-a", "0.05", "-v", "0.8", "-f", "20000"},
                                    data.dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(kesto_test::contains(r.err, "legend_chr1.txt.gz line ")) << r.err;
    EXPECT_TRUE(kesto_test::contains(r.err, "damaged or truncated compressed data")) << r.err;
}

} // namespace
