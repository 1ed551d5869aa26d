#ifndef KESTO_HANALYSIS_WIDE_KERNEL_H
#define KESTO_HANALYSIS_WIDE_KERNEL_H

// The register widths the floating-point kernels are built for. Each kernel
// does only lane-wise operations in the order of its plain loop, so every
// width gives the same bits; the widest the processor runs is the fastest.
enum class WideKernel {
    Portable,  // the baseline target's vectors (SSE2 on x86-64)
    Avx2,
    Avx512,
};

bool wide_kernel_runs(WideKernel kernel);
WideKernel best_wide_kernel();

#endif
