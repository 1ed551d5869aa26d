#ifndef KESTO_COMMON_REGIONAL_PVALUES_H
#define KESTO_COMMON_REGIONAL_PVALUES_H

// The three regional p-values of the suite, side by side. Each is the
// binomial upper tail of x weighted hits among k components at level alpha,
// interpolated linearly between floor(x) and ceil(x), with the chi-square
// density at the squared normal deviate of x where that tail is exactly 0.
// They differ only in the precision of their steps, and each program's
// results depend on its own: keep them apart.

// Chi-square density with one degree of freedom, in single precision
// (pi taken as 3.1415926).
float integrand(float t);

// Genes and regions: a double tail over a float alpha; the fallback's mean
// and spread are formed in float, as the region engine has always done.
double regional_p(int k, double x, float alpha);

// Probability of at least k successes among n trials at level alpha, formed
// in double as (1 - cdf(k)) + pdf(k) and narrowed to float. k is held within
// 0 .. n.
float pathway_tail(int n, float alpha, float k);

// Pathways: the summed region results stay in float throughout (floor,
// ceiling, tails, interpolation); only the binomial itself runs in double.
// alpha must lie in 0 .. 1 and n must not be negative.
float pathway_p(int n, float s, float alpha);

namespace window_scan {

// Chi-square density with one degree of freedom at x, in double precision:
// exp(x / -2) / sqrt(x) / 2.5066282532517663 (pi taken as 3.1415926).
double integrand(double x);

// Windows: everything in double, alpha included; a NaN x gives NaN.
double window_p(int k, double x, double alpha);

} // namespace window_scan

#endif
