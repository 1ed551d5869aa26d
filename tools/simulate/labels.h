#ifndef KESTO_SIMULATE_LABELS_H
#define KESTO_SIMULATE_LABELS_H

#include <string>

// prefix + number padded with zeros to at least `width` digits: GENE007.
std::string zero_padded(const std::string& prefix, long long number, int width);

// Digits needed for `count`, but at least `minimum`.
int label_width(long long count, int minimum);

#endif
