#include "regional_p.h"

#include "binomial_tail.h"

#include <cmath>

float integrand(float t)
{
    const float e = std::exp(t / -2.0f);
    const float r = std::sqrt(t);
    const float q = e / r;
    return static_cast<float>(static_cast<double>(q) / 2.5066282532517663);
}

double regional_p(int k, double x, float alpha)
{
    const double trials = static_cast<double>(k);
    const double success = static_cast<double>(alpha);
    // Rounding can carry x a hair above k; the tail is defined up to k only.
    const double f = std::min(std::floor(x), trials);
    const double c = std::min(std::ceil(x), trials);
    const double tf = binomial_upper_tail(trials, success, f);
    const double tc = binomial_upper_tail(trials, success, c);
    double p = (x - f) * (tc - tf) + tf;
    if (p == 0.0) {
        const float kf = static_cast<float>(k);
        const double m = static_cast<double>(alpha * kf);
        const float v = (1.0f - alpha) * (kf * alpha);
        const double s = static_cast<double>(std::sqrt(v));
        const double z = (x - m) / s;
        const float t = static_cast<float>(z * z);
        p = static_cast<double>(integrand(t));
    }
    return p;
}
