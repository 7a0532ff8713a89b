// The test that decides whether a fit at a bead's expected position found
// the bead or only background.
//
// Under background alone the pixels of the fit region are Poisson with one
// common mean b0, whose maximum-likelihood value is the mean of the region.
// The bead model adds photons N at a free position (x, y) with the track's
// PSF width: three more parameters. Twice the log-likelihood ratio
//   L = 2 * sum_p [ z_p ln(mu_p / b0) - (mu_p - b0) ]
// (mu_p the fitted bead model) is, under background alone, approximately
// chi-square distributed with 3 degrees of freedom; the fit is significant
// when L exceeds the upper-alpha quantile of that distribution.
#pragma once

namespace linking {

// Probability that a chi-square variable with `dof` (1 .. 100) degrees of
// freedom exceeds x.
double ChiSquareSurvival(double x, int dof);

// x with ChiSquareSurvival(x, dof) == alpha, 0 < alpha < 1.
double ChiSquareUpperQuantile(double alpha, int dof);

// Twice the log-likelihood ratio of the bead model (expected photons per
// pixel `model`) against a uniform background fitted to the same n pixels
// `data`; 0 when the data's mean is not positive.
double LikelihoodRatio(const float* data, const double* model, int n);

}  // namespace linking
