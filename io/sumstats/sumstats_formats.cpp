#include "sumstats_formats.h"

#include <cctype>

namespace {

bool same_name(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace

const std::vector<FormatColumns>& known_formats()
{
    // Signatures are chosen so that no two formats claim one header:
    // REGENIE's GENPOS, BOLT-LMM's P_BOLT_LMM*, SAIGE's p.value and METAL's
    // MarkerName are their own; PLINK 2 starts with #CHROM and has POS;
    // PLINK 1.9 is the plain CHR SNP BP ... P rest.
    static const std::vector<FormatColumns> formats = {
        {SumstatsFormat::GwasSsf,
         {"chromosome", "base_pair_location", "p_value|neg_log_10_p_value", nullptr},
         "rsid|variant_id", "chromosome", "base_pair_location", "effect_allele", "other_allele",
         "p_value", "neg_log_10_p_value", ""},
        {SumstatsFormat::Regenie,
         {"CHROM", "GENPOS", "ALLELE0", "ALLELE1", "LOG10P|P", nullptr},
         "ID", "CHROM", "GENPOS", "ALLELE0", "ALLELE1", "P", "LOG10P", "TEST"},
        {SumstatsFormat::BoltLmm,
         {"SNP", "CHR", "BP", "ALLELE1", "P_BOLT_LMM|P_BOLT_LMM_INF", nullptr},
         "SNP", "CHR", "BP", "ALLELE1", "ALLELE0", "P_BOLT_LMM|P_BOLT_LMM_INF", "", ""},
        {SumstatsFormat::Plink2Glm,
         {"#CHROM|CHROM", "POS", "ID", "P|LOG10_P|NEG_LOG10_P", nullptr},
         "ID", "#CHROM|CHROM", "POS", "REF|A1", "ALT|ALT1|OMITTED|AX", "P", "LOG10_P|NEG_LOG10_P", "TEST"},
        {SumstatsFormat::Saige,
         {"CHR", "POS", "Allele1", "Allele2", "p.value", nullptr},
         "MarkerID|rsid|SNPID", "CHR", "POS", "Allele1", "Allele2", "p.value", "", ""},
        {SumstatsFormat::Plink1Assoc,
         {"CHR", "SNP", "BP", "P", nullptr},
         "SNP", "CHR", "BP", "A1", "A2", "P", "", "TEST"},
        {SumstatsFormat::Metal,
         {"MarkerName", "Allele1", "Allele2", "P-value", nullptr},
         "MarkerName", "Chromosome", "Position", "Allele1", "Allele2", "P-value", "", ""},
    };
    return formats;
}

const FormatColumns& columns_of(SumstatsFormat format)
{
    static const FormatColumns custom = {SumstatsFormat::Custom, {nullptr}, "", "", "", "", "", "", "", ""};
    for (const FormatColumns& f : known_formats())
        if (f.format == format)
            return f;
    return custom;
}

int find_column(const std::vector<std::string>& header, std::string_view names)
{
    while (!names.empty()) {
        const std::size_t bar = names.find('|');
        const std::string_view name = names.substr(0, bar);
        for (std::size_t i = 0; i < header.size(); ++i)
            if (same_name(header[i], name))
                return static_cast<int>(i);
        if (bar == std::string_view::npos)
            break;
        names.remove_prefix(bar + 1);
    }
    return -1;
}
