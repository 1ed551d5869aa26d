#ifndef KESTO_COMMON_RUN_OPTIONS_H
#define KESTO_COMMON_RUN_OPTIONS_H

#include "eigen_method.h"

#include <cstddef>
#include <string>

// Settings taken from the environment; none of them changes a result, except
// KESTO_EIGEN=fast, which asks for results to a tolerance.

// KESTO_THREADS: worker threads for regions and windows (default 1). A value
// that is not a whole number from 1 to 256 is reported and read as 1.
int thread_count(const std::string& program);

// The cores this process may run on, as `nproc` counts them: its CPU
// affinity, which batch schedulers (Slurm, taskset, cpusets) narrow to a
// job's share of the node; the machine's count where that is not known.
// At least 1, at most 256. The default of the `--threads` options.
int usable_cores();

// KESTO_ENGINE=reference selects the straightforward engine (one two-locus
// analysis object per pair, files read for every region); anything else, or
// nothing, the fast engine. Both write the same bytes.
bool use_reference_engine();

// KESTO_EIGEN=fast selects the fast eigen path (see eigen_method.h); "exact"
// or nothing, the exact one. Any other value is reported and read as exact.
EigenMethod eigen_method(const std::string& program);

// KESTO_CACHE_MB: memory for chromosomes kept loaded between regions
// (default 1024 MiB).
std::size_t cache_bytes(const std::string& program);

#endif
