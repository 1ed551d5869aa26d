#ifndef KESTO_SCAN_WINDOW_P_H
#define KESTO_SCAN_WINDOW_P_H

namespace window_scan {

// Chi-square density with one degree of freedom at x, in double precision:
// exp(x / -2) / sqrt(x) / 2.5066282532517663 (pi taken as 3.1415926).
double integrand(double x);

// P-value of a window with k kept components and x weighted hits at level
// alpha: the binomial upper tail (k trials, success probability alpha)
// interpolated linearly between floor(x) and ceil(x); when that is exactly 0,
// the chi-square density at the squared normal deviate of x takes its place.
// Everything stays in double precision. Rounding can carry x a hair above k;
// the tail is taken at k at most.
double window_p(int k, double x, double alpha);

} // namespace window_scan

#endif
