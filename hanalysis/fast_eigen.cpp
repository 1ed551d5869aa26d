#include "fast_eigen.h"

#include <lapacke.h>

#include <dlfcn.h>

#include <cstdlib>

#include <vector>

namespace {

// LAPACK is opened only when the fast path is chosen, so that the exact
// path's programs neither load it nor start OpenBLAS's thread pool.
struct Lapack {
    decltype(&LAPACKE_ssytrd) ssytrd = nullptr;
    decltype(&LAPACKE_sstedc) sstedc = nullptr;
    decltype(&LAPACKE_sormtr_work) sormtr = nullptr;
    bool ok() const { return ssytrd != nullptr && sstedc != nullptr && sormtr != nullptr; }
};

VectorInstructions this_processor()
{
    VectorInstructions cpu;
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    cpu.avx512 = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                 __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq") &&
                 __builtin_cpu_supports("avx512cd");
    cpu.avx2_fma = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#endif
    return cpu;
}

Lapack open_lapack()
{
    Lapack l;
    // OpenBLAS reads OPENBLAS_CORETYPE when it is loaded, just below; the
    // user's own setting is kept.
    if (std::getenv("OPENBLAS_CORETYPE") == nullptr)
        if (const char* kernels = openblas_kernels_for(this_processor()))
            setenv("OPENBLAS_CORETYPE", kernels, 0);
    void* lib = dlopen("liblapacke.so.3", RTLD_NOW | RTLD_LOCAL);
    if (lib == nullptr)
        lib = dlopen("liblapacke.so", RTLD_NOW | RTLD_LOCAL);
    if (lib == nullptr)
        return l;
    l.ssytrd = reinterpret_cast<decltype(&LAPACKE_ssytrd)>(dlsym(lib, "LAPACKE_ssytrd"));
    l.sstedc = reinterpret_cast<decltype(&LAPACKE_sstedc)>(dlsym(lib, "LAPACKE_sstedc"));
    l.sormtr = reinterpret_cast<decltype(&LAPACKE_sormtr_work)>(dlsym(lib, "LAPACKE_sormtr_work"));
    // Where LAPACK is OpenBLAS's, keep its work on the calling thread.
    if (void* blas = dlopen("libopenblas.so.0", RTLD_NOW | RTLD_NOLOAD)) {
        using SetThreads = void (*)(int);
        if (auto set = reinterpret_cast<SetThreads>(dlsym(blas, "openblas_set_num_threads")))
            set(1);
    }
    return l;
}

// Opened once per process, on first use; the routines do not change after.
const Lapack& lapack()
{
    static const Lapack routines = open_lapack();
    return routines;
}

} // namespace

const char* openblas_kernels_for(const VectorInstructions& cpu)
{
    if (cpu.avx512)
        return "SkylakeX";
    if (cpu.avx2_fma)
        return "Haswell";
    return nullptr;
}

Status prepare_fast_eigen()
{
    if (!lapack().ok())
        return Status{StatusCode::NotFound,
                      "KESTO_EIGEN=fast needs LAPACKE (liblapacke.so.3), which could not be loaded"};
    return Status{};
}

bool weigh_components_fast(const Eigen::MatrixXf& ld, const Eigen::VectorXf& hits, std::size_t first, double share,
                           ComponentWeighting& result)
{
    const Lapack& la = lapack();
    const lapack_int n = static_cast<lapack_int>(ld.rows());
    if (!la.ok() || n < 1)
        return false;
    // Column-major copy, reduced in place; its lower triangle then holds the
    // Householder reflectors that sormtr applies.
    Eigen::MatrixXf reduced = ld;
    Eigen::VectorXf diagonal(n);
    std::vector<float> off(static_cast<std::size_t>(n));
    std::vector<float> tau(static_cast<std::size_t>(n));
    if (la.ssytrd(LAPACK_COL_MAJOR, 'L', n, reduced.data(), n, diagonal.data(), off.data(), tau.data()) != 0)
        return false;
    // Eigenvalues come back ascending in `diagonal`, as the exact solver
    // orders them; `vectors` holds the tridiagonal matrix's eigenvectors.
    Eigen::MatrixXf vectors(n, n);
    if (la.sstedc(LAPACK_COL_MAJOR, 'I', n, diagonal.data(), off.data(), vectors.data(), n) != 0)
        return false;
    if (!diagonal.allFinite())
        return false;
    const int k = count_components(diagonal, share);
    // The kept components are the last k columns, contiguous in memory.
    float* kept = vectors.data() + static_cast<std::ptrdiff_t>(n - k) * n;
    // sormtr's own workspace query leaves out the block reflector's triangle
    // that sormqr also needs, so sormqr would fall back to one reflector at
    // a time (and scan the vectors for zeros before each). Room for blocks
    // of up to 64 reflectors (NBMAX) and their 65 x 64 triangle keeps it blocked.
    std::vector<float> work(static_cast<std::size_t>(k) * 64 + 65 * 64);
    if (la.sormtr(LAPACK_COL_MAJOR, 'L', 'L', 'N', n, k, reduced.data(), n, tau.data(), kept, n, work.data(),
                  static_cast<lapack_int>(work.size())) != 0)
        return false;
    const Eigen::Map<const Eigen::MatrixXf> components(kept, n, k);
    if (!components.allFinite())
        return false;
    result.ncritical = k;
    result.nsignificant = weighted_hits(components, k, hits, first);
    return true;
}
