#include "window_p.h"

#include "binomial_tail.h"

#include <algorithm>
#include <cmath>

namespace window_scan {

double integrand(double x)
{
    return std::exp(x / -2.0) / std::sqrt(x) / 2.5066282532517663;
}

double window_p(int k, double x, double alpha)
{
    if (std::isnan(x))
        return x;
    const double trials = static_cast<double>(k);
    const double k0 = std::min(std::floor(x), trials);
    const double k1 = std::min(std::ceil(x), trials);
    const double t0 = binomial_upper_tail(trials, alpha, k0);
    const double t1 = binomial_upper_tail(trials, alpha, k1);
    double p = (x - k0) * (t1 - t0) + t0;
    if (p == 0.0) {
        const double mean = trials * alpha;
        const double z = (x - mean) / std::sqrt(mean * (1.0 - alpha));
        p = integrand(z * z);
    }
    return p;
}

} // namespace window_scan
