#include "sumstats_files.h"

#include "text_files.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

struct LayoutName {
    SumstatsLayoutKind kind;
    const char* key;
    const char* file;
};

const LayoutName kLayouts[] = {
    {SumstatsLayoutKind::GwasSsf, "gwas-ssf", "sumstats.gwas_ssf.tsv"},
    {SumstatsLayoutKind::Plink2, "plink2", "sumstats.PHENO1.glm.linear"},
    {SumstatsLayoutKind::Assoc, "assoc", "sumstats.assoc"},
    {SumstatsLayoutKind::Qassoc, "qassoc", "sumstats.qassoc"},
    {SumstatsLayoutKind::Logistic, "logistic", "sumstats.assoc.logistic"},
    {SumstatsLayoutKind::Linear, "linear", "sumstats.assoc.linear"},
    {SumstatsLayoutKind::Regenie, "regenie", "sumstats_PHENO1.regenie"},
    {SumstatsLayoutKind::Saige, "saige", "sumstats.saige.txt"},
    {SumstatsLayoutKind::Bolt, "bolt", "sumstats.bolt.stats"},
    {SumstatsLayoutKind::Metal, "metal", "sumstats_METAL1.tbl"},
    {SumstatsLayoutKind::Custom, "custom", "sumstats.custom.txt"},
};

const char* header(SumstatsLayoutKind kind)
{
    switch (kind) {
    case SumstatsLayoutKind::GwasSsf:
        return "chromosome\tbase_pair_location\teffect_allele\tother_allele\tbeta\tstandard_error\t"
               "effect_allele_frequency\tp_value\trsid\n";
    case SumstatsLayoutKind::Plink2:
        return "#CHROM\tPOS\tID\tREF\tALT\tPROVISIONAL_REF?\tA1\tOMITTED\tA1_FREQ\tTEST\tOBS_CT\tBETA\tSE\t"
               "T_STAT\tP\tERRCODE\n";
    case SumstatsLayoutKind::Assoc:
        return " CHR          SNP         BP   A1      F_A      F_U   A2        CHISQ            P           OR \n";
    case SumstatsLayoutKind::Qassoc:
        return " CHR          SNP         BP    NMISS       BETA         SE         R2        T            P \n";
    case SumstatsLayoutKind::Logistic:
        return " CHR          SNP         BP   A1       TEST    NMISS         OR         STAT            P \n";
    case SumstatsLayoutKind::Linear:
        return " CHR          SNP         BP   A1       TEST    NMISS       BETA         STAT            P \n";
    case SumstatsLayoutKind::Regenie:
        return "CHROM GENPOS ID ALLELE0 ALLELE1 A1FREQ INFO N TEST BETA SE CHISQ LOG10P EXTRA\n";
    case SumstatsLayoutKind::Saige:
        return "CHR\tPOS\tMarkerID\tAllele1\tAllele2\tAC_Allele2\tAF_Allele2\tMissingRate\tBETA\tSE\tTstat\tvar\t"
               "p.value\tN\n";
    case SumstatsLayoutKind::Bolt:
        return "SNP\tCHR\tBP\tGENPOS\tALLELE1\tALLELE0\tA1FREQ\tF_MISS\tBETA\tSE\tP_BOLT_LMM_INF\tP_BOLT_LMM\n";
    case SumstatsLayoutKind::Metal:
        return "MarkerName\tAllele1\tAllele2\tWeight\tZscore\tP-value\tDirection\n";
    case SumstatsLayoutKind::Custom:
        return "variant\tchrom\tbp\tea\tnea\tpval\n";
    }
    return "";
}

