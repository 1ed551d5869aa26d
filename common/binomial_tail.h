#ifndef KESTO_COMMON_BINOMIAL_TAIL_H
#define KESTO_COMMON_BINOMIAL_TAIL_H

// Probability of at least k successes in `trials` trials with success
// probability `success`, for a whole number k from 0 to trials: 1 - cdf(k)
// is formed first, then pdf(k) is added.
double binomial_upper_tail(double trials, double success, double k);

#endif
