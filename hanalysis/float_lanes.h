#ifndef KESTO_HANALYSIS_FLOAT_LANES_H
#define KESTO_HANALYSIS_FLOAT_LANES_H

#include <cstring>

// Sixteen floats for the wide kernels: the operations on them act lane by
// lane, so their results do not depend on how wide the registers are that
// the target gives them. Loads and stores take references: a 64-byte vector
// passed by value would have a different calling convention in each target.
typedef float FloatLanes __attribute__((vector_size(64)));
constexpr int kFloatLanes = 16;

__attribute__((always_inline)) inline void load_lanes(FloatLanes& v, const float* p)
{
    std::memcpy(&v, p, sizeof v);
}

__attribute__((always_inline)) inline void store_lanes(float* p, const FloatLanes& v)
{
    std::memcpy(p, &v, sizeof v);
}

#endif
