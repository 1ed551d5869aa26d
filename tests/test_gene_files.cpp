// Gene location files (gene-loc, BED, GTF, GFF3) into the gene list, and GMT
// gene sets into the pathway file; the outputs are read back with the
// suite's own gene-list and pathway-line readers.
#include "gene_table.h"
#include "genes/gene_locations.h"
#include "genes/gene_sets.h"
#include "pathway_line.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

using kesto_test::TempDir;
using kesto_test::contains;
using kesto_test::write_file;

namespace {

std::string fixture(const std::string& name)
{
    return std::string(KESTO_SOURCE_DIR) + "/tests/data/genes/" + name;
}

std::string gene_list_text(const GeneLocationTable& table)
{
    std::ostringstream out;
    write_gene_list(out, table);
    return out.str();
}

const char* kHeader = "chromosome\tgene_id\tstart\tend\tgene_name\n";

struct GeneFileCase {
    const char* file;
    GeneFileFormat format;
    std::string gene_list;  // without the header
    long other_features;
    long unknown_chromosome;
    const char* first_unknown;
};

TEST(GeneFiles, EveryFormatIntoTheGeneList)
{
    const std::vector<GeneFileCase> cases = {
        {"ncbi37.gene.loc", GeneFileFormat::GeneLoc,
         "1\t148398\t859993\t879962\tSAMD11\n1\t26155\t879583\t894680\tNOC2L\n1\t9636\t948847\t949920\tISG15\n"
         "X\t7499\t2700157\t2741310\tXG\n",
         0, 1, "HSCHR6_MHC_COX"},
        {"genes.bed", GeneFileFormat::Bed,
         "1\tSAMD11\t859993\t879962\tSAMD11\n1\tNOC2L\t879583\t894680\tNOC2L\nX\tXG\t2700157\t2741310\tXG\n", 0, 1,
         "chrUn_gl000220"},
        {"genes.gtf", GeneFileFormat::Gtf,
         "1\tENSG00000187634\t859993\t879962\tSAMD11\n1\tENSG00000188976\t879584\t894690\tNOC2L\n"
         "MT\tENSG00000198888\t3307\t4263\tENSG00000198888\n",
         2, 0, ""},
        {"genes.gff3", GeneFileFormat::Gff3,
         "1\tENSG00000187634\t859993\t879962\tSAMD11\n1\tENSG00000188976\t879584\t894690\tNOC2L,B\n"
         "X\tENSG00000124343\t2700157\t2741310\tENSG00000124343\n",
         1, 1, "NC_000001.10"},
    };
    for (const GeneFileCase& c : cases) {
        GeneLocationTable table;
        const Status status = read_gene_locations(fixture(c.file), table);
        ASSERT_TRUE(status.ok()) << c.file << ": " << status.message;
        EXPECT_EQ(table.format, c.format) << c.file;
        EXPECT_EQ(gene_list_text(table), kHeader + c.gene_list) << c.file;
        EXPECT_EQ(table.other_features, c.other_features) << c.file;
        EXPECT_EQ(table.unknown_chromosome, c.unknown_chromosome) << c.file;
        if (c.unknown_chromosome > 0) {
            ASSERT_FALSE(table.unknown_chromosome_names.empty());
            EXPECT_EQ(table.unknown_chromosome_names[0], c.first_unknown);
        }
    }
}

TEST(GeneFiles, OneGeneInEveryFormatGivesOneRegion)
{
    // Bases 1..10 of chromosome 2: gene-loc/GTF/GFF3 write 1 and 10, BED
    // 0 and 10. All become start 1, end 11 (end excluded), so a SNP at 10 is
    // in the gene and one at 11 is not.
    TempDir dir;
    const std::vector<std::pair<std::string, std::string>> files = {
        {"a.loc", "77\t2\t1\t10\t+\tG\n"},
        {"a.bed", "chr2\t0\t10\tG\n"},
        {"a.gtf", "2\ts\tgene\t1\t10\t.\t+\t.\tgene_id \"77\"; gene_name \"G\";\n"},
        {"a.gff3", "##gff-version 3\n2\ts\tgene\t1\t10\t.\t+\t.\tID=77;Name=G\n"},
    };
    for (const auto& f : files) {
        write_file(dir.file(f.first), f.second);
        GeneLocationTable table;
        ASSERT_TRUE(read_gene_locations(dir.file(f.first), table).ok()) << f.first;
        ASSERT_EQ(table.genes.size(), 1u) << f.first;
        EXPECT_EQ(table.genes[0].chromosome, "2") << f.first;
        EXPECT_EQ(table.genes[0].start, 1) << f.first;
        EXPECT_EQ(table.genes[0].end, 11) << f.first;
        EXPECT_EQ(table.genes[0].name, "G") << f.first;
    }
}

TEST(GeneFiles, RecognitionOfAmbiguousShapes)
{
    struct Case {
        const char* content;
        GeneFileFormat format;
        const char* first_name;
    };
    const std::vector<Case> cases = {
        // Numeric chromosome and numeric name: the strand column decides.
        {"148398 1 859993 879961 + SAMD11\n", GeneFileFormat::GeneLoc, "SAMD11"},
        {"1 100 200 12345 0 +\n", GeneFileFormat::Bed, "12345"},
        // Four fields, all numbers: an Entrez id is no chromosome.
        {"148398 1 859993 879961\n", GeneFileFormat::GeneLoc, "148398"},
        {"1 100 200 300\n", GeneFileFormat::Bed, "300"},
        // A header line before gene-loc rows.
        {"ID CHR START STOP STRAND SYMBOL\n148398 1 859993 879961 + SAMD11\n", GeneFileFormat::GeneLoc, "SAMD11"},
        // Compressed-looking names do not matter, the content does.
        {"chr3\t10\t20\tBEDGENE\n", GeneFileFormat::Bed, "BEDGENE"},
    };
    TempDir dir;
    int k = 0;
    for (const Case& c : cases) {
        const std::string path = dir.file("g" + std::to_string(k++) + ".txt");
        write_file(path, c.content);
        GeneLocationTable table;
        const Status status = read_gene_locations(path, table);
        ASSERT_TRUE(status.ok()) << c.content << status.message;
        EXPECT_EQ(table.format, c.format) << c.content;
        ASSERT_FALSE(table.genes.empty()) << c.content;
        EXPECT_EQ(table.genes[0].name, c.first_name) << c.content;
    }
}

TEST(GeneFiles, BadRowsNameFileAndLine)
{
    struct Case {
        const char* name;
        const char* content;
        const char* message_part;
    };
    const std::vector<Case> cases = {
        {"loc_stop", "1 1 100 200 + A\n2 1 300 x + B\n", "loc_stop line 2: start or stop is not a whole number"},
        {"loc_order", "1 1 100 200 + A\n2 1 300 250 + B\n", "loc_order line 2: the gene ends before it starts"},
        {"loc_short", "1 1 100 200 + A\n2 1 300\n", "loc_short line 2: fewer than 4 fields"},
        {"bed_empty", "chr1\t0\t10\tA\nchr1\t10\t10\tB\n", "bed_empty line 2: the interval is empty"},
        {"bed_zero_based", "chr1\t5\t1\tA\n", "bed_zero_based line 1: "},
        {"bed_noname", "chr1\t0\t10\tA\nchrX\t5\t10\t\tX0\n", "bed_noname line 2: a gene without a name (BED file)"},
        {"bed_blank", "chr1\t0\t10\t  \n", "bed_blank line 1: a gene without a name"},
        {"bed3", "chr1\t5\t10\n", "bed3 line 1: fewer than 4 fields (chrom, start, end, name) (BED file)"},
        {"gtf_short", "1\ts\tgene\t1\t10\t.\t+\t.\tgene_id \"A\";\n1\ts\tgene\t1\t10\n",
         "gtf_short line 2: fewer than 9 tab-separated fields (GTF file)"},
        {"gtf_noid", "1\ts\tgene\t1\t10\t.\t+\t.\tgene_id \"A\";\n1\ts\tgene\t1\t10\t.\t+\t.\tfoo \"b\";\n",
         "gtf_noid line 2: a gene without gene_id or gene_name"},
        {"huge", "1 1 100 2147483647 + A\n", "huge line 1: a position beyond 2147483646"},
        {"words", "hello world\nthis is not\n", "words line 2: not a gene location file"},
        {"one_word", "hello\n", "one_word line 1: not a gene location file"},
        // A damaged first row is not taken for a header.
        {"bad_first", "148398 1 85999x 879961 + A\n1 1 1 10 + B\n", "bad_first line 1: not a gene location file"},
        {"empty", "", "empty: no genes"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        write_file(dir.file(c.name), c.content);
        GeneLocationTable table;
        const Status status = read_gene_locations(dir.file(c.name), table);
        EXPECT_EQ(status.code, StatusCode::Malformed) << c.name;
        EXPECT_TRUE(contains(status.message, c.message_part)) << c.name << ": " << status.message;
    }
}

TEST(GeneFiles, GeneListReadsBackThroughTheSuiteReader)
{
    GeneLocationTable table;
    ASSERT_TRUE(read_gene_locations(fixture("genes.gff3"), table).ok());
    TempDir dir;
    ASSERT_TRUE(write_gene_list(dir.file("genelist.txt"), table).ok());
    GeneTable back;
    ASSERT_TRUE(read_gene_table(dir.file("genelist.txt"), back));
    EXPECT_TRUE(back.warnings.empty());
    ASSERT_EQ(back.genes.size(), table.genes.size());
    for (std::size_t i = 0; i < back.genes.size(); ++i) {
        EXPECT_EQ(back.genes[i].chromosome, table.genes[i].chromosome);
        EXPECT_EQ(back.genes[i].start, table.genes[i].start);
        EXPECT_EQ(back.genes[i].end, table.genes[i].end);
        EXPECT_EQ(back.genes[i].name, table.genes[i].name);
    }
    EXPECT_EQ(write_gene_list(dir.path() + "/no/such/folder/g.txt", table).code, StatusCode::WriteError);
}

TEST(GeneSets, GmtIntoThePathwayFileWithMissingCounts)
{
    GeneLocationTable genes;
    ASSERT_TRUE(read_gene_locations(fixture("ncbi37.gene.loc"), genes).ok());
    GeneSetTable sets;
    const Status status = read_gene_sets(fixture("sets.gmt"), sets);
    ASSERT_TRUE(status.ok()) << status.message;
    ASSERT_EQ(sets.sets.size(), 3u);
    EXPECT_EQ(sets.sets[1].line, 3);
    match_gene_sets(sets, genes);
    EXPECT_EQ(sets.sets[0].missing_members, 1);  // NOPE
    EXPECT_EQ(sets.sets[0].members_by_id, 0);
    EXPECT_EQ(sets.sets[1].missing_members, 0);
    EXPECT_EQ(sets.sets[1].members_by_id, 1);  // 148398 is SAMD11's Entrez id
    EXPECT_EQ(sets.sets[2].missing_members, 0);

    TempDir dir;
    ASSERT_TRUE(write_pathway_file(dir.file("pathways.txt"), sets).ok());
    const std::string text = kesto_test::read_file(dir.file("pathways.txt"));
    EXPECT_EQ(text,
              "HALLMARK_TEST\tHALLMARK_TEST\tSAMD11\tNOC2L\tNOPE\n"
              "KEGG_TEST\tGlycolysis test\tSAMD11\tISG15\n"
              "EMPTY_SET\tEMPTY_SET\n");
    // The suite's pathway reader sees the same sets.
    const std::vector<std::string> lines = kesto_test::lines_of(text);
    ASSERT_EQ(lines.size(), 3u);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        PathwayLine pathway;
        ASSERT_TRUE(parse_pathway_line(lines[i], pathway));
        EXPECT_EQ(pathway.id, sets.sets[i].id);
        EXPECT_EQ(pathway.name, sets.sets[i].name);
        EXPECT_EQ(pathway.members, sets.sets[i].members);
    }
}

TEST(GeneSets, BadLinesNameFileAndLine)
{
    TempDir dir;
    write_file(dir.file("one_field.gmt"), "SET_A\tdesc\tG1\nSET_B\n");
    GeneSetTable sets;
    Status status = read_gene_sets(dir.file("one_field.gmt"), sets);
    EXPECT_EQ(status.code, StatusCode::Malformed);
    EXPECT_TRUE(contains(status.message, "one_field.gmt line 2: a gene set needs a name and a description"))
        << status.message;
    write_file(dir.file("no_name.gmt"), "\tdesc\tG1\n");
    status = read_gene_sets(dir.file("no_name.gmt"), sets);
    EXPECT_TRUE(contains(status.message, "no_name.gmt line 1: a gene set without a name")) << status.message;
    EXPECT_EQ(read_gene_sets(dir.file("absent.gmt"), sets).code, StatusCode::NotFound);
}

} // namespace
