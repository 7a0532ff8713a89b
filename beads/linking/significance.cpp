// Chi-square tail, its quantile and the likelihood ratio of a bead fit
// (see significance.h).
#include "significance.h"

#include <algorithm>
#include <cmath>

namespace linking {

double ChiSquareSurvival(double x, int dof) {
  if (x <= 0) return 1.0;
  const double half = 0.5 * x;
  if (dof % 2 == 0) {
    // Q = exp(-x/2) * sum_{i < dof/2} (x/2)^i / i!
    double term = 1, sum = 1;
    for (int i = 1; i < dof / 2; ++i) {
      term *= half / i;
      sum += term;
    }
    return std::exp(-half) * sum;
  }
  // Q = erfc(sqrt(x/2)) + sqrt(2x/pi) exp(-x/2) * sum_{i <= (dof-3)/2} x^i / (3*5*...*(2i+1))
  double q = std::erfc(std::sqrt(half));
  if (dof >= 3) {
    double term = 1, sum = 1;
    for (int i = 1; i <= (dof - 3) / 2; ++i) {
      term *= x / (2 * i + 1);
      sum += term;
    }
    q += std::sqrt(2 * x / M_PI) * std::exp(-half) * sum;
  }
  return std::min(q, 1.0);
}

double ChiSquareUpperQuantile(double alpha, int dof) {
  double lo = 0, hi = 1;
  while (ChiSquareSurvival(hi, dof) > alpha && hi < 1e6) hi *= 2;
  for (int i = 0; i < 200 && hi - lo > 1e-12 * hi; ++i) {
    const double mid = 0.5 * (lo + hi);
    if (ChiSquareSurvival(mid, dof) > alpha)
      lo = mid;
    else
      hi = mid;
  }
  return 0.5 * (lo + hi);
}

double LikelihoodRatio(const float* data, const double* model, int n) {
  double mean = 0;
  for (int p = 0; p < n; ++p) mean += data[p];
  mean /= n;
  if (!(mean > 0)) return 0;
  double sum = 0;
  for (int p = 0; p < n; ++p) {
    const double mu = std::max(model[p], 1e-9);
    sum += data[p] * std::log(mu / mean) - (mu - mean);
  }
  return 2 * sum;
}

}  // namespace linking
