#ifndef KESTO_SOURCES_PACKED_GENOTYPE_READING_H
#define KESTO_SOURCES_PACKED_GENOTYPE_READING_H

#include "packed_codes.h"
#include "reference_files.h"
#include "status.h"

#include <cstddef>
#include <functional>
#include <string>

// Reads a genotype file straight into packed codes: the same checks, the
// same messages and the same table as read_genotypes with a sink that adds
// each row, which is what it does on one thread (`reading.sink` is not
// used). With threads > 1 the calling thread
// reads runs of rows, the worker threads parse and pack them, and the
// calling thread appends them in file order; `row_done`, when given, is
// called there for every row in order. `samples_known` should make `codes`
// a table of that many samples.
Status read_packed_genotypes(const std::string& path, const GenotypeReading& reading, int threads,
                             PackedCodes& codes, const std::function<void(std::size_t row)>& row_done = {});

#endif
