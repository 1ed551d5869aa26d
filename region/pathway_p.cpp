#include "pathway_p.h"

#include "binomial_tail.h"
#include "regional_p.h"

#include <algorithm>
#include <cmath>

float pathway_tail(int n, float alpha, float k)
{
    // A sum of float hit counts can end a hair above a whole n (or, in
    // principle, below 0); the binomial is defined on 0 .. n only.
    const float trials = static_cast<float>(n);
    const float held = std::min(std::max(k, 0.0f), trials);
    return static_cast<float>(
        binomial_upper_tail(static_cast<double>(n), static_cast<double>(alpha), static_cast<double>(held)));
}

float pathway_p(int n, float s, float alpha)
{
    const float lo = std::floor(s);
    const float hi = std::ceil(s);
    const float t_lo = pathway_tail(n, alpha, lo);
    const float t_hi = pathway_tail(n, alpha, hi);
    float p = (s - std::floor(s)) * (t_hi - t_lo) + t_lo;
    if (p == 0.0f) {
        const float nf = static_cast<float>(n);
        const float mean = nf * alpha;
        const float miss = 1.0f - alpha;
        const float spread = std::sqrt(miss * mean);
        const float z = (s - mean) / spread;
        p = integrand(z * z);
    }
    return p;
}
