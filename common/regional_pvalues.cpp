#include "regional_pvalues.h"

#include "binomial_tail.h"

#include <algorithm>
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

namespace window_scan {

double integrand(double x) { return std::exp(x / -2.0) / std::sqrt(x) / 2.5066282532517663; }

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
