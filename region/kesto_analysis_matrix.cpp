#include "kesto_analysis_matrix.h"

#include "chromosome_name.h"

#include <utility>

Kesto::Kesto(const RegionEngine& engine, std::string chromosome, std::int32_t start, std::int32_t end)
    : engine_(engine), chromosome_(std::move(chromosome)), start_(start), end_(end)
{
}

RegionTriple Kesto::CalKesto()
{
    if (is_safe_chromosome(chromosome_))
        report_ = engine_.evaluate(chromosome_, start_, end_);
    else
        report_.status = RegionStatus::BadInput;
    return report_.triple;
}

RegionReport evaluate_region(const RegionEngine& engine, const std::string& chromosome, std::int32_t start,
                             std::int32_t end)
{
    Kesto region(engine, chromosome, start, end);
    region.CalKesto();
    return region.report();
}
