#include "sumstats_reader.h"

const char* format_name(SumstatsFormat format)
{
    switch (format) {
    case SumstatsFormat::GwasSsf: return "GWAS-SSF";
    case SumstatsFormat::Plink2Glm: return "PLINK 2 .glm";
    case SumstatsFormat::Plink1Assoc: return "PLINK 1.9 .assoc";
    case SumstatsFormat::Regenie: return "REGENIE";
    case SumstatsFormat::Saige: return "SAIGE";
    case SumstatsFormat::BoltLmm: return "BOLT-LMM";
    case SumstatsFormat::Metal: return "METAL";
    case SumstatsFormat::Custom: return "custom";
    }
    return "custom";
}

Status SumstatsReader::open(const std::string& path, const SumstatsOptions& options)
{
    (void)options;
    status_ = source_.open(path);
    return status_;
}

bool SumstatsReader::next(SumstatsRecord& record)
{
    (void)record;
    return false;
}
