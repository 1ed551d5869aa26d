#ifndef KESTO_COMMON_HIT_RULE_H
#define KESTO_COMMON_HIT_RULE_H

#include <vector>

// The suite's one hit rule: a SNP is a hit when its p-value lies below alpha.
// A field that was no p-value is held as NaN and is never a hit (the readers
// already turned text, missing-value codes and numbers outside 0 .. 1 into
// NaN). The comparison runs at the precision of each program's alpha:

// Region programs hold alpha in single precision and compare in it.
std::vector<float> hits_below(const std::vector<float>& pvalues, float alpha);

// Window programs keep alpha in double and widen the stored p-value to it, so
// a p-value equal to alpha as a float may still lie below a double alpha.
std::vector<float> window_hits(const std::vector<float>& pvalues, double alpha);

#endif
