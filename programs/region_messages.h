#ifndef KESTO_PROGRAMS_REGION_MESSAGES_H
#define KESTO_PROGRAMS_REGION_MESSAGES_H

#include "gene_table.h"
#include "region_engine.h"

#include <set>
#include <string>
#include <utility>

// The messages of the region programs about their reference data. The fixed
// standard-output lines ("Input legend file not found PATH", "File genotype
// not found") come for every region, as they always have; the explanation on
// standard error, with the full path, comes once per file.
class RegionMessages {
public:
    RegionMessages(std::string program, std::string gene_path)
        : program_(std::move(program)), gene_path_(std::move(gene_path))
    {
    }

    // Prints what `report` calls for; `region` is the gene or merged region
    // it was computed for.
    void report(const RegionReport& report, const GeneEntry& region);

    // A reference file that could not be read (a folder, an I/O error, a
    // line past the limit) ends the run with exit 1, unlike a malformed one
    // whose chromosome merely loses its results: a result written on a read
    // error would look like a finding.
    static bool ends_the_run(const RegionReport& report)
    {
        return report.problem.code == StatusCode::ReadError;
    }

private:
    void once(const std::string& key, const std::string& text);

    std::string program_;
    std::string gene_path_;
    std::set<std::string> given_;
};

#endif
