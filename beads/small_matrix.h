// Dense symmetric positive-definite systems of the fits (at most
// 3 * BEADS_MAX_EMITTERS + 2 unknowns): Cholesky factorisation, solve, and
// the diagonal of the inverse (the Cramer-Rao variances). Matrices are
// row-major n x n arrays of doubles; only the lower triangle is read.
#pragma once

namespace beads {

constexpr int kMaxParams = 3 * 8 + 2;

// Factors a = L L^T in place (L in the lower triangle). False when a is not
// positive definite (a pivot below a tiny fraction of its diagonal).
bool CholeskyFactor(double* a, int n);

// Solves L L^T x = b in place with a factored matrix.
void CholeskySolve(const double* l, int n, double* b);

// Diagonal of the inverse of a factored matrix.
void CholeskyInverseDiagonal(const double* l, int n, double* diagonal);

}  // namespace beads
