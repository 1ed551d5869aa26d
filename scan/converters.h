#ifndef KESTO_SCAN_CONVERTERS_H
#define KESTO_SCAN_CONVERTERS_H

#include "file_lock.h"
#include "status.h"

#include <string>
#include <vector>

namespace window_scan {

// Files the converters write for BASE, and that the program reads afterwards.
std::string marker_file(const std::string& base);
std::string genotype_file(const std::string& base);
// BASE.mk, BASE.gt and BASE.tg: every file the conversion writes.
std::vector<std::string> converted_files(const std::string& base);
// The PLINK files the conversion reads: BASE.bed/.bim/.fam or BASE.ped/.map.
std::vector<std::string> data_set_files(const std::string& base);

// Where the converter NAME is run from: beside this program's executable
// when it is there, else in the working folder. NotFound names both places.
Status find_converter(const std::string& name, std::string& path);

// The words of the two converter runs: morrow turns the data set BASE into
// BASE.mk and BASE.gt, transpose turns BASE.gt into BASE.tg.
std::vector<std::string> morrow_words(const std::string& morrow, const std::string& base);
std::vector<std::string> transpose_words(const std::string& transpose, const std::string& base);

// Converts BASE for the scan. The data set is held in `lock` first, so that
// another run of the same base waits until this one has converted and read
// the files; the caller releases it once BASE.mk and BASE.tg are loaded.
// What an earlier run left of the converted files is removed, so that a
// converter that fails cannot leave an old file to be read; then morrow runs
// with its summary going to `log_fd`, then transpose. Not Ok, naming the
// file or the converter run, when a file cannot be removed, a converter is
// missing, or a run does not end with status 0.
Status prepare_inputs(const std::string& base, int log_fd, FileLock& lock);

} // namespace window_scan

#endif
