#ifndef KESTO_PROGRAMS_WINDOW_INPUTS_H
#define KESTO_PROGRAMS_WINDOW_INPUTS_H

#include "window_scan.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace window_scan {

// Loading of the window programs' inputs. Each loader returns kGoOn when the
// table is complete, else the exit status to end the run with. A missing file
// gets the programs' fixed line on standard output; malformed or empty input
// is described on standard error with the file and line.
constexpr int kGoOn = -1;

// Marker file: SNP ids from field 1, positions from field 2.
int load_markers(const std::string& program, const std::string& path, std::vector<std::string>& ids,
                 std::vector<std::int32_t>& positions);

// Association results file: one line per marker SNP, in its order, carrying
// the SNP's id in field 0 and its p-value in field 2, turned into hits.
// Fields that are no p-value are no hits; their count is reported once.
int load_association_hits(const std::string& program, const std::string& path, const std::vector<std::string>& ids,
                          double alpha, std::vector<float>& hits);

// SNP table: ids from field 0, positions from field 1 (ascending), p-values
// from field 2, turned into hits as above.
int load_snp_table(const std::string& program, const std::string& path, double alpha, std::vector<std::string>& ids,
                   std::vector<std::int32_t>& positions, std::vector<float>& hits);

// Whether loading the codes reports its progress on standard output: the
// sample and SNP counts before the rows, each row index after its row, and
// the counts again at the end.
enum class Progress { Quiet, Print };

// Genotype file, read once: a header that gives the sample count, then one
// row per SNP of `leading_fields` labels and one code per sample; when `ids`
// is given, each row's first label must be its SNP's id. The codes go into
// the form the engine uses: one int a code for the reference engine, two
// bits a code otherwise.
int load_scan_codes(const std::string& program, const std::string& path, int leading_fields,
                    const std::vector<std::string>* ids, Progress progress, bool reference, int threads,
                    ScanTables& tables);

} // namespace window_scan

#endif
