#ifndef KESTO_IO_RESULTS_RESULT_ROWS_H
#define KESTO_IO_RESULTS_RESULT_ROWS_H

#include <cstdint>
#include <optional>
#include <string>

// The rows of the analysis result tables as plain values; an empty optional
// is written as NA. Floating-point values are written with six significant
// digits (single-precision results widened to double give the same text).

// What every region row ends with.
struct RegionCells {
    std::optional<long> nsnps;
    std::optional<int> ncritical;
    std::optional<double> nsignificant;
    std::optional<double> regional_p;
    std::optional<std::string> top_snp;
    std::optional<double> top_p;
    std::string status;
};

struct GeneRow {
    std::string chromosome;
    std::int32_t start = 0;
    std::int32_t end = 0;
    std::string name;
    std::string id;
    RegionCells cells;
};

struct WindowRow {
    std::string chromosome;
    std::int64_t start = 0;
    std::int64_t end = 0;
    RegionCells cells;
};

struct PathwayRow {
    std::string id;
    std::string name;
    long members = 0;
    long members_found = 0;
    long regions = 0;
    long regions_evaluated = 0;
    std::optional<long> nsnps;
    std::optional<int> ncritical;
    std::optional<double> nsignificant;
    std::optional<double> regional_p;
    std::string status;
};

#endif
