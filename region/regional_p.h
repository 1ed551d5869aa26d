#ifndef KESTO_REGION_REGIONAL_P_H
#define KESTO_REGION_REGIONAL_P_H

// Chi-square density with one degree of freedom, in single precision
// (pi taken as 3.1415926).
float integrand(float t);

// Regional p-value of x weighted hits among k components at level alpha:
// the upper tail interpolated linearly between floor(x) and ceil(x), with the
// chi-square density fallback when that is exactly 0.
double regional_p(int k, double x, float alpha);

#endif
