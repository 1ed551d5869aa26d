#include "text_files.h"

#include "labels.h"

#include <cstdio>

std::string sample_label(const char* prefix, int number, int count)
{
    return zero_padded(prefix, number, label_width(count, 4));
}

std::string format_pvalue(double p)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6g", p);
    return buf;
}

void write_pvalue_table(const std::string& path, const SnpMap& map, const std::vector<double>& pvalues)
{
    OutFile out(path);
    out.write("snp_id\tposition\tpvalue\n");
    for (std::size_t i = 0; i < map.size(); ++i)
        out.write(map.id(i) + "\t" + std::to_string(map.position[i]) + "\t" + format_pvalue(pvalues[i]) + "\n");
    out.close();
}

GenotypeTable::GenotypeTable(const std::string& path, int individuals) : file_(path)
{
    line_ = "snp_id\tposition";
    for (int i = 1; i <= individuals; ++i)
        line_ += "\t" + sample_label("IND", i, individuals);
    line_ += "\n";
    file_.write(line_);
}

void GenotypeTable::add(const std::string& snp_id, std::int64_t position, const std::vector<signed char>& codes)
{
    static const char* const kCode[] = {"\t-1", "\t0", "\t1", "\t2"};
    line_ = snp_id;
    line_ += "\t";
    line_ += std::to_string(position);
    for (signed char c : codes)
        line_ += kCode[c + 1];
    line_ += "\n";
    file_.write(line_);
}

void write_gene_list(const std::string& path, const std::vector<Gene>& genes)
{
    OutFile out(path);
    out.write("chromosome\tgene_id\tstart\tend\tgene_name\n");
    for (const auto& g : genes)
        out.write(std::to_string(g.chromosome) + "\t" + g.id + "\t" + std::to_string(g.start) + "\t" +
                  std::to_string(g.end) + "\t" + g.name + "\n");
    out.close();
}

void write_pathways(const std::string& path, const std::vector<Pathway>& pathways)
{
    OutFile out(path);
    for (const auto& pw : pathways) {
        std::string line = pw.id + "\t" + pw.name;
        for (const auto& m : pw.members)
            line += "\t" + m;
        out.write(line + "\n");
    }
    out.close();
}
