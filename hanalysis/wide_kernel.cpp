#include "wide_kernel.h"

bool wide_kernel_runs(WideKernel kernel)
{
    switch (kernel) {
    case WideKernel::Portable: return true;
    case WideKernel::Avx2: return __builtin_cpu_supports("avx2");
    case WideKernel::Avx512: return __builtin_cpu_supports("avx512f");
    }
    return false;
}

WideKernel best_wide_kernel()
{
    __builtin_cpu_init();
    if (wide_kernel_runs(WideKernel::Avx512))
        return WideKernel::Avx512;
    if (wide_kernel_runs(WideKernel::Avx2))
        return WideKernel::Avx2;
    return WideKernel::Portable;
}
