// --genes of kesto gene and kesto pathway: the suite's gene list and every
// gene location format give the same genes, and the programs the same tables.

#include "gene_input.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <thread>

namespace {

using kesto_test::contains;
using kesto_test::read_file;
using kesto_test::run_program;
using kesto_test::split;
using kesto_test::TempDir;
using kesto_test::write_file;

const std::string kExamples = KESTO_SOURCE_DIR "/examples/";

std::string entries_text(const std::vector<GeneEntry>& genes)
{
    std::string text;
    for (const GeneEntry& g : genes)
        text += g.chromosome + " " + g.id + " " + std::to_string(g.start) + " " + std::to_string(g.end) + " " +
                g.name + " " + std::to_string(g.line) + "\n";
    return text;
}

analysis::GeneInput read_input(const std::string& path)
{
    analysis::GeneInput input;
    const Status status = analysis::read_gene_input(path, input);
    EXPECT_TRUE(status.ok()) << path << ": " << status.message;
    return input;
}

// Three genes: bases 1..10 of chromosome 2, 1000..1999 of chromosome X and
// the last bases a 32-bit gene list can hold on chromosome 1. The suite's
// list keeps 1-based starts and excluded ends.
const std::string kGenes = "2 ID7 1 11 G7 0\nX ID8 1000 2000 G8 0\n1 ID9 2147483600 2147483647 G9 0\n";
const std::string kGenesNamedByName = "2 G7 1 11 G7 0\nX G8 1000 2000 G8 0\n1 G9 2147483600 2147483647 G9 0\n";

TEST(GeneInput, EveryFormatGivesTheGeneListsGenes)
{
    struct Case {
        const char* file;
        std::string content;
        const char* format;
        const std::string& genes;
        long other_features;
    };
    const std::vector<Case> cases = {
        {"list.txt", "chromosome\tgene_id\tstart\tend\tgene_name\n2\tID7\t1\t11\tG7\nX\tID8\t1000\t2000\tG8\n"
                     "1\tID9\t2147483600\t2147483647\tG9\n",
         "kesto gene list", kGenes, 0},
        {"spaced.txt", "chr id from to name\n2 ID7 1 11 G7\nX ID8 1000 2000 G8\n1 ID9 2147483600 2147483647 G9\n",
         "kesto gene list", kGenes, 0},
        {"genes.loc", "ID7 2 1 10 + G7\nID8 X 1000 1999 - G8\nID9 1 2147483600 2147483646 + G9\n",
         "NCBI/MAGMA gene-loc", kGenes, 0},
        {"genes.bed", "track name=genes\nchr2\t0\t10\tG7\nchrX\t999\t1999\tG8\nchr1\t2147483599\t2147483646\tG9\n",
         "BED", kGenesNamedByName, 0},
        {"genes.gtf",
         "#!genome-build test\nchr2\tt\tgene\t1\t10\t.\t+\t.\tgene_id \"ID7\"; gene_name \"G7\";\n"
         "chr2\tt\texon\t1\t5\t.\t+\t.\tgene_id \"ID7\";\nchrX\tt\tgene\t1000\t1999\t.\t-\t.\tgene_id \"ID8\"; "
         "gene_name \"G8\";\n1\tt\tgene\t2147483600\t2147483646\t.\t+\t.\tgene_id \"ID9\"; gene_name \"G9\";\n",
         "GTF", kGenes, 1},
        {"genes.gff3",
         "##gff-version 3\n2\tt\tgene\t1\t10\t.\t+\t.\tID=gene:ID7;Name=G7\n2\tt\tmRNA\t1\t10\t.\t+\t.\tParent=ID7\n"
         "X\tt\tgene\t1000\t1999\t.\t-\t.\tID=ID8;Name=G8\n1\tt\tgene\t2147483600\t2147483646\t.\t+\t.\tID=ID9;Name=G9\n",
         "GFF3", kGenes, 1},
    };
    TempDir dir;
    for (const Case& c : cases) {
        write_file(dir.file(c.file), c.content);
        const analysis::GeneInput input = read_input(dir.file(c.file));
        EXPECT_EQ(input.format, c.format) << c.file;
        EXPECT_EQ(entries_text(input.genes), c.genes) << c.file;
        EXPECT_EQ(input.other_features, c.other_features) << c.file;
        EXPECT_TRUE(input.notes.empty()) << c.file;
        // The gene list kesto prepare would write from it reads back alike.
        GeneLocationTable table;
        if (std::string(c.format) == "kesto gene list" || !read_gene_locations(dir.file(c.file), table).ok())
            continue;
        ASSERT_TRUE(write_gene_list(dir.file("prepared.txt"), table).ok());
        const analysis::GeneInput prepared = read_input(dir.file("prepared.txt"));
        EXPECT_EQ(prepared.format, "kesto gene list");
        EXPECT_EQ(entries_text(prepared.genes), c.genes) << c.file;
    }
}

TEST(GeneInput, TheFirstLinesDecideTheFormat)
{
    struct Case {
        const char* content;
        const char* format;
        const char* genes;
    };
    const std::vector<Case> cases = {
        // A header of other words over gene-list rows, numeric ids too (which
        // a BED reading would take for starts).
        {"c\tid\ts\te\tn\n1\t348\t5000\t6000\tAPOE\n", "kesto gene list", "1 348 5000 6000 APOE 0\n"},
        {"chr id start end name\n\n1 A 5000 6000 GA\n", "kesto gene list", "1 A 5000 6000 GA 0\n"},
        {"chromosome\tgene_id\tstart\tend\tgene_name\n", "kesto gene list", ""},
        {"", "kesto gene list", ""},
        // Headers over the other formats.
        {"ID CHR START STOP STRAND SYMBOL\n348 19 100 199 + APOE\n", "NCBI/MAGMA gene-loc", "19 348 100 200 APOE 0\n"},
        {"#chrom start end name score strand\nchr1 99 199 348 0 +\n", "BED", "1 348 100 200 348 0\n"},
        {"chrom\tstart\tend\tname\nchr1\t99\t199\tA\n", "BED", "1 A 100 200 A 0\n"},
    };
    TempDir dir;
    int k = 0;
    for (const Case& c : cases) {
        const std::string path = dir.file("g" + std::to_string(k++) + ".txt");
        write_file(path, c.content);
        const analysis::GeneInput input = read_input(path);
        EXPECT_EQ(input.format, c.format) << c.content;
        EXPECT_EQ(entries_text(input.genes), c.genes) << c.content;
    }
}

TEST(GeneInput, BadInputNamesFileAndLine)
{
    struct Case {
        const char* name;
        const char* content;
        StatusCode code;
        const char* message;  // what the status or the first note says
    };
    const std::vector<Case> cases = {
        // The gene list leaves bad lines out with a note, as it always did.
        {"short.txt", "chromosome\tgene_id\tstart\tend\tgene_name\n1\tA\t5\n2\tB\t1\t9\tGB\n", StatusCode::Ok,
         "short.txt line 2: expected 5 fields (chromosome, id, start, end, name), found 3; line left out"},
        {"word.txt", "c id s e n\n1 A 5 6 GA\n1 B x 9 GB\n", StatusCode::Ok,
         "word.txt line 3: start 'x' or end '9' is not a whole number that fits in 32 bits; line left out"},
        // The location formats stop at a bad row.
        {"bad.gtf", "1\tt\tgene\t1\t10\t.\t+\t.\tgene_id \"A\";\n1\tt\tgene\t20\t10\t.\t+\t.\tgene_id \"B\";\n",
         StatusCode::Malformed, "bad.gtf line 2: the gene ends before it starts (GTF file)"},
        {"noheader.txt", "1\tA\t5000\t6000\tGA\n", StatusCode::Malformed,
         "noheader.txt line 1: not a gene location file (NCBI/MAGMA gene-loc, BED, GTF or GFF3); a kesto gene list "
         "begins with a header line"},
        {"absent.txt", nullptr, StatusCode::NotFound, "absent.txt"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        if (c.content)
            write_file(dir.file(c.name), c.content);
        analysis::GeneInput input;
        const Status status = analysis::read_gene_input(dir.file(c.name), input);
        EXPECT_EQ(status.code, c.code) << c.name << ": " << status.message;
        const std::string said = status.ok() && !input.notes.empty() ? input.notes[0] : status.message;
        EXPECT_TRUE(contains(said, dir.file(c.message))) << c.name << ": " << said;
        if (status.ok()) {
            EXPECT_EQ(input.genes.size(), 1u) << c.name;
        }
    }
}

TEST(GeneInput, LogNamesFormatAndWhatWasLeftOut)
{
    TempDir dir;
    write_file(dir.file("g.gtf"), "1\tt\tgene\t1\t10\t.\t+\t.\tgene_id \"A\";\n1\tt\texon\t1\t10\t.\t+\t.\tx \"y\";\n"
                                  "chrUn_gl1\tt\tgene\t1\t10\t.\t+\t.\tgene_id \"B\";\n");
    const analysis::GeneInput input = read_input(dir.file("g.gtf"));
    RunLog log;
    analysis::log_gene_input("g.gtf", input, log);
    EXPECT_EQ(log.warning_lines(),
              std::vector<std::string>{"warning: g.gtf: 1 left out, chromosome not understood (chrUn_gl1)"});
}

TEST(GeneInput, AFifoIsReadOnce)
{
    // Looking at the first lines must not cost a second opening.
    TempDir dir;
    const std::string path = dir.file("genes.fifo");
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    std::thread writer([&path] {
        std::ofstream(path) << "ID7\t2\t1\t10\t+\tG7\n";
    });
    const analysis::GeneInput input = read_input(path);
    writer.join();
    EXPECT_EQ(entries_text(input.genes), "2 ID7 1 11 G7 0\n");
}

// ---- the programs ----------------------------------------------------------

// The example gene list in another format (its ids dropped for BED, which
// has only names).
std::string converted(const std::string& format, bool named_by_name)
{
    std::string out = format == "gff3" ? "##gff-version 3\n" : "";
    const std::vector<std::string> lines = kesto_test::lines_of(read_file(kExamples + "genelist.txt"));
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> f = split(lines[i]);
        const std::string id = named_by_name ? f[4] : f[1];
        const std::string last = std::to_string(std::stol(f[3]) - 1);  // 1-based, included
        if (format == "list")
            out += (i == 1 ? "chromosome\tgene_id\tstart\tend\tgene_name\n" : "") + f[0] + "\t" + id + "\t" + f[2] +
                   "\t" + f[3] + "\t" + f[4] + "\n";
        else if (format == "loc")
            out += id + "\t" + f[0] + "\t" + f[2] + "\t" + last + "\t+\t" + f[4] + "\n";
        else if (format == "bed")
            out += "chr" + f[0] + "\t" + std::to_string(std::stol(f[2]) - 1) + "\t" + last + "\t" + f[4] + "\n";
        else if (format == "gtf")
            out += f[0] + "\tt\tgene\t" + f[2] + "\t" + last + "\t.\t+\t.\tgene_id \"" + id + "\"; gene_name \"" +
                   f[4] + "\";\n" + f[0] + "\tt\texon\t" + f[2] + "\t" + f[2] + "\t.\t+\t.\tgene_id \"" + id + "\";\n";
        else
            out += f[0] + "\tt\tgene\t" + f[2] + "\t" + last + "\t.\t+\t.\tID=" + id + ";Name=" + f[4] + "\n";
    }
    return out;
}

TEST(GeneInputPrograms, EveryFormatGivesTheGeneListsTables)
{
    struct Case {
        const char* command;
        const char* format;
        bool named_by_name;
        const char* logged;
    };
    const std::vector<Case> cases = {
        {"gene", "loc", false, "gene file format: NCBI/MAGMA gene-loc\n"},
        {"gene", "bed", true, "gene file format: BED\n"},
        {"gene", "gtf", false, "gene file format: GTF\ngene file rows that are not genes: 50 (left out)\n"},
        {"pathway", "gff3", false, "gene file format: GFF3\n"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        const std::string table = std::string(c.command) == "gene" ? "genes" : "pathways";
        std::vector<std::string> args = {c.command, "--legend-prefix", kExamples, "--flank", "20000", "--quiet",
                                         "--genes"};
        if (table == "pathways")
            args.insert(args.begin() + 1, {"--gene-sets", kExamples + "pathways.txt"});
        write_file(dir.file("list.txt"), converted("list", c.named_by_name));
        write_file(dir.file(std::string("genes.") + c.format), converted(c.format, c.named_by_name));
        std::vector<std::string> from_list = args;
        from_list.insert(from_list.end(), {"list.txt", "--out", "list"});
        args.insert(args.end(), {std::string("genes.") + c.format, "--out", c.format});
        const auto list_run = run_program("kesto", from_list, dir.path());
        const auto run = run_program("kesto", args, dir.path());
        ASSERT_EQ(list_run.status, 0) << list_run.err;
        ASSERT_EQ(run.status, 0) << c.format << ": " << run.err;
        const std::string out = read_file(dir.file(std::string(c.format) + "." + table + ".tsv"));
        EXPECT_EQ(kesto_test::lines_of(out).size(), table == "genes" ? 51u : 21u) << c.format;
        EXPECT_EQ(out, read_file(dir.file("list." + table + ".tsv"))) << c.format;
        EXPECT_TRUE(contains(read_file(dir.file(std::string(c.format) + ".log")), c.logged)) << c.format;
    }
}

TEST(GeneInputPrograms, AMalformedGeneFileEndsTheRunNamingFileAndLine)
{
    TempDir dir;
    write_file(dir.file("bad.loc"), "1 1 1030778 1076453 + A\n2 1 1050048 x + B\n");
    for (const char* command : {"gene", "pathway"}) {
        std::vector<std::string> args = {command, "--legend-prefix", kExamples, "--genes", "bad.loc", "--out", "out",
                                         "--quiet"};
        if (std::string(command) == "pathway")
            args.insert(args.end(), {"--gene-sets", kExamples + "pathways.txt"});
        const auto run = run_program("kesto", args, dir.path());
        EXPECT_EQ(run.status, 1) << command;
        EXPECT_TRUE(contains(run.err, "bad.loc line 2: start or stop is not a whole number")) << command << run.err;
    }
}

} // namespace
