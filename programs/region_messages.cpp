#include "region_messages.h"

#include "chromosome_name.h"
#include "reference_files.h"

#include <iostream>

void RegionMessages::once(const std::string& key, const std::string& text)
{
    if (given_.insert(key).second)
        std::cerr << program_ << ": " << text << "\n";
}

void RegionMessages::report(const RegionReport& report, const GeneEntry& region)
{
    if (!is_safe_chromosome(region.chromosome)) {
        const std::string where = gene_path_ + " line " + std::to_string(region.line);
        once(where, where + ": chromosome name '" + region.chromosome +
                        "' cannot name a reference file (letters, digits, '_', '-' and '.' only); no result");
        return;
    }
    switch (report.status) {
    case RegionStatus::MissingFile: {
        const std::string& path = report.problem.message;
        if (report.failed_part == SourcePart::Snps)
            std::cout << "Input legend file not found " << path << "\n" << std::flush;
        else
            std::cout << "File genotype not found\n" << std::flush;
        once(path, path + ": no such file (nor " + path + ".gz); regions on chromosome " + region.chromosome +
                       " have no result");
        break;
    }
    case RegionStatus::BadInput:
        if (ends_the_run(report))
            once(report.problem.message, report.problem.message + "; the run ends");
        else
            once(report.problem.message, report.problem.message + "; regions on chromosome " +
                                             region.chromosome + " have no result");
        break;
    case RegionStatus::Computed:
    case RegionStatus::Empty:
        break;
    }
    if (report.no_snps)
        once(report.snp_origin + " (no SNPs)",
             report.snp_origin + ": no SNP lines after the header; regions on it are empty");
    PValueTally tally;
    tally.nonnumeric = report.nonnumeric_pvalues;
    tally.out_of_range = report.out_of_range_pvalues;
    if (tally.total() > 0)
        once(report.snp_origin + " (p-values)", pvalue_report(report.snp_origin, tally));
}