std::string num(const char* format, double value)
{
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

// A field right-aligned in `width` columns after one blank, as PLINK 1.9
// lays out its tables.
void column(std::string& line, const std::string& text, std::size_t width)
{
    line += ' ';
    if (text.size() < width)
        line.append(width - text.size(), ' ');
    line += text;
}

// What one SNP contributes to every layout.
struct Row {
    std::string chr, id, pos, a1, a2;
    std::string p, other_p, log10p;  // p as in the legend; a second test's p; -log10 p
    std::string freq, n, missing_rate, beta, se, stat, chisq, odds, count1;
};

Row make_row(const SnpMap& map, const SnpAlleles& alleles, std::size_t j, double p, const AlleleCounts& counts,
             int individuals)
{
    Row r;
    r.chr = std::to_string(map.chromosome);
    r.id = map.id(j);
    r.pos = std::to_string(map.position[j]);
    r.a1 = std::string(1, alleles.allele1[j]);
    r.a2 = std::string(1, alleles.allele2[j]);
    r.p = format_pvalue(p);
    // The covariate row and BOLT-LMM's other column: a p-value that must
    // not be taken for the additive one.
    r.other_p = format_pvalue(1.0 - p / 2.0);
    // From the legend's text, so the value turned back is the legend's.
    r.log10p = num("%.15g", 0.0 - std::log10(std::strtod(r.p.c_str(), nullptr)));
    const int observed = counts.observed[j];
    const double freq = observed > 0 ? counts.allele1[j] / (2.0 * observed) : 0.0;
    const double beta = (j % 2 ? -0.1 : 0.1) * (1.0 - p);
    const double se = 0.05;
    r.freq = num("%.4g", freq);
    r.n = std::to_string(observed);
    r.missing_rate = num("%.4g", individuals > 0 ? (individuals - observed) / static_cast<double>(individuals) : 0.0);
    r.beta = num("%.4g", beta);
    r.se = num("%.4g", se);
    r.stat = num("%.4g", beta / se);
    r.chisq = num("%.4g", (beta / se) * (beta / se));
    r.odds = num("%.4g", 1.0 + beta);
    r.count1 = std::to_string(counts.allele1[j]);
    return r;
}

std::string lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

void write_row(OutFile& out, SumstatsLayoutKind kind, const Row& r)
{
    std::string line;
    auto tabs = [&line](std::initializer_list<const std::string*> fields) {
        bool first = true;
        for (const std::string* f : fields) {
            if (!first)
                line += '\t';
            line += *f;
            first = false;
        }
        line += '\n';
    };
    static const std::string kAdd = "ADD", kSex = "SEX", kNa = "NA", kDot = ".", kYes = "Y", kOne = "1",
                             kZero = "0", kWeight = "1000", kDirection = "+?";
    switch (kind) {
    case SumstatsLayoutKind::GwasSsf:
        tabs({&r.chr, &r.pos, &r.a1, &r.a2, &r.beta, &r.se, &r.freq, &r.p, &r.id});
        break;
    case SumstatsLayoutKind::Plink2:
        tabs({&r.chr, &r.pos, &r.id, &r.a2, &r.a1, &kYes, &r.a1, &r.a2, &r.freq, &kAdd, &r.n, &r.beta, &r.se,
              &r.stat, &r.p, &kDot});
        tabs({&r.chr, &r.pos, &r.id, &r.a2, &r.a1, &kYes, &r.a1, &r.a2, &r.freq, &kSex, &r.n, &r.se, &r.se,
              &kOne, &r.other_p, &kDot});
        break;
    case SumstatsLayoutKind::Assoc:
        column(line, r.chr, 4), column(line, r.id, 12), column(line, r.pos, 10), column(line, r.a1, 4);
        column(line, r.freq, 8), column(line, r.freq, 8), column(line, r.a2, 4), column(line, r.chisq, 12);
        column(line, r.p, 12), column(line, r.odds, 12);
        line += " \n";
        break;
    case SumstatsLayoutKind::Qassoc:
        column(line, r.chr, 4), column(line, r.id, 12), column(line, r.pos, 10), column(line, r.n, 8);
        column(line, r.beta, 10), column(line, r.se, 10), column(line, r.freq, 10), column(line, r.stat, 8);
        column(line, r.p, 12);
        line += " \n";
        break;
    case SumstatsLayoutKind::Logistic:
    case SumstatsLayoutKind::Linear:
        column(line, r.chr, 4), column(line, r.id, 12), column(line, r.pos, 10), column(line, r.a1, 4);
        column(line, kAdd, 10), column(line, r.n, 8);
        column(line, kind == SumstatsLayoutKind::Logistic ? r.odds : r.beta, 10);
        column(line, r.stat, 12), column(line, r.p, 12);
        line += '\n';
        if (kind == SumstatsLayoutKind::Logistic) {
            column(line, r.chr, 4), column(line, r.id, 12), column(line, r.pos, 10), column(line, r.a1, 4);
            column(line, kSex, 10), column(line, r.n, 8), column(line, r.odds, 10), column(line, kOne, 12);
            column(line, r.other_p, 12);
            line += '\n';
        }
        break;
    case SumstatsLayoutKind::Regenie:
        line = r.chr + ' ' + r.pos + ' ' + r.id + ' ' + r.a2 + ' ' + r.a1 + ' ' + r.freq + " 1 " + r.n + " ADD " +
               r.beta + ' ' + r.se + ' ' + r.chisq + ' ' + r.log10p + " NA\n";
        break;
    case SumstatsLayoutKind::Saige: {
        const std::string chr = "chr" + r.chr;
        tabs({&chr, &r.pos, &r.id, &r.a2, &r.a1, &r.count1, &r.freq, &r.missing_rate, &r.beta, &r.se, &r.stat,
              &r.se, &r.p, &r.n});
        break;
    }
    case SumstatsLayoutKind::Bolt:
        tabs({&r.id, &r.chr, &r.pos, &kZero, &r.a1, &r.a2, &r.freq, &r.missing_rate, &r.beta, &r.se, &r.other_p,
              &r.p});
        break;
    case SumstatsLayoutKind::Metal: {
        const std::string a1 = lower(r.a1), a2 = lower(r.a2);
        tabs({&r.id, &a1, &a2, &kWeight, &r.stat, &r.p, &kDirection});
        break;
    }
    case SumstatsLayoutKind::Custom: {
        const std::string chr = "chr" + r.chr;
        tabs({&r.id, &chr, &r.pos, &r.a1, &r.a2, &r.p});
        break;
    }
    }
    out.write(line);
}

} // namespace

