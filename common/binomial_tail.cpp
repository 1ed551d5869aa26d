#include "binomial_tail.h"

#include <boost/math/distributions/binomial.hpp>

double binomial_upper_tail(double trials, double success, double k)
{
    const boost::math::binomial_distribution<double> dist(trials, success);
    const double upper = 1.0 - boost::math::cdf(dist, k);
    return upper + boost::math::pdf(dist, k);
}
