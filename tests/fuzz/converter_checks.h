#ifndef KESTO_TESTS_FUZZ_CONVERTER_CHECKS_H
#define KESTO_TESTS_FUZZ_CONVERTER_CHECKS_H

// What the converters write from a data set they accepted must read back to
// the same numbers: transpose reads morrow's .gt, the window scan reads the
// .mk and transpose's .tg. A reader of the window scan may refuse a file (with
// a message), but never read other numbers than were written.

#include "allele_coding.h"
#include "atomic_output.h"
#include "fuzz_input.h"
#include "gt_file.h"
#include "marker_files.h"
#include "mk_writer.h"
#include "reference_files.h"
#include "tg_writer.h"

namespace kesto_fuzz {

inline void check_tg_reads_back(const convert::GtTable& gt)
{
    const std::string tg_path = scratch_dir() + "/out.tg";
    {
        convert::AtomicOutput tg(tg_path);
        convert::write_tg(tg, gt);
        tg.commit();
    }
    int samples = 0;
    if (read_genotype_header(tg_path, 1, samples, split_blank_runs).status != ReadStatus::Ok)
        return;
    CodeTable codes;
    if (read_genotype_rows(tg_path, 1, gt.snp_ids.size(), samples, codes).status != ReadStatus::Ok)
        return;
    FUZZ_CHECK(static_cast<std::size_t>(samples) == gt.individuals.size());
    for (std::size_t j = 0; j < gt.snp_ids.size(); ++j)
        for (std::size_t i = 0; i < gt.individuals.size(); ++i)
            FUZZ_CHECK(codes.row(j)[i] == static_cast<int>(gt.codes.get(i, j)) - 1);
}

inline void check_converted(const convert::GenotypeTable& table)
{
    const std::vector<convert::SnpCoding> coding = convert::choose_coding(table);
    FUZZ_CHECK(coding.size() == table.snps.size());
    const std::string mk_path = scratch_dir() + "/out.mk";
    const std::string gt_path = scratch_dir() + "/out.gt";
    {
        convert::AtomicOutput mk(mk_path);
        convert::AtomicOutput gt(gt_path);
        convert::write_mk(mk, table, coding);
        convert::write_gt(gt, table, coding);
        mk.commit();
        gt.commit();
    }

    std::vector<std::int32_t> positions;
    if (read_markers(mk_path, positions).status == ReadStatus::Ok) {
        FUZZ_CHECK(positions.size() == table.snps.size());
        for (std::size_t j = 0; j < positions.size(); ++j)
            FUZZ_CHECK(positions[j] == table.snps[j].position);
    }

    const convert::GtTable gt = convert::read_gt(gt_path);
    FUZZ_CHECK(gt.individuals.size() == table.individuals.size());
    FUZZ_CHECK(gt.snp_ids.size() == table.snps.size());
    for (std::size_t i = 0; i < table.individuals.size(); ++i)
        for (std::size_t j = 0; j < table.snps.size(); ++j)
            FUZZ_CHECK(static_cast<int>(gt.codes.get(i, j)) - 1 ==
                       convert::genotype_code(table.genotypes.get(j, i), coding[j].coded_is_a));
    check_tg_reads_back(gt);
}

} // namespace kesto_fuzz

#endif
