#include "hit_rule.h"

#include <cstddef>

std::vector<float> hits_below(const std::vector<float>& pvalues, float alpha)
{
    std::vector<float> hits(pvalues.size());
    for (std::size_t i = 0; i < pvalues.size(); ++i)
        hits[i] = pvalues[i] < alpha ? 1.0f : 0.0f;
    return hits;
}

std::vector<float> window_hits(const std::vector<float>& pvalues, double alpha)
{
    std::vector<float> hits(pvalues.size());
    for (std::size_t i = 0; i < pvalues.size(); ++i)
        hits[i] = alpha > static_cast<double>(pvalues[i]) ? 1.0f : 0.0f;
    return hits;
}
