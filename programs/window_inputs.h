#ifndef KESTO_SCAN_WINDOW_INPUTS_H
#define KESTO_SCAN_WINDOW_INPUTS_H

#include "code_table.h"
#include "packed_codes.h"

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

// Marker file: positions from field 2.
int load_markers(const std::string& program, const std::string& path, std::vector<std::int32_t>& positions);

// Association results file: one p-value (field 2) per SNP, turned into hits.
// P-values that are not numbers are no hits; their count is reported once.
int load_association_hits(const std::string& program, const std::string& path, std::size_t snps, double alpha,
                          std::vector<float>& hits);

// SNP table: positions from field 1, p-values from field 2, turned into hits
// as above.
int load_snp_table(const std::string& program, const std::string& path, double alpha,
                   std::vector<std::int32_t>& positions, std::vector<float>& hits);

// Whether loading the codes reports its progress on standard output: the
// sample and SNP counts before the rows, each row index after its row, and
// the counts again at the end.
enum class Progress { Quiet, Print };

// Genotype file: a header that gives the sample count, then one row per SNP
// of `leading_fields` labels and one code per sample.
int load_codes(const std::string& program, const std::string& path, int leading_fields, std::size_t snps,
               Progress progress, CodeTable& codes);
// The same, holding the codes at two bits each.
int load_codes(const std::string& program, const std::string& path, int leading_fields, std::size_t snps,
               Progress progress, PackedCodes& codes);

struct ScanTables;
// Loads the codes into the form the engine uses: one int a code for the
// reference engine, two bits a code otherwise.
int load_scan_codes(const std::string& program, const std::string& path, int leading_fields, Progress progress,
                    bool reference, ScanTables& tables);

} // namespace window_scan

#endif