const char* layout_key(SumstatsLayoutKind kind)
{
    for (const LayoutName& l : kLayouts)
        if (l.kind == kind)
            return l.key;
    return "";
}

const char* layout_file(SumstatsLayoutKind kind)
{
    for (const LayoutName& l : kLayouts)
        if (l.kind == kind)
            return l.file;
    return "";
}

bool parse_layout_list(const std::string& text, std::vector<SumstatsLayoutKind>& kinds)
{
    kinds.clear();
    if (text == "all") {
        for (const LayoutName& l : kLayouts)
            kinds.push_back(l.kind);
        return true;
    }
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = text.find(',', start);
        const std::string key = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        bool known = false;
        for (const LayoutName& l : kLayouts) {
            if (key == l.key) {
                known = true;
                bool seen = false;
                for (SumstatsLayoutKind k : kinds)
                    seen = seen || k == l.kind;
                if (!seen)
                    kinds.push_back(l.kind);
            }
        }
        if (!known)
            return false;
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return !kinds.empty();
}

SumstatsFiles::SumstatsFiles(const std::string& dir, const std::vector<SumstatsLayoutKind>& kinds) : kinds_(kinds)
{
    for (SumstatsLayoutKind kind : kinds_) {
        files_.push_back(std::make_unique<OutFile>(dir + "/" + layout_file(kind)));
        files_.back()->write(header(kind));
    }
}

void SumstatsFiles::add_chromosome(const SnpMap& map, const SnpAlleles& alleles, const std::vector<double>& pvalues,
                                   const AlleleCounts& counts)
{
    for (std::size_t j = 0; j < map.size(); ++j) {
        const Row row = make_row(map, alleles, j, pvalues[j], counts, counts.individuals);
        for (std::size_t k = 0; k < kinds_.size(); ++k)
            write_row(*files_[k], kinds_[k], row);
    }
}

void SumstatsFiles::close()
{
    for (auto& f : files_)
        f->close();
}
