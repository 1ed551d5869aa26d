#include "gene_table.h"
#include "pathway_line.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using kesto_test::TempDir;
using kesto_test::write_file;
using Names = std::vector<std::string>;

GeneTable read_text(const std::string& text)
{
    TempDir dir;
    write_file(dir.file("genes.txt"), text);
    GeneTable table;
    EXPECT_TRUE(read_gene_table(dir.file("genes.txt"), table));
    return table;
}

TEST(GeneTable, ReadsFieldsAfterTheHeaderInFileOrder)
{
    const GeneTable table = read_text("chromosome\tid\tstart\tend\tname\n"
                                      "chr2\tg1\t500\t900\tBETA\textra\tfields\n"
                                      "1\tg2\t100\t200\tALPHA\n");
    ASSERT_EQ(table.genes.size(), 2u);
    EXPECT_TRUE(table.warnings.empty());
    EXPECT_EQ(table.genes[0].chromosome, "chr2");  // kept as written
    EXPECT_EQ(table.genes[0].start, 500);
    EXPECT_EQ(table.genes[0].end, 900);
    EXPECT_EQ(table.genes[0].name, "BETA");
    EXPECT_EQ(table.genes[1].name, "ALPHA");
}

TEST(GeneTable, FinalLineWithoutNewlineCounts)
{
    const GeneTable table = read_text("header\n1\tg1\t1\t2\tA\n1\tg2\t3\t4\tB");
    ASSERT_EQ(table.genes.size(), 2u);
    EXPECT_EQ(table.genes[1].name, "B");
}

TEST(GeneTable, SpaceSeparatedAndWindowsLineEnds)
{
    const GeneTable table = read_text("chromosome id start end name\r\n3 g1 10 20 C\r\n3 g2 30 40 D\r\n");
    ASSERT_EQ(table.genes.size(), 2u);
    EXPECT_EQ(table.genes[0].chromosome, "3");
    EXPECT_EQ(table.genes[1].end, 40);
    EXPECT_EQ(table.genes[1].name, "D");  // the carriage return ends the last field
}

TEST(GeneTable, HeaderOnlyOrEmptyFileGivesNoGenes)
{
    EXPECT_TRUE(read_text("chromosome\tid\tstart\tend\tname\n").genes.empty());
    EXPECT_TRUE(read_text("").genes.empty());
}

TEST(GeneTable, UnusableLinesAreLeftOutWithTheirLineNumber)
{
    TempDir dir;
    const std::string path = dir.file("genes.txt");
    write_file(path, "header\n"
                     "1\tg1\t1\t2\tA\n"
                     "1\tg2\t3\t4\n"           // line 3: four fields
                     "\n"                      // line 4: empty
                     "1\tg3\tfive\t6\tC\n"     // line 5: start not a number
                     "1\tg4\t7\t99999999999\tD\n"  // line 6: end beyond 32 bits
                     "1\tg5\t9\t10\tE\n");
    GeneTable table;
    ASSERT_TRUE(read_gene_table(path, table));
    ASSERT_EQ(table.genes.size(), 2u);
    EXPECT_EQ(table.genes[0].name, "A");
    EXPECT_EQ(table.genes[1].name, "E");
    ASSERT_EQ(table.warnings.size(), 4u);
    const char* const lines[] = {" line 3: ", " line 4: ", " line 5: ", " line 6: "};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(table.warnings[i].rfind(path + lines[i], 0), 0u) << table.warnings[i];
        EXPECT_NE(table.warnings[i].find("left out"), std::string::npos) << table.warnings[i];
    }
    EXPECT_NE(table.warnings[0].find("found 4"), std::string::npos);
    EXPECT_NE(table.warnings[2].find("'five'"), std::string::npos);
}

TEST(GeneTable, MissingFileIsReported)
{
    TempDir dir;
    GeneTable table;
    table.genes.push_back(GeneEntry{});
    EXPECT_FALSE(read_gene_table(dir.file("absent.txt"), table));
    EXPECT_TRUE(table.genes.empty());
}

TEST(PathwayLine, IdentifierNameAndMembers)
{
    PathwayLine p;
    ASSERT_TRUE(parse_pathway_line("hsa0001\tCell cycle\tA\tB\tA", p));
    EXPECT_EQ(p.id, "hsa0001");
    EXPECT_EQ(p.name, "Cell cycle");  // spaces stay inside a tab-separated field
    EXPECT_EQ(p.members, (Names{"A", "B", "A"}));

    ASSERT_TRUE(parse_pathway_line("7 glycolysis G1 G2", p));  // space-separated
    EXPECT_EQ(p.id, "7");
    EXPECT_EQ(p.name, "glycolysis");
    EXPECT_EQ(p.members, (Names{"G1", "G2"}));

    ASSERT_TRUE(parse_pathway_line("P\tN\tG1\r", p));
    EXPECT_EQ(p.members, (Names{"G1"}));
}

TEST(PathwayLine, NoMembersOrAnEmptyOne)
{
    PathwayLine p;
    p.members = {"stale"};
    ASSERT_TRUE(parse_pathway_line("P1\tonly a name", p));
    EXPECT_TRUE(p.members.empty());
    ASSERT_TRUE(parse_pathway_line("P1\tname\tA\t", p));
    EXPECT_EQ(p.members, (Names{"A", ""}));
}

TEST(PathwayLine, FewerThanTwoFieldsIsRefused)
{
    PathwayLine p;
    EXPECT_FALSE(parse_pathway_line("", p));
    EXPECT_FALSE(parse_pathway_line("\r", p));
    EXPECT_FALSE(parse_pathway_line("lonely", p));
}

} // namespace
