#ifndef KESTO_REGION_PATHWAY_P_H
#define KESTO_REGION_PATHWAY_P_H

// The pathway p-value works on the summed region results in single
// precision: the weighted hit sum, its floor and ceiling, the tail values
// and the interpolation are floats; only the binomial itself runs in double.

// Probability of at least k successes among n trials at level alpha, formed
// in double as (1 - cdf(k)) + pdf(k) and narrowed to float. k is held within
// 0 .. n.
float pathway_tail(int n, float alpha, float k);

// P-value of s weighted hits among n components: the tail interpolated
// linearly between floor(s) and ceil(s); when that is exactly 0, the
// chi-square density at z * z, z = (s - n alpha) / sqrt((1 - alpha) n alpha).
// alpha must lie in 0 .. 1 and n must not be negative.
float pathway_p(int n, float s, float alpha);

#endif
